// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Open connections to the shop's database server, kept for the next data control. A new
// connection costs the server a process and the counter tens of milliseconds, more than any query
// a window runs; the job window, the F1 number lookup and each save's check would pay it every
// time. Connections are pooled for the program's main thread only, where the windows live; any
// other thread gets a connection of its own that is closed again on release.
namespace ServerPool
{

// The name of an open connection to `url`: an idle one that still answers, else a new one. Empty
// when the server cannot be reached; `error` then says why.
QString acquire(const QString &url, QString *error = nullptr);

// Hands the connection back. The caller must have ended any transaction it began on it.
void release(const QString &connectionName);

// Whether the connection still reaches the server: one round trip.
bool answers(const QString &connectionName);

// Closes the idle connections.
void closeIdle();

// How many connections are idle now; for tests and the benchmark.
int idleCount();

} // namespace ServerPool
