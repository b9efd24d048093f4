// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/JobQueries.h"

namespace JobQueries
{

SqlText jobsNumbered(double receiptNumber)
{
    return {QStringLiteral("select rowid,num from table1 where num=? order by num asc"), {receiptNumber}};
}

} // namespace JobQueries
