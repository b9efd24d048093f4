// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's search: a job is listed exactly when its stored text contains the typed text,
// the Persian and Arabic forms of the same letters and digits alike and Latin letters in either case,
// spaces and half-spaces ignored, whatever LIKE's own characters (% _ \) either text holds.
#include "FuzzCheck.h"

#include "jobentry/JobFieldText.h"
#include "jobstore/JobTable.h"
#include "jobstore/Queries.h"
#include "jobstore/server/Dialect.h"
#include "tests/support/PlainFold.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace
{

QSqlDatabase db;

bool listed(Queries::SearchField field, const QString &typed)
{
    const SqlText search = Dialect::adapt(db, Queries::jobListSearch(field, typed));
    QSqlQuery query(db);
    query.prepare(search.sql);
    for (const QVariant &value : search.values)
        query.addBindValue(value);
    FUZZ_CHECK(query.exec(), query.lastError().text() + QStringLiteral(" for ") + Fuzz::codes(typed));
    return query.next();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fuzz"));
    db.setDatabaseName(QStringLiteral(":memory:"));
    db.open();
    for (const QString &statement : JobTable::createStatements())
        QSqlQuery(db).exec(statement);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The stored text, then U+FFFF, then the typed text; without the mark, a piece of the stored text is typed.
    const QString input = Fuzz::typable(data, size);
    const qsizetype mark = input.indexOf(QChar(0xFFFF));
    // Stored as the job window stores a box's text; typed, a NUL is no part of the search.
    const QString stored = JobFieldText::storedText(mark < 0 ? input : input.left(mark));
    QString typed = mark < 0 ? input.mid(input.size() / 3, input.size() / 3) : input.mid(mark + 1);
    typed = QString::fromUtf8(typed.toUtf8()); // a piece may have cut a surrogate pair

    QSqlQuery(db).exec(QStringLiteral("delete from table1"));
    QSqlQuery insert(db);
    insert.prepare(QStringLiteral("insert into table1 (num, name, nameph) values (1, ?, ?)"));
    insert.addBindValue(stored);
    insert.addBindValue(stored);
    FUZZ_CHECK(insert.exec(), insert.lastError().text());

    // A name's parts may be joined by a space, a half-space or nothing: the search reads them alike.
    const auto unblanked = [](QString text) {
        text.remove(u' ');
        text.remove(QChar(0x200C));
        return plainFold(text);
    };
    const bool contains = unblanked(stored).contains(unblanked(typed));
    FUZZ_CHECK(listed(Queries::SearchField::CustomerName, typed) == contains,
               QStringLiteral("stored ") + Fuzz::codes(stored) + QStringLiteral("typed ") + Fuzz::codes(typed));
    FUZZ_CHECK(listed(Queries::SearchField::DeviceModel, typed) == contains,
               QStringLiteral("stored ") + Fuzz::codes(stored) + QStringLiteral("typed ") + Fuzz::codes(typed));
    // The pattern alone, without folding, against SQLite's LIKE on the same text.
    QString literal = typed;
    literal.remove(QChar(0));
    QSqlQuery like(db);
    like.prepare(QStringLiteral("select ? LIKE ? ESCAPE '\\'"));
    like.addBindValue(stored);
    like.addBindValue(Queries::containsPattern(literal));
    FUZZ_CHECK(like.exec() && like.next(), like.lastError().text());
    // LIKE reads Latin letters in one case, and the noncharacters U+FFFE and U+FFFF as U+FFFD.
    const auto latinLower = [](QString text) {
        for (QChar &ch : text) {
            if (ch >= u'A' && ch <= u'Z')
                ch = QChar(char16_t(ch.unicode() + 32));
            else if (ch.unicode() == 0xFFFE || ch.unicode() == 0xFFFF)
                ch = QChar(0xFFFD);
        }
        return text;
    };
    FUZZ_CHECK(like.value(0).toBool() == latinLower(stored).contains(latinLower(literal)),
               QStringLiteral("stored ") + Fuzz::codes(stored) + QStringLiteral("typed ") + Fuzz::codes(typed));
    return 0;
}
