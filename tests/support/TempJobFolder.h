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
    void addJobs(int from, int to); // jobs numbered from..to with a name and model each
    QVariant value(const QString &sql) const;
    QList<QVariantList> rows(const QString &sql) const;
    // Drops the test's own connection, e.g. after the file was replaced under it.
    void reconnect();

private:
    QSqlDatabase connection() const;

    QTemporaryDir m_dir;
    QString m_connectionName;
};
