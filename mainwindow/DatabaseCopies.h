// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "jobstore/copies/CopyChoice.h"
#include "jobstore/copies/CopyPlaces.h"
#include "jobstore/copies/ExitCopy.h"
#include "jobstore/copies/SafeWrite.h"
#include "platform/BackgroundWork.h"

#include <QString>

class QWidget;

// Backup, restore and the exit copy of the job database as the clerk sees them: asked through the
// file dialog seam and answered through the message box seam. What is copied, kept and replaced,
// and how, is the job store's (jobstore/copies/): no copy of a database that holds jobs is ever
// replaced without the replaced file being kept aside first.
namespace DatabaseCopies
{

// Copies the database to a file the clerk picks. A failure says so.
void backup(QWidget *owner);

// Replaces the database with a job database the clerk picks, keeping the current one beside it
// as a safety copy. True when the database was replaced.
bool restore(QWidget *owner);
// The same with the file already chosen.
bool restoreFrom(QWidget *owner, const QString &chosen);

// writeExitCopy() with what it could not do written to the program's log. Runs on any thread.
ExitCopyResult exitCopy(QString *detail = nullptr, const BackgroundWork::Progress &progress = {}, bool hurried = false);

} // namespace DatabaseCopies
