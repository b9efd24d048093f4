// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTableView>

class Adodc;
class RecordsetModel;

// A grid bound to a data control: shows its record set's rows and columns and keeps the grid's
// current row and the record set's current row the same, whichever side moves.
class DataGrid : public QTableView
{
    Q_OBJECT

public:
    explicit DataGrid(QWidget *parent = nullptr);

    void setDataSource(Adodc *control);
    Adodc *dataSource() const { return m_control; }

    void setCaptions(const QStringList &captions);
    void setColumnWidthTwips(int column, int twips);
    void setRowHeightTwips(int twips);

signals:
    void dblClick();

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

private:
    void followRecordset(int row);

    Adodc *m_control = nullptr;
    RecordsetModel *m_model;
    bool m_syncing = false;
};
