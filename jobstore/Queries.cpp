#include "jobstore/Queries.h"

#include "jobstore/JobTable.h"
#include "jobstore/NumericText.h"

namespace Queries
{

namespace
{

const QString listColumns = QStringLiteral("select rowid,num,name,nameph,status,\"desc\" from table1 ");

// The stored text folded the way foldForSearch folds the typed text. Only the variants that the
// folded pattern can meet are replaced: each replace costs a pass over every row.
QString foldedColumn(const QString &column, const QString &foldedPattern)
{
    QString expr = column;
    const auto fold = [&expr](QChar from, QChar to) {
        expr = QStringLiteral("replace(%1,'%2','%3')").arg(expr, QString(from), QString(to));
    };
    if (foldedPattern.contains(QChar(0x064A))) {
        fold(QChar(0x06CC), QChar(0x064A)); // Persian yeh -> Arabic yeh
        fold(QChar(0x0649), QChar(0x064A)); // alef maksura -> Arabic yeh
    }
    if (foldedPattern.contains(QChar(0x06A9)))
        fold(QChar(0x0643), QChar(0x06A9)); // Arabic kaf -> keheh
    for (int d = 0; d < 10; ++d) {
        if (!foldedPattern.contains(QChar(u'0' + d)))
            continue;
        fold(QChar(0x06F0 + d), QChar(u'0' + d));
        fold(QChar(0x0660 + d), QChar(u'0' + d));
    }
    return expr;
}

} // namespace

SqlText jobList()
{
    return {listColumns + QStringLiteral("order by num asc"), {}};
}

SqlText jobListSearch(SearchField field, const QString &text)
{
    const QString folded = foldForSearch(text);
    const QString pattern = containsPattern(folded);
    switch (field) {
    case SearchField::ReceiptNumber:
        return {listColumns + QStringLiteral("where num LIKE ? ESCAPE '\\' order by num asc"), {pattern}};
    case SearchField::CustomerName:
        return {listColumns + QStringLiteral("where %1 LIKE ? ESCAPE '\\' order by num asc")
                                  .arg(foldedColumn(QStringLiteral("name"), folded)),
                {pattern}};
    case SearchField::DeviceModel:
        return {listColumns + QStringLiteral("where %1 LIKE ? ESCAPE '\\' order by num asc")
                                  .arg(foldedColumn(QStringLiteral("nameph"), folded)),
                {pattern}};
    }
    return jobList();
}

SqlText allJobs()
{
    return {QStringLiteral("select rowid,* from table1 order by num asc"), {}};
}

SqlText dueBy(int dateNumber)
{
    return {QStringLiteral("select rowid,num,name,nameph,status from table1 where (dateout<=?)"
                           "and(not(status LIKE ? ESCAPE '\\'))order by num asc"),
            {dateNumber, containsPattern(JobTable::statusDelivered())}};
}

QString containsPattern(const QString &text)
{
    QString escaped;
    escaped.reserve(text.size() + 2);
    escaped += u'%';
    for (QChar ch : text) {
        if (ch == u'%' || ch == u'_' || ch == u'\\')
            escaped += u'\\';
        escaped += ch;
    }
    escaped += u'%';
    return escaped;
}

QString foldForSearch(const QString &text)
{
    QString folded = NumericText::toAsciiDigits(text);
    for (QChar &ch : folded) {
        if (ch.unicode() == 0x06CC || ch.unicode() == 0x0649)
            ch = QChar(0x064A);
        else if (ch.unicode() == 0x0643)
            ch = QChar(0x06A9);
    }
    return folded;
}

} // namespace Queries
