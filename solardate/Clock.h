// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "sorvan_export.h"

#include <QDateTime>

namespace Sorvan
{

// Every "today" and "now" of the program comes from here, so a test can move the date.
class SORVAN_EXPORT Clock
{
public:
    static QDateTime now();
    static QDate today() { return now().date(); }

    // Freezes the clock at the given moment; an invalid moment returns to the system clock.
    static void setNow(const QDateTime &moment);
    static void reset() { setNow(QDateTime()); }
};

} // namespace Sorvan
