// SPDX-License-Identifier: GPL-3.0-or-later
// The solar calendar: any day converts to the solar calendar and back, each step of one day moves
// to the next date of the calendar, and day arithmetic undoes itself.
#include "FuzzCheck.h"

#include "solardate/SolarCalendar.h"

#include <fuzzer/FuzzedDataProvider.h>

using Sorvan::SolarDate;

namespace
{

QString shown(const SolarDate &date)
{
    return QStringLiteral("%1/%2/%3").arg(date.year).arg(date.month).arg(date.day);
}

SolarDate nextByTheCalendar(const SolarDate &date)
{
    if (date.day < Sorvan::solarMonthLength(date.year, date.month))
        return {date.year, date.month, date.day + 1};
    if (date.month < 12)
        return {date.year, date.month + 1, 1};
    return {date.year + 1, 1, 1};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider input(data, size);
    // Gregorian years -10000 to 10000 around the calendar's exact range (solar years -61 to 3177).
    const qint64 julianDay = input.ConsumeIntegralInRange<qint64>(-1931000, 5373484);
    const QDate day = QDate::fromJulianDay(julianDay);
    FUZZ_CHECK(day.isValid(), QString::number(julianDay));

    const SolarDate solar = Sorvan::solarFromGregorian(day);
    FUZZ_CHECK(Sorvan::isValidSolarDate(solar), shown(solar));
    FUZZ_CHECK(Sorvan::gregorianFromSolar(solar) == day, shown(solar) + day.toString(Qt::ISODate));

    const SolarDate next = Sorvan::addSolarDays(solar, 1);
    FUZZ_CHECK(next == nextByTheCalendar(solar), shown(solar) + QStringLiteral(" -> ") + shown(next));
    FUZZ_CHECK(Sorvan::gregorianFromSolar(next) == day.addDays(1), shown(next));
    FUZZ_CHECK(Sorvan::addSolarDays(next, -1) == solar, shown(next));

    const int days = input.ConsumeIntegralInRange<int>(-400000, 400000);
    const SolarDate moved = Sorvan::addSolarDays(solar, days);
    FUZZ_CHECK(Sorvan::gregorianFromSolar(moved) == day.addDays(days), shown(solar) + QString::number(days));
    FUZZ_CHECK(Sorvan::addSolarDays(moved, -days) == solar, shown(solar) + QString::number(days));

    // The date control's text: the date and the weekday counted from Saturday.
    const QString text = Sorvan::GregorianToSolar(day);
    const QString expected = QStringLiteral("%1/%2/%3 k%4")
                                 .arg(solar.year)
                                 .arg(solar.month, 2, 10, QLatin1Char('0'))
                                 .arg(solar.day, 2, 10, QLatin1Char('0'))
                                 .arg(int(((julianDay + 2) % 7 + 7) % 7));
    FUZZ_CHECK(text == expected, text + QStringLiteral(" != ") + expected);

    // A year is 365 days, or 366 when its last month has 30.
    const QDate start = Sorvan::gregorianFromSolar({solar.year, 1, 1});
    const QDate nextStart = Sorvan::gregorianFromSolar({solar.year + 1, 1, 1});
    FUZZ_CHECK(start.daysTo(nextStart) == (Sorvan::isSolarLeapYear(solar.year) ? 366 : 365), shown(solar));
    FUZZ_CHECK((Sorvan::solarMonthLength(solar.year, 12) == 30) == Sorvan::isSolarLeapYear(solar.year), shown(solar));
    if (solar.year >= 0)
        FUZZ_CHECK(Sorvan::solarDateNumber(solar) == solar.year % 100 * 10000 + solar.month * 100 + solar.day,
                   shown(solar));

    // Any three numbers: a valid date converts and comes back; anything else is refused both ways.
    const SolarDate any{input.ConsumeIntegralInRange<int>(-1000000, 1000000), input.ConsumeIntegral<int>(),
                        input.ConsumeIntegral<int>()};
    if (Sorvan::isValidSolarDate(any)) {
        FUZZ_CHECK(any.month >= 1 && any.month <= 12 && any.day >= 1 && any.day <= 31, shown(any));
        FUZZ_CHECK(Sorvan::solarFromGregorian(Sorvan::gregorianFromSolar(any)) == any, shown(any));
    } else {
        FUZZ_CHECK(!Sorvan::gregorianFromSolar(any).isValid(), shown(any));
        FUZZ_CHECK(Sorvan::addSolarDays(any, 1) == SolarDate{}, shown(any));
    }
    return 0;
}
