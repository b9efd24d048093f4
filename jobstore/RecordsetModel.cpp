// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/RecordsetModel.h"

#include "jobstore/Recordset.h"

RecordsetModel::RecordsetModel(QObject *parent) : QAbstractTableModel(parent)
{
    m_step.setSingleShot(true);
    m_step.setInterval(0);
    connect(&m_step, &QTimer::timeout, this, &RecordsetModel::tellNextStep);
}

void RecordsetModel::setRecordset(Recordset *recordset)
{
    beginResetModel();
    if (m_recordset)
        m_recordset->disconnect(this);
    m_recordset = recordset;
    m_step.stop();
    m_rows = recordset ? recordset->availableCount() : 0;
    m_appendedTo = m_rows;
    // The record set changes before it tells; the grid must hear of a change while the model still
    // holds the rows it had, so the model keeps its own count.
    if (recordset) {
        connect(recordset, &Recordset::aboutToReset, this, [this] {
            m_step.stop();
            beginResetModel();
        });
        connect(recordset, &Recordset::reset, this, [this] {
            m_rows = m_recordset->availableCount();
            m_appendedTo = m_rows;
            endResetModel();
        });
        // A row added or removed while appended rows wait: the grid first hears of all of them, so the
        // row's place means the same to both.
        connect(recordset, &Recordset::rowInserted, this, [this](int row) {
            tellRows(m_appendedTo);
            beginInsertRows(QModelIndex(), row, row);
            m_appendedTo = ++m_rows;
            endInsertRows();
        });
        connect(recordset, &Recordset::rowsAppended, this, [this](int, int last) {
            m_appendedTo = last + 1;
            tellNextStep();
        });
        connect(recordset, &Recordset::rowAboutToBeRemoved, this, [this](int row) {
            tellRows(m_appendedTo);
            beginRemoveRows(QModelIndex(), row, row);
        });
        connect(recordset, &Recordset::rowRemoved, this, [this] {
            m_appendedTo = --m_rows;
            endRemoveRows();
        });
        connect(recordset, &Recordset::rowChanged, this, [this](int row) {
            if (row < m_rows)
                emit dataChanged(index(row, 0), index(row, columnCount() - 1));
        });
    }
    endResetModel();
}

void RecordsetModel::tellRows(int count)
{
    if (count <= m_rows)
        return;
    beginInsertRows(QModelIndex(), m_rows, count - 1);
    m_rows = count;
    endInsertRows();
}

void RecordsetModel::tellNextStep()
{
    tellRows(std::min(m_appendedTo, m_rows + m_rowsPerStep));
    if (m_rows < m_appendedTo)
        m_step.start();
}

void RecordsetModel::tellRowsTo(int row)
{
    tellRows(std::min(m_appendedTo, row + 1));
    if (m_rows >= m_appendedTo)
        m_step.stop();
}

void RecordsetModel::setCaptions(const QStringList &captions)
{
    m_captions = captions;
    if (columnCount() > 0)
        emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

int RecordsetModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() || !m_recordset ? 0 : m_rows;
}

int RecordsetModel::columnCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    // Before the first query the grid still shows its captioned columns.
    const int fields = m_recordset ? m_recordset->fieldCount() : 0;
    return fields > 0 ? fields : int(m_captions.size());
}

QVariant RecordsetModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || !m_recordset)
        return QVariant();
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return m_recordset->value(index.row(), index.column());
    return QVariant();
}

QVariant RecordsetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Vertical)
        return QVariant();
    if (section < m_captions.size())
        return m_captions.at(section);
    return m_recordset ? m_recordset->fieldName(section) : QVariant();
}
