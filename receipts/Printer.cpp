// SPDX-License-Identifier: GPL-3.0-or-later
#include "receipts/PagePrintSurface.h"
#include "receipts/PrintSurface.h"

namespace Printer
{

namespace
{
PrintSurface *&installed()
{
    static PrintSurface *surface = nullptr;
    return surface;
}
} // namespace

PrintSurface &surface()
{
    if (installed())
        return *installed();
    static PagePrintSurface page;
    return page;
}

void setSurface(PrintSurface *surface)
{
    installed() = surface;
}

} // namespace Printer
