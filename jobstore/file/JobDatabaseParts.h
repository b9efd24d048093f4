// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the files of JobDatabase share among themselves; callers use JobDatabase.h.

#include "jobstore/file/JobDatabase.h"
#include "jobstore/file/JobFileConnections.h"

#include <QSqlDatabase>
#include <QString>

#include <atomic>

namespace JobDatabase
{

// Scoped connection that is removed again however the function leaves.
class NamedConnection
{
public:
    NamedConnection(const NamedConnection &) = delete;
    NamedConnection &operator=(const NamedConnection &) = delete;
    ~NamedConnection() { close(m_name); }
    QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }

protected:
    explicit NamedConnection(const QString &prefix)
    {
        // The start checks the file on a thread of its own while the splash shows.
        static std::atomic<int> serial = 0;
        m_name = prefix + QString::number(++serial);
    }
    QString m_name;
};

class ScratchConnection : public NamedConnection
{
public:
    // `mode` is "ro", "rw" or "rwc".
    ScratchConnection(const QString &path, const char *mode) : NamedConnection(QStringLiteral("jobdatabase-scratch-"))
    {
        // A file held by another program for a moment is waited for, not taken for a foreign one.
        const bool readOnly = qstrcmp(mode, "ro") == 0;
        JobFileConnections::open(
            path, m_name, mode,
            readOnly
                ? QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=%1").arg(DefaultBusyWait)
                : QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(DefaultBusyWait),
            &m_error);
    }
    QString error() const { return m_error; }

private:
    QString m_error;
};

bool hasSqliteHeader(const QString &path);

inline const QString identityTable = QStringLiteral("database_identity");

// Names a job file that has no name yet; a file this account may not write keeps none.
void nameDatabase(const QSqlDatabase &db, const QString &name = QString());

// Every job of the server `from` is written to the file `to`; both are inside transactions their
// callers hold.
bool copyJobs(const QSqlDatabase &from, const QSqlDatabase &to, QString *error, const Progress &progress,
              const Stop &stop = {});

// The server's table1 must have its key and then the job columns; an empty database gets one.
Check ensureServer(const QString &url);

// A server whose table1 is in order gets its history table and trigger; one that cannot make them
// (a login without the right) still serves, only without a history.
Check withServerHistory(const QString &url, const Check &check);

} // namespace JobDatabase
