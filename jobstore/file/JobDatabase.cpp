// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/file/JobDatabaseParts.h"

#include "jobstore/JobTable.h"
#include "jobstore/SearchIndex.h"
#include "jobstore/access/ImportLedger.h"
#include "jobstore/file/JobFileConnections.h"
#include "jobstore/file/WholeFile.h"
#include "jobstore/history/JobHistory.h"
#include "jobstore/server/Dialect.h"
#include "jobstore/server/JobChanges.h"
#include "jobstore/server/ServerScratch.h"
#include "jobstore/server/ServerWatch.h"

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

} // namespace

bool hasSqliteHeader(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return file.read(16) == QByteArray("SQLite format 3\0", 16);
}

void nameDatabase(const QSqlDatabase &db, const QString &name)
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

namespace
{

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

// The job files ensure() found sound in this process; a file restored in their place is one too.
QSet<QString> &soundFiles()
{
    static QSet<QString> files;
    return files;
}

} // namespace

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
} // namespace JobDatabase
