// SPDX-License-Identifier: GPL-3.0-or-later
// The job window's date boxes: whatever reaches a box, its digits become the stored date number,
// and the number shows again as the same date.
#include "FuzzCheck.h"

#include "jobentry/JobFieldText.h"
#include "jobstore/DateNumber.h"
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
    // Today, from the first two bytes: a day of 1370 to 1469, the years the boxes' two digits can name.
    const uint16_t day = size >= 2 ? uint16_t(data[0] | data[1] << 8) : 0;
    const Sorvan::SolarDate today = Sorvan::addSolarDays({1370, 1, 1}, day % 36500);
    const QString text = size >= 2 ? Fuzz::utf16(data + 2, size - 2) : QString();

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

        const Sorvan::SolarDate date{DateNumber::fullYear(digits.left(2).toInt()), digits.mid(2, 2).toInt(),
                                     digits.mid(4, 2).toInt()};
        if (JobFieldText::isStorableDate(digits, today) && number != 0) {
            // A date the window stores is a real one, no more than a year ahead, and its number sorts
            // against today's in calendar order, across the 1400 new year.
            FUZZ_CHECK(Sorvan::isValidSolarDate(date), digits);
            FUZZ_CHECK(Sorvan::solarDateNumber(date) == number, digits);
            FUZZ_CHECK(JobFieldText::dateNumberText(date) == digits, digits);
            FUZZ_CHECK(Sorvan::gregorianFromSolar(date) <= Sorvan::gregorianFromSolar(today).addDays(366), digits);
            const qint64 todayNumber = Sorvan::solarDateNumber(today);
            const bool before = Sorvan::gregorianFromSolar(date) < Sorvan::gregorianFromSolar(today);
            FUZZ_CHECK((DateNumber::calendarKey(number) < DateNumber::calendarKey(todayNumber)) == before, digits);
        }
    } else if (!digits.isEmpty()) {
        // A date cut short is refused, never stored as another date.
        FUZZ_CHECK(!JobFieldText::isStorableDate(digits, today), digits);
    }
    return 0;
}
