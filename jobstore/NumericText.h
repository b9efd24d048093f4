// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <optional>

// Number handling shared by every window that turns a box's text into a stored value.
namespace NumericText
{

// Persian (۰-۹) and Arabic-Indic (٠-٩) digits become 0-9; everything else is kept.
QString toAsciiDigits(const QString &text);

// The leading number of a text: blanks skipped, optional sign, digits, optional decimals; 0 otherwise.
double numericValue(const QString &text);

// The value of a text that is a number and nothing else: blanks around it, digits in any of the
// three scripts, at most one decimal point ("." or "٫"). No sign and no separators; nothing when
// the text is anything else, the empty text included, or too long a number for a double.
std::optional<double> plainNumber(const QString &text);

// Nearest whole number, ties to the even neighbour (1500.5 -> 1500, 1501.5 -> 1502).
qint64 roundHalfEven(double value);

} // namespace NumericText
