// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/TempJobFolder.h"

#include "jobstore/ProgramValues.h"
#include "jobstore/file/JobDatabase.h"
#include "jobstore/server/Dialect.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>

#include <cstdio>
#include <cstdlib>

namespace
{

QString processDatabase()
{
    return QStringLiteral("velmora_t_%1").arg(QCoreApplication::applicationPid());
}

// The server's own database is only used to make this process's one, once.
void makeProcessDatabase()
{
    static bool made = false;
    if (made)
        return;
    const QString base = qEnvironmentVariable("VELMORA_TEST_PG_URL");
    if (base.isEmpty()) {
        std::fputs("No test server: VELMORA_TEST_PG_URL is not set (scripts/test starts one).\n", stderr);
        std::exit(77);
    }
    const std::optional<Dialect::ServerAddress> address = Dialect::parseServerUrl(base);
    if (!address)
        qFatal("VELMORA_TEST_PG_URL is not a postgresql:// address");
    {
        QSqlDatabase db = Dialect::openServer(*address, QStringLiteral("temp-job-folder-server"));
        if (!db.isOpen())
            qFatal("test server: %s", qPrintable(db.lastError().text()));
        QSqlQuery query(db);
        query.exec(QStringLiteral("drop database if exists %1").arg(processDatabase()));
        if (!query.exec(QStringLiteral("create database %1").arg(processDatabase())))
            qFatal("test server: %s", qPrintable(query.lastError().text()));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("temp-job-folder-server"));
    made = true;
}

} // namespace

bool TempJobFolder::onServer()
{
    return qEnvironmentVariable("VELMORA_TEST_ON_SERVER") == QLatin1String("1");
}

QString TempJobFolder::serverUrl()
{
    QUrl url(qEnvironmentVariable("VELMORA_TEST_PG_URL"));
    url.setPath(QLatin1Char('/') + processDatabase());
    return url.toString();
}

TempJobFolder::TempJobFolder()
{
    static int serial = 0;
    m_connectionName = QStringLiteral("temp-job-folder-%1").arg(++serial);
    Program::setDataFolder(m_dir.path());
    if (onServer()) {
        makeProcessDatabase();
        Program::setDatabaseServer(serverUrl());
        QSqlQuery query(connection());
        if (!query.exec(QStringLiteral("drop table if exists table1, job_history, access_imports")))
            qFatal("test server: %s", qPrintable(query.lastError().text()));
    }
    Program::DatabaseConnection = Program::connectionTextFor(m_dir.path());
    Program::NewJobMode = 0;
    Program::CurrentReceiptNumber = 0;
    const JobDatabase::Check check = JobDatabase::ensure(databasePath());
    if (check.state != JobDatabase::State::Created)
        qFatal("could not create a job database: %s", qPrintable(check.detail));
}

TempJobFolder::~TempJobFolder()
{
    reconnect();
    Program::setDataFolder(QString());
    Program::setDatabaseServer(QString());
}

void TempJobFolder::reconnect()
{
    if (QSqlDatabase::contains(m_connectionName)) {
        QSqlDatabase::database(m_connectionName, false).close();
        QSqlDatabase::removeDatabase(m_connectionName);
    }
}

QString TempJobFolder::databasePath() const
{
    if (onServer())
        return serverUrl();
    return m_dir.filePath(QStringLiteral("db1.mdb"));
}

QSqlDatabase TempJobFolder::connection() const
{
    if (!QSqlDatabase::contains(m_connectionName) && onServer())
        Dialect::openServer(*Dialect::parseServerUrl(serverUrl()), m_connectionName);
    if (!QSqlDatabase::contains(m_connectionName)) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
        db.setDatabaseName(databasePath());
        db.open();
    }
    return QSqlDatabase::database(m_connectionName);
}

void TempJobFolder::addJob(const QVariantMap &columns)
{
    QStringList names, marks;
    for (auto it = columns.cbegin(); it != columns.cend(); ++it) {
        names << QStringLiteral("\"%1\"").arg(it.key());
        marks << QStringLiteral("?");
    }
    QSqlQuery query(connection());
    query.prepare(QStringLiteral("insert into table1 (%1) values (%2)").arg(names.join(','), marks.join(',')));
    for (const QVariant &value : columns)
        query.addBindValue(value);
    if (!query.exec())
        qFatal("addJob: %s", qPrintable(query.lastError().text()));
}

