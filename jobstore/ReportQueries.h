#pragma once

#include "jobstore/SqlText.h"

namespace Queries
{

// The accounting report: num, name, nameph, datein, dateout, service, panel, panelp, endp, status
// of the jobs that entered between two date numbers, by receipt number. The status and technician
// filters match the typed text anywhere, literally; an empty technician filter adds no condition,
// while an empty status filter still leaves out the rows without a status.
SqlText report(double fromDate, qint64 toDate, const QString &statusFilter, const QString &technicianFilter);

} // namespace Queries
