// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/Recordset.h"

#include "jobstore/JobTable.h"
#include "jobstore/KeyReader.h"
#include "jobstore/server/Dialect.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <limits>
#include <utility>

namespace
{

// A count needs no order: the server would otherwise sort every matching row just to count them.
// Only a closing "order by" of plain column names (or a column+0) is dropped, never one inside a subquery or a
// quoted text, nor one followed by a limit.
QString withoutOrder(const QString &sql)
{
    static const QRegularExpression closingOrder(
        QStringLiteral(R"(\s*\border\s+by\s+"?\w+"?(\+0)?(\s+(asc|desc))?(\s*,\s*"?\w+"?(\+0)?(\s+(asc|desc))?)*\s*$)"),
        QRegularExpression::CaseInsensitiveOption);
    QString plain = sql;
    return plain.remove(closingOrder);
}

// The source with its closing order of one column turned round, so the rows near its end are read
// from there; empty for any other order.
QString reversedOrder(const QString &sql)
{
    static const QRegularExpression closingOrder(
        QStringLiteral(R"(\border\s+by\s+("?\w+"?(\+0)?)(\s+(asc|desc))?\s*$)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = closingOrder.match(sql);
    if (!match.hasMatch())
        return QString();
    const bool descending = match.captured(4).compare(QLatin1String("desc"), Qt::CaseInsensitive) == 0;
    return sql.left(match.capturedStart()) +
           QStringLiteral(" order by %1 %2")
               .arg(match.captured(1), descending ? QLatin1String("asc") : QLatin1String("desc"));
}

} // namespace

Recordset::Recordset(QObject *parent) : QObject(parent), m_table(JobTable::tableName()) {}

Recordset::FirstPage Recordset::readFirstPage(const QSqlDatabase &db, const SqlText &raw)
{
    // Only the first page is read before the rows are shown: counting a search that matches every
    // job of a busy shop, or reading past its first rows, would hold every keystroke. The ids of
    // all the rows follow from the reading thread. Each query runs to its end, so no half-read
    // statement holds the file against another window's save.
    FirstPage page;
    page.source = Dialect::adapt(db, raw);
    const SqlText &source = page.source;
    QSqlQuery first(db);
    first.setForwardOnly(true);
    page.ok = first.prepare(QStringLiteral("select * from (%1) as source limit %2").arg(source.sql).arg(PageSize));
    if (page.ok) {
        for (const QVariant &value : source.values)
            first.addBindValue(value);
        page.ok = first.exec();
    }
    if (page.ok) {
        const QSqlRecord record = first.record();
        page.idColumn = record.fieldName(0);
        for (int i = 1; i < record.count(); ++i)
            page.names << record.fieldName(i);
        while (first.next()) {
            page.ids.append(first.value(0).toLongLong());
            QVector<QVariant> values(page.names.size());
            for (int i = 0; i < page.names.size(); ++i)
                values[i] = first.value(i + 1);
            page.rows.append(std::move(values));
        }
        page.ok = !first.lastError().isValid();
    }
    page.error = first.lastError().text();
    // A server that does not answer leaves the rows read before it stopped.
    page.fault = !db.isOpen() && Dialect::isServer(db) ? StorageFault::NoAnswer : Dialect::faultOf(first.lastError(), db);
    first.finish();
    return page;
}

bool Recordset::open(const QSqlDatabase &db, const SqlText &raw)
{
    // The ids of the rows shown before, a million of them still being read, would hold the server
    // from this read: the clerk's next letter stops them.
    KeyReader::forget(this);
    KeyReader::forget(m_counting);
    return open(db, raw, readFirstPage(db, raw));
}

bool Recordset::open(const QSqlDatabase &db, const SqlText &raw, FirstPage page)
{
    const bool ok = page.ok;
    if (!ok && page.fault == StorageFault::NoAnswer && m_open) {
        m_lastError = page.error;
        m_lastFault = StorageFault::NoAnswer;
        return false;
    }

    emit aboutToReset();
    ++m_generation;
    m_db = db;
    m_source = page.source;
    m_allSource = m_source;
    m_insertedIds.clear();
    m_fieldNames.clear();
    m_rowIds.clear();
    m_rows.clear();
    m_count = -1;
    m_allKeys = false;
    m_editing = m_adding = false;
    m_wantedRow = -1;
    m_index = -1;
    m_currentDeleted = false;
    m_open = false;
    if (!ok) {
        m_lastError = page.error;
        m_lastFault = page.fault;
        emit reset();
        emit currentRowChanged(-1);
        return false;
    }
    m_fieldNames = page.names;
    m_idColumn = page.idColumn;
    m_rowIds = std::move(page.ids);
    for (QVector<QVariant> &row : page.rows)
        m_rows.append(std::move(row));
    if (m_rows.size() < PageSize) {
        m_count = int(m_rows.size());
        m_allKeys = true;
    } else {
        // The count and every id need the whole result: there an index pays even for a frequent text.
        m_allSource = Dialect::adapt(db, raw, SearchIndex::Purpose::AllRows);
        // Asked once the caller is done: a move to the last row right after (a new job's save)
        // counts the rows while no other read of the whole list holds the processor.
        QMetaObject::invokeMethod(
            this,
            [this, generation = m_generation, connection = db.connectionName()] {
                if (generation == m_generation && !m_allKeys)
                    requestKeys(connection);
            },
            Qt::QueuedConnection);
    }
    m_open = true;
    m_index = 0;
    m_lastError.clear();
    m_lastFault = StorageFault::None;
    emit reset();
    emit currentRowChanged(m_rows.isEmpty() ? -1 : 0);
    return true;
}

void Recordset::requestKeys(const QString &connectionName)
{
    KeyReader::request(
        this, connectionName,
        {QStringLiteral("select %1 from (%2) as source").arg(m_idColumn, m_allSource.sql), m_allSource.values},
        [this, generation = m_generation](bool ok, const QVector<qint64> &keys) {
            if (generation != m_generation)
                return;
            if (ok && !m_allKeys && agrees(keys))
                takeKeys(keys);
            // Without the thread's ids the grid still learns its length, by a count.
            else if (!m_allKeys)
                RecordCount();
            takeWantedRow();
        });
}

void Recordset::moveWhenCounted(int index)
{
    if (m_count >= 0 || !m_open) {
        m_wantedRow = index;
        takeWantedRow();
        return;
    }
    // No row is current meanwhile: a key pressed before the count comes must not reach the first.
    if (!moveTo(-1))
        return;
    m_wantedRow = index;
    KeyReader::request(
        m_counting, m_db.connectionName(),
        {QStringLiteral("select count(*) from (%1) as source").arg(withoutOrder(m_allSource.sql)), m_allSource.values},
        [this, generation = m_generation](bool ok, const QVector<qint64> &count) {
            // A list read again since asked for a count of its own; one counted or changed here
            // since knows its length better than this count.
            if (generation != m_generation || m_wantedRow < 0)
                return;
            if (ok && count.size() == 1 && m_count < 0)
                takeCount(int(count.first()));
            takeWantedRow();
        });
}

void Recordset::takeWantedRow()
{
    const int wanted = std::exchange(m_wantedRow, -1);
    if (wanted == LastRow)
        MoveLast();
    else if (wanted >= 0 && wanted < RecordCount())
        moveTo(wanted);
    else if (wanted >= 0)
        MoveFirst();
}

int Recordset::RecordCount()
{
    ensureCounted();
    return availableCount();
}

bool Recordset::ensureCounted() const
{
    if (m_count >= 0 || !m_open)
        return true;
    QSqlQuery count =
        prepared(m_allSource, QStringLiteral("select count(*) from (%1) as source").arg(withoutOrder(m_allSource.sql)));
    if (!count.isActive() || !count.next())
        return false;
    const int rows = count.value(0).toInt();
    count.finish();
    takeCount(rows);
    return true;
}

void Recordset::takeCount(int count) const
{
    const int visible = availableCount();
    m_count = std::max(count, int(m_rows.size()));
    // Every row has its place from now on; the ids not read yet come with their pages or the thread.
    m_rowIds.resize(m_count, UnknownId);
    m_rows.resize(m_count);
    grewTo(visible);
}

void Recordset::grewTo(int visibleBefore) const
{
    if (availableCount() > visibleBefore)
        emit const_cast<Recordset *>(this)->rowsAppended(visibleBefore, availableCount() - 1);
}

bool Recordset::agrees(const QVector<qint64> &keys) const
{
    // Read on another connection a moment ago: a count or a page read since is newer, and a
    // disagreement leaves the rows read by their place, the ids to be read again when a search
    // or a new row needs them.
    if ((m_count >= 0 && m_count != keys.size()) || keys.size() < m_rowIds.size())
        return false;
    return knownIdsMatch(keys);
}

bool Recordset::knownIdsMatch(const QVector<qint64> &keys) const
{
    for (qsizetype i = 0; i < m_rowIds.size(); ++i) {
        if (m_rowIds[i] != UnknownId && m_rowIds[i] != keys[i])
            return false;
    }
    return true;
}

void Recordset::takeKeys(QVector<qint64> keys) const
{
    auto *self = const_cast<Recordset *>(this);
    const qsizetype known = m_rowIds.size();
    const bool same = keys.size() >= known && knownIdsMatch(keys);
    const bool countHolds = m_count < 0 || m_count == keys.size();
    if (same && countHolds) {
        const int visible = availableCount();
        m_rowIds = std::move(keys);
        m_rows.resize(m_rowIds.size());
        m_count = int(m_rowIds.size());
        m_allKeys = true;
        grewTo(visible);
        return;
    }
    // Another counter changed the jobs between the first page and the ids: the rows read stay by
    // their ids, and the current row stays the same job.
    emit self->aboutToReset();
    QHash<qint64, QVector<QVariant>> read;
    for (qsizetype i = 0; i < known; ++i) {
        if (!m_rows[i].isEmpty() && m_rowIds[i] != UnknownId)
            read.insert(m_rowIds[i], m_rows[i]);
    }
    const qint64 current =
        m_index >= 0 && m_index < known && !m_currentDeleted && m_rowIds[m_index] != UnknownId ? m_rowIds[m_index] : -1;
    m_rowIds = std::move(keys);
    m_rows.clear();
    m_rows.resize(m_rowIds.size());
    for (qsizetype i = 0; i < m_rowIds.size() && !read.isEmpty(); ++i) {
        if (const auto row = read.constFind(m_rowIds[i]); row != read.cend())
            m_rows.set(i, *row);
    }
    m_count = int(m_rowIds.size());
    m_allKeys = true;
    if (current >= 0) {
        const qsizetype at = m_rowIds.indexOf(current);
        self->m_index = at >= 0 ? int(at) : std::min(m_index, int(m_rowIds.size()));
    }
    emit self->reset();
    emit self->currentRowChanged(IsEOF() || IsBOF() ? -1 : m_index);
}

bool Recordset::ensureAllKeys() const
{
    if (m_allKeys)
        return true;
    QSqlQuery query =
        prepared(m_allSource, QStringLiteral("select %1 from (%2) as source").arg(m_idColumn, m_allSource.sql));
    if (!query.isActive())
        return false;
    QVector<qint64> keys;
    keys.reserve(std::max(m_count, int(m_rows.size())));
    while (query.next())
        keys.append(query.value(0).toLongLong());
    if (query.lastError().isValid()) {
        m_lastError = query.lastError().text();
        m_lastFault = Dialect::faultOf(query.lastError(), m_db);
        return false;
    }
    query.finish();
    takeKeys(std::move(keys));
    return true;
}

QSqlQuery Recordset::prepared(const SqlText &source, const QString &sql) const
{
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    bool ok = query.prepare(sql);
    if (ok) {
        for (const QVariant &value : source.values)
            query.addBindValue(value);
        ok = query.exec();
    }
    if (!ok) {
        m_lastError = query.lastError().text();
        m_lastFault = Dialect::faultOf(query.lastError(), m_db);
    }
    return query;
}

QSqlQuery Recordset::runFrom(const QString &columns, int offset, int limit, const QString &source) const
{
    // Rows this record set added are held at its end, so they stay out of the offsets; rows it
    // deleted are gone from both sides alike.
    QString sql =
        QStringLiteral("select %1 from (%2) as source").arg(columns, source.isEmpty() ? m_source.sql : source);
    if (!m_insertedIds.isEmpty())
        sql += QStringLiteral(" where rowid not in (%1)")
                   .arg(QStringList(m_insertedIds.size(), QStringLiteral("?")).join(u','));
    sql += QStringLiteral(" limit ? offset ?");
    QVariantList values = m_source.values;
    for (qint64 id : m_insertedIds)
        values << id;
    // "No limit" is spelt differently by each database; no record set comes near this one.
    values << (limit < 0 ? std::numeric_limits<qint32>::max() : limit) << offset;
    return prepared({QString(), values}, sql);
}

bool Recordset::loadPage(int row) const
{
    const int first = row - row % PageSize;
    const int last = std::min(first + PageSize, int(m_rows.size()));
    // A page far down a long list is read by its rows' ids, not by skipping every row before it;
    // before the ids are known, from whichever end of the list is nearer.
    bool byIds = m_idColumn.compare(QLatin1String("rowid"), Qt::CaseInsensitive) == 0;
    QVariantList ids;
    for (int index = first; byIds && index < last; ++index) {
        if (m_rowIds[index] == UnknownId)
            byIds = false;
        else if (m_rows[index].isEmpty())
            ids << m_rowIds[index];
    }
    if (byIds && ids.isEmpty())
        return true;
    const QString reversed =
        m_insertedIds.isEmpty() && first > int(m_rows.size()) - last ? reversedOrder(m_source.sql) : QString();
    QSqlQuery query;
    int start = first;
    int step = 1;
    if (byIds) {
        query = prepared({QString(), m_source.values + ids},
                         QStringLiteral("select * from (%1) as source where rowid in (%2)")
                             .arg(m_source.sql, QStringList(ids.size(), QStringLiteral("?")).join(u',')));
    } else if (!reversed.isEmpty()) {
        query = runFrom(QStringLiteral("*"), int(m_rows.size()) - last, last - first, reversed);
        start = last - 1;
        step = -1;
    } else {
        query = runFrom(QStringLiteral("*"), first, PageSize);
    }
    if (!query.isActive())
        return false;
    const int columns = int(m_fieldNames.size());
    QHash<qint64, int> at;
    for (int index = first; byIds && index < last; ++index)
        at.insert(m_rowIds[index], index);
    for (int index = start; query.next(); index += step) {
        const qint64 id = query.value(0).toLongLong();
        if (byIds)
            index = at.value(id, -1);
        if (index < first || index >= last)
            continue;
        if (!m_rows[index].isEmpty())
            continue;
        m_rowIds[index] = id;
        QVector<QVariant> values(columns);
        for (int i = 0; i < columns; ++i)
            values[i] = query.value(i + 1);
        m_rows.set(index, std::move(values));
    }
    if (query.lastError().isValid()) {
        m_lastError = query.lastError().text();
        m_lastFault = Dialect::faultOf(query.lastError(), m_db);
        return false;
    }
    return true;
}

bool Recordset::ensureLoaded(int row) const
{
    // Once counted every row has its place; before, only the first page is known.
    if (row < 0 || row >= m_rows.size())
        return false;
    return !m_rows[row].isEmpty() || (loadPage(row) && !m_rows[row].isEmpty());
}

void Recordset::forgetRows(int first, int last)
{
    const int end = std::min(last, int(m_rows.size()));
    for (int row = std::max(first, 0); row < end; ++row) {
        if (row != m_index && !m_rows[row].isEmpty() && !m_insertedIds.contains(m_rowIds.value(row)))
            m_rows.set(row, {});
    }
}

void Recordset::close()
{
    emit aboutToReset();
    ++m_generation;
    m_rows.clear();
    m_rowIds.clear();
    m_count = -1;
    m_allKeys = false;
    m_fieldNames.clear();
    m_editing = m_adding = false;
    m_wantedRow = -1;
    m_index = -1;
    m_currentDeleted = false;
    m_open = false;
    m_db = QSqlDatabase();
    emit reset();
    emit currentRowChanged(-1);
}
bool Recordset::Find(const QString &criterion)
{
    static const QRegularExpression shape(QStringLiteral("^\\s*(\\w+)\\s*=\\s*'([^']*)'\\s*$"));
    const QRegularExpressionMatch match = shape.match(criterion);
    if (!match.hasMatch())
        return fail(tr("Unsupported criterion: %1").arg(criterion));
    const int column = int(m_fieldNames.indexOf(match.captured(1)));
    if (column < 0)
        return fail(tr("No column %1").arg(match.captured(1)));
    bool numeric = false;
    const double wanted = match.captured(2).toDouble(&numeric);
    if (!ensureAllKeys())
        return false;

    int index = std::max(m_index, 0);
    if (numeric) {
        const int found = positionInOrder(column, wanted, index);
        if (found >= 0)
            return moveTo(found);
    }

    // Rows not read yet are compared through a query of the one column, not read whole.
    QSqlQuery scan;
    bool scanning = false;
    for (; index < m_rows.size(); ++index) {
        QVariant cell;
        if (!m_rows[index].isEmpty()) {
            cell = m_rows[index][column];
            if (scanning)
                scan.next();
        } else {
            if (!scanning) {
                scan = runFrom(QStringLiteral("\"%1\"").arg(m_fieldNames[column]), index, -1);
                if (!scan.isActive())
                    return fail(m_lastError);
                scanning = true;
            }
            if (!scan.next())
                return fail(tr("The rows changed while they were searched"));
            cell = scan.value(0);
        }
        if (cell.isNull())
            continue;
        if (numeric ? cell.toDouble() == wanted : cell.toString() == match.captured(2))
            break;
    }
    return moveTo(index);
}

int Recordset::positionInOrder(int column, double wanted, int from) const
{
    // In a source sorted up by the searched column, the first match follows every row holding less
    // (and, where the database sorts them first, every row holding nothing): one count and one read
    // by value find it, where a scan reads every row before it. Anything else is left to the scan.
    static const QRegularExpression ascending(QStringLiteral(R"re(\border\s+by\s+"?(\w+)"?(\s+asc)?\s*$)re"),
                                              QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch order = ascending.match(m_source.sql);
    if (!order.hasMatch() || order.captured(1).compare(m_fieldNames[column], Qt::CaseInsensitive) != 0)
        return -1;
    const QString name = QStringLiteral("\"%1\"").arg(m_fieldNames[column]);
    QString rows = QStringLiteral("(%1) as source").arg(withoutOrder(m_source.sql));
    if (!m_insertedIds.isEmpty())
        rows += QStringLiteral(" where rowid not in (%1)")
                    .arg(QStringList(m_insertedIds.size(), QStringLiteral("?")).join(u','));
    // Placeholders bind in the order they stand: before the source's, the source's and the added
    // rows', then after them.
    const auto run = [this](QSqlQuery &query, const QString &sql, const QVariant &before, const QVariant &after) {
        query.setForwardOnly(true);
        if (!query.prepare(sql))
            return false;
        if (before.isValid())
            query.addBindValue(before);
        for (const QVariant &value : m_source.values)
            query.addBindValue(value);
        for (qint64 id : m_insertedIds)
            query.addBindValue(id);
        if (after.isValid())
            query.addBindValue(after);
        return query.exec() && query.next();
    };
    QSqlQuery count(m_db);
    const QString counts =
        QStringLiteral("select count(case when %1<? then 1 end),count(case when %1 is null then 1 end) from %2");
    if (!run(count, counts.arg(name, rows), wanted, QVariant()))
        return -1;
    const int position = count.value(0).toInt() + (Dialect::nullsSortFirst(m_db) ? count.value(1).toInt() : 0);
    count.finish();
    if (position < from || position >= m_rows.size())
        return -1;

    // The match, and the row before it in the order: were that a match too, the scan must say
    // which of them comes first.
    QSqlQuery nearest(m_db);
    const QString upTo =
        QStringLiteral("select * from (select * from %1) as upto where %2<=? order by %2 desc limit 2");
    if (!run(nearest, upTo.arg(rows, name), QVariant(), wanted))
        return -1;
    const auto matches = [&nearest, column, wanted] {
        const QVariant cell = nearest.value(column + 1);
        return !cell.isNull() && cell.toDouble() == wanted;
    };
    if (!matches())
        return -1;
    const qint64 id = nearest.value(0).toLongLong();
    QVector<QVariant> values(m_fieldNames.size());
    for (int i = 0; i < values.size(); ++i)
        values[i] = nearest.value(i + 1);
    if (nearest.next() && matches())
        return -1;
    nearest.finish();
    // A row already read at that place must be the same job, or other counters moved the rows since.
    if (!m_rows[position].isEmpty())
        return m_rowIds[position] == id ? position : -1;
    m_rowIds[position] = id;
    m_rows.set(position, std::move(values));
    return position;
}
