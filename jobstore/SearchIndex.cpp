// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/SearchIndex.h"

#include "jobstore/Queries.h"
#include "jobstore/server/Dialect.h"

#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <cmath>

namespace SearchIndex
{

namespace
{

struct Indexed {
    Column column;
    const char *table;       // the job file's index table
    const char *source;      // table1's column
    const char *serverIndex; // the server's index
};

// Names and models are indexed without their blanks; their indexes took new names when they did,
// so a file or server still holding the old ones has them replaced when it is opened.
constexpr Indexed indexed[] = {
    {Column::Number, "search_num", "num", "table1_num_trigrams"},
    {Column::Name, "search_name_unblanked", "name", "table1_name_unblanked_trigrams"},
    {Column::Model, "search_model_unblanked", "nameph", "table1_nameph_unblanked_trigrams"},
};
constexpr const char *formerFileTables[] = {"search_name", "search_model"};
constexpr const char *formerServerIndexes[] = {"table1_name_trigrams", "table1_nameph_trigrams"};

const Indexed &entryFor(Column column)
{
    return indexed[int(column)];
}

// What the index holds for a row: the text a search compares, folded whatever the pattern.
QString fileIndexedText(const Indexed &entry, const QString &row)
{
    if (entry.column == Column::Number)
        return QStringLiteral("cast(%1.num as text)").arg(row);
    return Queries::foldedColumn(
        Queries::unblankedColumn(QStringLiteral("%1.\"%2\"").arg(row, QLatin1String(entry.source))),
        QStringLiteral("%1%2%3").arg(QChar(0x064A), QChar(0x06A9), QStringLiteral("0123456789")));
}

// The server folds with translate(), one pass; the expression must read exactly as its index does.
QString serverFolded(const QString &column)
{
    QString from = QStringLiteral("%1%2%3").arg(QChar(0x06CC), QChar(0x0649), QChar(0x0643));
    QString to = QStringLiteral("%1%1%2").arg(QChar(0x064A), QChar(0x06A9));
    for (int d = 0; d < 10; ++d) {
        from += QChar(0x06F0 + d);
        to += QChar(u'0' + d);
    }
    for (int d = 0; d < 10; ++d) {
        from += QChar(0x0660 + d);
        to += QChar(u'0' + d);
    }
    return QStringLiteral("translate(%1,'%2','%3')").arg(column, from, to);
}

QString serverIndexed(Column column)
{
    if (column == Column::Number)
        return QStringLiteral("cast(num as text)");
    return QStringLiteral("lower(%1)")
        .arg(serverFolded(Queries::unblankedColumn(QLatin1String(entryFor(column).source))));
}

// PostgreSQL prices the folding expression as five cheap operators, so for a text a few thousand jobs
// share it walks the number index past tens of thousands of them (about 90 ms at a million) where
// reading the rows found and sorting them takes 30. A condition it prices high on every row moves
// its choice to where each form really pays: the function sits behind "rowid is not null", always
// true, so it never runs. Not parallel safe: a worker takes longer to start than a page to read.
constexpr const char *serverHint = "velmora_searched";
const QString serverHintMade = QStringLiteral(
    "create or replace function velmora_searched(bigint) returns boolean language plpgsql immutable cost 1000 as "
    "$$begin return true; end$$");

// A server whose owner has not opened it since the hint came searches without it. Asked each time, as
// a database made again under its name would not have it.
bool serverHasHint(const QSqlDatabase &db)
{
    QSqlQuery query(db);
    return query.exec(QStringLiteral("select 1 from pg_proc where proname='%1' and pronamespace=current_schema()::"
                                     "regnamespace")
                          .arg(QLatin1String(serverHint))) &&
           query.next();
}

bool hasTable(const QSqlDatabase &db, const QString &name)
{
    QSqlQuery query(db);
    query.prepare(QStringLiteral("select 1 from sqlite_master where type='table' and name=?"));
    query.addBindValue(name);
    return query.exec() && query.next();
}

// A trigram table knows a row by the trigrams it holds, not where they stand, and the search's own
// test settles the rest: trigrams that cover the text side by side narrow nearly as well as every
// overlapping one, and the frequent ones between them ("ي ر" of "علي رضا") cost the most to read.
QString trigramQuery(const QString &folded)
{
    QStringList trigrams;
    QSet<QString> seen;
    const QList<uint> points = folded.toUcs4();
    QList<qsizetype> starts;
    for (qsizetype i = 0; i + 3 <= points.size(); i += 3)
        starts << i;
    if (points.size() % 3 != 0)
        starts << points.size() - 3;
    for (qsizetype i : starts) {
        QString trigram = QString::fromUcs4(reinterpret_cast<const char32_t *>(points.constData() + i), 3);
        if (seen.contains(trigram))
            continue;
        seen.insert(trigram);
        trigram.replace(u'"', QStringLiteral("\"\""));
        trigrams << u'"' + trigram + u'"';
    }
    return trigrams.join(QStringLiteral(" AND "));
}

// How the first page of a search is best found, from how many rows hold its trigrams (m of n jobs):
// fetching those rows apart and sorting them costs in proportion to m; walking the jobs in number
// order and folding each, to 256·n/m; walking in order while testing each job against the index's
// rows as a set, to a little of both. Measured on a million jobs, fetching is quickest below some
// 3,600 rows (√(13·n)) and folding above some 37,000 (√(1400·n)).
struct Bounds {
    qint64 fetched; // at most this many rows: fetch them
    qint64 tested;  // at most this many: walk in order, testing the set
};

Bounds boundsFor(const QSqlDatabase &db)
{
    QSqlQuery size(db);
    const double jobs =
        size.exec(QStringLiteral("select max(rowid) from table1")) && size.next() ? size.value(0).toDouble() : 0;
    const qint64 fetched = std::clamp<qint64>(qint64(std::sqrt(13.0 * jobs)), 1000, 20000);
    return {fetched, std::clamp<qint64>(qint64(std::sqrt(1400.0 * jobs)), fetched, 150000)};
}

// Its triggers first: a trigger left behind its table would fail every save.
void dropFileTable(const QSqlDatabase &db, const QString &table)
{
    QSqlQuery query(db);
    for (const char *event : {"insert", "delete", "update"})
        query.exec(QStringLiteral("drop trigger if exists %1_%2").arg(table, QLatin1String(event)));
    query.exec(QStringLiteral("drop table if exists %1").arg(table));
}

} // namespace

int missingFromFile(const QSqlDatabase &db)
{
    return int(std::count_if(std::begin(indexed), std::end(indexed),
                             [&db](const Indexed &entry) { return !hasTable(db, QLatin1String(entry.table)); }));
}

void prepareFile(QSqlDatabase db, const std::function<void()> &stepDone)
{
    for (const char *former : formerFileTables)
        dropFileTable(db, QLatin1String(former));
    for (const Indexed &entry : indexed) {
        const QString table = QLatin1String(entry.table);
        if (hasTable(db, table))
            continue;
        // Contentless and without positions: the index is a fifth of the jobs' size, not their double.
        QSqlQuery query(db);
        bool ok = db.transaction() &&
                  query.exec(QStringLiteral("create virtual table %1 using fts5(t, tokenize='trigram', content='', "
                                            "detail=none)")
                                 .arg(table)) &&
                  query.exec(QStringLiteral("select min(rowid)-1, max(rowid) from table1")) && query.next();
        // Filled a range of row ids at a time, so the start can tell how far it is.
        const qint64 low = query.value(0).toLongLong();
        const quint64 span = quint64(query.value(1).toLongLong()) - quint64(low);
        query.finish();
        for (int step = 0; ok && step < FillSteps; ++step) {
            query.prepare(QStringLiteral("insert into %1(rowid,t) select rowid,%2 from table1 where rowid>? and "
                                         "rowid<=?")
                              .arg(table, fileIndexedText(entry, QStringLiteral("table1"))));
            query.addBindValue(qint64(quint64(low) + span / FillSteps * step));
            query.addBindValue(step + 1 == FillSteps ? qint64(quint64(low) + span)
                                                     : qint64(quint64(low) + span / FillSteps * (step + 1)));
            ok = query.exec();
            if (ok && stepDone)
                stepDone();
        }
        ok = ok &&
             query.exec(QStringLiteral("create trigger %1_insert after insert on table1 begin "
                                       "insert into %1(rowid,t) values(new.rowid,%2); end")
                            .arg(table, fileIndexedText(entry, QStringLiteral("new")))) &&
             query.exec(QStringLiteral("create trigger %1_delete after delete on table1 begin "
                                       "insert into %1(%1,rowid,t) values('delete',old.rowid,%2); end")
                            .arg(table, fileIndexedText(entry, QStringLiteral("old")))) &&
             query.exec(QStringLiteral("create trigger %1_update after update of \"%3\" on table1 begin "
                                       "insert into %1(%1,rowid,t) values('delete',old.rowid,%2); "
                                       "insert into %1(rowid,t) values(new.rowid,%4); end")
                            .arg(table, fileIndexedText(entry, QStringLiteral("old")), QLatin1String(entry.source),
                                 fileIndexedText(entry, QStringLiteral("new")))) &&
             db.commit();
        if (!ok) {
            db.rollback();
            return;
        }
    }
}

void dropFromFile(const QSqlDatabase &db)
{
    for (const Indexed &entry : indexed)
        dropFileTable(db, QLatin1String(entry.table));
    for (const char *former : formerFileTables)
        dropFileTable(db, QLatin1String(former));
}

bool dropFromServer(const QSqlDatabase &db, bool *dropped)
{
    QSqlQuery query(db);
    *dropped = query.exec(QStringLiteral("select count(*) from pg_indexes where schemaname=current_schema() and "
                                         "tablename='table1' and indexname like 'table1\\_%\\_trigrams'")) &&
               query.next() && query.value(0).toInt() > 0;
    bool ok = !query.lastError().isValid();
    for (const Indexed &entry : indexed)
        ok = ok && query.exec(QStringLiteral("drop index if exists %1").arg(QLatin1String(entry.serverIndex)));
    for (const char *former : formerServerIndexes)
        ok = ok && query.exec(QStringLiteral("drop index if exists %1").arg(QLatin1String(former)));
    return ok;
}

bool prepareServer(const QSqlDatabase &db, bool lifted)
{
    QSqlQuery query(db);
    // Asked from the catalog first: making an index waits for every counter's save to end.
    QStringList names;
    for (const Indexed &entry : indexed)
        names << QStringLiteral("'%1'").arg(QLatin1String(entry.serverIndex));
    QStringList formerNames;
    for (const char *former : formerServerIndexes)
        formerNames << QStringLiteral("'%1'").arg(QLatin1String(former));
    if (query.exec(QStringLiteral("select count(*) filter (where indexname in (%1)), count(*) filter (where indexname "
                                  "in (%2)) from pg_indexes where schemaname=current_schema() and tablename='table1'")
                       .arg(names.join(u','), formerNames.join(u','))) &&
        query.next() && query.value(0).toInt() == std::size(indexed) && query.value(1).toInt() == 0) {
        if (!lifted && !serverHasHint(db))
            query.exec(serverHintMade); // without it searches are only slower: not a failure
        return true;
    }
    // pg_trgm is a trusted extension: a database's owner may add it without being a superuser.
    if (!query.exec(QStringLiteral("create extension if not exists pg_trgm")))
        return true;
    // A million jobs take the server longer to index than a window's statement may run; the limit
    // the caller had is put back after.
    // Inside a transaction that already lifted it, the limit is left alone.
    const QString limit = !lifted && query.exec(QStringLiteral("show statement_timeout")) && query.next()
                              ? query.value(0).toString()
                              : QString();
    if (!limit.isEmpty())
        query.exec(QStringLiteral("set statement_timeout=0"));
    bool ok = true;
    for (const Indexed &entry : indexed)
        ok = ok && query.exec(QStringLiteral("create index if not exists %1 on table1 using gin ((%2) gin_trgm_ops)")
                                  .arg(QLatin1String(entry.serverIndex), serverIndexed(entry.column)));
    for (const char *former : formerServerIndexes)
        ok = ok && query.exec(QStringLiteral("drop index if exists %1").arg(QLatin1String(former)));
    // Not inside the caller's transaction: a refusal there (another login owns it) would undo the
    // transaction's work. The next start makes it.
    if (ok && !lifted && !serverHasHint(db))
        query.exec(serverHintMade);
    if (!limit.isEmpty())
        query.exec(QStringLiteral("select set_config('statement_timeout', '%1', false)").arg(limit));
    return ok;
}

QString contains(const QSqlDatabase &db, Column column, const QString &folded, const QString &plain,
                 const QString &pattern, Purpose purpose, QVariantList &values)
{
    const auto asPlain = [&] {
        values << pattern;
        return plain;
    };
    // Fewer than three letters make no trigram: those searches read the jobs in order, and a page
    // of a frequent text fills at once.
    if (folded.toUcs4().size() < 3)
        return asPlain();
    if (Dialect::isServer(db)) {
        // The server's planner weighs the index against reading in order from its own figures.
        // lower() on both sides is what ILIKE does; a text whose letters have case of their own
        // is then held to the exact test too, as a search without Latin letters always was.
        values << pattern;
        QString condition = QStringLiteral("(%1 LIKE lower(?) ESCAPE '\\')").arg(serverIndexed(column));
        const bool latin = std::any_of(folded.begin(), folded.end(), [](QChar ch) {
            return (ch >= u'a' && ch <= u'z') || (ch >= u'A' && ch <= u'Z');
        });
        const bool cased = folded.toLower() != folded || folded.toUpper() != folded;
        if (column != Column::Number && cased && !latin) {
            condition += QStringLiteral("and") + plain;
            values << pattern;
        }
        if (serverHasHint(db))
            condition += QStringLiteral("and(rowid is not null or %1(rowid))").arg(QLatin1String(serverHint));
        return condition;
    }
    const QString table = QLatin1String(entryFor(column).table);
    if (!hasTable(db, table))
        return asPlain();
    const QString match = trigramQuery(folded);
    const QString rows = QStringLiteral("(select rowid from %1 where %1 match ?)").arg(table);
    if (purpose == Purpose::FirstRows) {
        const Bounds bounds = boundsFor(db);
        QSqlQuery count(db);
        count.prepare(QStringLiteral("select count(*) from (select 1 from %1 where %1 match ? limit %2)")
                          .arg(table)
                          .arg(bounds.tested + 1));
        count.addBindValue(match);
        if (!count.exec() || !count.next() || count.value(0).toLongLong() > bounds.tested)
            return asPlain();
        if (count.value(0).toLongLong() > bounds.fetched) {
            // "+" keeps the planner on the number index: the set is only tested, never read from.
            values << match << pattern;
            return QStringLiteral("(+rowid in %1)and").arg(rows) + plain;
        }
    }
    values << match << pattern;
    return QStringLiteral("(rowid in %1)and").arg(rows) + plain;
}

} // namespace SearchIndex
