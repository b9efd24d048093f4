// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

// The one table of the job database, its columns in stored order, and the status texts.
namespace JobTable
{

enum Column {
    Num,
    Name,
    NamePh,
    Serial,
    Tel,
    DateIn,
    DateOut,
    Warranty,
    MinP,
    Deposit,
    Accessory,
    Service,
    Panel,
    PanelP,
    EndP,
    Status,
    Desc,
    ColumnCount
};

QString tableName();
const QStringList &columnNames();
bool isNumberColumn(int column);

QString statusUnderRepair(); // "در حال تعمير"
QString statusRepaired();
QString statusUnrepairable();
QString statusDelivered();
QStringList statusTexts();

// The job columns in stored order, each quoted, for a select list.
QString quotedColumns();
// An insert of `rows` jobs, the 17 values of each bound in stored order, row after row.
QString insertStatement(int rows = 1);

// The SQL that makes an empty job database.
QStringList createStatements();
// Indexes for the list order, the report range and the due-by count; safe to run again.
QStringList indexStatements();
// The name of the index one of indexStatements() makes.
QString indexName(const QString &statement);

} // namespace JobTable