void TempJobFolder::addJobs(int from, int to, const QVariant &dateIn)
{
    QSqlDatabase db = connection();
    db.transaction();
    for (int n = from; n <= to; ++n)
        addJob({{"num", n},
                {"name", QStringLiteral("مشتري %1").arg(n)},
                {"nameph", QStringLiteral("Model %1").arg(n)},
                {"status", QStringLiteral("در حال تعمير")},
                {"datein", dateIn}});
    db.commit();
}

QVariant TempJobFolder::value(const QString &sql) const
{
    QSqlQuery query(connection());
    if (!query.exec(sql) || !query.next())
        return QVariant();
    return query.value(0);
}

QString TempJobFolder::tableShape() const
{
    if (!onServer())
        return QString();
    // A query that failed would make every shape the same empty text.
    const QVariant shape =
        value(QStringLiteral("select string_agg(indexdef, ';' order by indexname) || (select string_agg(tgname::text || "
                             "tgenabled::text, ';' order by tgname) from pg_trigger where tgrelid='table1'::regclass and "
                             "not tgisinternal) from pg_indexes where tablename='table1'"));
    if (!shape.isValid())
        qFatal("tableShape: the server's indexes and triggers could not be read");
    return shape.toString();
}

QList<QVariantList> TempJobFolder::rows(const QString &sql) const
{
    QList<QVariantList> result;
    QSqlQuery query(connection());
    if (!query.exec(sql))
        qFatal("rows: %s", qPrintable(query.lastError().text()));
    while (query.next()) {
        QVariantList row;
        for (int i = 0; i < query.record().count(); ++i)
            row << query.value(i);
        result << row;
    }
    return result;
}

void TempJobFolder::hold(bool readersToo)
{
    QSqlQuery query(connection());
    if (!onServer()) {
        query.exec(readersToo ? QStringLiteral("begin exclusive") : QStringLiteral("begin immediate"));
        return;
    }
    query.exec(QStringLiteral("begin"));
    if (!query.exec(QStringLiteral("lock table table1 in %1 mode")
                        .arg(readersToo ? QStringLiteral("access exclusive") : QStringLiteral("exclusive"))))
        qFatal("hold: %s", qPrintable(query.lastError().text()));
}

void TempJobFolder::refuseWrites(const QString &event)
{
    QSqlQuery query(connection());
    if (!onServer()) {
        query.exec(QStringLiteral("create trigger refuse before %1 on table1 begin select raise(abort, 'refused'); end")
                       .arg(event));
        return;
    }
    query.exec(QStringLiteral("create or replace function refuse() returns trigger language plpgsql as "
                              "$$ begin raise exception 'refused'; end $$"));
    if (!query.exec(QStringLiteral("create trigger refuse before %1 on table1 for each row execute function refuse()")
                        .arg(event)))
        qFatal("refuseWrites: %s", qPrintable(query.lastError().text()));
}

void TempJobFolder::allowWrites()
{
    QSqlQuery(connection())
        .exec(onServer() ? QStringLiteral("drop trigger refuse on table1") : QStringLiteral("drop trigger refuse"));
}

namespace
{
// The server refuses a database's new connections only when asked from another database.
void allowConnections(bool allow, qint64 keep)
{
    {
        QSqlDatabase db = Dialect::openServer(*Dialect::parseServerUrl(qEnvironmentVariable("VELMORA_TEST_PG_URL")),
                                              QStringLiteral("temp-job-folder-outage"));
        QSqlQuery query(db);
        if (!query.exec(QStringLiteral("alter database %1 allow_connections %2")
                            .arg(processDatabase(), allow ? QStringLiteral("true") : QStringLiteral("false"))) ||
            (!allow && !query.exec(QStringLiteral("select count(pg_terminate_backend(pid)) from pg_stat_activity "
                                                  "where datname='%1' and pid<>%2")
                                       .arg(processDatabase())
                                       .arg(keep))))
            qFatal("allowConnections: %s", qPrintable(query.lastError().text()));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("temp-job-folder-outage"));
}
} // namespace

void TempJobFolder::stopAnswering()
{
    if (onServer())
        allowConnections(false, value(QStringLiteral("select pg_backend_pid()")).toLongLong());
    else
        hold(true);
}

void TempJobFolder::answerAgain()
{
    if (onServer())
        allowConnections(true, 0);
    else
        value(QStringLiteral("rollback"));
}

QString TempJobFolder::kindOf(const QString &column)
{
    // The server's number columns are NUMERIC: a whole number is one stored without a fraction.
    return onServer() ? QStringLiteral("case when scale(%1)=0 then 'integer' else 'real' end").arg(column)
                      : QStringLiteral("typeof(%1)").arg(column);
}
