// SPDX-License-Identifier: Apache-2.0
#include "solardate/Clock.h"

namespace Sorvan
{

namespace
{
QDateTime &frozenMoment()
{
    static QDateTime moment;
    return moment;
}
} // namespace

QDateTime Clock::now()
{
    const QDateTime &frozen = frozenMoment();
    return frozen.isValid() ? frozen : QDateTime::currentDateTime();
}

void Clock::setNow(const QDateTime &moment)
{
    frozenMoment() = moment;
}

} // namespace Sorvan
