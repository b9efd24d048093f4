// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/file/JobDatabase.h"

#include "jobstore/server/Dialect.h"
#include "jobstore/access/ImportLedger.h"
#include "jobstore/server/JobChanges.h"
#include "jobstore/file/JobFileConnections.h"
#include "jobstore/history/JobHistory.h"
#include "jobstore/JobTable.h"
#include "jobstore/SearchIndex.h"
#include "jobstore/server/ServerPool.h"
#include "jobstore/server/ServerWatch.h"
#include "jobstore/file/WholeFile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QUrl>
#include <QUuid>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <future>
#include <optional>

namespace JobDatabase
{

namespace
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

bool hasSqliteHeader(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return file.read(16) == QByteArray("SQLite format 3\0", 16);
}

bool isBusy(const QSqlError &error)
{
    return storageFaultOf(error) == StorageFault::Busy;
}

// SQLite's affinity of a declared column type.
enum class Affinity { Integer, Text, Blob, Real, Numeric };

Affinity affinityOf(const QString &declared)
{
    const QString type = declared.toUpper();
    if (type.contains(QLatin1String("INT")))
        return Affinity::Integer;
    if (type.contains(QLatin1String("CHAR")) || type.contains(QLatin1String("CLOB")) ||
        type.contains(QLatin1String("TEXT")))
        return Affinity::Text;
    if (type.isEmpty() || type.contains(QLatin1String("BLOB")))
        return Affinity::Blob;
    if (type.contains(QLatin1String("REAL")) || type.contains(QLatin1String("FLOA")) ||
        type.contains(QLatin1String("DOUB")))
        return Affinity::Real;
    return Affinity::Numeric;
}

// Receipt and date numbers must sort and compare as numbers; telephone and serial texts must keep
// their leading zeros.
bool holdsItsKind(int column, const QString &declared)
{
    const Affinity affinity = affinityOf(declared);
    if (JobTable::isNumberColumn(column))
        return affinity == Affinity::Integer || affinity == Affinity::Real || affinity == Affinity::Numeric;
    return affinity == Affinity::Text || affinity == Affinity::Blob;
}

State inspect(const QString &path, QString *why)
{
    const auto refuse = [why](State state, const QString &reason) {
        if (why)
            *why = reason;
        return state;
    };
    if (!QFileInfo(path).isFile())
        return refuse(State::NotAJobDatabase, QStringLiteral("not a file"));
    if (QFile file(path); !file.open(QIODevice::ReadOnly))
        return refuse(State::Unreadable, file.errorString());
    if (!hasSqliteHeader(path))
        return refuse(State::NotAJobDatabase, QStringLiteral("not an SQLite database"));

    ScratchConnection scratch(path, "ro");
    QSqlDatabase db = scratch.db();
    if (!db.isOpen())
        return refuse(!db.isValid() || isBusy(db.lastError()) ? State::Busy : State::NotAJobDatabase,
                      db.isValid() ? db.lastError().text() : scratch.error());
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("pragma table_info(table1)")))
        return refuse(isBusy(query.lastError()) ? State::Busy : State::NotAJobDatabase, query.lastError().text());
    QStringList columns;
    QStringList types;
    while (query.next()) {
        columns << query.value(1).toString().toLower();
        types << query.value(2).toString();
    }
    // Every query names its columns, so a column a shop added beside them is kept and never written.
    for (int column = 0; column < JobTable::ColumnCount; ++column) {
        const QString &name = JobTable::columnNames().at(column);
        const qsizetype at = columns.indexOf(name);
        if (at < 0)
            return refuse(State::NotAJobDatabase, QStringLiteral("table1 has no column %1").arg(name));
        if (!holdsItsKind(column, types.at(at)))
            return refuse(State::NotAJobDatabase,
                          QStringLiteral("column %1 of table1 is declared %2").arg(name, types.at(at)));
    }
    // Reading a row proves the pages behind the schema are readable too.
    if (!query.exec(QStringLiteral("select count(*) from table1")) || !query.next())
        return refuse(isBusy(query.lastError()) ? State::Busy : State::NotAJobDatabase, query.lastError().text());
    return State::Ready;
}

enum class Depth { Quick, Whole };

