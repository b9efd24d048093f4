// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/NumericText.h"

#include <cmath>

namespace NumericText
{

QString toAsciiDigits(const QString &text)
{
    QString result = text;
    for (QChar &ch : result) {
        const char16_t code = ch.unicode();
        if (code >= 0x06F0 && code <= 0x06F9)
            ch = QChar(u'0' + (code - 0x06F0));
        else if (code >= 0x0660 && code <= 0x0669)
            ch = QChar(u'0' + (code - 0x0660));
    }
    return result;
}

double numericValue(const QString &text)
{
    const QString ascii = toAsciiDigits(text);
    qsizetype i = 0;
    while (i < ascii.size() && (ascii[i] == u' ' || ascii[i] == u'\t'))
        ++i;
    const qsizetype start = i;
    if (i < ascii.size() && (ascii[i] == u'+' || ascii[i] == u'-'))
        ++i;
    const qsizetype digitsStart = i;
    while (i < ascii.size() && ascii[i].isDigit() && ascii[i].unicode() < 128)
        ++i;
    bool anyDigit = i > digitsStart;
    if (i < ascii.size() && ascii[i] == u'.') {
        const qsizetype afterPoint = ++i;
        while (i < ascii.size() && ascii[i].isDigit() && ascii[i].unicode() < 128)
            ++i;
        anyDigit = anyDigit || i > afterPoint;
    }
    if (!anyDigit)
        return 0.0;
    QString number = ascii.mid(start, i - start);
    if (number.endsWith(u'.'))
        number.chop(1);
    return number.toDouble();
}

std::optional<double> plainNumber(const QString &text)
{
    QString ascii = toAsciiDigits(text).trimmed();
    ascii.replace(QChar(0x066B), u'.'); // Arabic decimal separator
    int digits = 0;
    int points = 0;
    for (QChar ch : std::as_const(ascii)) {
        if (ch >= u'0' && ch <= u'9')
            ++digits;
        else if (ch == u'.')
            ++points;
        else
            return std::nullopt;
    }
    if (digits == 0 || points > 1)
        return std::nullopt;
    if (ascii.endsWith(u'.'))
        ascii.chop(1);
    // Over three hundred digits overflow to infinity, which no amount or percentage is.
    const double value = ascii.toDouble();
    if (!std::isfinite(value))
        return std::nullopt;
    return value;
}

qint64 roundHalfEven(double value)
{
    return static_cast<qint64>(std::nearbyint(value));
}

} // namespace NumericText
