// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// velmora --add-counter NAME / --remove-counter NAME: the owner makes or ends a counter's own
// account on the shop's server (--database, or database= in velmora.ini), with no window, so it
// runs over ssh too. The password is read from standard input.
namespace CounterCommand
{

// True when the command line asks for either; looked at before any application object exists.
bool isAsked(int argc, char *argv[]);

// Prints what was done to standard output and returns 0, or the reason to standard error and
// returns non-zero.
int run(int argc, char *argv[]);

} // namespace CounterCommand
