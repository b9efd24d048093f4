// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractTableModel>
#include <QPointer>
#include <QStringList>
#include <QTimer>

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
    // A grid's header takes each row it hears of as a section of its own: a million rows told at once
    // hold the window for a tenth of a second or more, so long appends are told this many at a time,
    // the rest on the next turns of the event loop.
    void setRowsPerStep(int rows) { m_rowsPerStep = qMax(1, rows); }
    // Tells the grid at once of the rows up to `row`, so that row can be shown.
    void tellRowsTo(int row);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    void tellRows(int count);
    void tellNextStep();

    QPointer<Recordset> m_recordset;
    int m_rows = 0;       // the rows the grid has heard of
    int m_appendedTo = 0; // the rows the record set has appended, told or not
    int m_rowsPerStep = 65536;
    QTimer m_step;
    QStringList m_captions;
};
