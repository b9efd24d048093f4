// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/JobTable.h"

#include "jobstore/Queries.h"

#include <QRegularExpression>

namespace JobTable
{

QString tableName()
{
    return QStringLiteral("table1");
}

const QStringList &columnNames()
{
    static const QStringList names = {
        QStringLiteral("num"),   QStringLiteral("name"),    QStringLiteral("nameph"),    QStringLiteral("serial"),
        QStringLiteral("tel"),   QStringLiteral("datein"),  QStringLiteral("dateout"),   QStringLiteral("warranty"),
        QStringLiteral("minp"),  QStringLiteral("deposit"), QStringLiteral("accessory"), QStringLiteral("service"),
        QStringLiteral("panel"), QStringLiteral("panelp"),  QStringLiteral("endp"),      QStringLiteral("status"),
        QStringLiteral("desc"),
    };
    return names;
}

bool isNumberColumn(int column)
{
    switch (column) {
    case Num:
    case DateIn:
    case DateOut:
    case MinP:
    case Deposit:
    case PanelP:
    case EndP:
        return true;
    default:
        return false;
    }
}

QString statusUnderRepair()
{
    return QStringLiteral("در حال تعمير");
}

QString statusRepaired()
{
    return QStringLiteral("تعمير شده");
}

QString statusUnrepairable()
{
    return QStringLiteral("غير قابل تعمير");
}

QString statusDelivered()
{
    return QStringLiteral("تحويل شده");
}

QStringList statusTexts()
{
    return {statusUnderRepair(), statusRepaired(), statusUnrepairable(), statusDelivered()};
}

QString quotedColumns()
{
    QStringList quoted;
    for (const QString &name : columnNames())
        quoted << QStringLiteral("\"%1\"").arg(name);
    return quoted.join(u',');
}

QString insertStatement(int rows)
{
    const QString row = QStringLiteral("(%1)").arg(QStringList(ColumnCount, QStringLiteral("?")).join(u','));
    return QStringLiteral("insert into table1 (%1) values %2").arg(quotedColumns(), QStringList(rows, row).join(u','));
}

QStringList createStatements()
{
    // NUMERIC affinity stores 5.0 as the integer 5, so it reads back and matches LIKE as "5".
    QStringList columns;
    for (int i = 0; i < ColumnCount; ++i)
        columns << QStringLiteral("\"%1\" %2")
                       .arg(columnNames().at(i),
                            isNumberColumn(i) ? QStringLiteral("NUMERIC") : QStringLiteral("TEXT"));
    return {QStringLiteral("CREATE TABLE table1 (%1)").arg(columns.join(QStringLiteral(", ")))};
}

QStringList indexStatements()
{
    return {
        QStringLiteral("CREATE INDEX IF NOT EXISTS table1_num ON table1 (num)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS table1_datein ON table1 (datein)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS table1_dateout ON table1 (dateout)"),
        // The reminders and the due count read only the jobs not yet delivered, in receipt order.
        QStringLiteral("CREATE INDEX IF NOT EXISTS table1_open ON table1 (num,dateout) WHERE %1")
            .arg(Queries::openJobs()),
    };
}

QString indexName(const QString &statement)
{
    static const QRegularExpression name(QStringLiteral(R"(INDEX IF NOT EXISTS (\w+))"));
    return name.match(statement).captured(1);
}

} // namespace JobTable
