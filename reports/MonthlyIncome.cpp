// SPDX-License-Identifier: GPL-3.0-or-later
#include "reports/MonthlyIncome.h"

#include "jobstore/DateNumber.h"
#include "jobstore/ReportQueries.h"
#include "jobstore/ReportReader.h"
#include "reports/ReportTotals.h"
#include "solardate/SolarCalendar.h"

#include <algorithm>
#include <cmath>
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

std::optional<MonthlyIncome> MonthlyIncome::read(ReportReader &reader, const SqlText &report, float shopFraction,
                                                 QString *error)
{
    MonthlyIncome income;
    const bool ok = reader.eachGrouped(Queries::reportDays(report), [&income](const QVector<QVariant> &day) {
        income.add(day.value(0), day.value(1).toInt(), day.value(2), day.value(3));
    });
    if (!ok) {
        if (error)
            *error = reader.lastError();
        return std::nullopt;
    }
    income.finish(shopFraction);
    return income;
}

void MonthlyIncome::add(const QVariant &day, int repairs, const QVariant &parts, const QVariant &final)
{
    // Every number that is no date shares the one bar of the jobs without a date.
    const qint64 number = day.isNull() ? 0 : qint64(std::floor(day.toDouble()));
    const QVariant month = number <= 0 ? QVariant() : QVariant(number / 100);
    const auto same = [&month](const Month &m) {
        return m.key.isNull() == month.isNull() && m.key.toLongLong() == month.toLongLong();
    };
    // The days come in date order, so their month is nearly always the last one met.
    auto found = !m_months.isEmpty() && same(m_months.last()) ? m_months.end() - 1
                                                              : std::find_if(m_months.begin(), m_months.end(), same);
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
