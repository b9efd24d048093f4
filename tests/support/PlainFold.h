// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The plain reading of "the same letters", written apart from the SQL folding it checks: one form per
// Persian/Arabic letter and digit, Latin letters in one case. A NUL is no character of a text, and
// the noncharacters U+FFFE and U+FFFF read as U+FFFD, as SQLite's LIKE reads them.
inline QString plainFold(QString text)
{
    text.remove(QChar(0));
    for (QChar &ch : text) {
        const char16_t c = ch.unicode();
        if (c >= 0x06F0 && c <= 0x06F9)
            ch = QChar(char16_t(u'0' + c - 0x06F0));
        else if (c >= 0x0660 && c <= 0x0669)
            ch = QChar(char16_t(u'0' + c - 0x0660));
        else if (c == 0x06CC || c == 0x0649)
            ch = QChar(0x064A);
        else if (c == 0x0643)
            ch = QChar(0x06A9);
        else if (c == 0xFFFE || c == 0xFFFF)
            ch = QChar(0xFFFD);
        else if (c >= u'A' && c <= u'Z')
            ch = QChar(char16_t(c + 32));
    }
    return text;
}
