// SPDX-License-Identifier: GPL-3.0-or-later
#include "reports/MonthlyIncome.h"

#include "jobstore/Adodc.h"
#include "jobstore/DateNumber.h"
#include "jobstore/Recordset.h"
#include "jobstore/ReportQueries.h"
#include "reports/ReportTotals.h"
#include "solardate/SolarCalendar.h"

#include <algorithm>
#include <limits>

QString MonthlyIncome::Month::label() const
{
    const qint64 number = key.toLongLong();
    if (key.isNull())
        return QStringLiteral("بدون تاريخ");
    const int year = DateNumber::fullYear(int(number / 100 % 100));
    const int month = int(number % 100);
    const QString name = Sorvan::solarMonthName(month);
    // A month no calendar has is shown as stored, so its jobs are still counted somewhere visible.
    if (name.isEmpty())
        return QStringLiteral("%1/%2").arg(year).arg(month, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1 %2").arg(name).arg(year);
}

std::optional<MonthlyIncome> MonthlyIncome::read(const QString &connection, const SqlText &report, float shopFraction,
                                                 QString *error)
{
    Adodc sums;
    sums.setConnectionString(connection);
    sums.setRecordSource(Queries::reportMonths(report));
    if (!sums.Refresh()) {
        if (error)
            *error = sums.lastError();
        return std::nullopt;
    }
    MonthlyIncome income;
    Recordset *rows = sums.recordset();
    for (int row = 0; row < rows->RecordCount(); ++row)
        income.add(rows->value(row, 0), rows->value(row, 1).toInt(), rows->value(row, 2), rows->value(row, 3));
    income.finish(shopFraction);
    return income;
}

void MonthlyIncome::add(const QVariant &key, int repairs, const QVariant &parts, const QVariant &final)
{
    // Every number that is no date shares the one bar of the jobs without a date.
    const QVariant month = key.isNull() || key.toLongLong() <= 0 ? QVariant() : QVariant(key.toLongLong());
    auto found = std::find_if(m_months.begin(), m_months.end(), [&month](const Month &m) {
        return m.key.isNull() == month.isNull() && m.key.toLongLong() == month.toLongLong();
    });
    if (found == m_months.end()) {
        m_months.append(Month{month});
        found = m_months.end() - 1;
    }
    found->repairs += repairs;
    found->parts += parts.isNull() ? 0 : parts.toDouble();
    found->final += final.isNull() ? 0 : final.toDouble();
}

void MonthlyIncome::finish(float shopFraction)
{
    const auto order = [](const Month &m) {
        return m.key.isNull() ? std::numeric_limits<qint64>::min() : DateNumber::calendarKey(m.key.toLongLong() * 100);
    };
    std::sort(m_months.begin(), m_months.end(),
              [&order](const Month &a, const Month &b) { return order(a) < order(b); });
    // Each month's share rounded on its own would not add up to the report's rounded share; the
    // running totals are rounded instead, and each month takes what its own income added.
    ReportTotals running;
    double parts = 0;
    double final = 0;
    qint64 shopBefore = 0;
    for (Month &month : m_months) {
        parts += month.parts;
        final += month.final;
        running.setSums(0, parts, final);
        running.finish(shopFraction);
        month.shop = running.shopShare() - shopBefore;
        month.technician = (month.final - month.parts) - double(month.shop);
        shopBefore = running.shopShare();
    }
}
