// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/LatinDigits.h"

#include "jobstore/NumericText.h"

#include <QLocale>
#include <QTime>

namespace LatinDigits
{

QString of(QString text)
{
    return NumericText::toAsciiDigits(text);
}

QString timeOfDay(const QTime &time)
{
    return of(QLocale::system().toString(time, QLocale::ShortFormat));
}

} // namespace LatinDigits
