// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

// Date numbers keep only the last two digits of the solar year, so their numeric order breaks at
// the 1400 new year (991229 is 1399/12/29, 1130 is 1400/11/30). These helpers read them in
// calendar order without changing what is stored: 70-99 are the years 1370-1399, 00-69 are
// 1400-1469. A number of 0 or less is no date and comes before every date.
namespace DateNumber
{

// The first date number of 1370; those below it, from 1, are the 1400s.
constexpr qint64 firstOf1300s = 700000;
// What calendarKey adds to a date number of the 1400s.
constexpr qint64 centuryShift = 1000000;

int fullYear(int twoDigitYear);

// A number whose order is the calendar order of the date numbers.
qint64 calendarKey(qint64 dateNumber);

} // namespace DateNumber
