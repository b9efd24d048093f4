// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/ReportReader.h"

#include "jobstore/ProgramValues.h"
#include "jobstore/file/JobDatabase.h"
#include "jobstore/server/Dialect.h"
#include "jobstore/server/ServerPool.h"

#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <atomic>

namespace
{

constexpr int PageRows = 1024;

QSqlQuery run(const QSqlDatabase &db, const QString &sql, const QVariantList &values)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (query.prepare(sql)) {
        for (const QVariant &value : values)
            query.addBindValue(value);
        query.exec();
    }
    return query;
}

} // namespace

ReportReader::ReportReader(const QString &connectionText)
{
    const QString source = Program::dataSourceOf(connectionText);
    if (Dialect::isServerUrl(source)) {
        m_name = ServerPool::acquire(source, &m_error);
        m_pooled = !m_name.isEmpty();
        if (m_pooled)
            m_db = QSqlDatabase::database(m_name, false);
        return;
    }
    static std::atomic<int> serial = 0;
    m_name = QStringLiteral("report-reader-%1").arg(++serial);
    m_db = JobDatabase::open(source, m_name, &m_error);
}

ReportReader::~ReportReader()
{
    m_db = QSqlDatabase();
    if (m_pooled)
        ServerPool::release(m_name);
    else if (!m_name.isEmpty())
        JobDatabase::close(m_name);
}

bool ReportReader::failed(const QString &error)
{
    m_error = error;
    return false;
}

QVector<QVariant> ReportReader::firstRow(const SqlText &source)
{
    const SqlText adapted = Dialect::adapt(m_db, source, SearchIndex::Purpose::AllRows);
    QSqlQuery query = run(m_db, adapted.sql, adapted.values);
    QVector<QVariant> values;
    if (query.next()) {
        for (int i = 0; i < query.record().count(); ++i)
            values << query.value(i);
    }
    if (query.lastError().isValid())
        failed(query.lastError().text());
    return values;
}

bool ReportReader::eachRow(const SqlText &source, const std::function<bool(const QVector<QVariant> &row)> &row)
{
    const SqlText adapted = Dialect::adapt(m_db, source, SearchIndex::Purpose::AllRows);
    QVector<qint64> ids;
    {
        QSqlQuery query =
            run(m_db, QStringLiteral("select rowid from (%1) as source").arg(adapted.sql), adapted.values);
        while (query.next())
            ids.append(query.value(0).toLongLong());
        if (query.lastError().isValid() || !query.isActive())
            return failed(query.lastError().text());
    }
    for (qsizetype first = 0; first < ids.size(); first += PageRows) {
        const qsizetype count = std::min<qsizetype>(PageRows, ids.size() - first);
        // The ids are written out, not bound: they are numbers this read took from the database, and
        // binding a thousand of them costs the driver more than reading their rows.
        QStringList listed;
        QHash<qint64, qsizetype> at;
        for (qsizetype i = 0; i < count; ++i) {
            listed << QString::number(ids[first + i]);
            at.insert(ids[first + i], i);
        }
        QSqlQuery query =
            run(m_db,
                QStringLiteral("select * from (%1) as source where rowid in (%2)").arg(adapted.sql, listed.join(u',')),
                adapted.values);
        // A row deleted since its id was read is left out; the others keep the report's order.
        QVector<QVector<QVariant>> page(count);
        while (query.next()) {
            const qsizetype index = at.value(query.value(0).toLongLong(), -1);
            if (index < 0)
                continue;
            QVector<QVariant> cells(query.record().count() - 1);
            for (int i = 0; i < cells.size(); ++i)
                cells[i] = query.value(i + 1);
            page[index] = std::move(cells);
        }
        if (query.lastError().isValid() || !query.isActive())
            return failed(query.lastError().text());
        query.finish();
        for (const QVector<QVariant> &cells : std::as_const(page)) {
            if (!cells.isEmpty() && !row(cells))
                return false;
        }
    }
    return true;
}

bool ReportReader::eachGrouped(const SqlText &source, const std::function<void(const QVector<QVariant> &values)> &row)
{
    if (!ok())
        return false;
    const SqlText adapted = Dialect::adapt(m_db, source, SearchIndex::Purpose::AllRows);
    QSqlQuery query = run(m_db, adapted.sql, adapted.values);
    QVector<QVariant> values;
    while (query.isActive() && query.next()) {
        values.clear();
        for (int column = 1; column < query.record().count(); ++column)
            values << query.value(column);
        row(values);
    }
    // The rows can stop short (a server's line dropped, a busy or broken file): that is no report.
    if (query.lastError().isValid() || !query.isActive())
        return failed(query.lastError().text());
    return true;
}
