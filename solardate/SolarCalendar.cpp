// SPDX-License-Identifier: Apache-2.0
#include "solardate/SolarCalendar.h"

#include <iterator>

namespace Sorvan
{

namespace
{

// Solar years at which the 33-year leap pattern is broken (Borkowski's table of the calendar in use in Iran).
constexpr int Breaks[] = {-61,  9,    38,   199,  426,  686,  756,  818,  1111, 1181,
                          1210, 1635, 2060, 2097, 2192, 2262, 2324, 2394, 2456, 3178};

qint64 floorDiv(qint64 a, qint64 b)
{
    const qint64 q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

qint64 floorMod(qint64 a, qint64 b)
{
    return a - b * floorDiv(a, b);
}

// Julian day of 1 March of a proleptic Gregorian year in astronomical numbering (1 BC is year 0).
qint64 julianDayOfMarchFirst(qint64 year)
{
    const qint64 y = year + 4800; // Fliegel and Van Flandern's count, with the year starting in March
    return 365 * y + floorDiv(y, 4) - floorDiv(y, 100) + floorDiv(y, 400) - 32044;
}

// Julian day of 1 Farvardin of the solar year.
qint64 yearStart(qint64 year)
{
    qint64 solarLeaps = -14; // leap days counted from the first break
    qint64 segmentStart = Breaks[0];
    qint64 jump = 0;
    for (auto it = std::begin(Breaks) + 1; it != std::end(Breaks); ++it) {
        jump = *it - segmentStart;
        if (year < *it)
            break;
        solarLeaps += floorDiv(jump, 33) * 8 + floorDiv(floorMod(jump, 33), 4);
        segmentStart = *it;
    }
    const qint64 n = year - segmentStart;
    solarLeaps += floorDiv(n, 33) * 8 + floorDiv(floorMod(n, 33) + 3, 4);
    if (floorMod(jump, 33) == 4 && jump - n == 4)
        ++solarLeaps;

    const qint64 gregorianYear = year + 621;
    const qint64 gregorianLeaps =
        floorDiv(gregorianYear, 4) - floorDiv((floorDiv(gregorianYear, 100) + 1) * 3, 4) - 150;
    const qint64 marchDay = 20 + solarLeaps - gregorianLeaps;
    return julianDayOfMarchFirst(gregorianYear) + marchDay - 1;
}

qint64 toJulianDay(const SolarDate &date)
{
    const int before = date.month <= 6 ? (date.month - 1) * 31 : 186 + (date.month - 7) * 30;
    return yearStart(date.year) + before + date.day - 1;
}

SolarDate fromJulianDay(qint64 julianDay)
{
    // The solar year starts in March of the Gregorian year 621 years later.
    const int gregorianYear = QDate::fromJulianDay(julianDay).year();
    qint64 year = (gregorianYear < 0 ? gregorianYear + 1 : gregorianYear) - 621;
    if (julianDay < yearStart(year))
        --year;
    const int dayOfYear = int(julianDay - yearStart(year));
    if (dayOfYear < 186)
        return {int(year), dayOfYear / 31 + 1, dayOfYear % 31 + 1};
    return {int(year), (dayOfYear - 186) / 30 + 7, (dayOfYear - 186) % 30 + 1};
}

} // namespace

QString GregorianToSolar(const QDate &date)
{
    if (!date.isValid())
        return {};
    const SolarDate solar = solarFromGregorian(date);
    const int weekday = (date.dayOfWeek() + 1) % 7; // Qt counts Monday 1 to Sunday 7
    return QStringLiteral("%1/%2/%3 k%4")
        .arg(solar.year)
        .arg(solar.month, 2, 10, QLatin1Char('0'))
        .arg(solar.day, 2, 10, QLatin1Char('0'))
        .arg(weekday);
}

bool isSolarLeapYear(int year)
{
    return yearStart(qint64(year) + 1) - yearStart(year) == 366;
}

int solarMonthLength(int year, int month)
{
    if (month < 1 || month > 12)
        return 0;
    if (month <= 6)
        return 31;
    if (month <= 11)
        return 30;
    return isSolarLeapYear(year) ? 30 : 29;
}

bool isValidSolarDate(const SolarDate &date)
{
    return date.day >= 1 && date.day <= solarMonthLength(date.year, date.month);
}

SolarDate solarFromGregorian(const QDate &date)
{
    return date.isValid() ? fromJulianDay(date.toJulianDay()) : SolarDate{};
}

QDate gregorianFromSolar(const SolarDate &date)
{
    return isValidSolarDate(date) ? QDate::fromJulianDay(toJulianDay(date)) : QDate();
}

SolarDate addSolarDays(const SolarDate &date, int days)
{
    return isValidSolarDate(date) ? fromJulianDay(toJulianDay(date) + days) : SolarDate{};
}

int solarDateNumber(const SolarDate &date)
{
    return date.year % 100 * 10000 + date.month * 100 + date.day;
}

QString solarMonthName(int month)
{
    static const char16_t *const names[] = {u"فروردين", u"ارديبهشت", u"خرداد", u"تير", u"مرداد", u"شهريور",
                                            u"مهر",     u"آبان",     u"آذر",   u"دي",  u"بهمن",  u"اسفند"};
    return month >= 1 && month <= 12 ? QString::fromUtf16(names[month - 1]) : QString();
}

} // namespace Sorvan
