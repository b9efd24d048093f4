// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The files of bringing in the jobs of an Access file that is itself db1.mdb. The jobs go into a new
// file beside it first; the Access file moves aside only once they are all in, so a failed or
// cut-short import leaves it where and as it was.
namespace AccessSwap
{

// db1-access-<stamp>.mdb beside `path`, or -2, -3... when that name is taken.
QString asidePath(const QString &path, const QString &stamp);

// The new job file beside `path`, with whatever an earlier try left there removed.
QString freshIncoming(const QString &path);

// Removes the new file and its journal.
void dropIncoming(const QString &incoming);

// Moves `path` to `aside` and `incoming` into its place, with no connection on either file; puts
// `path` back when the second move fails.
void swap(const QString &path, const QString &incoming, const QString &aside, QString *error);

} // namespace AccessSwap
