// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/Recordset.h"

#include "jobstore/JobTable.h"
#include "jobstore/server/Dialect.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

// A record set's fields, and the new, changed and deleted rows written back by their row id.

QVariant Recordset::Fields(int index) const
{
    if (index < 0 || index >= m_fieldNames.size())
        return QVariant();
    if (m_editing)
        return m_pending[index];
    if (m_currentDeleted || !ensureLoaded(m_index))
        return QVariant();
    return m_rows[m_index][index];
}

bool Recordset::setField(int index, const QVariant &value)
{
    if (index < 0 || index >= m_fieldNames.size())
        return fail(tr("No column %1").arg(index));
    if (!m_editing) {
        if (m_currentDeleted || IsEOF() || IsBOF() || !ensureLoaded(m_index))
            return fail(tr("No current row"));
        m_editing = true;
        m_adding = false;
        m_pending = m_rows[m_index];
        m_dirty = QVector<bool>(m_fieldNames.size(), false);
    }
    m_pending[index] = value;
    m_dirty[index] = true;
    return true;
}

QVariant Recordset::value(int row, int index) const
{
    if (index < 0 || index >= m_fieldNames.size() || !ensureLoaded(row))
        return QVariant();
    return m_rows[row][index];
}

bool Recordset::AddNew()
{
    if (!m_open)
        return fail(tr("The record set is not open"));
    // A row added is held at the end, which must be known first.
    if (!ensureAllKeys())
        return false;
    if (!commitBeforeMove())
        return false;
    m_editing = true;
    m_adding = true;
    m_pending = QVector<QVariant>(m_fieldNames.size());
    m_dirty = QVector<bool>(m_fieldNames.size(), false);
    return true;
}

bool Recordset::Update()
{
    if (!m_editing)
        return true;
    // The driver calls a connection whose line broke closed; the save must hear why.
    if (!m_db.isOpen())
        return fail(tr("The connection is closed"),
                    Dialect::isServer(m_db) ? StorageFault::NoAnswer : StorageFault::Other);
    QStringList columns;
    QVariantList values;
    for (int i = 0; i < m_fieldNames.size(); ++i) {
        if (!m_dirty[i])
            continue;
        columns << QStringLiteral("\"%1\"").arg(m_fieldNames[i]);
        values << m_pending[i];
    }

    QString sql;
    if (m_adding) {
        sql = columns.isEmpty()
                  ? QStringLiteral("insert into %1 default values").arg(m_table)
                  : QStringLiteral("insert into %1 (%2) values (%3)")
                        .arg(m_table, columns.join(u','), QStringList(columns.size(), QStringLiteral("?")).join(u','));
    } else {
        if (columns.isEmpty()) {
            m_editing = false;
            return true;
        }
        for (QString &column : columns)
            column += QStringLiteral("=?");
        sql = QStringLiteral("update %1 set %2 where rowid=?").arg(m_table, columns.join(u','));
        values << m_rowIds[m_index];
    }
    if (m_adding)
        sql = Dialect::insertReturningKey(m_db, sql);
    QSqlQuery query(m_db);
    if (!writePending(sql, values, query))
        return false;

    // Read the row back so the record set holds what the database now holds.
    qint64 rowId = m_adding ? query.lastInsertId().toLongLong() : m_rowIds[m_index];
    if (m_adding && Dialect::isServer(m_db) && query.next())
        rowId = query.value(0).toLongLong();
    QSqlQuery readBack(m_db);
    QVector<QVariant> stored = m_pending;
    if (readRow(readBack, rowId, false)) {
        for (int i = 0; i < stored.size(); ++i)
            stored[i] = readBack.value(i);
    }

    m_editing = false;
    if (m_adding) {
        m_adding = false;
        m_rows.append(stored);
        m_rowIds.append(rowId);
        m_insertedIds.append(rowId);
        m_count = int(m_rows.size());
        const int row = int(m_rows.size()) - 1;
        emit rowInserted(row);
        m_index = row;
        emit currentRowChanged(row);
    } else {
        m_rows.set(m_index, stored);
        emit rowChanged(m_index);
    }
    m_lastError.clear();
    m_lastFault = StorageFault::None;
    return true;
}

void Recordset::CancelUpdate()
{
    m_editing = false;
    m_adding = false;
}

bool Recordset::Delete()
{
    if (m_editing && m_adding) {
        CancelUpdate();
        return true;
    }
    if (m_currentDeleted)
        return fail(tr("The row is already deleted"));
    if (IsEOF() || IsBOF() || !ensureLoaded(m_index) || !ensureCounted())
        return fail(tr("No current row"));
    QSqlQuery query(m_db);
    if (!query.prepare(QStringLiteral("delete from %1 where rowid=?").arg(m_table)))
        return failWith(query.lastError());
    query.addBindValue(m_rowIds[m_index]);
    if (!query.exec())
        return failWith(query.lastError());
    m_editing = false;
    const int row = m_index;
    // No other row becomes current: a second delete must not reach a job nobody chose. The grid
    // lets go of the row before it goes, so it does not pick a neighbour for itself, and hears of
    // the removal while the rows are still as it knew them.
    m_currentDeleted = true;
    emit currentRowChanged(-1);
    emit rowAboutToBeRemoved(row);
    m_rows.remove(row);
    m_rowIds.remove(row);
    m_count = int(m_rows.size());
    emit rowRemoved(row);
    return true;
}

