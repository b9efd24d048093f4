// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QApplication;
class QCommandLineParser;
class QCoreApplication;

namespace AppSetup
{

// Name and version as windows and --version show them. No display name is set: Qt would append it
// to every window title, and the titles are the windows' own captions.
void setIdentity(QCoreApplication &app);

// The job database, its copies, the log and the lock hold customers' names and telephone numbers:
// files the program makes are readable by this account only (0600), its folders 0700.
void keepNewFilesPrivate();

// Right to left, in a font that renders Persian well: Tahoma where installed (the windows were
// sized for it), else Noto Sans Arabic. Qt's own texts in Persian.
void applyLookAndFeel(QApplication &app);

// Loads Qt's Persian translation (buttons, file and print dialogs, context menus) from the system's
// Qt translations folder. False when it is not installed; Qt then speaks English.
bool installQtTranslation(QCoreApplication &app);

// The pictures and icons are built into the program's static library, whose resources are only
// registered when asked for. Safe to call again.
void initResources();

// Whether `option` ("--import") is on the command line, alone or with "=value"; read before any
// application object exists, for the commands that run with no window.
bool isAsked(int argc, char *argv[], const char *option);
// The --data-dir and --database options such a command reads, by those names.
void addStoreOptions(QCommandLineParser &parser);

} // namespace AppSetup
