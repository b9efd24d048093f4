// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractTableModel>
#include <QPointer>
#include <QStringList>

class Recordset;

// Shows a record set in a grid, with the captions a window gives its columns.
class RecordsetModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit RecordsetModel(QObject *parent = nullptr);

    void setRecordset(Recordset *recordset);
    Recordset *recordset() const { return m_recordset; }
    void setCaptions(const QStringList &captions);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QPointer<Recordset> m_recordset;
    int m_rows = 0;
    QStringList m_captions;
};
