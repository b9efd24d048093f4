// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/access/AccessFile.h"

#include "jobstore/access/AccessTypes.h"

#include <QStringDecoder>
#include <QtEndian>

#include <charconv>
#include <cstring>
#include <limits>

// The values of an Access row's fields, decoded from their stored bytes exactly as stored.

namespace
{

// A decimal text read by the same correctly rounded conversion every value takes.
double fromDecimalText(const std::string &text)
{
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

// Digits of `magnitude` with a decimal point `scale` places from the right.
std::string scaledDecimal(unsigned __int128 magnitude, int scale, bool negative)
{
    std::string digits;
    do {
        digits.insert(digits.begin(), char('0' + int(magnitude % 10)));
        magnitude /= 10;
    } while (magnitude != 0);
    if (scale > 0) {
        if (int(digits.size()) <= scale)
            digits.insert(0, std::string(scale - digits.size() + 1, '0'));
        digits.insert(digits.size() - scale, 1, '.');
    }
    return negative ? '-' + digits : digits;
}
} // namespace

std::optional<double> AccessFile::decodeNumber(int type, QByteArrayView bytes, int scale)
{
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype size = bytes.size();
    switch (type) {
    case Byte:
        return size == 1 ? std::optional<double>(data[0]) : std::nullopt;
    case Integer:
        return size == 2 ? std::optional<double>(qFromLittleEndian<qint16>(data)) : std::nullopt;
    case Long:
        return size == 4 ? std::optional<double>(qFromLittleEndian<qint32>(data)) : std::nullopt;
    case Single: {
        if (size != 4)
            return std::nullopt;
        const quint32 raw = qFromLittleEndian<quint32>(data);
        float value;
        std::memcpy(&value, &raw, sizeof value);
        char text[32];
        const auto written = std::to_chars(text, text + sizeof text, value);
        return fromDecimalText(std::string(text, written.ptr));
    }
    case Double: {
        if (size != 8)
            return std::nullopt;
        const quint64 raw = qFromLittleEndian<quint64>(data);
        double value;
        std::memcpy(&value, &raw, sizeof value);
        return value;
    }
    case Currency: {
        if (size != 8)
            return std::nullopt;
        const qint64 raw = qFromLittleEndian<qint64>(data);
        const bool negative = raw < 0;
        const unsigned __int128 magnitude = negative ? -(unsigned __int128)(raw) : (unsigned __int128)(raw);
        return fromDecimalText(scaledDecimal(magnitude & 0xffffffffffffffffULL, 4, negative));
    }
    case Decimal: {
        // A sign byte, then four 32-bit little-endian words, the most significant first.
        if (size != 17 || scale < 0 || scale > 28)
            return std::nullopt;
        unsigned __int128 magnitude = 0;
        for (int word = 0; word < 4; ++word)
            magnitude = (magnitude << 32) | qFromLittleEndian<quint32>(data + 1 + 4 * word);
        return fromDecimalText(scaledDecimal(magnitude, scale, (data[0] & 0x80) != 0));
    }
    default:
        return std::nullopt;
    }
}

QString AccessFile::decodeText(bool jet3, QByteArrayView bytes, bool *replaced)
{
    if (replaced)
        *replaced = false;
    // An empty text stays an empty text, which the job table keeps apart from null.
    if (bytes.isEmpty())
        return QStringLiteral("");
    if (jet3) {
        QStringDecoder decoder("windows-1256");
        return decoder.decode(bytes);
    }
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype size = bytes.size();
    QString text;
    if (size >= 2 && data[0] == 0xff && data[1] == 0xfe) {
        // Jet's compressed form: a zero byte switches between one byte a character (the high byte
        // being zero) and two.
        bool compressed = true;
        text.reserve(size);
        for (qsizetype i = 2; i < size;) {
            if (data[i] == 0) {
                compressed = !compressed;
                ++i;
            } else if (compressed) {
                text.append(QChar(char16_t(data[i])));
                ++i;
            } else if (i + 1 < size) {
                text.append(QChar(char16_t(data[i] | (data[i + 1] << 8))));
                i += 2;
            } else {
                break;
            }
        }
    } else {
        text.resize(size / 2);
        for (qsizetype i = 0; i + 1 < size; i += 2)
            text[i / 2] = QChar(char16_t(data[i] | (data[i + 1] << 8)));
    }
    // A lone surrogate would take the next character with it on the way to UTF-8, or leave a text
    // that is not UTF-8 at its end; it becomes U+FFFD, and a pair stays one character.
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        if (ch.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ++i;
        } else if (ch.isSurrogate()) {
            text[i] = QChar::ReplacementCharacter;
            if (replaced)
                *replaced = true;
        }
    }
    return text;
}