// SQLite's own check of every page: a torn file (pages of two versions mixed, as a power cut or a
// failing disk leaves them) can still show a sound schema and a row count. The quick check reads
// every page but never compares an index with its table, which only the whole check does: a torn
// file can pass the quick one and still have jobs its indexes do not name.
bool passesCheck(const QString &path, Depth depth, QString *why)
{
    std::optional<WholeFile::WholeCheck> whole;
    if (depth == Depth::Whole)
        whole.emplace();
    ScratchConnection scratch(path, "ro");
    QSqlQuery check(scratch.db());
    // Comparing each index with its table reads the index pages again and again: with 64 MB of
    // them at hand the whole check of a million jobs takes half the time it takes with the 2 MB
    // default.
    if (depth == Depth::Whole)
        check.exec(QStringLiteral("pragma cache_size=-65536"));
    if (check.exec(depth == Depth::Whole ? QStringLiteral("pragma integrity_check")
                                         : QStringLiteral("pragma quick_check")) &&
        check.next() && check.value(0).toString() == QLatin1String("ok"))
        return true;
    if (why)
        *why = check.lastError().isValid() ? check.lastError().text() : check.value(0).toString();
    return false;
}

// A file whose schema or jobs no longer read may still have been a job database: its schema, or
// what is left of it in its pages, names the job table.
bool wasJobDatabase(const QString &path)
{
    if (!hasSqliteHeader(path))
        return false;
    {
        ScratchConnection scratch(path, "ro");
        QSqlQuery query(scratch.db());
        if (query.exec(QStringLiteral("select sql from sqlite_master where type='table' and name='table1' collate "
                                      "nocase")) &&
            query.next())
            return WholeFile::namesJobTable(query.value(0).toString().toUtf8());
    }
    return WholeFile::holdsJobTable(path);
}

// The start's check of an existing job file: the whole check, unless this program closed the file
// cleanly and it is unchanged since.
State checkAtStart(const QString &path, QString *why)
{
    WholeFile::forget(path);
    const bool closedCleanly = WholeFile::takeClosedRecord(path);
    const State state = inspect(path, why);
    if (state == State::NotAJobDatabase && wasJobDatabase(path)) {
        QString damage;
        if (!passesCheck(path, Depth::Whole, &damage)) {
            if (why)
                *why = damage;
            return State::Damaged;
        }
    }
    if (state != State::Ready)
        return state;
    // Refused before anything is written: a damaged file written to only gets worse.
    if (!passesCheck(path, closedCleanly ? Depth::Quick : Depth::Whole, why))
        return State::Damaged;
    WholeFile::remember(path, WholeFile::Lasts::WhileSameFile);
    return State::Ready;
}

const QString identityTable = QStringLiteral("database_identity");

// Names a job file that has no name yet; a file this account may not write keeps none.
void nameDatabase(const QSqlDatabase &db, const QString &name = QString())
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("create table if not exists %1 (identity text not null)").arg(identityTable)) ||
        !query.exec(QStringLiteral("select count(*) from %1").arg(identityTable)) || !query.next())
        return;
    const bool named = query.value(0).toLongLong() > 0;
    query.finish();
    if (named && name.isEmpty())
        return;
    if (named)
        query.exec(QStringLiteral("delete from %1").arg(identityTable));
    query.prepare(QStringLiteral("insert into %1 (identity) values (?)").arg(identityTable));
    query.addBindValue(name.isEmpty() ? QUuid::createUuid().toString(QUuid::WithoutBraces) : name);
    query.exec();
}

// A server connection borrowed for one task and handed back however the function leaves; every
// transaction begun on it must end before then.
class ServerScratch
{
public:
    explicit ServerScratch(const QString &url) : m_name(ServerPool::acquire(url, &m_error)) {}
    ~ServerScratch() { ServerPool::release(m_name); }
    ServerScratch(const ServerScratch &) = delete;
    ServerScratch &operator=(const ServerScratch &) = delete;

    bool isOpen() const { return !m_name.isEmpty(); }
    QSqlDatabase db() const { return m_name.isEmpty() ? QSqlDatabase() : QSqlDatabase::database(m_name, false); }
    QString error() const { return m_error; }

private:
    QString m_error;
    QString m_name;
};

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

// The server's table1 must have its key and then the job columns; an empty database gets one.
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

// A writer killed in the middle of a save leaves its journal beside the file. Only a read-write
// connection may roll it back; a read-only check would call the file unreadable.
void recoverHotJournal(const QString &path)
{
    const QFileInfo journal(path + QStringLiteral("-journal"));
    if (!journal.exists() || journal.size() == 0 || !hasSqliteHeader(path))
        return;
    ScratchConnection scratch(path, "rw");
    QSqlQuery(scratch.db()).exec(QStringLiteral("select count(*) from sqlite_master"));
}

