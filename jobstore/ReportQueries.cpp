#include "jobstore/ReportQueries.h"

#include "jobstore/Queries.h"

namespace Queries
{

SqlText report(double fromDate, qint64 toDate, const QString &statusFilter, const QString &technicianFilter)
{
    QString sql = QStringLiteral("select rowid,num,name,nameph,datein,dateout,service,panel,panelp,endp,status "
                                 "from table1 where (datein>=?)and(datein<=?)and(status LIKE ? ESCAPE '\\')");
    QVariantList values = {fromDate, toDate, containsPattern(statusFilter)};
    if (!technicianFilter.isEmpty()) {
        sql += QStringLiteral("and(service LIKE ? ESCAPE '\\')");
        values << containsPattern(technicianFilter);
    }
    sql += QStringLiteral("order by num asc");
    return {sql, values};
}

} // namespace Queries
