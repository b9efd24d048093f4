// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "jobstore/StorageFault.h"

#include <QSqlDatabase>
#include <QString>

#include <functional>

// The job database file: making one for a new shop, telling a job database from any other file,
// and opening connections that never create or damage a file by accident.
namespace JobDatabase
{

enum class State {
    Ready,           // a job database, ready for use
    Created,         // there was no file; an empty job database was made
    NotAJobDatabase, // a file is there but it is not a readable job database; left untouched
    Unreadable,      // a file is there but this account may not read it; left untouched
    Damaged,         // a job database whose pages fail SQLite's check; left untouched
    CannotCreate,    // there was no file and none could be made (on a server: no right to make table1)
    Busy,            // another program holds the file, so it could not be checked
    Unreachable,     // the database server did not answer or refused the login; nothing was done
    NoServerDriver,  // Qt's PostgreSQL driver is not installed, so no server can be reached; nothing was done
    NumbersRepeat,   // the server's table1 holds a receipt number twice (named in the detail); left untouched
};

// The Debian package that brings Qt's PostgreSQL driver.
inline constexpr char ServerDriverPackage[] = "libqt6sql6-psql";

// How long a connection waits for a file that another program holds before a query fails.
inline constexpr int DefaultBusyWait = 5000;

struct Check {
    State state;
    QString detail;
};

// `path` is the job file, or a postgresql:// address of a shop's database server; each function
// below takes either.

// Makes an empty job database when `path` does not exist (on a server: when table1 does not);
// never writes to a file that is not one.
// A save cut short by a crash is rolled back first, as SQLite does for any writer.
Check ensure(const QString &path);
// Begins ensure(path) for a job file on a thread of its own, so its checks (a big file's take a
// second) run while the splash shows; the next ensure() of the same unchanged file waits for that
// result instead of checking again.
void ensureAhead(const QString &path);
// True while the check ensureAhead() began has not ended; the splash waits for it, showing so.
bool aheadRunning();
// How far ensure() is in making the indexes a file written by an older version lacks: seconds for a
// million jobs, which the splash shows. `total` is 0 while nothing is being made.
struct Building {
    int done = 0;
    int total = 0;
};
Building building();

// True when `path` is an SQLite database whose table1 has the job columns (other columns may stand
// beside them), each with the kind of value it holds, and the file passes SQLite's whole check
// (every page, and every index against its table). A file this process already found whole is not
// read again: the start's file while it is the same file, any other while it is unchanged. Opens
// the file read-only.
bool isJobDatabase(const QString &path, QString *why = nullptr);

// True while a whole check runs in this process (ensure() of a file not closed cleanly, a restore,
// the exit copy of a file not checked yet): seconds for a big file, worth saying on the splash.
bool checkingWholeFile();

// At a clean end: notes beside the job file that the program closed it as it is now, so the next
// start runs only the quick check on it; any other file (changed since, torn by a crash, copied
// in) gets the whole check there. Notes nothing for a file not found whole in this process.
void noteClosedCleanly(const QString &path);

// The name a job database was given when it was made; every copy of it carries the same one, so
// the copies of one database can be told from another's. Empty for a file made before databases
// were named that has not been opened for writing since, or for one that cannot be read. A
// server's name comes from its address.
QString identity(const QString &path);

// The number of jobs in the job database at `path`, or -1 when it cannot be read as one (this
// includes the whole check of isJobDatabase()).
qint64 jobCount(const QString &path);

// What a copy holds, read without checking it (so quick for many copies, and to be checked before
// it is trusted): its identity, jobs, and the newest entry of its job history, which only grows
// while the database is used, whatever the clock says. -1 where it cannot be read.
struct Holding {
    QString identity;
    qint64 jobs = -1;
    qint64 newestChange = -1;
};
Holding holding(const QString &path);

// A read-write connection to an existing file; fails (and creates nothing) when it is missing.
// Closes and forgets a named connection, if there is one.
void close(const QString &connectionName);

QSqlDatabase open(const QString &path, const QString &connectionName, QString *error = nullptr,
                  StorageFault *fault = nullptr, int busyWait = DefaultBusyWait);

// Told now and then how many jobs of how many a long copy has written; called on the copying thread.
using Progress = std::function<void(qint64 done, qint64 total)>;
// Asked now and then by a long copy: true stops it, leaving everything as it was.
using Stop = std::function<bool()>;

// A consistent copy of the database at `path` written to `target`, even while connections are
// open; an existing `target` is replaced. From a server the copy is a job file (db1.mdb) holding
// a snapshot of its jobs, which the job file default opens as it is.
// `beforeReplace`, when given, runs once the new copy is whole and just before it takes the
// target's place; returning false abandons the copy and leaves the target as it was.
bool copyConsistent(const QString &path, const QString &target, QString *error = nullptr, const Progress &progress = {},
                    const std::function<bool(QString *error)> &beforeReplace = {}, const Stop &stop = {});

// The receipt numbers that the job file `file` holds more than once (the first twenty), which the
// server's unique receipt number would refuse.
QStringList repeatedNumbers(const QString &file);

// Replaces every job on the server at `url` with the jobs of the job file `file`, in one
// transaction: on any failure the server keeps the jobs it had.
bool replaceServerJobs(const QString &url, const QString &file, QString *error = nullptr, const Progress &progress = {},
                       const Stop &stop = {});

} // namespace JobDatabase
