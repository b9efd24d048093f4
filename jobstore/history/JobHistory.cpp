// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/history/JobHistory.h"

#include "jobstore/JobTable.h"
#include "jobstore/file/JobDatabase.h"
#include "jobstore/server/Dialect.h"
#include "jobstore/server/ServerPool.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>

namespace JobHistory
{

namespace
{

const QString historyColumns = QStringLiteral("changed_at, counter, num, action, field, old_value, new_value");

// Seconds since 1970 keep a row small; the windows show them in the solar calendar. login is the
// server account that made the change; a job file has none to name.
QString createTable(bool server)
{
    return server ? QStringLiteral("create table if not exists job_history (id bigserial primary key, "
                                   "changed_at bigint not null, counter text, num numeric, action text not null, "
                                   "field text, old_value text, new_value text, login text)")
                  : QStringLiteral("create table if not exists job_history (id integer primary key, "
                                   "changed_at integer not null, counter text, num numeric, action text not null, "
                                   "field text, old_value, new_value, login text)");
}

const QString createIndex = QStringLiteral("create index if not exists job_history_num on job_history (num)");

QString quoted(const QString &column)
{
    return QStringLiteral("\"%1\"").arg(column);
}

// The whole job as one JSON text, by column name.
QString jobAsJson(const QString &row)
{
    QStringList pairs;
    for (const QString &column : JobTable::columnNames())
        pairs << QStringLiteral("'%1', %2.%3").arg(column, row, quoted(column));
    return QStringLiteral("json_object(%1)").arg(pairs.join(QStringLiteral(", ")));
}

// Whether a value in `column` says anything: the job window saves an empty box as the empty text,
// and an empty date box as 0.
QString something(const QString &value, const QString &column)
{
    const bool date = column == JobTable::columnNames().at(JobTable::DateIn) ||
                      column == JobTable::columnNames().at(JobTable::DateOut);
    return date ? QStringLiteral("coalesce(nullif(%1, 0), '') <> ''").arg(value)
                : QStringLiteral("coalesce(%1, '') <> ''").arg(value);
}

// The connection's own triggers on the file's table1. The counter is read from a table of the
// connection, so two counters sharing the file each record their own name. A box saved empty
// where nothing was stored is no change.
QStringList fileTriggers()
{
    const QString who = QStringLiteral("unixepoch(), (select name from job_counter)");
    QStringList updates;
    for (const QString &column : JobTable::columnNames())
        updates << QStringLiteral("insert into job_history (%1) select %2, new.num, 'update', '%3', old.%4, new.%4 "
                                  "where old.%4 is not new.%4 and (%5 or %6);")
                       .arg(historyColumns, who, column, quoted(column),
                            something(QStringLiteral("old.") + quoted(column), column),
                            something(QStringLiteral("new.") + quoted(column), column));
    return {
        QStringLiteral("create temp trigger if not exists job_history_insert after insert on main.table1 begin "
                       "insert into job_history (%1) values (%2, new.num, 'insert', null, null, %3); end")
            .arg(historyColumns, who, jobAsJson(QStringLiteral("new"))),
        QStringLiteral("create temp trigger if not exists job_history_update after update on main.table1 begin %1 end")
            .arg(updates.join(u' ')),
        QStringLiteral("create temp trigger if not exists job_history_delete after delete on main.table1 begin "
                       "insert into job_history (%1) values (%2, old.num, 'delete', null, %3, null); end")
            .arg(historyColumns, who, jobAsJson(QStringLiteral("old"))),
    };
}

// The server's trigger records a change from any program. A program of ours names its counter
// in velmora.counter; any other is named by its login, its address and what it calls itself. The
// login is recorded on its own, so no setting signs for another account. The functions run as
// the tables' owner, so a counter's account needs no right to write the history at all, and only
// the owner's account may change the jobs without a trace (a restore). `schema` comes quoted.
QStringList serverTrigger(const QString &schema)
{
    const QString asOwner = QStringLiteral("security definer set search_path = %1, pg_temp").arg(schema);
    const QString now = QStringLiteral("floor(extract(epoch from now()))::bigint");
    const QString columns = historyColumns + QStringLiteral(", login");
    return {
        QStringLiteral("create or replace function job_history_record() returns trigger language plpgsql %2 as $$ "
                       "declare who text; at bigint := %3; o jsonb; n jsonb; "
                       "begin "
                       "if current_setting('velmora.restoring', true) = 'on' and "
                       "pg_has_role(session_user, current_user, 'MEMBER') then return null; end if; "
                       "who := coalesce(nullif(current_setting('velmora.counter', true), ''), session_user || '@' || "
                       "coalesce(host(inet_client_addr()), 'local') || coalesce(' ' || "
                       "nullif(current_setting('application_name'), "
                       "''), '')); "
                       "if TG_OP = 'INSERT' then "
                       "insert into job_history (%1) values (at, who, NEW.num, 'insert', null, null, (to_jsonb(NEW) - "
                       "'rowid')::text, session_user); "
                       "elsif TG_OP = 'DELETE' then "
                       "insert into job_history (%1) values (at, who, OLD.num, 'delete', null, (to_jsonb(OLD) - "
                       "'rowid')::text, null, session_user); "
                       "else o := to_jsonb(OLD); n := to_jsonb(NEW); "
                       "insert into job_history (%1) select at, who, NEW.num, 'update', k, o->>k, n->>k, session_user "
                       "from jsonb_object_keys(n) as k where k <> 'rowid' and o->k is distinct from n->k "
                       "and coalesce(o->>k, '') <> coalesce(n->>k, '') and not (k in ('datein', 'dateout') and "
                       "coalesce(o->>k, '0') in ('', '0') and coalesce(n->>k, '0') in ('', '0')); "
                       "end if; return null; end $$")
            .arg(columns, asOwner, now),
        QStringLiteral("create or replace trigger job_history_changed after insert or update or delete on table1 "
                       "for each row execute function job_history_record()"),
        // A return names the delete it undoes; made here, a counter can return a job but not forge one.
        QStringLiteral("create or replace function job_history_bring_back(deletion bigint, out number numeric, "
                       "out renumbered boolean) language plpgsql %2 as $$ "
                       "declare job jsonb; "
                       "begin "
                       "select old_value::jsonb into job from job_history where id = deletion and action = 'delete' "
                       "for update; "
                       "if not found then raise exception 'no such delete'; end if; "
                       "if exists (select 1 from job_history where action = 'return' and old_value = deletion::text) "
                       "then raise exception 'already brought back'; end if; "
                       "number := (job->>'num')::numeric; "
                       "renumbered := number is null or exists (select 1 from table1 where num = number); "
                       "if renumbered then number := (select coalesce(max(num), 0) + 1 from table1); end if; "
                       "insert into table1 (%4) select %4 from jsonb_populate_record(null::table1, job || "
                       "jsonb_build_object('num', number)); "
                       "insert into job_history (%1) values (%3, coalesce(nullif(current_setting('velmora.counter', "
                       "true), ''), session_user), number, 'return', null, deletion::text, null, session_user); "
                       "end $$")
            .arg(columns, asOwner, now, JobTable::quotedColumns()),
        QStringLiteral("revoke all on function job_history_record(), job_history_bring_back(bigint) from public"),
    };
}

// Whether the server's trigger and functions are the ones serverTrigger() makes, running as the
// owner. A database of an earlier version has a trigger only, and no login column.
const QString serverHistoryCurrent = QStringLiteral(
    "select (select count(*) from pg_trigger t join pg_class c on c.oid=t.tgrelid where c.relname='table1' and "
    "c.relnamespace=current_schema()::regnamespace and t.tgname='job_history_changed') = 1 and "
    "coalesce((select prosecdef from pg_proc where oid = to_regprocedure('job_history_record()')), false) and "
    "to_regprocedure('job_history_bring_back(bigint)') is not null");

bool execAll(QSqlQuery &query, const QStringList &statements)
{
    for (const QString &statement : statements)
        if (!query.exec(statement))
            return false;
    return true;
}

bool hasHistory(const QSqlDatabase &db)
{
    return Dialect::hasTable(db, QStringLiteral("job_history"));
}

// A history made by an earlier version has no login column.
bool hasLogin(const QSqlDatabase &db)
{
    QSqlQuery query(db);
    return query.exec(
               Dialect::isServer(db)
                   ? QStringLiteral("select exists (select 1 from pg_attribute where attrelid = "
                                    "to_regclass('job_history') and attname = 'login' and not attisdropped)")
                   : QStringLiteral("select count(*) from pragma_table_info('job_history') where name='login'")) &&
           query.next() && query.value(0).toBool();
}

QString loginColumn(const QSqlDatabase &db)
{
    return hasLogin(db) ? QStringLiteral("login") : QStringLiteral("null");
}

QDateTime timeOf(const QVariant &seconds)
{
    return QDateTime::fromSecsSinceEpoch(seconds.toLongLong());
}

} // namespace

QVariantList jobValues(const QVariant &json)
{
    const QJsonObject job = QJsonDocument::fromJson(json.toString().toUtf8()).object();
    QVariantList values;
    for (const QString &column : JobTable::columnNames()) {
        const QJsonValue value = job.value(column);
        // The server's JSON holds numeric columns as numbers too; a whole one goes back whole.
        if (value.isDouble() && value.toDouble() == qint64(value.toDouble()))
            values << QVariant(qint64(value.toDouble()));
        else
            values << value.toVariant();
    }
    return values;
}

QString tableName()
{
    return QStringLiteral("job_history");
}

QString counterName()
{
    QString account = qEnvironmentVariable("USER");
    if (account.isEmpty())
        account = qEnvironmentVariable("USERNAME");
    if (account.isEmpty())
        account = QDir::home().dirName();
    return QSysInfo::machineHostName() + u'/' + account;
}

QString signedBy(const QString &counter, const QString &login)
{
    return login.isEmpty() ? counter : counter + QStringLiteral(" (") + login + u')';
}

void prepareFile(const QSqlDatabase &db, bool mayCreate)
{
    QSqlQuery query(db);
    if (!hasHistory(db) && (!mayCreate || !execAll(query, {createTable(false), createIndex})))
        return;
    query.exec(QStringLiteral("create temp table if not exists job_counter (name text)"));
    query.exec(QStringLiteral("delete from job_counter"));
    query.prepare(QStringLiteral("insert into job_counter (name) values (?)"));
    query.addBindValue(counterName());
    if (query.exec())
        execAll(query, fileTriggers());
}

bool prepareServer(const QSqlDatabase &db, QString *error)
{
    QSqlQuery query(db);
    if (query.exec(serverHistoryCurrent) && query.next() && query.value(0).toBool() && hasLogin(db))
        return true;
    QSqlDatabase server = db;
    // Counters started together take turns, so only the first one makes them. An earlier version's
    // history keeps its rows and gains the login column.
    const bool ok = server.transaction() &&
                    execAll(query, {QStringLiteral("select pg_advisory_xact_lock(hashtext('velmora job_history'))"),
                                    createTable(true), createIndex}) &&
                    (hasLogin(db) || query.exec(QStringLiteral("alter table job_history add column login text"))) &&
                    query.exec(QStringLiteral("select quote_ident(current_schema())")) && query.next() &&
                    execAll(query, serverTrigger(query.value(0).toString())) && server.commit();
    if (!ok) {
        if (error)
            *error = query.lastError().isValid() ? query.lastError().text() : server.lastError().text();
        server.rollback();
    }
    return ok;
}

void nameServerConnection(const QSqlDatabase &db)
{
    QSqlQuery query(db);
    query.prepare(QStringLiteral("select set_config('velmora.counter', ?, false)"));
    query.addBindValue(counterName());
    query.exec();
}

bool silenceServerTrigger(const QSqlDatabase &server)
{
    return QSqlQuery(server).exec(QStringLiteral("select set_config('velmora.restoring', 'on', true)"));
}

bool pauseServerTrigger(const QSqlDatabase &server, bool paused, QString *error)
{
    QSqlQuery query(server);
    const bool present = query.exec(QStringLiteral("select 1 from pg_trigger where tgrelid='table1'::regclass and "
                                                   "tgname='job_history_changed'")) &&
                         query.next();
    if (!query.lastError().isValid() && !present)
        return true;
    if (present && query.exec(QStringLiteral("alter table table1 %1 trigger job_history_changed")
                                  .arg(paused ? QLatin1String("disable") : QLatin1String("enable"))))
        return true;
    *error = query.lastError().text();
    return false;
}

bool replaceHistory(const QSqlDatabase &from, const QSqlDatabase &to, QString *error)
{
    QSqlQuery write(to);
    const bool server = Dialect::isServer(to);
    if (!execAll(write, {createTable(server), createIndex, QStringLiteral("delete from job_history")})) {
        *error = write.lastError().text();
        return false;
    }
    if (!hasHistory(from))
        return true;
    QSqlQuery read(from);
    read.setForwardOnly(true);
    const QString login = hasLogin(to) ? loginColumn(from) : QString();
    const QString columns = login.isEmpty() ? historyColumns : historyColumns + QStringLiteral(", login");
    const int count = login.isEmpty() ? 8 : 9;
    // The ids stay as they were: they order the rows, and a return names its delete by id.
    if (!read.exec(QStringLiteral("select id, %1%2 from job_history order by id")
                       .arg(historyColumns, login.isEmpty() ? QString() : QStringLiteral(", ") + login)) ||
        !write.prepare(QStringLiteral("insert into job_history (id, %1) values (%2)")
                           .arg(columns, QStringList(count, QStringLiteral("?")).join(u',')))) {
        *error = read.lastError().isValid() ? read.lastError().text() : write.lastError().text();
        return false;
    }
    while (read.next()) {
        for (int i = 0; i < count; ++i) {
            const QVariant value = read.value(i);
            // The server keeps values as text; a file keeps what it is given.
            write.bindValue(i, server && i >= 6 && !value.isNull() ? QVariant(value.toString()) : value);
        }
        if (!write.exec()) {
            *error = write.lastError().text();
            return false;
        }
    }
    if (read.lastError().isValid()) {
        *error = read.lastError().text();
        return false;
    }
    if (server &&
        !write.exec(QStringLiteral("select setval(pg_get_serial_sequence('job_history', 'id'), coalesce(max(id), 0) "
                                   "+ 1, false) from job_history"))) {
        *error = write.lastError().text();
        return false;
    }
    return true;
}

QList<Change> jobChanges(const QSqlDatabase &db, const QVariant &number)
{
    QList<Change> changes;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("select id, %1, %2 from job_history where num = ? order by id desc")
                      .arg(historyColumns, loginColumn(db)));
    query.addBindValue(number);
    if (!query.exec())
        return changes;
    while (query.next())
        changes << Change{query.value(0).toLongLong(),
                          timeOf(query.value(1)),
                          query.value(2).toString(),
                          query.value(4).toString(),
                          query.value(5).toString(),
                          query.value(6),
                          query.value(7),
                          query.value(8).toString()};
    return changes;
}

