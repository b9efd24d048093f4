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

// Copies the database to exitCopyPath(); never stops the program from ending.
bool exitCopy();

} // namespace DatabaseCopies
