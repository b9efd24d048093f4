// SPDX-License-Identifier: GPL-3.0-or-later
#include "receipts/ReceiptSettings.h"

#include "jobstore/NumericText.h"
#include "jobstore/ProgramValues.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>

namespace
{
const QByteArray Bom("\xEF\xBB\xBF");
const char *const LegacyEncoding = "windows-1256";

// Linux editors save UTF-8 without a byte-order mark. Windows-1256 Persian is almost never valid
// UTF-8, and plain ASCII reads the same either way.
bool isUtf8Text(const QByteArray &bytes)
{
    const bool ascii = std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; });
    if (ascii)
        return false;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    return !decoder.hasError();
}
} // namespace

QString ReceiptSettings::defaultFileName()
{
    return QDir(Program::dataFolder()).filePath(QStringLiteral("edit.txt"));
}

bool ReceiptSettings::read(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    m_fields = decode(file.readAll());
    return true;
}

bool ReceiptSettings::write(const QString &fileName, QString *error) const
{
    QStringList lines = m_fields;
    while (lines.size() < FieldCount)
        lines << QString();
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(encode(lines)) < 0 || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

void ReceiptSettings::set(Field field, const QString &text)
{
    while (m_fields.size() <= field)
        m_fields << QString();
    m_fields[field] = text;
}

double ReceiptSettings::copies() const
{
    return NumericText::numericValue(value(Copies));
}

QStringList ReceiptSettings::decode(const QByteArray &bytes)
{
    QString text;
    if (bytes.startsWith(Bom)) {
        // Only the file's own mark is dropped: a first field that begins with U+FEFF keeps it.
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
        text = decoder.decode(bytes.mid(Bom.size()));
    } else if (isUtf8Text(bytes)) {
        text = QString::fromUtf8(bytes);
    } else {
        QStringDecoder decoder(LegacyEncoding);
        text = decoder.isValid() ? decoder.decode(bytes) : QString::fromLatin1(bytes);
    }
    // A line ends at CR LF or a lone CR; a lone LF belongs to the field (the terms keep theirs).
    QStringList lines;
    QString line;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r')) {
            lines << line;
            line.clear();
            if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
        } else {
            line += c;
        }
    }
    if (!line.isEmpty())
        lines << line;
    return lines;
}

QByteArray ReceiptSettings::encode(const QStringList &lines)
{
    QString text;
    for (const QString &line : lines)
        text += line + QStringLiteral("\r\n");
    QStringEncoder encoder(LegacyEncoding);
    if (encoder.isValid()) {
        const QByteArray legacy = encoder.encode(text);
        // Some Windows-1256 texts ("تک", "×™") are also valid UTF-8 and would be read back as such.
        if (!encoder.hasError() && (!isUtf8Text(legacy) || QString::fromUtf8(legacy) == text))
            return legacy;
    }
    return Bom + text.toUtf8();
}

QString ReceiptSettings::termsForFile(const QString &boxText)
{
    static const QString dash = QStringLiteral(" - ");
    QString out;
    out.reserve(boxText.size() + 64);
    for (qsizetype i = 0; i < boxText.size(); ++i) {
        const QChar c = boxText.at(i);
        if (c == QLatin1Char('\r')) {
            out += dash;
            continue;
        }
        if (c == QLatin1Char('\n') && !out.endsWith(dash) && (i == 0 || boxText.at(i - 1) != QLatin1Char('\r')))
            out += dash;
        out += c;
    }
    return out;
}