QList<DeletedJob> deletedJobs(const QSqlDatabase &db)
{
    QList<DeletedJob> jobs;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("select id, changed_at, counter, old_value, %1 from job_history d where "
                                   "action='delete' and not exists (select 1 from job_history r where "
                                   "r.action='return' and r.old_value = cast(d.id as text)) order by id desc")
                        .arg(loginColumn(db))))
        return jobs;
    while (query.next())
        jobs << DeletedJob{query.value(0).toLongLong(), timeOf(query.value(1)), query.value(2).toString(),
                           jobValues(query.value(3)), query.value(4).toString()};
    return jobs;
}

qint64 lastDeletionHere(const QSqlDatabase &db)
{
    QSqlQuery query(db);
    query.prepare(QStringLiteral("select max(id) from job_history where action='delete' and counter=?"));
    query.addBindValue(counterName());
    return query.exec() && query.next() ? query.value(0).toLongLong() : 0;
}

Return bringBack(const QSqlDatabase &db, qint64 deletionId)
{
    Return result;
    QSqlQuery query(db);
    // A counter's account may not write the history: the server's own function does the whole
    // return. A server set up by an earlier version has none, and is returned to as it was then.
    if (Dialect::isServer(db) &&
        query.exec(QStringLiteral("select coalesce(has_function_privilege(to_regprocedure("
                                  "'job_history_bring_back(bigint)'), 'execute'), false)")) &&
        query.next() && query.value(0).toBool()) {
        query.prepare(QStringLiteral("select number, renumbered from job_history_bring_back(?)"));
        query.addBindValue(deletionId);
        if (!query.exec() || !query.next()) {
            result.error = query.lastError().databaseText();
            return result;
        }
        result.ok = true;
        result.number = query.value(0).toLongLong();
        result.renumbered = query.value(1).toBool();
        // The customer's name, to say which job came back, as its delete recorded it.
        query.prepare(QStringLiteral("select old_value from job_history where id=?"));
        query.addBindValue(deletionId);
        if (query.exec() && query.next())
            result.name = jobValues(query.value(0)).value(JobTable::Name).toString();
        return result;
    }
    const auto fail = [&](const QString &why) {
        result.error = why.isEmpty() ? query.lastError().text() : why;
        query.exec(QStringLiteral("rollback"));
        return result;
    };
    if (!query.exec(Dialect::beginWrite(db)))
        return fail(QString());
    query.prepare(QStringLiteral("select old_value, (select count(*) from job_history r where r.action='return' and "
                                 "r.old_value = cast(d.id as text)) from job_history d where id=? and "
                                 "action='delete'"));
    query.addBindValue(deletionId);
    if (!query.exec())
        return fail(QString());
    if (!query.next())
        return fail(QStringLiteral("no such delete"));
    if (query.value(1).toInt() > 0)
        return fail(QStringLiteral("already brought back"));
    QVariantList values = jobValues(query.value(0));
    query.prepare(QStringLiteral("select (select count(*) from table1 where num=?), "
                                 "(select coalesce(max(num), 0) + 1 from table1)"));
    query.addBindValue(values.at(JobTable::Num));
    if (!query.exec() || !query.next())
        return fail(QString());
    result.renumbered = values.at(JobTable::Num).isNull() || query.value(0).toInt() > 0;
    if (result.renumbered)
        values[JobTable::Num] = query.value(1).toLongLong();
    QStringList columns;
    for (const QString &column : JobTable::columnNames())
        columns << quoted(column);
    query.prepare(QStringLiteral("insert into table1 (%1) values (%2)")
                      .arg(columns.join(u','), QStringList(JobTable::ColumnCount, QStringLiteral("?")).join(u',')));
    for (int i = 0; i < JobTable::ColumnCount; ++i)
        query.bindValue(i, values.at(i));
    if (!query.exec())
        return fail(QString());
    query.prepare(
        QStringLiteral("insert into job_history (%1) values (?, ?, ?, 'return', null, ?, null)").arg(historyColumns));
    query.addBindValue(QDateTime::currentSecsSinceEpoch());
    query.addBindValue(counterName());
    query.addBindValue(values.at(JobTable::Num));
    query.addBindValue(QString::number(deletionId));
    if (!query.exec() || !query.exec(QStringLiteral("commit")))
        return fail(QString());
    result.ok = true;
    result.number = values.at(JobTable::Num);
    result.name = values.at(JobTable::Name).toString();
    return result;
}

Session::Session(const QString &dataSource)
{
    if (Dialect::isServerUrl(dataSource)) {
        m_name = ServerPool::acquire(dataSource, &m_error);
        m_pooled = true;
        return;
    }
    static int serial = 0;
    m_name = QStringLiteral("job-history-%1").arg(++serial);
    JobDatabase::open(dataSource, m_name, &m_error);
}

Session::~Session()
{
    if (m_name.isEmpty())
        return;
    if (m_pooled)
        ServerPool::release(m_name);
    else
        JobDatabase::close(m_name);
}

QSqlDatabase Session::db() const
{
    return m_name.isEmpty() ? QSqlDatabase() : QSqlDatabase::database(m_name, false);
}

} // namespace JobHistory
