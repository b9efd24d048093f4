// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ListRefresh.h"

ListRefresh *ListRefresh::instance()
{
    static ListRefresh notifier;
    return &notifier;
}
