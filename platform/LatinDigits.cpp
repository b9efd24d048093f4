// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/LatinDigits.h"

#include <QLocale>
#include <QTime>

namespace LatinDigits
{

QString of(QString text)
{
    for (QChar &ch : text) {
        const char16_t code = ch.unicode();
        if (code >= 0x06F0 && code <= 0x06F9)
            ch = QChar(u'0' + (code - 0x06F0));
        else if (code >= 0x0660 && code <= 0x0669)
            ch = QChar(u'0' + (code - 0x0660));
    }
    return text;
}

QString timeOfDay(const QTime &time)
{
    return of(QLocale::system().toString(time, QLocale::ShortFormat));
}

} // namespace LatinDigits
