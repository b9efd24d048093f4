// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// What is known of a job file's pages without asking SQLite again: whether this program closed it
// cleanly as it is now, and whether this process already checked it whole. SQLite's quick check
// reads every page but never compares an index with its table, so a file torn by a power cut, a
// crash or a copy taken while it was written can pass it; only a file this program closed itself,
// unchanged since, is spared the whole check.
namespace WholeFile
{

// The record a clean end leaves beside the job file: "db1.mdb.closed-cleanly".
QString closedRecordPath(const QString &path);

// Writes the record naming the file's size, modification time (ns) and SQLite's change counter.
bool writeClosedRecord(const QString &path);

// Reads and removes the record: true when the file is still exactly as the record names it. A
// record that cannot be removed is not trusted, as it would outlive a crash of this run.
bool takeClosedRecord(const QString &path);

// The same names as one text: equal texts are the same file, unchanged. Empty when it cannot be read.
QByteArray fingerprint(const QString &path);

// Remembers that the file at `path` passed the check now. A file the program itself writes from
// here on (the one the start opened) stays whole while it is the same file; any other only while
// it is unchanged.
enum class Lasts { WhileSameFile, WhileUnchanged };
void remember(const QString &path, Lasts lasts);
void forget(const QString &path);
bool knownWhole(const QString &path);

// True when `text` (a schema, or raw bytes of the file) holds the job table's own CREATE
// statement: table1 with the job columns no other program's table1 would have.
bool namesJobTable(const QByteArray &text);

// True when the file has SQLite's header and the job table's CREATE statement in any of its pages:
// what is left of the schema of a job database whose pages were torn.
bool holdsJobTable(const QString &path);

// Counts the whole checks under way in this process for as long as it lives.
class WholeCheck
{
public:
    WholeCheck();
    ~WholeCheck();
    WholeCheck(const WholeCheck &) = delete;
    WholeCheck &operator=(const WholeCheck &) = delete;
    static bool running();
};

} // namespace WholeFile
