// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/DateNumber.h"

namespace DateNumber
{

int fullYear(int twoDigitYear)
{
    return twoDigitYear >= firstOf1300s / 10000 ? 1300 + twoDigitYear : 1400 + twoDigitYear;
}

qint64 calendarKey(qint64 dateNumber)
{
    if (dateNumber <= 0 || dateNumber >= firstOf1300s)
        return dateNumber;
    return dateNumber + centuryShift;
}

} // namespace DateNumber
