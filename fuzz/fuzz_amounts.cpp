// SPDX-License-Identifier: GPL-3.0-or-later
// The numeric value of a text and the job window's amount boxes: any text, in any digit script.
#include "FuzzCheck.h"

#include "jobentry/JobFieldText.h"
#include "jobstore/NumericText.h"

#include <cmath>

namespace
{

// The same text written in another digit script, and with the Arabic separators for "," and ".".
QString inScript(const QString &text, char16_t zero, bool arabicSeparators)
{
    QString out = text;
    for (QChar &ch : out) {
        if (ch >= u'0' && ch <= u'9')
            ch = QChar(char16_t(zero + (ch.unicode() - u'0')));
        else if (arabicSeparators && ch == u',')
            ch = QChar(0x066C);
        else if (arabicSeparators && ch == u'.')
            ch = QChar(0x066B);
    }
    return out;
}

bool same(double a, double b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

bool same(const std::optional<double> &a, const std::optional<double> &b)
{
    return a.has_value() == b.has_value() && (!a || same(*a, *b));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = Fuzz::utf16(data, size);

    const QString ascii = NumericText::toAsciiDigits(text);
    FUZZ_CHECK(ascii.size() == text.size(), Fuzz::codes(text));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        const bool foreignDigit = (c >= 0x06F0 && c <= 0x06F9) || (c >= 0x0660 && c <= 0x0669);
        FUZZ_CHECK(foreignDigit ? ascii.at(i).isDigit() && ascii.at(i).unicode() < 128 : ascii.at(i) == text.at(i),
                   Fuzz::codes(text));
    }

    const double value = NumericText::numericValue(text);
    const std::optional<double> amount = JobFieldText::amountValue(text);
    // Persian and Arabic-Indic digits are the same digits.
    for (char16_t zero : {char16_t(0x06F0), char16_t(0x0660)}) {
        const QString other = inScript(ascii, zero, false);
        FUZZ_CHECK(same(NumericText::numericValue(other), value), Fuzz::codes(text));
        FUZZ_CHECK(same(JobFieldText::amountValue(other), amount), Fuzz::codes(text));
    }
    FUZZ_CHECK(same(JobFieldText::amountValue(inScript(ascii, u'0', true)), amount), Fuzz::codes(text));

    // An amount box's value is a real amount: finite, and the leading number of the text once the
    // thousands separators are gone.
    if (amount) {
        FUZZ_CHECK(std::isfinite(*amount), Fuzz::codes(text));
        QString plain = ascii;
        plain.remove(u',');
        plain.remove(QChar(0x066C));
        plain.replace(QChar(0x066B), u'.');
        FUZZ_CHECK(same(*amount, NumericText::numericValue(plain.trimmed())), Fuzz::codes(text));
        // A stored amount reads back as the same number.
        const QVariant stored = JobFieldText::storedNumber(*amount);
        FUZZ_CHECK(stored.toDouble() == *amount, Fuzz::codes(text));
        FUZZ_CHECK(JobFieldText::amountValue(JobFieldText::cellText(stored)) == *amount, Fuzz::codes(text));
    }

    // A sign in front negates; blanks in front change nothing.
    if (!text.isEmpty() && text.at(0) != u'+' && text.at(0) != u'-' && text.at(0) != u' ' && text.at(0) != u'\t') {
        FUZZ_CHECK(same(NumericText::numericValue(u'-' + text), -value), Fuzz::codes(text));
        FUZZ_CHECK(same(NumericText::numericValue(QStringLiteral("  ") + text), value), Fuzz::codes(text));
    }

    if (std::isfinite(value) && std::abs(value) < 1e15) {
        const qint64 whole = NumericText::roundHalfEven(value);
        FUZZ_CHECK(std::abs(double(whole) - value) <= 0.5, Fuzz::codes(text));
    }
    return 0;
}
