// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "jobstore/Isolated.h"

#include <QString>

// Wraps text in a first-strong isolate (FSI ... PDI): it keeps the direction of its own first letter
// and leaves the order of what stands around it alone, whichever script it is in.
inline QString ownDirectionIsolated(const QString &text)
{
    return QChar(0x2068) + text + QChar(0x2069);
}

// True when the text holds a Persian (or any right-to-left) letter: such a text is laid out right
// to left, whichever language it starts with.
inline bool hasRightToLeftLetter(const QString &text)
{
    for (const QChar ch : text) {
        if (ch.direction() == QChar::DirR || ch.direction() == QChar::DirAL)
            return true;
    }
    return false;
}

// Puts every run of digits and Latin letters inside a Persian line into a left-to-right isolate,
// with the signs, hyphens, slashes, dots, colons and blanks between them: "تلفن:021-66000000"
// would otherwise read 66000000-021, because after a Persian letter the hyphen no longer joins the
// two numbers. A text without a right-to-left letter is returned as it is.
QString isolateLeftToRightRuns(const QString &text);

// A text shown in a right-to-left view (a grid cell): its own first letter decides its direction,
// a text with no letter (a phone number, "-2+3") reads left to right, and the Latin runs inside a
// Persian text keep their order.
QString inOwnDirection(const QString &text);

// Keeps each isolated path or address in a message on one line: a box that wraps "/tmp/shop-data"
// at its hyphen or slash leaves "/tmp/shop-" at the far end of one line and "data" at the near end
// of the next, which reads as no path at all. Only what shows changes: blanks become no-break
// spaces and word joiners follow the path's punctuation.
QString withPathsUnbroken(const QString &text);

// Drops the isolate marks the two functions above add.
QString withoutIsolates(QString text);
