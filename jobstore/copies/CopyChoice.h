// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

namespace DatabaseCopies
{

// The copy to offer for a restore, among the exit copy, the copies kept beside it and the backups
// offered in its folder; never the database in use, and only one that passes the whole check.
// With the identity of the database in use, its own copies come first, the one holding the most
// work first (its newest history entry, then its jobs, then the time it was made: a clock set back
// misdates copies, the history does not); another database's copy comes only when it has none.
// Without an identity (the file is missing, or shows none), the newest copy holding jobs.
struct FoundCopy {
    QString path;
    QDateTime made;
    qint64 jobs = 0;
    bool sameDatabase = false; // a copy of the database whose identity was given
};
std::optional<FoundCopy> newestCopyWithJobs(const QString &identity = QString());

} // namespace DatabaseCopies
