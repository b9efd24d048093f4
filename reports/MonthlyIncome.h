// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "jobstore/SqlText.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <optional>

class ReportReader;

// A report's income month by month, as its chart draws it: for each solar month of entry the parts,
// the shop's share and the technician's share, which add up to the month's final prices. The shares
// are split as the report's totals split theirs, and their sums over the months are the totals'.
class MonthlyIncome
{
public:
    struct Month {
        QVariant key; // the entry date number without its day (9106 for 1391/06); null for no date
        int repairs = 0;
        double parts = 0;
        double final = 0;
        qint64 shop = 0;
        double technician = 0;

        // "شهريور 1391", Latin digits; "بدون تاريخ" for the jobs without an entry date.
        QString label() const;
    };

    // The months of the report query's rows, by one grouped query; nullopt (and `error`) when it fails.
    static std::optional<MonthlyIncome> read(ReportReader &reader, const SqlText &report, float shopFraction,
                                             QString *error = nullptr);

    // A day's count and sums (the entry date number, null for none), added to its month's.
    void add(const QVariant &day, int repairs, const QVariant &parts, const QVariant &final);
    // Puts the months in calendar order and splits each month's repair income.
    void finish(float shopFraction);

    const QList<Month> &months() const { return m_months; }

private:
    QList<Month> m_months;
};
