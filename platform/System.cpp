// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/System.h"

#include <QApplication>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace System
{

namespace
{
std::function<void()> &beepSlot()
{
    static std::function<void()> handler;
    return handler;
}
std::function<void()> &quitSlot()
{
    static std::function<void()> handler;
    return handler;
}
} // namespace

void beep()
{
    if (beepSlot())
        beepSlot()();
    else
        QApplication::beep();
}

void setBeepHandler(std::function<void()> handler)
{
    beepSlot() = std::move(handler);
}

void quit()
{
    if (quitSlot())
        quitSlot()();
    else
        QCoreApplication::exit(0);
}

void setQuitHandler(std::function<void()> handler)
{
    quitSlot() = std::move(handler);
}

void returnFreedMemory()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

} // namespace System
