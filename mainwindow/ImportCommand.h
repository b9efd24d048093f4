// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// velmora --import FILE: brings the jobs of an Access job file into the job store of the data
// folder (--data-dir) or of the server (--database, or database= in velmora.ini) without a window,
// so it runs where there is no display.
namespace ImportCommand
{

// True when the command line asks for an import; looked at before any application object exists.
bool isAsked(int argc, char *argv[]);

// Runs the import with a core application only. Prints the summary to standard output and returns
// 0, or prints the reason to standard error (and velmora.log) and returns non-zero.
int run(int argc, char *argv[]);

} // namespace ImportCommand
