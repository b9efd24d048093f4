// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/DataGrid.h"

#include "jobstore/Adodc.h"
#include "jobstore/RecordsetModel.h"
#include "platform/OwnDirectionDelegate.h"
#include "platform/Twips.h"

#include <QHeaderView>
#include <QMouseEvent>

DataGrid::DataGrid(QWidget *parent) : QTableView(parent), m_model(new RecordsetModel(this))
{
    setModel(m_model);
    setItemDelegate(new OwnDirectionDelegate(this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAlternatingRowColors(true);
    setWordWrap(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(true);
}

void DataGrid::setDataSource(Adodc *control)
{
    if (m_control)
        m_control->recordset()->disconnect(this);
    m_control = control;
    Recordset *recordset = control ? control->recordset() : nullptr;
    m_model->setRecordset(recordset);
    if (recordset) {
        connect(recordset, &Recordset::currentRowChanged, this, &DataGrid::followRecordset);
        followRecordset(recordset->AbsolutePosition() - 1);
    }
}

void DataGrid::setCaptions(const QStringList &captions)
{
    m_model->setCaptions(captions);
}

void DataGrid::setColumnWidthTwips(int column, int twips)
{
    setColumnWidth(column, Twips::toPixels(twips));
}

void DataGrid::setRowHeightTwips(int twips)
{
    // The minimum first: the style's minimum (from the font) would otherwise raise the height.
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(Twips::toPixels(twips));
}

void DataGrid::mouseDoubleClickEvent(QMouseEvent *event)
{
    QTableView::mouseDoubleClickEvent(event);
    if (indexAt(event->position().toPoint()).isValid())
        emit dblClick();
}

void DataGrid::focusInEvent(QFocusEvent *event)
{
    // Qt makes the first row current when focus arrives with none: after a delete that would hand the
    // next command a job nobody chose. The grid shows the record set's row, or none.
    m_syncing = true;
    QTableView::focusInEvent(event);
    m_syncing = false;
    if (m_control)
        followRecordset(m_control->recordset()->AbsolutePosition() - 1);
}

void DataGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    if (m_syncing || !m_control || !current.isValid())
        return;
    Recordset *recordset = m_control->recordset();
    if (recordset->AbsolutePosition() != current.row() + 1)
        recordset->setAbsolutePosition(current.row() + 1);
}

void DataGrid::followRecordset(int row)
{
    m_syncing = true;
    m_model->tellRowsTo(row);
    if (row < 0 || row >= m_model->rowCount()) {
        selectionModel()->clearCurrentIndex();
        clearSelection();
    } else {
        const int column = currentIndex().isValid() ? currentIndex().column() : 0;
        const QModelIndex target = m_model->index(row, column);
        selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        scrollTo(target);
    }
    m_syncing = false;
}