// Every job read from `from` is written to `to`; both are inside transactions their callers hold.
bool copyJobs(const QSqlDatabase &from, const QSqlDatabase &to, QString *error, const Progress &progress,
              const Stop &stop = {})
{
    qint64 total = 0;
    if (progress) {
        QSqlQuery count(from);
        if (count.exec(QStringLiteral("select count(*) from table1")) && count.next())
            total = count.value(0).toLongLong();
    }
    qint64 done = 0;
    QSqlQuery read(from);
    read.setForwardOnly(true);
    // Many jobs a statement: a million jobs one by one take a server minutes of round trips. The
    // server takes them as one array per column, a file as rows of a multi-row insert.
    const bool server = Dialect::isServer(to);
    const int batch = server ? 5000 : 100;
    QSqlQuery write(to);
    if (!read.exec(QStringLiteral("select %1 from table1 order by rowid").arg(JobTable::quotedColumns())) ||
        !write.prepare(server ? Dialect::insertFromArrays() : JobTable::insertStatement(batch))) {
        *error = read.lastError().isValid() ? read.lastError().text() : write.lastError().text();
        return false;
    }
    QList<QVariantList> columns(JobTable::ColumnCount);
    int pending = 0;
    const auto flush = [&] {
        if (stop && stop()) {
            *error = QStringLiteral("stopped");
            return false;
        }
        if (pending == 0)
            return true;
        QSqlQuery tail(to);
        QSqlQuery &statement = server || pending == batch ? write : tail;
        if (&statement == &tail && !tail.prepare(JobTable::insertStatement(pending))) {
            *error = tail.lastError().text();
            return false;
        }
        for (int i = 0; i < JobTable::ColumnCount; ++i) {
            if (server) {
                statement.bindValue(i, Dialect::arrayLiteral(columns.at(i)));
                continue;
            }
            for (int row = 0; row < pending; ++row)
                statement.bindValue(row * JobTable::ColumnCount + i, columns.at(i).at(row));
        }
        if (!statement.exec()) {
            *error = statement.lastError().text();
            return false;
        }
        for (QVariantList &column : columns)
            column.clear();
        pending = 0;
        return true;
    };
    while (read.next()) {
        for (int i = 0; i < JobTable::ColumnCount; ++i)
            columns[i] << read.value(i);
        if (++pending == batch && !flush())
            return false;
        if (progress && ++done % 1000 == 0)
            progress(done, total);
    }
    if (read.lastError().isValid()) {
        *error = read.lastError().text();
        return false;
    }
    return flush();
}

bool copyFromServer(const QString &url, const QString &partial, QString *error, const Progress &progress,
                    const Stop &stop)
{
    const std::optional<Dialect::ServerAddress> address = Dialect::parseServerUrl(url);
    if (!address) {
        *error = QStringLiteral("not a database server address");
        return false;
    }
    QFile::remove(partial);
    if (ensure(partial).state != State::Created) {
        *error = QStringLiteral("cannot make %1").arg(partial);
        return false;
    }
    // Reading every job holds the window longer than one question to the server may.
    const ServerWatch::Patience patience;
    ServerScratch server(url);
    ScratchConnection file(partial, "rw");
    QSqlDatabase source = server.db();
    QSqlDatabase target = file.db();
    if (!server.isOpen()) {
        *error = server.error();
        return false;
    }
    // The copy is written without its search index, faster; a start or restore that opens it makes
    // the index then.
    SearchIndex::dropFromFile(target);
    // One snapshot: jobs saved at other counters while the copy runs are all in it or all out.
    QSqlQuery(source).exec(QStringLiteral("begin isolation level repeatable read read only"));
    // Reading every job may take longer than a window's statement may.
    QSqlQuery(source).exec(QStringLiteral("set local statement_timeout=0"));
    bool ok = target.transaction() && copyJobs(source, target, error, progress, stop) &&
              JobHistory::replaceHistory(source, target, error) && ImportLedger::replace(source, target, error);
    if (ok)
        nameDatabase(target, identity(url));
    ok = ok && target.commit();
    QSqlQuery(source).exec(QStringLiteral("rollback"));

    if (!ok && error->isEmpty())
        *error = target.lastError().text();
    if (!ok)
        target.rollback();
    return ok;
}

// The job files ensure() found sound in this process; a file restored in their place is one too.
QSet<QString> &soundFiles()
{
    static QSet<QString> files;
    return files;
}

