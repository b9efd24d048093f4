// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "jobstore/file/JobDatabase.h"

#include <QString>

// The file steps of a backup and a restore, each leaving the database in use as it was when it
// fails; the window asks for them one by one and tells the clerk.
namespace DatabaseCopies
{

// Copies the database `source` to `chosen`, a file already there kept aside first (`aside` names
// where).
bool backupTo(const QString &source, const QString &chosen, QString *error, QString *aside,
              const JobDatabase::Progress &progress, const JobDatabase::Stop &stop);

// The chosen file copied beside the database first (as `incoming`), so the swap itself is one
// rename; an expanded copy (`readable` other than `chosen`) is already a file of its own, taken as it
// is. Nothing is left at `incoming` when it fails.
bool bringIn(const QString &chosen, const QString &readable, const QString &incoming, QString *error,
             const JobDatabase::Stop &stop);

// Keeps the database `target` as `safety`; on failure drops `incoming`.
bool keepSafetyCopy(const QString &target, const QString &safety, const QString &incoming, QString *error);

// Drops what bringIn() brought when the restore stops before the swap.
void dropIncoming(const QString &incoming);

// Puts `incoming` in the place of `target`; on failure drops it and `target` stays as it was.
bool swapIn(const QString &incoming, const QString &target, QString *error);
// The name the replaced file keeps for the moment after a swap; the start removes one left behind.
QString replacedPath(const QString &target);

// Replaces the server's jobs and history with those of `file`; when that fails the safety copy
// of jobs that stay as they were is of no more use, and is dropped.
bool restoreServerJobs(const QString &server, const QString &file, const QString &safety, QString *error,
                       const JobDatabase::Progress &progress, const JobDatabase::Stop &stop);

// A compressed copy expanded to expandedPath() for as long as this lives.
class ExpandedCopy
{
public:
    ExpandedCopy();
    ~ExpandedCopy();
    ExpandedCopy(const ExpandedCopy &) = delete;
    ExpandedCopy &operator=(const ExpandedCopy &) = delete;

    bool expand(const QString &compressed, QString *why = nullptr, const JobDatabase::Progress &progress = {});
    QString path() const { return m_path; }

private:
    QString m_path;
};

} // namespace DatabaseCopies
