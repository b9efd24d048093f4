// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "jobstore/file/JobDatabase.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <functional>

// Puts a job file's jobs in place of the server's table1 inside the caller's transaction, as fast
// as the server takes a million of them: the table emptied at once rather than row by row, the
// jobs sent as one COPY into a table without its indexes, each index made again whole after the
// load, and the history trigger off meanwhile. Rolled back, every step is taken back with it.
class ServerJobsLoad
{
public:
    explicit ServerJobsLoad(const QSqlDatabase &server) : m_server(server) {}

    // Empties table1 and sets aside its indexes but the primary key's.
    bool begin(QString *error);
    // Sends every job of `file` in its row order; stopped, the server refuses the whole load.
    bool copyJobs(const QSqlDatabase &file, QString *error, const JobDatabase::Progress &progress,
                  const JobDatabase::Stop &stop);
    // Makes the indexes set aside again, turns the trigger back on and gathers the new table's figures.
    bool finish(QString *error, const JobDatabase::Progress &progress, const JobDatabase::Stop &stop);

    // Reads every job of the server's table1 in row order, sent as one COPY: `take` has each job's
    // columns as JobTable names them (null, a number as text, or a text) and stops the reading by
    // answering false.
    static bool readJobs(const QSqlDatabase &server, const std::function<bool(const QVariantList &)> &take,
                         QString *error);

private:
    bool run(const QString &statement, QString *error);

    QSqlDatabase m_server;
    QStringList m_indexes; // the definitions of the indexes set aside, to be run again
    bool m_searchIndexed = false;
    qint64 m_jobs = 0;
};
