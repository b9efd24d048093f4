#pragma once

#include <QString>

class QWidget;

// Backup, restore and the exit copy of the job database, each asking the clerk through the file
// dialog seam and answering through the message box seam.
namespace DatabaseCopies
{

// Where the exit copy goes: "d:\db1.mdb" on Windows; elsewhere, there being no drive D, a fixed
// folder in the user's documents.
QString exitCopyPath();

// Copies the database to a file the clerk picks. A failure says so.
void backup(QWidget *owner);

// Replaces the database with a job database the clerk picks, keeping the current one beside it
// as a safety copy. True when the database was replaced.
bool restore(QWidget *owner);

// How many earlier exit copies the backups folder beside the exit copy keeps.
inline constexpr int KeptExitCopies = 30;

// The folder beside the exit copy that holds the earlier ones, each named by its date and time.
QString exitCopyBackupsFolder();

// Copies the database to exitCopyPath(), first moving the previous copy into the backups folder.
// A file that is not a job database is never copied, nor an empty one over an existing copy.
// Never stops the program from ending.
bool exitCopy();

// Removes what an interrupted backup, restore or exit copy left behind; returns how many files.
int removeStalePartialCopies();

} // namespace DatabaseCopies
