// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace Program
{

// The folder of db1.mdb and edit.txt. A folder given on the command line wins. Otherwise a program run from a
// folder its user can write (a build folder, a copy of its own) keeps its data beside itself, and a program
// installed under /usr keeps it in the user's data folder, even when run by root.
QString chooseDataFolder(const QString &givenFolder, const QString &programFolder, const QString &userFolder);

// The user's data folder: ~/.local/share/Velmora on Linux.
QString userDataFolder();

} // namespace Program
