// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "jobstore/SqlText.h"

// The job window's queries beyond its record set.
namespace JobQueries
{

// The jobs that carry a receipt number: row id and num, by receipt number.
SqlText jobsNumbered(double receiptNumber);

} // namespace JobQueries
