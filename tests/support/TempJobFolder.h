// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QVariantMap>

// A data folder of its own for one test, with an empty job database, set as the program's. Run
// with VELMORA_TEST_ON_SERVER=1, the job database is an empty table1 on the test server named by
// VELMORA_TEST_PG_URL, in a database of this test process's own.
class TempJobFolder
{
public:
    TempJobFolder();
    ~TempJobFolder();

    QString path() const { return m_dir.path(); }
    QString databasePath() const;
    static bool onServer();
    // The address of this test process's database on the test server.
    static QString serverUrl();

    // Adds a job with the given columns (names as in table1); the rest stay null.
    void addJob(const QVariantMap &columns);
    void addJobs(int from, int to, const QVariant &dateIn = {}); // jobs from..to with a name and model each
    QVariant value(const QString &sql) const;
    QList<QVariantList> rows(const QString &sql) const;
    // On the server, table1's indexes and triggers as defined (and each trigger's on/off); empty on a file.
    QString tableShape() const;
    // Holds table1 as another counter in the middle of its own save does, or (readersToo) as one
    // swapping in a restored file does, until "commit" or "rollback" goes through value().
    void hold(bool readersToo);
    // Makes every insert or update of a job fail, as a database that takes no writes, or takes them
    // again.
    void refuseWrites(const QString &event);
    void allowWrites();
    // The job store stops answering the program, as a server that stops or a file another program
    // holds whole; then answers again. The test's own connection stays.
    void stopAnswering();
    void answerAgain();
    // How a number column's stored kind reads: "integer" for a whole number.
    static QString kindOf(const QString &column);
    // Drops the test's own connection, e.g. after the file was replaced under it.
    void reconnect();
    // The test's own connection, for what needs a database to decide (a search's form).
    QSqlDatabase connection() const;

private:
    QTemporaryDir m_dir;
    QString m_connectionName;
};
