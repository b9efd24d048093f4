// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>

// The history of every job, kept in the job database itself (table job_history) so that backups,
// restores and the exit copy carry it. Triggers write it in the same transaction as the change:
// on a job file they are the connection's own (TEMP), on a server they belong to table1, so a
// change made by any program is in it. Nothing here changes or removes a history row.
namespace JobHistory
{

QString tableName();

// This computer's name and account, as the history names the counter that made a change.
QString counterName();

// A counter's name with the server account it used, as the windows show who made a change.
QString signedBy(const QString &counter, const QString &login);

// Makes the history table of a job file when it has none (unless `mayCreate` is false) and sets up
// the connection's triggers. A connection that may not write the file is left as it is: then it
// saves nothing either.
void prepareFile(const QSqlDatabase &db, bool mayCreate = true);
// The server's history table, its trigger on table1 and the function that brings a job back;
// changes nothing when all are there, and brings an earlier version's up to date (the owner's
// account only: another's start goes on with the history as it is).
bool prepareServer(const QSqlDatabase &db, QString *error = nullptr);
// Names this counter on a new server connection, for the trigger to read.
void nameServerConnection(const QSqlDatabase &db);

// Inside the caller's transaction on the server: table1's rows may be replaced without a trace
// (when the login is the owner's; a counter's changes are still recorded),
// and the history becomes that of `from` (empty when `from` has none). `to` may also be a job file
// (a copy from the server).
bool silenceServerTrigger(const QSqlDatabase &server);
// Turns the history trigger off, or back on, inside the caller's transaction (the owner's): a load
// of a million jobs then does not call it a million times. A table without one is left alone.
bool pauseServerTrigger(const QSqlDatabase &server, bool paused, QString *error);
bool replaceHistory(const QSqlDatabase &from, const QSqlDatabase &to, QString *error);

struct Change {
    qint64 id = 0;
    QDateTime at;
    QString counter;
    QString action; // "insert", "update", "delete" or "return"
    QString column; // for an update: the table1 column that changed
    QVariant oldValue;
    QVariant newValue;
    QString login; // the server account; empty on a job file and in rows of earlier versions
};

// A job as a history row's JSON holds it (a registration's new value, a delete's old one), in
// table1's column order.
QVariantList jobValues(const QVariant &json);

// The changes of the job with receipt number `number` as it is stored now, newest first. A key a
// deleted job left behind and a new job was given again starts afresh.
QList<Change> jobChanges(const QSqlDatabase &db, const QVariant &number);

struct DeletedJob {
    qint64 id = 0; // the delete's history row
    QDateTime at;
    QString counter;
    QVariantList values; // in table1's column order
    QString login;
};

// The deleted jobs not yet brought back, newest first.
QList<DeletedJob> deletedJobs(const QSqlDatabase &db);
// The newest delete this counter made, or 0.
qint64 lastDeletionHere(const QSqlDatabase &db);

struct Return {
    bool ok = false;
    QVariant number;         // the number the job has again
    bool renumbered = false; // its old number was taken
    QString name;            // the customer's, to say which job came back
    QString error;
};

// Puts a deleted job back with all its values, under its old number when that is free, else under
// the one after the highest.
Return bringBack(const QSqlDatabase &db, qint64 deletionId);

// A connection of its own to the job database at `dataSource` (a file or a server), for one look
// at the history or one return; closed or handed back however its holder leaves.
class Session
{
public:
    explicit Session(const QString &dataSource);
    ~Session();
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    QSqlDatabase db() const;
    QString error() const { return m_error; }

private:
    QString m_name;
    bool m_pooled = false;
    QString m_error;
};

} // namespace JobHistory
