// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

// The beep and the end of the program, answerable by a test.
namespace System
{

void beep();
void setBeepHandler(std::function<void()> handler);

// Ends the program at once: no window's close handler runs.
void quit();
void setQuitHandler(std::function<void()> handler);

// Hands back to the system the memory a long read (a report over every job) used and let go: the C
// library would otherwise keep it, and the program would go on holding tens of megabytes it no
// longer uses.
void returnFreedMemory();

} // namespace System
