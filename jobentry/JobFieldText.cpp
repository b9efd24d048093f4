#include "jobentry/JobFieldText.h"

#include "jobstore/NumericText.h"
#include "solardate/SolarCalendar.h"

#include <QRegularExpression>

#include <cmath>

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
    plain.remove(u',');
    plain.remove(QChar(0x066C));        // Arabic thousands separator
    plain.replace(QChar(0x066B), u'.'); // Arabic decimal separator
    static const QRegularExpression number(QStringLiteral("^[+-]?(\\d+(\\.\\d*)?|\\.\\d+)$"));
    if (!number.match(plain).hasMatch())
        return std::nullopt;
    return NumericText::numericValue(plain);
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

} // namespace JobFieldText
