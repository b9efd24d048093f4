// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Wraps text in left-to-right isolates (LRI ... PDI), so a path, a number or a Latin word inside a
// Persian sentence keeps its own order and does not drag the sentence's punctuation along. The job
// store's own messages name files and numbers this way too.
inline QString isolated(const QString &text)
{
    return QChar(0x2066) + text + QChar(0x2069);
}
