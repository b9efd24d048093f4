#include "jobstore/Dialect.h"

#include "jobstore/JobHistory.h"
#include "jobstore/JobTable.h"

#include <QSqlError>
#include <QUrl>
#include <QUrlQuery>

#include <algorithm>

namespace Dialect
{

bool isServerUrl(const QString &dataSource)
{
    return dataSource.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
           dataSource.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

std::optional<ServerAddress> parseServerUrl(const QString &url)
{
    if (!isServerUrl(url))
        return std::nullopt;
    const QUrl parsed(url, QUrl::StrictMode);
    if (!parsed.isValid())
        return std::nullopt;
    ServerAddress address;
    address.host = parsed.host();
    address.port = parsed.port(5432);
    address.database = parsed.path().mid(1);
    address.user = parsed.userName();
    address.password = parsed.password();
    const QUrlQuery query(parsed);
    if (query.hasQueryItem(QStringLiteral("host")))
        address.host = query.queryItemValue(QStringLiteral("host"), QUrl::FullyDecoded);
    if (address.database.isEmpty() || address.database.contains(u'/'))
        return std::nullopt;
    return address;
}

bool isServer(const QSqlDatabase &db)
{
    return db.driverName() == QLatin1String("QPSQL");
}

QSqlDatabase openServer(const ServerAddress &address, const QString &connectionName, int lockWait)
{
    QSqlDatabase db = QSqlDatabase::contains(connectionName)
                          ? QSqlDatabase::database(connectionName, false)
                          : QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName);
    db.setHostName(address.host);
    db.setPort(address.port);
    db.setDatabaseName(address.database);
    db.setUserName(address.user);
    db.setPassword(address.password);
    // A server that does not answer must not freeze the counter for minutes.
    // Nor may a lock held elsewhere (a restore, a stuck session) freeze it: the statement fails as
    // busy instead. The server reads 0 as "wait for ever".
    // A network that drops the line without closing it would hold a query for a quarter of an hour:
    // unanswered data, or a silent line, ends the connection within seconds instead.
    db.setConnectOptions(QStringLiteral("connect_timeout=5;options='-c lock_timeout=%1';keepalives_idle=30;"
                                        "keepalives_interval=10;keepalives_count=3;tcp_user_timeout=15000")
                             .arg(std::max(lockWait, 1)));
    if (db.open())
        JobHistory::nameServerConnection(db);
    return db;
}

SqlText adapt(const QSqlDatabase &db, SqlText source)
{
    // ILIKE costs the server a lower-casing of every row; a search for a receipt number or for
    // Persian text has no case to ignore, and keeps the plain LIKE.
    const auto hasLatinLetter = [](const QVariant &value) {
        if (value.typeId() != QMetaType::QString)
            return false;
        const QString text = value.toString();
        return std::any_of(text.begin(), text.end(),
                           [](QChar ch) { return (ch >= u'a' && ch <= u'z') || (ch >= u'A' && ch <= u'Z'); });
    };
    if (isServer(db) && std::any_of(source.values.begin(), source.values.end(), hasLatinLetter))
        source.sql.replace(QLatin1String(" LIKE ? ESCAPE "), QLatin1String(" ILIKE ? ESCAPE "));
    return source;
}

QString beginWrite(const QSqlDatabase &db)
{
    return isServer(db) ? QStringLiteral("begin") : QStringLiteral("begin immediate");
}

QString insertReturningKey(const QSqlDatabase &db, const QString &insert)
{
    return isServer(db) ? insert + QStringLiteral(" returning rowid") : insert;
}

bool nullsSortFirst(const QSqlDatabase &db)
{
    return !isServer(db);
}

QStringList createStatements(bool server)
{
    if (!server)
        return JobTable::createStatements();
    QStringList columns = {QStringLiteral("rowid bigserial primary key")};
    for (int i = 0; i < JobTable::ColumnCount; ++i)
        columns << QStringLiteral("\"%1\" %2")
                       .arg(JobTable::columnNames().at(i),
                            JobTable::isNumberColumn(i) ? QStringLiteral("NUMERIC") : QStringLiteral("TEXT"));
    return {QStringLiteral("CREATE TABLE table1 (%1)").arg(columns.join(QStringLiteral(", "))),
            QStringLiteral("CREATE UNIQUE INDEX table1_num_unique ON table1 (num)")};
}

StorageFault faultOf(const QSqlError &error, const QSqlDatabase &db)
{
    if (!error.isValid() || !isServer(db))
        return storageFaultOf(error);
    const QString state = error.nativeErrorCode();
    if (state == QLatin1String("23505")) // unique_violation: another counter saved the number first
        return StorageFault::NumberTaken;
    if (state == QLatin1String("53100")) // disk_full
        return StorageFault::DiskFull;
    if (state == QLatin1String("25006") || state == QLatin1String("42501")) // read-only / no privilege
        return StorageFault::ReadOnly;
    if (state == QLatin1String("40001") || state == QLatin1String("40P01") || state == QLatin1String("55P03"))
        return StorageFault::Busy;
    return StorageFault::Other;
}

} // namespace Dialect
