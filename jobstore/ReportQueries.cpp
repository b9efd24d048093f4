// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/ReportQueries.h"

#include "jobstore/Queries.h"

namespace Queries
{

SqlText report(double fromDate, qint64 toDate, const QString &statusFilter, const QString &technicianFilter)
{
    QVariantList values;
    const std::optional<qint64> from = fromDate > 0 ? std::optional<qint64>(qint64(fromDate)) : std::nullopt;
    const std::optional<qint64> to = toDate > 0 && toDate < openEnd ? std::optional<qint64>(toDate) : std::nullopt;
    // Every date: read in the receipt-number index's order ("+" keeps the planner off the date
    // index), as sorting a million jobs first holds the window for seconds and the sort's memory
    // long after.
    const bool everyDate = !from && !to;
    QString sql =
        QStringLiteral("select rowid,num,name,nameph,datein,dateout,service,panel,panelp,endp,status "
                       "from table1 where %1")
            .arg(dateBetween(everyDate ? QStringLiteral("+datein") : QStringLiteral("datein"), from, to, values));
    const QString status = foldForSearch(statusFilter);
    sql += QStringLiteral("and(%1 LIKE ? ESCAPE '\\')").arg(foldedColumn(QStringLiteral("status"), status));
    values << containsPattern(status);
    if (!technicianFilter.isEmpty()) {
        const QString technician = foldForSearch(technicianFilter);
        sql += QStringLiteral("and(%1 LIKE ? ESCAPE '\\')").arg(foldedColumn(QStringLiteral("service"), technician));
        values << containsPattern(technician);
    }
    // Sorted as numbers, not read in the receipt-number index's order: the server would otherwise
    // walk the numbers from the first to reach a late month's jobs, where sorting the month read
    // through the date index is far quicker. The row id settles rows without a number.
    sql += everyDate ? QStringLiteral("order by num asc,rowid asc") : QStringLiteral("order by num+0 asc,rowid asc");
    return {sql, values};
}

namespace
{

QString unordered(const SqlText &report)
{
    QString rows = report.sql;
    rows.truncate(rows.lastIndexOf(QStringLiteral("order by")));
    return rows;
}

} // namespace

SqlText reportTotals(const SqlText &report)
{
    // Summed where the rows are: a busy month's thousands of rows need not cross to the window.
    return {QStringLiteral("select 0,count(*),sum(panelp),sum(endp) from (%1) as source").arg(unordered(report)),
            report.values};
}

SqlText reportDays(const SqlText &report)
{
    // By day, not by month: the date index gives the days in order, where grouping by a month
    // computed from the date would sort every row of the report first.
    return {QStringLiteral("select 0,datein,count(*),sum(panelp),sum(endp) from (%1) as source group by datein")
                .arg(unordered(report)),
            report.values};
}

} // namespace Queries
