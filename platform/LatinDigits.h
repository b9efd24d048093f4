// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QTime;

// The program writes every number in Latin digits, as its dates and amounts are; texts the system
// formats in its own language (the time of day) are brought into line, so a page or a window never
// mixes two digit sets.
namespace LatinDigits
{

// Persian and Arabic-Indic digits replaced by 0-9.
QString of(QString text);
// The time in the system's short format, in Latin digits.
QString timeOfDay(const QTime &time);

} // namespace LatinDigits
