// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "jobstore/file/JobDatabase.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// The exit copy of the job database and the rotation of the earlier ones beside it.
namespace DatabaseCopies
{

// How many of the newest earlier exit copies of one database the backups folder keeps; besides
// those, the newest of each of the last 30 days and of each of the last 12 months.
inline constexpr int KeptExitCopies = 30;

struct Copy {
    QString path;
    QDateTime made;
};

// The copies of one database that the rotation drops at `now`: all but the newest KeptExitCopies,
// the newest of each of the last 30 days and the newest of each of the last 12 months.
QStringList prunable(QList<Copy> copies, const QDateTime &now);

enum class ExitCopyResult {
    Written,
    AlreadyMade,  // the copy there already holds exactly what the database holds
    KeptPrevious, // the database holds no jobs, so the copy there was left as it was
    NoDatabase,   // there is no database to copy (the program ended before it made one)
    NotUsable,    // the database could not be read as a job database
    Failed,       // writing the copy failed; the previous copy stays in its place
};

// Told what went wrong that the exit copy lived with (an earlier copy left uncompressed).
using Note = std::function<void(const QString &message, const QString &detail)>;

// Copies the database to exitCopyPath(), keeping the previous copy compressed in the backups
// folder; a database unchanged since its copy there gets none. The place of the exit copy always
// holds a whole copy: the new one is written under another name first. Copies of other databases in
// the backups folder are never dropped on this one's account. Runs on any thread. `hurried` (the
// session is ending) leaves the copy set aside uncompressed, for the next exit to compress.
ExitCopyResult writeExitCopy(QString *detail = nullptr, const JobDatabase::Progress &progress = {},
                             bool hurried = false, const Note &note = {});

// What a copy holds, in either form; a compressed one is not expanded, so it is to be checked
// before it is trusted, as a job file's is.
JobDatabase::Holding holdingOf(const QString &path);

} // namespace DatabaseCopies
