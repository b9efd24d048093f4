// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/RecordsetModel.h"

#include "jobstore/Recordset.h"

RecordsetModel::RecordsetModel(QObject *parent) : QAbstractTableModel(parent) {}

void RecordsetModel::setRecordset(Recordset *recordset)
{
    beginResetModel();
    if (m_recordset)
        m_recordset->disconnect(this);
    m_recordset = recordset;
    m_rows = recordset ? recordset->availableCount() : 0;
    // The record set changes before it tells; the grid must hear of a change while the model still
    // holds the rows it had, so the model keeps its own count.
    if (recordset) {
        connect(recordset, &Recordset::aboutToReset, this, &RecordsetModel::beginResetModel);
        connect(recordset, &Recordset::reset, this, [this] {
            m_rows = m_recordset->availableCount();
            endResetModel();
        });
        connect(recordset, &Recordset::rowInserted, this, [this](int row) {
            beginInsertRows(QModelIndex(), row, row);
            ++m_rows;
            endInsertRows();
        });
        connect(recordset, &Recordset::rowsAppended, this, [this](int first, int last) {
            beginInsertRows(QModelIndex(), first, last);
            m_rows = last + 1;
            endInsertRows();
        });
        connect(recordset, &Recordset::rowAboutToBeRemoved, this,
                [this](int row) { beginRemoveRows(QModelIndex(), row, row); });
        connect(recordset, &Recordset::rowRemoved, this, [this] {
            --m_rows;
            endRemoveRows();
        });
        connect(recordset, &Recordset::rowChanged, this,
                [this](int row) { emit dataChanged(index(row, 0), index(row, columnCount() - 1)); });
    }
    endResetModel();
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
