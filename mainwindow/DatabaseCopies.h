// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/BackgroundWork.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

class QWidget;

// Backup, restore and the exit copy of the job database, each asking the clerk through the file
// dialog seam and answering through the message box seam. No copy of a database that holds jobs is
// ever replaced without the replaced file being kept aside first.
namespace DatabaseCopies
{

// Where the exit copy goes: "d:\db1.mdb" on Windows; elsewhere, there being no drive D, a fixed
// folder in the user's documents.
QString exitCopyPath();

// The name backup offers: a name of its own, by the solar date and the time, in the exit copy's
// folder (made when missing), so the offer never is the exit copy itself.
QString proposedBackupPath();

// Copies the database to a file the clerk picks. A failure says so.
void backup(QWidget *owner);

// Replaces the database with a job database the clerk picks, keeping the current one beside it
// as a safety copy. True when the database was replaced.
bool restore(QWidget *owner);
// The same with the file already chosen.
bool restoreFrom(QWidget *owner, const QString &chosen);

// How many of the newest earlier exit copies of one database the backups folder keeps; besides
// those, the newest of each of the last 30 days and of each of the last 12 months.
inline constexpr int KeptExitCopies = 30;

// The folder beside the exit copy that holds the earlier ones, each named by its date and time.
QString exitCopyBackupsFolder();

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

// Copies the database to exitCopyPath(), keeping the previous copy compressed in the backups
// folder; a database unchanged since its copy there gets none. The place of the exit copy always
// holds a whole copy: the new one is written under another name first. Copies of other databases in
// the backups folder are never dropped on this one's account. Runs on any thread. `hurried` (the
// session is ending) leaves the copy set aside uncompressed, for the next exit to compress.
ExitCopyResult exitCopy(QString *detail = nullptr, const BackgroundWork::Progress &progress = {}, bool hurried = false);

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

// Removes what an interrupted backup, restore or exit copy left behind, wherever it was being
// written; returns how many files.
int removeStalePartialCopies();

} // namespace DatabaseCopies