// A server whose table1 is in order gets its history table and trigger; one that cannot make them
// (a login without the right) still serves, only without a history.
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

} // namespace

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
    QSqlQuery query(target);
    // The other counters wait for the swap rather than save into a table being replaced.
    bool ok = target.transaction() && query.exec(QStringLiteral("set local statement_timeout=0")) &&
              query.exec(QStringLiteral("lock table table1 in exclusive mode")) &&
              JobHistory::silenceServerTrigger(target) && query.exec(QStringLiteral("delete from table1"));
    if (!ok)
        detail = query.lastError().text();
    // The trigram indexes are made again at the end, faster than kept up job by job.
    bool indexed = false;
    ok = ok && SearchIndex::dropFromServer(target, &indexed) &&
         copyJobs(source.db(), target, &detail, progress, stop) &&
         JobHistory::replaceHistory(source.db(), target, &detail) &&
         ImportLedger::replace(source.db(), target, &detail) && (!indexed || SearchIndex::prepareServer(target, true));
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
    // The server would gather the new table's figures only a minute later; until then its searches
    // would read every job.
    QSqlQuery(target).exec(QStringLiteral("analyze table1"));
    return true;
}

namespace
{

std::atomic<int> buildingDone = 0;
std::atomic<int> buildingTotal = 0;

// Tells building() how far the indexes of one ensure() are, and that nothing is built once it ends.
class BuildingSteps
{
public:
    explicit BuildingSteps(int total)
    {
        buildingDone = 0;
        buildingTotal = total;
    }
    ~BuildingSteps() { buildingTotal = 0; }
    BuildingSteps(const BuildingSteps &) = delete;
    BuildingSteps &operator=(const BuildingSteps &) = delete;
    void advance() { ++buildingDone; }
};

// The statements of JobTable::indexStatements() whose index the job file lacks.
QStringList missingIndexes(QSqlQuery &query)
{
    QStringList missing;
    for (const QString &statement : JobTable::indexStatements()) {
        query.prepare(QStringLiteral("select 1 from sqlite_master where type='index' and name=?"));
        query.addBindValue(JobTable::indexName(statement));
        if (!query.exec() || !query.next())
            missing << statement;
    }
    query.finish();
    return missing;
}

// A check begun while the splash shows, and what the file looked like when it ended.
struct Ahead {
    QString path;
    std::future<std::pair<Check, QFileInfo>> check;
};

std::optional<Ahead> &ahead()
{
    static std::optional<Ahead> pending;
    return pending;
}

bool sameFileState(const QFileInfo &before, const QString &path)
{
    const QFileInfo now(path);
    return before.exists() == now.exists() && before.size() == now.size() &&
           before.lastModified() == now.lastModified();
}

} // namespace

void ensureAhead(const QString &path)
{
    if (Dialect::isServerUrl(path) || ahead())
        return;
    ahead() = Ahead{path, std::async(std::launch::async, [path] {
                        const Check check = ensure(path);
                        QFileInfo after(path);
                        after.setCaching(false);
                        after.refresh();
                        return std::pair{check, after};
                    })};
}

bool aheadRunning()
{
    const std::optional<Ahead> &pending = ahead();
    return pending && pending->check.wait_for(std::chrono::seconds(0)) != std::future_status::ready;
}

