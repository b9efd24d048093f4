// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/file/JobDatabaseParts.h"

#include "jobstore/JobTable.h"
#include "jobstore/SearchIndex.h"
#include "jobstore/access/ImportLedger.h"
#include "jobstore/history/JobHistory.h"
#include "jobstore/server/Dialect.h"
#include "jobstore/server/JobChanges.h"
#include "jobstore/server/ServerJobsLoad.h"
#include "jobstore/server/ServerScratch.h"
#include "jobstore/server/ServerWatch.h"

#include <QSqlError>
#include <QSqlQuery>

// The job table on a shop's server: its check and making at the start, and its jobs replaced by
// a restore.
namespace JobDatabase
{

namespace
{

// Every statement that changes the jobs tells the listening counters, whichever program made it.
void notifyChanges(const QSqlDatabase &db)
{
    QSqlQuery query(db);
    query.exec(QStringLiteral("create or replace function table1_notify() returns trigger language plpgsql as "
                              "$$ begin perform pg_notify('%1', ''); return null; end $$")
                   .arg(JobChanges::channel()));
    query.exec(QStringLiteral("create or replace trigger table1_changed after insert or update or delete or truncate "
                              "on table1 for each statement execute function table1_notify()"));
}

// table1's columns on the server, each as "name type".
QStringList serverColumns(QSqlQuery &query)
{
    QStringList columns;
    if (!query.exec(QStringLiteral("select column_name, data_type from information_schema.columns where "
                                   "table_name='table1' and table_schema=current_schema() order by ordinal_position")))
        return columns;
    while (query.next())
        columns << query.value(0).toString().toLower() + u' ' + query.value(1).toString().toLower();
    return columns;
}

// Why table1's columns cannot hold the jobs, or empty when they can: the key and the receipt, date
// and amount columns must be numbers, and every other column text, or counters would store "11"
// and 11 as two receipts and sort dates as words.
QString columnsFault(const QStringList &columns)
{
    static const QStringList numbers = {QStringLiteral("numeric"),          QStringLiteral("integer"),
                                        QStringLiteral("bigint"),           QStringLiteral("smallint"),
                                        QStringLiteral("double precision"), QStringLiteral("real")};
    static const QStringList texts = {QStringLiteral("text"), QStringLiteral("character varying"),
                                      QStringLiteral("character")};
    const QStringList names = QStringList(QStringLiteral("rowid")) + JobTable::columnNames();
    if (columns.size() != names.size())
        return QStringLiteral("table1 on the server does not have the job columns");
    for (int i = 0; i < columns.size(); ++i) {
        const QString name = columns[i].section(u' ', 0, 0);
        const QString type = columns[i].section(u' ', 1);
        if (name != names[i])
            return QStringLiteral("table1 on the server does not have the job columns");
        const bool number = i == 0 || JobTable::isNumberColumn(i - 1);
        if (!(number ? numbers : texts).contains(type))
            return QStringLiteral("column %1 of table1 is %2, not %3").arg(name, type, number ? "a number" : "text");
    }
    return QString();
}

// Whether table1's indexes, its unique receipt number and its change trigger are all there, read
// from the catalog without a lock.
bool serverTableComplete(QSqlQuery &query)
{
    QStringList names;
    for (const QString &statement : JobTable::indexStatements())
        names << QStringLiteral("'%1'").arg(JobTable::indexName(statement));
    return query.exec(QStringLiteral("select (select count(*) from pg_indexes where schemaname=current_schema() and "
                                     "tablename='table1' and indexname in (%1)), "
                                     "(select count(*) from pg_trigger t join pg_class c on c.oid=t.tgrelid where "
                                     "c.relname='table1' and c.relnamespace=current_schema()::regnamespace and "
                                     "t.tgname='table1_changed'), "
                                     "(select count(*) from pg_index i join pg_class c on c.oid=i.indrelid join "
                                     "pg_attribute a on a.attrelid=c.oid and a.attnum=i.indkey[0] where "
                                     "c.relname='table1' and c.relnamespace=current_schema()::regnamespace and "
                                     "i.indisunique and i.indnkeyatts=1 and i.indpred is null and a.attname='num')")
                          .arg(names.join(u','))) &&
           query.next() && query.value(0).toInt() == names.size() && query.value(1).toInt() == 1 &&
           query.value(2).toInt() > 0;
}

// Adds the unique index on num that a table1 made by hand may lack; two counters could otherwise
// store one receipt number twice. Numbers already held twice are named, and nothing is changed.
Check ensureUniqueNumbers(const QSqlDatabase &db, QSqlQuery &query)
{
    if (!query.exec(QStringLiteral("select num from table1 where num is not null group by num having count(*)>1 "
                                   "order by num limit 20")))
        return {State::Unreachable, query.lastError().text()};
    QStringList repeated;
    while (query.next())
        repeated << query.value(0).toString();
    if (!repeated.isEmpty())
        return {State::NumbersRepeat, repeated.join(QStringLiteral(", "))};
    if (!query.exec(QStringLiteral("create unique index if not exists table1_num_unique on table1 (num)")))
        return {Dialect::faultOf(query.lastError(), db) == StorageFault::ReadOnly ? State::CannotCreate
                                                                                  : State::Unreachable,
                query.lastError().text()};
    return {State::Ready, QString()};
}

} // namespace

Check ensureServer(const QString &url)
{
    // Told apart from an unreachable server: no network or password check can help here.
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        return {State::NoServerDriver, QStringLiteral("QPSQL driver not installed")};
    ServerScratch scratch(url);
    if (!scratch.isOpen())
        return {State::Unreachable, scratch.error()};
    QSqlDatabase db = scratch.db();
    QSqlQuery query(db);
    // Nearly every start finds all in place: then it takes no lock and changes nothing on the server.
    if (columnsFault(serverColumns(query)).isEmpty() && serverTableComplete(query))
        return {State::Ready, QString()};

    // Counters started together on a new database take turns, so only the first creates table1.
    if (!db.transaction() || !query.exec(QStringLiteral("select pg_advisory_xact_lock(hashtext('velmora table1'))"))) {
        const QString error = query.lastError().isValid() ? query.lastError().text() : db.lastError().text();
        db.rollback();
        return {State::Unreachable, error};
    }
    const QStringList columns = serverColumns(query);
    if (query.lastError().isValid()) {
        const QString error = query.lastError().text();
        db.rollback();
        return {State::Unreachable, error};
    }
    if (columns.isEmpty()) {
        bool ok = true;
        for (const QString &statement : Dialect::createStatements(true) + JobTable::indexStatements())
            ok = ok && query.exec(statement);
        ok = ok && db.commit();
        if (!ok) {
            // Most often the role may log in but not create tables in this database.
            const QString error = query.lastError().text();
            db.rollback();
            return {State::CannotCreate, error};
        }
        notifyChanges(db);
        return {State::Created, QString()};
    }
    // A table1 the program did not make is changed only once it is known to hold jobs soundly.
    if (const QString fault = columnsFault(columns); !fault.isEmpty()) {
        db.rollback();
        return {State::NotAJobDatabase, fault};
    }
    const Check unique = ensureUniqueNumbers(db, query);
    if (unique.state != State::Ready) {
        db.rollback();
        return unique;
    }
    if (!db.commit())
        return {State::Unreachable, db.lastError().text()};
    for (const QString &statement : JobTable::indexStatements())
        query.exec(statement);
    notifyChanges(db);
    return {State::Ready, QString()};
}

Check withServerHistory(const QString &url, const Check &check)
{
    if (check.state != State::Ready && check.state != State::Created)
        return check;
    ServerScratch scratch(url);
    if (scratch.isOpen()) {
        JobHistory::prepareServer(scratch.db());
        ImportLedger::prepare(scratch.db());
        SearchIndex::prepareServer(scratch.db());
    }
    return check;
}

QStringList repeatedNumbers(const QString &file)
{
    ScratchConnection scratch(file, "ro");
    QSqlQuery query(scratch.db());
    QStringList repeated;
    if (!query.exec(QStringLiteral("select num from table1 where num is not null group by num having count(*)>1 "
                                   "order by num limit 20")))
        return repeated;
    while (query.next())
        repeated << query.value(0).toString();
    return repeated;
}

bool replaceServerJobs(const QString &url, const QString &file, QString *error, const Progress &progress,
                       const Stop &stop)
{
    const auto failWith = [error](const QString &message) {
        if (error)
            *error = message;
        return false;
    };
    const std::optional<Dialect::ServerAddress> address = Dialect::parseServerUrl(url);
    if (!address)
        return failWith(QStringLiteral("not a database server address"));
    QString why;
    if (!isJobDatabase(file, &why))
        return failWith(why);
    ScratchConnection source(file, "ro");
    const ServerWatch::Patience patience;
    ServerScratch server(url);
    QSqlDatabase target = server.db();
    if (!server.isOpen())
        return failWith(server.error());
    QString detail;
    // The other counters wait for the swap rather than save into a table being replaced.
    ServerJobsLoad load(target);
    bool ok = target.transaction() && QSqlQuery(target).exec(QStringLiteral("set local statement_timeout=0")) &&
              JobHistory::silenceServerTrigger(target) && load.begin(&detail) &&
              load.copyJobs(source.db(), &detail, progress, stop) &&
              JobHistory::replaceHistory(source.db(), target, &detail) &&
              ImportLedger::replace(source.db(), target, &detail) && load.finish(&detail, progress, stop);
    // Stopped even at the last moment, the server keeps the jobs it had.
    if (ok && stop && stop()) {
        ok = false;
        detail = QStringLiteral("stopped");
    }
    ok = ok && target.commit();
    if (!ok) {
        if (detail.isEmpty())
            detail = target.lastError().text();
        target.rollback();
        return failWith(detail);
    }
    return true;
}

} // namespace JobDatabase
