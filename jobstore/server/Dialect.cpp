// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/server/Dialect.h"

#include "jobstore/JobTable.h"
#include "jobstore/Queries.h"
#include "jobstore/history/JobHistory.h"
#include "jobstore/server/ServerWatch.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
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

const QStringList &addressParameters()
{
    static const QStringList names = {QStringLiteral("host"), QStringLiteral("sslmode"), QStringLiteral("sslrootcert"),
                                      QStringLiteral("sslcert"), QStringLiteral("sslkey")};
    return names;
}

std::optional<ServerAddress> parseServerUrl(const QString &url, QString *why)
{
    const auto refuse = [why](const QString &reason) -> std::optional<ServerAddress> {
        if (why)
            *why = reason;
        return std::nullopt;
    };
    if (!isServerUrl(url))
        return refuse(QStringLiteral("not a postgresql:// address"));
    const QUrl parsed(url, QUrl::StrictMode);
    if (!parsed.isValid())
        return refuse(parsed.errorString());
    ServerAddress address;
    address.host = parsed.host();
    address.port = parsed.port(5432);
    address.database = parsed.path().mid(1);
    address.user = parsed.userName();
    address.password = parsed.password();
    const QUrlQuery query(parsed);
    for (const auto &[name, encoded] : query.queryItems(QUrl::FullyDecoded)) {
        if (!addressParameters().contains(name))
            return refuse(QStringLiteral("unknown parameter %1").arg(name));
        // The value goes to libpq inside quotes, in a text the driver splits at ";".
        if (encoded.contains(u';') || encoded.contains(u'\'') || encoded.contains(u'\\'))
            return refuse(QStringLiteral("parameter %1 holds ; ' or \\").arg(name));
        if (name == QLatin1String("host"))
            address.host = encoded;
        else
            address.tls.insert(name, encoded);
    }
    static const QStringList modes = {QStringLiteral("disable"),   QStringLiteral("allow"),
                                      QStringLiteral("prefer"),    QStringLiteral("require"),
                                      QStringLiteral("verify-ca"), QStringLiteral("verify-full")};
    if (address.tls.contains(QStringLiteral("sslmode")) &&
        !modes.contains(address.tls.value(QStringLiteral("sslmode"))))
        return refuse(QStringLiteral("unknown sslmode %1").arg(address.tls.value(QStringLiteral("sslmode"))));
    if (address.database.isEmpty() || address.database.contains(u'/'))
        return refuse(QStringLiteral("no database name"));
    return address;
}

LineFault lineFaultOf(const QString &serverError)
{
    static const std::pair<QLatin1String, LineFault> texts[] = {
        {QLatin1String("certificate verify failed"), LineFault::UnknownAuthority},
        {QLatin1String("root certificate file"), LineFault::NoAuthorityFile},
        {QLatin1String("does not match host name"), LineFault::OtherName},
        {QLatin1String("server does not support SSL"), LineFault::NoTlsOffered},
        // PostgreSQL 14 on; older servers say "SSL off".
        {QLatin1String("\", no encryption"), LineFault::TlsRequired},
        {QLatin1String("\", SSL off"), LineFault::TlsRequired},
    };
    for (const auto &[text, fault] : texts) {
        if (serverError.contains(text))
            return fault;
    }
    return LineFault::None;
}

QString certificateName(const QString &serverError)
{
    static const QRegularExpression name(QStringLiteral("server certificate for \"([^\"]*)\""));
    return name.match(serverError).captured(1);
}

bool isServer(const QSqlDatabase &db)
{
    return db.driverName() == QLatin1String("QPSQL");
}

bool hasTable(const QSqlDatabase &db, const QString &name)
{
    QSqlQuery query(db);
    query.prepare(isServer(db) ? QStringLiteral("select to_regclass(?) is not null")
                               : QStringLiteral("select count(*) from sqlite_master where type='table' and name=?"));
    query.addBindValue(name);
    return query.exec() && query.next() && query.value(0).toBool();
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
    // Every wait is bounded, so the window never freezes for long: the connection, each statement
    // (a server that stopped answering), and a lock held elsewhere (a restore, a stuck session),
    // which then fails as busy. The server reads 0 as "wait for ever".
    // A network that drops the line without closing it would hold a query for a quarter of an hour:
    // unanswered data, or a silent line, ends the connection within seconds instead.
    QString options = QStringLiteral("connect_timeout=%1;options='-c lock_timeout=%2 -c statement_timeout=%3';"
                                     "keepalives_idle=30;keepalives_interval=10;keepalives_count=3;"
                                     "tcp_user_timeout=15000")
                          .arg(ServerConnectLimit)
                          .arg(std::clamp(lockWait, 1, ServerLockWait))
                          .arg(ServerStatementLimit);
    for (auto it = address.tls.cbegin(); it != address.tls.cend(); ++it)
        options += QStringLiteral(";%1='%2'").arg(it.key(), it.value());
    db.setConnectOptions(options);
    ServerWatch::untrack(connectionName); // opening again ends the connection the watch knew
    if (db.open())
        JobHistory::nameServerConnection(db);
    ServerWatch::track(connectionName, db);
    return db;
}

SqlText adapt(const QSqlDatabase &db, SqlText source, SearchIndex::Purpose purpose)
{
    if (source.searchColumn >= 0) {
        const auto field = Queries::SearchField(source.searchColumn);
        QVariantList values;
        const QString condition = SearchIndex::contains(db, SearchIndex::Column(source.searchColumn), source.searchText,
                                                        Queries::plainContains(field, source.searchText),
                                                        Queries::containsPattern(source.searchText), purpose, values);
        source.sql.replace(SqlText::searchMark(), condition);
        source.values = values + source.values;
        source.searchColumn = -1;
    }
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

QString lockingRead(const QSqlDatabase &db, const QString &select)
{
    return isServer(db) ? select + QStringLiteral(" for update") : select;
}

QString insertReturningKey(const QSqlDatabase &db, const QString &insert)
{
    return isServer(db) ? insert + QStringLiteral(" returning rowid") : insert;
}

bool nullsSortFirst(const QSqlDatabase &db)
{
    return !isServer(db);
}

QString arrayLiteral(const QVariantList &values)
{
    QString literal(1, u'{');
    for (const QVariant &value : values) {
        if (literal.size() > 1)
            literal += u',';
        if (value.isNull() || (value.typeId() == QMetaType::QString && value.toString().isNull())) {
            literal += QLatin1String("NULL");
            continue;
        }
        QString text = value.toString();
        text.replace(u'\\', QLatin1String("\\\\")).replace(u'"', QLatin1String("\\\""));
        literal += u'"' + text + u'"';
    }
    return literal + u'}';
}

QString insertFromArrays()
{
    QStringList arrays;
    for (int i = 0; i < JobTable::ColumnCount; ++i)
        arrays << (JobTable::isNumberColumn(i) ? QStringLiteral("cast(? as numeric[])")
                                               : QStringLiteral("cast(? as text[])"));
    return QStringLiteral("insert into table1 (%1) select * from unnest(%2)")
        .arg(JobTable::quotedColumns(), arrays.join(u','));
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
    // A statement stopped by its time limit, a connection the server ended, or one that broke.
    if (state == QLatin1String("57014") || state.startsWith(QLatin1String("57P")) ||
        state.startsWith(QLatin1String("08")))
        return StorageFault::NoAnswer;
    if (state.isEmpty() && (error.type() == QSqlError::ConnectionError || !ServerWatch::lineWhole(db)))
        return StorageFault::NoAnswer;
    return StorageFault::Other;
}

} // namespace Dialect