Check ensure(const QString &path)
{
    const QCoreApplication *app = QCoreApplication::instance();
    if (std::optional<Ahead> &pending = ahead();
        app && QThread::currentThread() == app->thread() && pending && pending->path == path) {
        Ahead begun = std::move(*pending);
        pending.reset();
        const auto [check, after] = begun.check.get();
        // What the check found stands while the file is as the check left it: a file it made is
        // still Created. A file replaced since (an Access file imported, a copy restored) is
        // checked again.
        if (sameFileState(after, path))
            return check;
    }
    if (Dialect::isServerUrl(path))
        return withServerHistory(path, ensureServer(path));
    const QFileInfo info(path);
    if (!info.exists()) {
        ScratchConnection scratch(path, "rwc");
        QSqlDatabase db = scratch.db();
        if (!db.isOpen())
            return {State::CannotCreate, db.lastError().text()};
        QSqlQuery query(db);
        bool ok = db.transaction();
        for (const QString &statement : JobTable::createStatements() + JobTable::indexStatements())
            ok = ok && query.exec(statement);
        if (ok)
            nameDatabase(db);
        ok = ok && db.commit();
        if (ok) {
            ImportLedger::prepare(db);
            SearchIndex::prepareFile(db);
        }
        if (!ok) {
            const QString error = query.lastError().text();
            db.close();
            QFile::remove(path);
            return {State::CannotCreate, error};
        }
        // Made whole here, and written from here on only through SQLite's journal.
        WholeFile::remember(path, WholeFile::Lasts::WhileSameFile);
        soundFiles().insert(info.absoluteFilePath());
        return {State::Created, QString()};
    }

    soundFiles().remove(info.absoluteFilePath());
    recoverHotJournal(path);
    QString why;
    if (const State state = checkAtStart(path, &why); state != State::Ready)
        return {state, why};

    // Older files have no indexes, nor a name, nor a history; the list and the due count want the
    // indexes, the exit copy's rotation the name.
    ScratchConnection scratch(path, "rw");
    QSqlQuery query(scratch.db());
    const QStringList missing = missingIndexes(query);
    BuildingSteps steps(int(missing.size()) + SearchIndex::missingFromFile(scratch.db()) * SearchIndex::FillSteps);
    // With 16 MB of pages at hand, not the 2 MB default, a million jobs' indexes take a third less time.
    if (building().total > 0)
        query.exec(QStringLiteral("pragma cache_size=-16384"));
    for (const QString &statement : missing) {
        query.exec(statement);
        steps.advance();
    }
    nameDatabase(scratch.db());
    // Made here, where the start writes anyway, rather than by a connection opened while another
    // counter saves.
    JobHistory::prepareFile(scratch.db());
    ImportLedger::prepare(scratch.db());
    SearchIndex::prepareFile(scratch.db(), [&steps] { steps.advance(); });
    soundFiles().insert(info.absoluteFilePath());
    return {State::Ready, QString()};
}

Building building()
{
    return {buildingDone.load(), buildingTotal.load()};
}

namespace
{

// Bytes 18 and 19 of the header are 2 in a file written in WAL mode: its last changes may live in
// a -wal file beside it, and even a read-only look leaves -wal and -shm files there.
bool isWalFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray header = file.read(20);
    return header.size() == 20 && (header.at(18) == 2 || header.at(19) == 2);
}

} // namespace

bool isJobDatabase(const QString &path, QString *why)
{
    if (isWalFile(path)) {
        if (why)
            *why = QStringLiteral("written in WAL mode, so not a whole copy by itself");
        return false;
    }
    if (inspect(path, why) != State::Ready)
        return false;
    if (WholeFile::knownWhole(path))
        return true;
    if (!passesCheck(path, Depth::Whole, why))
        return false;
    WholeFile::remember(path, WholeFile::Lasts::WhileUnchanged);
    return true;
}

bool checkingWholeFile()
{
    return WholeFile::WholeCheck::running();
}

void noteClosedCleanly(const QString &path)
{
    if (!Dialect::isServerUrl(path) && WholeFile::knownWhole(path))
        WholeFile::writeClosedRecord(path);
}

QString identity(const QString &path)
{
    if (Dialect::isServerUrl(path)) {
        const std::optional<Dialect::ServerAddress> address = Dialect::parseServerUrl(path);
        if (!address)
            return QString();
        return QStringLiteral("server %1:%2/%3").arg(address->host).arg(address->port).arg(address->database);
    }
    if (!hasSqliteHeader(path))
        return QString();
    ScratchConnection scratch(path, "ro");
    QSqlQuery query(scratch.db());
    if (!query.exec(QStringLiteral("select identity from %1").arg(identityTable)) || !query.next())
        return QString();
    return query.value(0).toString();
}

Holding holding(const QString &path)
{
    Holding held;
    if (!hasSqliteHeader(path))
        return held;
    ScratchConnection scratch(path, "ro");
    QSqlQuery query(scratch.db());
    if (query.exec(QStringLiteral("select identity from %1").arg(identityTable)) && query.next())
        held.identity = query.value(0).toString();
    if (query.exec(QStringLiteral("select count(*) from table1")) && query.next())
        held.jobs = query.value(0).toLongLong();
    // A file made before the history began has none: 0, below any copy that has one.
    if (query.exec(QStringLiteral("select coalesce(max(id), 0) from job_history")) && query.next())
        held.newestChange = query.value(0).toLongLong();
    else if (held.jobs >= 0)
        held.newestChange = 0;
    return held;
}

