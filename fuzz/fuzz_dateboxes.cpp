// The job window's date boxes: whatever reaches a box, its digits become the stored date number,
// and the number shows again as the same date.
#include "FuzzCheck.h"

#include "jobentry/JobFieldText.h"
#include "jobstore/NumericText.h"
#include "platform/MaskEdBox.h"
#include "solardate/SolarCalendar.h"

#include <QApplication>

namespace
{
MaskEdBox *typed = nullptr;
MaskEdBox *shown = nullptr;
} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(*argc, *argv);
    typed = new MaskEdBox;
    shown = new MaskEdBox;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = Fuzz::utf16(data, size);

    // The box keeps the digits of the text, in any script, in order, up to its six places.
    typed->setMaskedText(text);
    const QString digits = typed->digits();
    QString expected;
    for (QChar ch : NumericText::toAsciiDigits(text)) {
        if (ch >= u'0' && ch <= u'9' && expected.size() < 6)
            expected += ch;
    }
    FUZZ_CHECK(digits == expected, Fuzz::codes(text) + QStringLiteral("-> ") + digits);
    FUZZ_CHECK(typed->maskedText().size() == 8 && typed->maskedText().at(2) == u'/' &&
                   typed->maskedText().at(5) == u'/',
               typed->maskedText());

    // Leaving the box stores the number of its digits; opening the job shows that number again.
    const qint64 number = qint64(NumericText::numericValue(digits));
    FUZZ_CHECK(number >= 0 && number <= 999999, Fuzz::codes(text));
    if (digits.size() == 6) {
        shown->setMaskedText(QString::number(number).rightJustified(6, u'0'));
        FUZZ_CHECK(shown->digits() == digits, digits + QStringLiteral(" shows as ") + shown->maskedText());

        // A real date reads as the number the job table compares, in either century.
        for (int century : {1300, 1400}) {
            const Sorvan::SolarDate date{century + digits.left(2).toInt(), digits.mid(2, 2).toInt(),
                                         digits.mid(4, 2).toInt()};
            if (!Sorvan::isValidSolarDate(date))
                continue;
            FUZZ_CHECK(Sorvan::solarDateNumber(date) == number, digits);
            FUZZ_CHECK(JobFieldText::dateNumberText(date) == digits, digits);
        }
    }
    return 0;
}
