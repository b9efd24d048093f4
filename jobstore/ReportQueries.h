// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "jobstore/SqlText.h"

namespace Queries
{

// The to date that an empty box gives: no upper end.
constexpr qint64 openEnd = 999999;

// The accounting report: num, name, nameph, datein, dateout, service, panel, panelp, endp, status
// of the jobs that entered between two date numbers (in calendar order; a from date of 0 or a to
// date of openEnd leaves that end open), by receipt number. The status and technician filters
// match the typed text anywhere, literally, Persian and Arabic letter forms alike; an empty
// technician filter adds no condition, while an empty status filter still leaves out the rows
// without a status.
SqlText report(double fromDate, qint64 toDate, const QString &statusFilter, const QString &technicianFilter);
// One row over the rows of report(): their count, and the sums of panelp and endp (null when no
// row has a value there).
SqlText reportTotals(const SqlText &report);
// The same sums per entry date, one row each: the date number (null for the rows without one),
// then as reportTotals().
SqlText reportDays(const SqlText &report);

} // namespace Queries
