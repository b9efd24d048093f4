// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobentry/JobFieldText.h"

#include "jobstore/DateNumber.h"
#include "jobstore/NumericText.h"
#include "solardate/SolarCalendar.h"

#include <QRegularExpression>

#include <cmath>
#include <limits>
#include <tuple>

namespace JobFieldText
{

bool isDigitsOnly(const QString &text)
{
    for (QChar ch : NumericText::toAsciiDigits(text)) {
        if (ch < u'0' || ch > u'9')
            return false;
    }
    return true;
}

std::optional<double> amountValue(const QString &text)
{
    QString plain = NumericText::toAsciiDigits(text).trimmed();
    plain.replace(QChar(0x066C), u','); // Arabic thousands separator
    plain.replace(QChar(0x066B), u'.'); // Arabic decimal separator
    // A separator that does not close a group of three hides a typing slip: 1,5,0,0 is no amount.
    static const QRegularExpression grouped(QStringLiteral("^[0-9]{1,3}(,[0-9]{3})+(\\.[0-9]*)?$"));
    if (plain.contains(u',')) {
        if (!grouped.match(plain).hasMatch())
            return std::nullopt;
        plain.remove(u',');
    }
    return NumericText::plainNumber(plain);
}

std::optional<qint32> receiptNumber(const QString &text)
{
    const std::optional<double> value = NumericText::plainNumber(text);
    if (!value || *value < 1 || *value > std::numeric_limits<qint32>::max() || *value != std::trunc(*value))
        return std::nullopt;
    return qint32(*value);
}

bool isStorableDate(const QString &digits, const Sorvan::SolarDate &today)
{
    if (digits.isEmpty() || digits == QStringLiteral("000000"))
        return true;
    if (digits.size() != 6 || !isDigitsOnly(digits))
        return false;
    const QString ascii = NumericText::toAsciiDigits(digits);
    const Sorvan::SolarDate date{DateNumber::fullYear(ascii.left(2).toInt()), ascii.mid(2, 2).toInt(),
                                 ascii.right(2).toInt()};
    if (!Sorvan::isValidSolarDate(date))
        return false;
    if (!Sorvan::isValidSolarDate(today))
        return true;
    return std::tuple(date.year, date.month, date.day) <= std::tuple(today.year + 1, today.month, today.day);
}

QString storedText(const QString &text)
{
    QString stored = text.isNull() ? QStringLiteral("") : text;
    stored.remove(QChar(0));
    stored.remove(QChar(0xFFFE));
    while (stored.startsWith(QChar(0xFEFF)))
        stored.remove(0, 1);
    return stored;
}

QVariant storedNumber(double value)
{
    if (std::isfinite(value) && value == std::trunc(value) && std::abs(value) < 1e15)
        return QVariant(qint64(value));
    return QVariant(value);
}

QString cellText(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
        return QString::number(value.toDouble(), 'f', QLocale::FloatingPointShortest);
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return QString::number(value.toLongLong());
    default:
        return value.toString();
    }
}

QString dateNumberText(const Sorvan::SolarDate &date)
{
    const auto part = [](int value) { return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0')); };
    return part(date.year % 100) + part(date.month) + part(date.day);
}

bool sameValue(const QVariant &a, const QVariant &b)
{
    if (a.isValid() != b.isValid() || a.isNull() != b.isNull())
        return false;
    const bool numbers = a.typeId() != QMetaType::QString && b.typeId() != QMetaType::QString;
    return numbers ? a.toDouble() == b.toDouble() : a.toString() == b.toString();
}

QVariant shownAsStored(const QVariant &shown, const QVariant &stored)
{
    if (!shown.isValid() || stored.isNull())
        return QVariant();
    // A text stored with Persian digits shows with Latin ones and is still the stored text.
    const bool sameText = shown.typeId() == QMetaType::QString && stored.typeId() == QMetaType::QString &&
                          shown.toString() == NumericText::toAsciiDigits(stored.toString());
    return sameText || sameValue(shown, stored) ? shown : QVariant();
}

} // namespace JobFieldText
