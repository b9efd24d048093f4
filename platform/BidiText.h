#pragma once

#include <QString>

// Wraps text in left-to-right isolates (LRI ... PDI), so a path, a number or a Latin word inside a
// Persian sentence keeps its own order and does not drag the sentence's punctuation along.
inline QString isolated(const QString &text)
{
    return QChar(0x2066) + text + QChar(0x2069);
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
