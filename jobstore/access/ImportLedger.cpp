// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/access/ImportLedger.h"

#include "jobstore/server/Dialect.h"

#include <QSqlError>
#include <QSqlQuery>

#include <cmath>

namespace ImportLedger
{

namespace
{

constexpr int RowsPerInsert = 256;
const QString columns = QStringLiteral("source, source_number, source_row, stored_num");

QStringList createStatements(bool server)
{
    return {server ? QStringLiteral("create table if not exists access_imports (source text not null, "
                                    "source_number double precision, source_row bigint not null, stored_num numeric)")
                   : QStringLiteral("create table if not exists access_imports (source text not null, "
                                    "source_number real, source_row integer not null, stored_num numeric)"),
            QStringLiteral("create index if not exists access_imports_source on access_imports (source)")};
}

bool exists(const QSqlDatabase &db)
{
    return Dialect::hasTable(db, QStringLiteral("access_imports"));
}

bool execAll(QSqlQuery &query, const QStringList &statements)
{
    for (const QString &statement : statements) {
        if (!query.exec(statement))
            return false;
    }
    return true;
}

QByteArray rowKey(const Entry &entry)
{
    QByteArray key = QByteArray::number(entry.row);
    if (const std::optional<double> number = numberOf(entry.number))
        key += ':' + QByteArray::number(*number, 'g', 17);
    return key;
}

// Rows of (source, number, row, stored number), many a statement.
bool insertRows(const QSqlDatabase &db, const QList<QVariantList> &rows, QSqlError *error)
{
    QSqlQuery insert(db);
    int prepared = 0;
    for (qsizetype from = 0; from < rows.size(); from += RowsPerInsert) {
        const int count = int(std::min<qsizetype>(RowsPerInsert, rows.size() - from));
        if (count != prepared) {
            QStringList marks(count, QStringLiteral("(?, ?, ?, ?)"));
            if (!insert.prepare(
                    QStringLiteral("insert into access_imports (%1) values %2").arg(columns, marks.join(u','))))
                break;
            prepared = count;
        }
        int place = 0;
        for (qsizetype i = from; i < from + count; ++i) {
            for (const QVariant &value : rows.at(i))
                insert.bindValue(place++, value);
        }
        if (!insert.exec())
            break;
    }
    *error = insert.lastError();
    return !error->isValid();
}

} // namespace

QString tableName()
{
    return QStringLiteral("access_imports");
}

std::optional<double> numberOf(const QVariant &value)
{
    if (value.isNull())
        return std::nullopt;
    const double number = value.toDouble();
    // A NaN equals nothing, not even itself.
    if (std::isnan(number))
        return std::nullopt;
    return number == 0 ? 0.0 : number;
}

bool prepare(const QSqlDatabase &db, bool inTransaction)
{
    if (exists(db))
        return true;
    QSqlQuery query(db);
    const bool server = Dialect::isServer(db);
    if (inTransaction) {
        // A failed statement would end the caller's transaction on the server.
        if (!query.exec(QStringLiteral("savepoint access_imports")))
            return false;
        if (execAll(query, createStatements(server)))
            return query.exec(QStringLiteral("release savepoint access_imports"));
        query.exec(QStringLiteral("rollback to savepoint access_imports"));
        query.exec(QStringLiteral("release savepoint access_imports"));
        return false;
    }
    QSqlDatabase target = db;
    // Counters started together take turns, so only the first one makes it.
    const bool ok =
        target.transaction() &&
        (!server || query.exec(QStringLiteral("select pg_advisory_xact_lock(hashtext('velmora access_imports'))"))) &&
        execAll(query, createStatements(server)) && target.commit();
    if (!ok)
        target.rollback();
    return ok;
}

bool Taken::contains(const Entry &entry, bool numberIsUnique) const
{
    if (const std::optional<double> number = numberOf(entry.number); number && numberIsUnique)
        return m_numbers.contains(*number);
    return m_rows.contains(rowKey(entry));
}

void Taken::insert(const Entry &entry)
{
    if (const std::optional<double> number = numberOf(entry.number))
        m_numbers.insert(*number);
    m_rows.insert(rowKey(entry));
}

bool read(const QSqlDatabase &db, const QString &source, Taken &taken, QSqlError *error)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (query.prepare(QStringLiteral("select source_number, source_row from access_imports where source = ?"))) {
        query.addBindValue(source);
        if (query.exec()) {
            while (query.next())
                taken.insert(Entry{query.value(0), query.value(1).toLongLong(), QVariant()});
        }
    }
    *error = query.lastError();
    return !error->isValid();
}

bool write(const QSqlDatabase &db, const QString &source, const QList<Entry> &entries, QSqlError *error)
{
    QList<QVariantList> rows;
    rows.reserve(entries.size());
    for (const Entry &entry : entries) {
        const std::optional<double> number = numberOf(entry.number);
        rows << QVariantList{source, number ? QVariant(*number) : QVariant(), entry.row, entry.stored};
    }
    return insertRows(db, rows, error);
}

bool replace(const QSqlDatabase &from, const QSqlDatabase &to, QString *error)
{
    QSqlQuery write(to);
    if (!execAll(write,
                 createStatements(Dialect::isServer(to)) + QStringList{QStringLiteral("delete from access_imports")})) {
        *error = write.lastError().text();
        return false;
    }
    if (!exists(from))
        return true;
    QSqlQuery read(from);
    read.setForwardOnly(true);
    if (!read.exec(QStringLiteral("select %1 from access_imports").arg(columns))) {
        *error = read.lastError().text();
        return false;
    }
    QList<QVariantList> rows;
    while (read.next())
        rows << QVariantList{read.value(0), read.value(1), read.value(2), read.value(3)};
    if (read.lastError().isValid()) {
        *error = read.lastError().text();
        return false;
    }
    QSqlError written;
    if (insertRows(to, rows, &written))
        return true;
    *error = written.text();
    return false;
}

} // namespace ImportLedger
