// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "sorvan_export.h"

#include <QDate>
#include <QString>

namespace Sorvan
{

// A date of the solar (Persian) calendar: months 1 to 6 have 31 days, 7 to 11 have 30, and 12 has 29 or 30.
struct SolarDate {
    int year = 0;
    int month = 0;
    int day = 0;

    // Spelled out rather than defaulted, so that programs built as C++17 can use the header.
    friend bool operator==(const SolarDate &a, const SolarDate &b)
    {
        return a.year == b.year && a.month == b.month && a.day == b.day;
    }
    friend bool operator!=(const SolarDate &a, const SolarDate &b) { return !(a == b); }
};

// Today's text for the date control: "yyyy/mm/dd kN", N being the weekday counted from Saturday (0) to Friday (6).
// An invalid date gives an empty text.
SORVAN_EXPORT QString GregorianToSolar(const QDate &date);

// The calendar in use in Iran: 33-year leap cycles with the known breaks, exact for every solar year from -61 to 3177;
// outside that range the last cycle rule simply continues.
SORVAN_EXPORT bool isSolarLeapYear(int year);
// 0 for a month outside 1 to 12.
SORVAN_EXPORT int solarMonthLength(int year, int month);
SORVAN_EXPORT bool isValidSolarDate(const SolarDate &date);

// An invalid date converts to an invalid one: SolarDate{} one way, QDate() the other.
SORVAN_EXPORT SolarDate solarFromGregorian(const QDate &date);
SORVAN_EXPORT QDate gregorianFromSolar(const SolarDate &date);
SORVAN_EXPORT SolarDate addSolarDays(const SolarDate &date, int days);

// The number the job table stores and compares: year mod 100, two-digit month, two-digit day (1392/02/08 is 920208).
SORVAN_EXPORT int solarDateNumber(const SolarDate &date);

// The month's Persian name ("فروردين" for 1), written with Arabic yeh as Persian texts of the date control are;
// empty for a month outside 1 to 12.
SORVAN_EXPORT QString solarMonthName(int month);

} // namespace Sorvan
