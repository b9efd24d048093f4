// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "jobstore/SqlText.h"

#include <QObject>
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

} // namespace KeyReader
