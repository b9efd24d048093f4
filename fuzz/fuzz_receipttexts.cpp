// SPDX-License-Identifier: GPL-3.0-or-later
// edit.txt as any bytes: read in whichever encoding it is in, written back, and read again alike.
#include "FuzzCheck.h"

#include "receipts/ReceiptSettings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QStringList lines = ReceiptSettings::decode(bytes);
    for (const QString &line : lines)
        FUZZ_CHECK(!line.contains(u'\r'), Fuzz::codes(line));

    // Saving what was read and reading it again gives the same lines, in the legacy encoding or in UTF-8.
    const QByteArray written = ReceiptSettings::encode(lines);
    FUZZ_CHECK(ReceiptSettings::decode(written) == lines, QString::fromLatin1(bytes.toHex(' ')));
    // A file already in the form the program writes is written back byte for byte.
    FUZZ_CHECK(ReceiptSettings::encode(ReceiptSettings::decode(written)) == written,
               QString::fromLatin1(bytes.toHex(' ')));

    // The same holds for the texts a clerk types, whatever their characters.
    const QString typed = Fuzz::typable(data, size);
    QStringList fields = typed.split(u'\r');
    FUZZ_CHECK(ReceiptSettings::decode(ReceiptSettings::encode(fields)) == fields, Fuzz::codes(typed));

    // Saving the terms box again changes nothing.
    const QString terms = ReceiptSettings::termsForFile(typed);
    FUZZ_CHECK(ReceiptSettings::termsForFile(terms) == terms, Fuzz::codes(typed));

    ReceiptSettings settings;
    for (int i = 0; i < fields.size() && i < ReceiptSettings::FieldCount; ++i)
        settings.set(ReceiptSettings::Field(i), fields.at(i));
    const double copies = settings.copies();
    FUZZ_CHECK(copies == copies, Fuzz::codes(typed));
    return 0;
}
