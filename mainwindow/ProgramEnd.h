// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QCoreApplication;
class QWidget;

// The one way the program ends, whoever asks: the clerk's exit command, the window's close box, the
// end of the desktop session. Each makes the exit copy first, and says when it could not be made.
namespace ProgramEnd
{

// Makes the exit copy and ends the program. With an owner a copy that was not made is said in a
// box; without one (the session is ending and no one may be there to answer) it goes to the log.
void finish(QWidget *owner);

// While the exit copy is being made: a server then answers the window's own reads slowly.
bool makingExitCopy();

// Makes the exit copy when the session manager asks the program to save, and ends the program on
// SIGTERM, SIGHUP or SIGINT as finish() does, so logging out or shutting down keeps a copy too.
void watchSessionEnd(QCoreApplication &app);

} // namespace ProgramEnd
