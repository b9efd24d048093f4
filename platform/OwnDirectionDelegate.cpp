// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/OwnDirectionDelegate.h"

#include "platform/BidiText.h"
#include "platform/LatinDigits.h"

#include <QLocale>

QString OwnDirectionDelegate::displayText(const QVariant &value, const QLocale &) const
{
    return inOwnDirection(LatinDigits::of(cellText(value)));
}

QString OwnDirectionDelegate::cellText(const QVariant &value) const
{
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
        return QLocale::c().toString(value.toDouble(), 'f', QLocale::FloatingPointShortest);
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Short:
        return QString::number(value.toLongLong());
    default:
        return value.toString();
    }
}
