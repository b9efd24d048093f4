// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// A job database torn as a power cut or a failing disk leaves one: the pages of an older and a newer
// version of the same file mixed. Its schema and row count may still read.
namespace TornFile
{

// How the newer version came from the older one.
enum class Newer {
    Rewritten,  // every job rewritten and some deleted: pages split and merge
    DatesMoved, // one column of every job moved, in the same order and width: every page keeps its place
    Vacuumed,   // rewritten, then the file written anew page by page, as a restored copy is
};

// Which pages of the newer version are the older version's: every `stride`-th from page index
// `first` (0 is the page holding the header).
struct Tear {
    int stride = 3;
    int first = 2;
    Newer newer = Newer::Rewritten;
};

void write(const QString &path, Tear tear = {});
// Only the pages of one index as the older version wrote them, the table's as the newer did: every
// page is in order, so SQLite's quick check passes, and the index misses jobs of the table.
void writeWithOlderIndex(const QString &path);
QByteArray bytes(const QString &path);
// What SQLite's quick check or whole check ("integrity_check") says of the file: "ok" or the fault.
QString verdict(const QString &path, const QString &pragma);

} // namespace TornFile
