// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/Queries.h"

#include "jobstore/DateNumber.h"
#include "jobstore/JobTable.h"
#include "jobstore/NumericText.h"

#include <limits>

namespace Queries
{

namespace
{

const QString listColumns = QStringLiteral("select rowid,num,name,nameph,status,\"desc\" from table1 ");

} // namespace

SqlText jobList()
{
    return {listColumns + QStringLiteral("order by num asc"), {}};
}

SqlText jobListSearch(SearchField field, const QString &text)
{
    // Every text contains the empty one: the rows with a value, found without folding each of them,
    // so that counting a million for the list's last row is quick.
    if (foldForSearch(text).isEmpty()) {
        static const char *const columns[] = {"num", "name", "nameph"};
        return {listColumns +
                    QStringLiteral("where %1 is not null order by num asc").arg(QLatin1String(columns[int(field)])),
                {}};
    }
    SqlText search{listColumns + QStringLiteral("where %1 order by num asc").arg(SqlText::searchMark()), {}};
    search.searchColumn = int(field);
    search.searchText = field == SearchField::ReceiptNumber ? foldForSearch(text) : withoutBlanks(foldForSearch(text));
    return search;
}

QString plainContains(SearchField field, const QString &folded)
{
    switch (field) {
    case SearchField::ReceiptNumber:
        return QStringLiteral("(cast(num as text) LIKE ? ESCAPE '\\')");
    case SearchField::CustomerName:
        return QStringLiteral("(%1 LIKE ? ESCAPE '\\')")
            .arg(foldedColumn(unblankedColumn(QStringLiteral("name")), folded));
    case SearchField::DeviceModel:
        return QStringLiteral("(%1 LIKE ? ESCAPE '\\')")
            .arg(foldedColumn(unblankedColumn(QStringLiteral("nameph")), folded));
    }
    return QStringLiteral("(0)");
}

SqlText allJobs()
{
    // Named, not "*": the server's table holds its key column among the others.
    QStringList columns;
    for (const QString &name : JobTable::columnNames())
        columns << QStringLiteral("\"%1\"").arg(name);
    return {QStringLiteral("select rowid,%1 from table1 order by num asc").arg(columns.join(u',')), {}};
}

QString openJobs()
{
    // Our own constants, written into the text: an index limited to the open jobs serves only a
    // query whose condition reads exactly as its own.
    const QString delivered = containsPattern(foldForSearch(JobTable::statusDelivered()));
    return QStringLiteral("(not(status LIKE '%1' ESCAPE '\\'))and(trim(status)<>'')and(not(%2 LIKE '%1' ESCAPE '\\'))")
        .arg(delivered, foldedColumn(QStringLiteral("status"), delivered));
}

SqlText jobNumbered(double receiptNumber)
{
    SqlText job = allJobs();
    job.sql.replace(QStringLiteral(" order by"), QStringLiteral(" where num=? order by"));
    job.values << receiptNumber;
    return job;
}

SqlText dueBy(int dateNumber)
{
    QVariantList values;
    // Read through the index of the open jobs in receipt-number order ("+" keeps the planner off
    // the date index, which would read nearly every job).
    const QString due = dateBetween(QStringLiteral("+dateout"), std::nullopt, dateNumber, values);
    // The plain test settles the usual stored spelling before the folding has to run.
    return {QStringLiteral("select rowid,num,name,nameph,status from table1 where %1and%2order by num asc")
                .arg(due, openJobs()),
            values};
}

// Only the variants that the folded pattern can meet are replaced: each replace costs a pass over
// every row.
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

QString dateBetween(const QString &column, std::optional<qint64> from, std::optional<qint64> to, QVariantList &values)
{
    const qint64 lowest = std::numeric_limits<qint64>::min();
    const qint64 highest = std::numeric_limits<qint64>::max();
    const qint64 fromKey = from ? DateNumber::calendarKey(*from) : lowest;
    const qint64 toKey = to ? DateNumber::calendarKey(*to) : highest;
    // The stored numbers fall in three runs, each in calendar order within itself: no date, the
    // 1400s (shifted past the 1300s by calendarKey) and the 1300s.
    struct Run {
        qint64 first, last, shift;
    };
    const Run runs[] = {{lowest, 0, 0},
                        {1, DateNumber::firstOf1300s - 1, DateNumber::centuryShift},
                        {DateNumber::firstOf1300s, highest, 0}};
    QStringList ranges;
    for (const Run &run : runs) {
        const qint64 first = std::max(fromKey, run.first + run.shift);
        const qint64 last = std::min(toKey, run.last + run.shift);
        if (first > last)
            continue;
        ranges << QStringLiteral("(%1 between ? and ?)").arg(column);
        values << first - run.shift << last - run.shift;
    }
    if (ranges.isEmpty())
        return QStringLiteral("(0)");
    return QStringLiteral("(%1)").arg(ranges.join(QStringLiteral("or")));
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
    // SQLite's LIKE stops at a NUL, which would make the rest of the pattern match anything.
    folded.remove(QChar(0));
    for (QChar &ch : folded) {
        if (ch.unicode() == 0x06CC || ch.unicode() == 0x0649)
            ch = QChar(0x064A);
        else if (ch.unicode() == 0x0643)
            ch = QChar(0x06A9);
    }
    return folded;
}

QString withoutBlanks(QString text)
{
    text.remove(u' ');
    text.remove(QChar(0x200C));
    return text;
}

QString unblankedColumn(const QString &column)
{
    return QStringLiteral("replace(replace(%1,' ',''),'%2','')").arg(column, QChar(0x200C));
}

SqlText highestNumber()
{
    return {QStringLiteral("select 0,max(num) from table1"), {}};
}

} // namespace Queries
