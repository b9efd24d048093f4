#include "platform/ListRefresh.h"

ListRefresh *ListRefresh::instance()
{
    static ListRefresh notifier;
    return &notifier;
}
