#pragma once

#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QVariantMap>

// A data folder of its own for one test, with an empty job database, set as the program's.
class TempJobFolder
{
public:
    TempJobFolder();
    ~TempJobFolder();

    QString path() const { return m_dir.path(); }
    QString databasePath() const;

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