qint64 jobCount(const QString &path)
{
    if (Dialect::isServerUrl(path)) {
        ServerScratch server(path);
        QSqlQuery query(server.db());
        if (!query.exec(QStringLiteral("select count(*) from table1")) || !query.next())
            return -1;
        return query.value(0).toLongLong();
    }
    if (!isJobDatabase(path))
        return -1;
    ScratchConnection scratch(path, "ro");
    QSqlQuery query(scratch.db());
    if (!query.exec(QStringLiteral("select count(*) from table1")) || !query.next())
        return -1;
    return query.value(0).toLongLong();
}

void close(const QString &connectionName)
{
    if (JobFileConnections::owns(connectionName)) {
        JobFileConnections::close(connectionName);
        return;
    }
    if (!QSqlDatabase::contains(connectionName))
        return;
    ServerWatch::untrack(connectionName);
    {
        QSqlDatabase db = QSqlDatabase::database(connectionName, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(connectionName);
}

QSqlDatabase open(const QString &path, const QString &connectionName, QString *error, StorageFault *fault, int busyWait)
{
    if (Dialect::isServerUrl(path)) {
        const std::optional<Dialect::ServerAddress> address = Dialect::parseServerUrl(path);
        // A server known not to answer is not asked again on the window's thread.
        QSqlDatabase db = address && ServerWatch::answering() ? Dialect::openServer(*address, connectionName, busyWait)
                                                              : QSqlDatabase();
        if (!db.isOpen()) {
            if (error)
                *error = !address       ? QStringLiteral("not a database server address")
                         : db.isValid() ? db.lastError().text()
                                        : QStringLiteral("the server does not answer");
            if (fault)
                *fault = address && !db.isValid() ? StorageFault::NoAnswer : StorageFault::Other;
        }
        return db;
    }
    // An Access file still waiting for its import, or another program's file, is never opened by
    // SQLite: a connection left on it could take a journal beside it for its own.
    if (QFileInfo info(path); info.isFile() && info.size() > 0 && !hasSqliteHeader(path)) {
        if (error)
            *error = QStringLiteral("%1 is not an SQLite database").arg(path);
        if (fault)
            *fault = StorageFault::Other;
        return QSqlDatabase();
    }
    QString why;
    QSqlDatabase db = JobFileConnections::open(
        path, connectionName, "rw", QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(busyWait), &why);
    if (!db.isOpen()) {
        if (error)
            *error = why;
        if (fault)
            *fault = db.isValid() ? storageFaultOf(db.lastError()) : StorageFault::Busy;
    } else {
        // A search through the index reads a few thousand jobs scattered over the file; kept in the
        // connection's own cache, the next keystroke finds them there (2 MB by default).
        QSqlQuery(db).exec(QStringLiteral("pragma cache_size=-16384"));
        // A file the start refused (damaged, foreign) is never written, not even a history table.
        JobHistory::prepareFile(db, soundFiles().contains(QFileInfo(path).absoluteFilePath()));
    }
    return db;
}

bool copyConsistent(const QString &path, const QString &target, QString *error, const Progress &progress,
                    const std::function<bool(QString *error)> &beforeReplace, const Stop &stop)
{
    const auto failWith = [error](const QString &message) {
        if (error)
            *error = message;
        return false;
    };
    const QString absoluteTarget = QFileInfo(target).absoluteFilePath();
    const QString partial = absoluteTarget + QStringLiteral(".partial");
    if (Dialect::isServerUrl(path)) {
        QString detail;
        if (!copyFromServer(path, partial, &detail, progress, stop)) {
            QFile::remove(partial);
            return failWith(detail);
        }
    } else if (!QFileInfo(path).isFile()) {
        return failWith(QStringLiteral("no database at %1").arg(path));
    } else {
        QFile::remove(partial);
        ScratchConnection scratch(path, "ro");
        QSqlDatabase db = scratch.db();
        if (!db.isOpen())
            return failWith(db.lastError().text());
        QSqlQuery query(db);
        query.prepare(QStringLiteral("vacuum into ?"));
        query.addBindValue(partial);
        if (!query.exec()) {
            QFile::remove(partial);
            return failWith(query.lastError().text());
        }
    }
    QString detail;
    if (stop && stop()) {
        QFile::remove(partial);
        return failWith(QStringLiteral("stopped"));
    }
    if (beforeReplace && !beforeReplace(&detail)) {
        QFile::remove(partial);
        return failWith(detail);
    }
    std::error_code code;
    std::filesystem::rename(std::filesystem::path(partial.toStdU16String()),
                            std::filesystem::path(absoluteTarget.toStdU16String()), code);
    if (code) {
        QFile::remove(partial);
        return failWith(QString::fromStdString(code.message()));
    }
    return true;
}

} // namespace JobDatabase
