// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QVariant>
#include <optional>

namespace Sorvan
{
struct SolarDate;
}

// How the job window turns the texts of its boxes into stored values and back.
namespace JobFieldText
{

// True when every character is a digit (0-9, or a Persian or Arabic-Indic digit); the empty
// text passes. Blanks and signs are not digits.
bool isDigitsOnly(const QString &text);

// The most digits an amount box takes; separators and the decimal point do not count.
constexpr int amountDigits = 9;

// The value of an amount box: digits in any of the three scripts, "," or "٬" between groups of
// three, "." or "٫" as the decimal point, blanks around it. Nothing when the text is anything
// else (a sign, misplaced separators), the empty text included.
std::optional<double> amountValue(const QString &text);

// The value of the receipt-number box: a whole number from 1 up, blanks around it allowed.
std::optional<qint32> receiptNumber(const QString &text);

// Whether the digits of a date box (yymmdd) may be stored: none, all zeros (no date), or a real
// solar date, the century read as DateNumber reads it, no more than a year after `today` (a
// four-digit year typed into the box leaves a date years ahead). An invalid `today` sets no bound.
bool isStorableDate(const QString &digits, const Sorvan::SolarDate &today);

// A box's text as the database should hold it: never null, and without the characters SQLite does
// not keep as text. A NUL ends the text for every search; a leading U+FEFF or U+FFFE is taken for a
// byte-order mark, the second one swapping the bytes of every character after it.
QString storedText(const QString &text);

// A number as the database should hold it: whole numbers as integers.
QVariant storedNumber(double value);

// A column's value as a box shows it; numbers in their shortest decimal text (850712, 1500.5).
QString cellText(const QVariant &value);

// Two box or column values alike: numbers by value, anything else by its text.
bool sameValue(const QVariant &a, const QVariant &b);

// What a job window's box holding `shown` stands for, for a job stored with `stored`: `shown` when
// the box shows the stored value, else invalid (a default for a null, digits made Latin), as such a
// box writes what it shows at every save; one that shows the stored value is written only once the
// clerk changes it.
QVariant shownAsStored(const QVariant &shown, const QVariant &stored);

// Today's date number as text with its leading zeros: 1400/01/05 gives "000105".
QString dateNumberText(const Sorvan::SolarDate &date);

} // namespace JobFieldText
