// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// Where the job database's copies go and what they are named: every name carries the solar date,
// as the clerk reads dates.
namespace DatabaseCopies
{

// 14050918-153000.
QString solarStamp(const QDateTime &when);

// The job database in use (a file, or a server's address).
QString databasePath();

// Where the exit copy goes: "d:\db1.mdb" on Windows; elsewhere, there being no drive D, a fixed
// folder in the user's documents.
QString exitCopyPath();

// The name backup offers: a name of its own, by the solar date and the time, in the exit copy's
// folder (made when missing), so the offer never is the exit copy itself.
QString proposedBackupPath();

// The folder beside the exit copy that holds the earlier ones, each named by its date and time.
QString exitCopyBackupsFolder();

// Where a restore keeps the database it replaces, in `folder`.
QString safetyCopyPath(const QString &folder);

// Where a compressed copy is expanded to be checked or restored.
QString expandedPath();

// When an earlier exit copy was made, read from its name; none for a name the rotation did not give.
std::optional<QDateTime> rotationStamp(const QString &fileName);

} // namespace DatabaseCopies
