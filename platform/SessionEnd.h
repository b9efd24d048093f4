// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

class QCoreApplication;

// The end of the desktop session reaches the program as calls on its main thread, however it comes:
// the session manager's request to save (logging out, shutting down), or SIGTERM, SIGHUP or SIGINT.
namespace SessionEnd
{

// `save` runs when the session manager asks the program to save; the session may still go on.
// `end` runs when a signal asks the program to end; it must end the program.
void watch(QCoreApplication &app, std::function<void()> save, std::function<void()> end);

} // namespace SessionEnd
