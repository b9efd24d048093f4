// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "jobstore/access/AccessImport.h"

#include <QString>

class QWidget;

// Bringing a shop's jobs in from an Access job file, as the clerk sees it: the offer at start when
// db1.mdb is still an Access file, the File menu's import, the progress dialog and the summary.
namespace AccessImports
{

// True when the job file at `path` is an Access (Jet or ACE) file rather than a job database.
bool isAccessFile(const QString &path);

// Asks whether to bring in the jobs of the Access file `path` (db1.mdb). On yes it imports them
// into a new job database beside it, and only once they are all in moves the Access file aside
// unchanged (db1-access-<solar date>.mdb) and puts the new file in its place, then shows the
// summary. A failed import leaves the Access file where and as it was. True when `path` is a job
// database afterwards.
bool offerAtStart(QWidget *owner, const QString &path);

// Lets the clerk pick an Access file and imports it into the job store in use; while db1.mdb is
// itself still an Access file, offers to bring in its jobs first. True when jobs were imported.
bool importFromMenu(QWidget *owner);

// Imports `file` into `store` behind a progress dialog, then shows the summary (also written to a
// text file in the data folder) or why nothing was imported. True on success.
bool importWithProgress(QWidget *owner, const QString &file, const QString &store);
// The import alone, on a thread of its own behind a progress dialog.
AccessImport::Outcome importBehindProgress(QWidget *owner, const QString &file, const QString &store);
// Shows the summary of an import of `file` and writes it beside the database, or says why nothing
// was imported. True when the import succeeded.
bool tellOutcome(QWidget *owner, const AccessImport::Outcome &outcome, const QString &file);

// The solar date as yyyymmdd (14050918), which names the files an import leaves.
QString solarDateStamp();

// Writes the whole summary of an import of `file` into the data folder, named with the solar date
// and time; returns its path, or an empty text when it could not be written.
QString saveSummary(const AccessImport::Outcome &outcome, const QString &file);

} // namespace AccessImports
