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
// read stops and is answered as failed.
void request(QObject *context, const QString &connectionName, const SqlText &source, Done done);

// Any other read of a window's: `read` runs on the same thread over a copy of the connection named
// `connectionName` (closed when it would not open), and the function it returns then runs on
// `context`'s thread, unless `context` is gone. Gives way as request() does, but a read under way
// runs to its end.
using Read = std::function<std::function<void()>(QSqlDatabase &db)>;
void run(QObject *context, const QString &connectionName, Read read);

} // namespace KeyReader