bool Recordset::writePending(const QString &sql, const QVariantList &values, QSqlQuery &query)
{
    const int unique = m_uniqueColumn;
    bool numberCheck = unique >= 0 && unique < m_dirty.size() && m_dirty[unique];
    if (numberCheck && !m_adding) {
        const QVariant before = m_rows[m_index][unique];
        numberCheck =
            before.isNull() || m_pending[unique].isNull() || before.toDouble() != m_pending[unique].toDouble();
    }
    // The checks and the write share one write transaction, taken before the checks read. A change
    // is written only over the row as this record set read it: another counter's save in between
    // would otherwise be undone without anyone knowing.
    const bool guarded = numberCheck || !m_adding;
    if (guarded && !query.exec(Dialect::beginWrite(m_db)))
        return failWith(query.lastError());
    const auto rollBack = [this, guarded] {
        if (guarded)
            QSqlQuery(m_db).exec(QStringLiteral("rollback"));
    };
    if (!m_adding && !rowUnchanged()) {
        rollBack();
        return false;
    }
    if (numberCheck) {
        QSqlQuery check(m_db);
        check.prepare(
            QStringLiteral("select count(*) from %1 where \"%2\"=? and rowid<>?").arg(m_table, m_fieldNames[unique]));
        check.addBindValue(m_pending[unique]);
        check.addBindValue(m_adding ? qint64(-1) : m_rowIds[m_index]);
        if (!check.exec() || !check.next()) {
            const QSqlError error = check.lastError();
            check.finish();
            rollBack();
            return failWith(error);
        }
        const bool taken = check.value(0).toLongLong() > 0;
        check.finish();
        if (taken) {
            rollBack();
            return fail(tr("Another row already holds %1").arg(m_pending[unique].toString()),
                        StorageFault::NumberTaken);
        }
    }
    if (!query.prepare(sql)) {
        const QSqlError error = query.lastError();
        rollBack();
        return failWith(error);
    }
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (!query.exec()) {
        const QSqlError error = query.lastError();
        rollBack();
        return failWith(error);
    }
    if (!m_adding && query.numRowsAffected() != 1) {
        rollBack();
        return fail(tr("The row is no longer in the table"), StorageFault::Gone);
    }
    if (guarded) {
        QSqlQuery commit(m_db);
        if (!commit.exec(QStringLiteral("commit"))) {
            const QSqlError error = commit.lastError();
            rollBack();
            return failWith(error);
        }
    }
    return true;
}

bool Recordset::readRow(QSqlQuery &query, qint64 rowId, bool forUpdate) const
{
    QStringList quoted;
    for (const QString &name : m_fieldNames)
        quoted << QStringLiteral("\"%1\"").arg(name);
    query.setForwardOnly(true);
    QString sql = QStringLiteral("select %1 from %2 where rowid=?").arg(quoted.join(u','), m_table);
    if (forUpdate)
        sql = Dialect::lockingRead(m_db, sql);
    query.prepare(sql);
    query.addBindValue(rowId);
    return query.exec() && query.next();
}

bool Recordset::rowUnchanged()
{
    QSqlQuery read(m_db);
    if (!readRow(read, m_rowIds[m_index], true)) {
        if (read.lastError().isValid())
            return failWith(read.lastError());
        return fail(tr("The row is no longer in the table"), StorageFault::Gone);
    }
    const QVector<QVariant> &loaded = m_rows[m_index];
    m_storedRow.resize(m_fieldNames.size());
    m_changedElsewhere.clear();
    for (int i = 0; i < m_storedRow.size(); ++i) {
        m_storedRow[i] = read.value(i);
        const QVariant &before = loaded[i];
        if (before.isNull() != m_storedRow[i].isNull() || (!before.isNull() && before != m_storedRow[i]))
            m_changedElsewhere << i;
    }
    read.finish();
    if (!m_changedElsewhere.isEmpty())
        return fail(tr("Another connection changed the row since it was read"), StorageFault::ChangedElsewhere);
    return true;
}

void Recordset::acceptStoredRow()
{
    if (m_storedRow.size() != m_fieldNames.size() || m_index < 0 || m_index >= m_rows.size())
        return;
    m_rows.set(m_index, m_storedRow);
    if (m_editing && !m_adding) {
        // Columns left alone keep following the row as it is stored.
        for (int i = 0; i < m_pending.size(); ++i) {
            if (!m_dirty[i])
                m_pending[i] = m_storedRow[i];
        }
    }
    m_changedElsewhere.clear();
}
bool Recordset::fail(const QString &message, StorageFault fault)
{
    m_lastError = message;
    m_lastFault = fault;
    return false;
}

bool Recordset::failWith(const QSqlError &error)
{
    return fail(error.text(), Dialect::faultOf(error, m_db));
}
