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

// The value of an amount box: digits in any of the three scripts, "," and "٬" as thousands
// separators, "." or "٫" as the decimal point, an optional sign and blanks around it. Nothing
// when the text is anything else, the empty text included.
std::optional<double> amountValue(const QString &text);

// A number as the database should hold it: whole numbers as integers.
QVariant storedNumber(double value);

// A column's value as a box shows it; numbers in their shortest decimal text (850712, 1500.5).
QString cellText(const QVariant &value);

// Today's date number as text with its leading zeros: 1400/01/05 gives "000105".
QString dateNumberText(const Sorvan::SolarDate &date);

} // namespace JobFieldText
