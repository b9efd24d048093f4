// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "jobstore/SqlText.h"

#include <QObject>
#include <QSqlDatabase>
#include <QVector>

#include <functional>

// Reads the row ids of every row of a record source, in its order, on a thread of its own and over
// a connection of its own: a long list shows its first rows at once and learns its length a moment
// later, while the window goes on taking keys.
namespace KeyReader
{

using Done = std::function<void(bool ok, const QVector<qint64> &keys)>;

// Reads `source` (whose first column is the row id) over a copy of the connection named
// `connectionName`, and calls `done` on `context`'s thread, unless `context` is gone by then. A
// request of the same context gives way to this one: one not yet started is dropped, one being
// read stops (on a server, its statement too) and is answered as failed, or not at all if it had
// not begun.
void request(QObject *context, const QString &connectionName, const SqlText &source, Done done);

// Any other read of a window's: `read` runs on the same thread over a copy of the connection named
// `connectionName` (closed when it would not open), and the function it returns then runs on
// `context`'s thread, unless `context` is gone. Gives way as request() does.
using Read = std::function<std::function<void()>(QSqlDatabase &db)>;
void run(QObject *context, const QString &connectionName, Read read);

// What `context` asked for is no longer wanted: one waiting is dropped, one being read stops as
// request() stops it.
void forget(QObject *context);

} // namespace KeyReader
