// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSqlDatabase>
#include <QString>

// The counters' own accounts on the shop's server, made and ended by the owner's account (the one
// that owns table1). The server itself then holds each counter to a clerk's work: the jobs, the
// import ledger, reading the history and bringing a deleted job back, through a group role that
// holds those rights, so a table granted once serves every counter.
namespace CounterAccounts
{

QString groupRole();

// 1 to 63 lower-case Latin letters, digits and _, not starting with a digit or pg_: a name that
// needs no quoting in a connection address or ~/.pgpass.
bool isValidName(const QString &name);
// Why `name` is refused (English, then Persian), or empty.
QString nameRefusal(const QString &name);

struct Outcome {
    bool ok = false;
    QString message; // English, then Persian: what was done, or why nothing was
};

// Makes the login `name` with `password` (hashed here, so it never crosses the line in clear) as
// a member of the counters' group, and grants the group its rights again.
Outcome add(const QSqlDatabase &db, const QString &name, const QString &password);
// Ends a counter's account; refused for an account that is no counter's or that owns anything.
Outcome remove(const QSqlDatabase &db, const QString &name);

// The owner's account when this connection's login is neither it nor a member of it; else empty.
QString otherOwner(const QSqlDatabase &db);

} // namespace CounterAccounts
