// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/Adodc.h"
#include "jobstore/NumericText.h"
#include "jobstore/ProgramValues.h"
#include "jobstore/Queries.h"
#include "jobstore/SearchIndex.h"
#include "jobstore/file/JobDatabase.h"
#include "jobstore/server/Dialect.h"
#include "support/PlainFold.h"
#include "support/TempJobFolder.h"

#include <QRandomGenerator>
#include <QSqlDatabase>

#include <QtTest>

using Queries::SearchField;

class TestQueries : public QObject
{
    Q_OBJECT

private slots:
    void searchMatchesTypedTextLiterally_data();
    void searchMatchesTypedTextLiterally();
    void searchFindsWhatAPlainScanFinds();
    void anIndexOfTheOldFoldingIsReplaced();
    void dueByLeavesDeliveredAndEmptyOut();
    void numericValueOfText_data();
    void numericValueOfText();
    void roundsHalfToEven();
};

namespace
{
QList<int> listed(const SqlText &query)
{
    Adodc control;
    control.setConnectionString(Program::DatabaseConnection);
    control.setRecordSource(query);
    if (!control.Refresh())
        qFatal("query failed: %s", qPrintable(control.lastError()));
    QList<int> numbers;
    Recordset *rs = control.recordset();
    for (rs->MoveFirst(); !rs->IsEOF(); rs->MoveNext())
        numbers << rs->Fields(0).toInt();
    return numbers;
}
} // namespace

void TestQueries::searchMatchesTypedTextLiterally_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QList<int>>("expected");
    const int number = int(SearchField::ReceiptNumber), name = int(SearchField::CustomerName),
              model = int(SearchField::DeviceModel);
    QTest::newRow("number as text") << number << "12" << QList<int>{12, 112, 120, 1012};
    QTest::newRow("persian digits") << number << QStringLiteral("۱۲") << QList<int>{12, 112, 120, 1012};
    QTest::newRow("empty lists rows with a value") << name << "" << QList<int>{3, 7, 8, 12, 112, 120, 1012};
    QTest::newRow("apostrophe") << name << "O'Hara" << QList<int>{112};
    QTest::newRow("percent") << name << "50%" << QList<int>{120};
    QTest::newRow("underscore") << model << "_" << QList<int>{1012};
    QTest::newRow("backslash") << model << "a\\b" << QList<int>{3};
    QTest::newRow("persian yeh finds arabic yeh") << name << QStringLiteral("علی") << QList<int>{12};
    QTest::newRow("arabic kaf finds keheh") << model << QStringLiteral("نوكيا") << QList<int>{120};
    QTest::newRow("persian digits in a model") << model << QStringLiteral("۵۱۰") << QList<int>{120};
    // Stored with a half-space, a space or nothing between the parts, found however it is typed.
    QTest::newRow("half-space found by a space") << name << QStringLiteral("محمد رضا") << QList<int>{7, 8};
    QTest::newRow("half-space found by nothing") << name << QStringLiteral("محمدرضا") << QList<int>{7, 8};
    QTest::newRow("space found by a half-space") << model << QStringLiteral("نوکيا\u200c51") << QList<int>{120};
    QTest::newRow("model typed without its space") << model << QStringLiteral("نوکيا510") << QList<int>{120};
}

void TestQueries::searchMatchesTypedTextLiterally()
{
    QFETCH(int, field);
    QFETCH(QString, typed);
    QFETCH(QList<int>, expected);
    TempJobFolder folder;
    folder.addJob({{"num", 12}, {"name", QStringLiteral("علي رضايي")}, {"nameph", "X1"}});
    folder.addJob({{"num", 112}, {"name", "Sean O'Hara"}, {"nameph", "50 percent"}});
    folder.addJob({{"num", 120}, {"name", "Shop 50% off"}, {"nameph", QStringLiteral("نوکيا 510")}});
    folder.addJob({{"num", 1012}, {"name", "plain"}, {"nameph", "a_b"}});
    folder.addJob({{"num", 3}, {"name", "other"}, {"nameph", "a\\b"}});
    folder.addJob({{"num", 7}, {"name", QStringLiteral("محمد\u200cرضا")}});
    folder.addJob({{"num", 8}, {"name", QStringLiteral("محمدرضا")}});
    folder.addJob({{"num", 4}}); // no name, no model: never listed by those boxes
    QCOMPARE(listed(Queries::jobListSearch(SearchField(field), typed)), expected);
}

void TestQueries::searchFindsWhatAPlainScanFinds()
{
    // Jobs made of pieces that meet every folding rule: both yeh and kaf spellings, Persian and
    // Arabic digits, Latin letters in either case, LIKE's wildcard characters and quotes.
    const QStringList pieces = {QStringLiteral("علي"),
                                QStringLiteral("علی"),
                                QStringLiteral("كريم"),
                                QStringLiteral("کريمی"),
                                QStringLiteral("رضا"),
                                QStringLiteral("\u200c"),
                                QStringLiteral("۱۲۳"),
                                QStringLiteral("٤٥"),
                                "Ali",
                                "SAMSUNG",
                                "Galaxy",
                                "50%",
                                "a_b",
                                "x\\y",
                                "\"q\"",
                                "O'Hara",
                                "12",
                                " "};
    QRandomGenerator random(27);
    const auto textOf = [&](int parts) {
        QString text;
        for (int i = 0; i < parts; ++i)
            text += pieces.at(random.bounded(int(pieces.size())));
        return text;
    };
    TempJobFolder folder;
    QList<QPair<int, QStringList>> jobs; // num, then the searched texts by field
    folder.value(QStringLiteral("begin"));
    for (int n = 1; n <= 3000; ++n) {
        // Half the names start with one frequent piece, so that its search is common enough to be
        // walked in order.
        const QString name = (n % 2 == 0 ? pieces.at(n % 4 == 0 ? 0 : 1) : QString()) + textOf(1 + random.bounded(3));
        const QString model = textOf(1 + random.bounded(2));
        jobs.append({n, {QString::number(n), name, model}});
        folder.addJob({{"num", n}, {"name", name}, {"nameph", model}});
    }
    folder.addJob({{"num", 3001}}); // no name, no model
    folder.value(QStringLiteral("commit"));
    jobs.append({3001, {QStringLiteral("3001"), QString(), QString()}});

    // A variant of a stored piece as a clerk may type it: the other spelling, the other case.
    const auto retyped = [&random](QString text) {
        for (QChar &ch : text) {
            if (random.bounded(2) == 0)
                continue;
            if (ch == QChar(0x064A))
                ch = QChar(0x06CC);
            else if (ch == QChar(0x06A9))
                ch = QChar(0x0643);
            else if (ch >= u'0' && ch <= u'9')
                ch = QChar(char16_t(0x06F0 + ch.unicode() - u'0'));
            else if (ch.isLetter() && ch.unicode() < 128)
                ch = ch.isUpper() ? ch.toLower() : ch.toUpper();
        }
        return text;
    };
    // Each way a first page is found is compared, on the file: the index's rows fetched, a walk in
    // order testing them as a set, and a plain walk; on the server: with the planner's hint, and on
    // a server that lacks it.
    QSet<QString> ways;
    const auto wayOf = [&folder](const SqlText &search) {
        const QString sql = Dialect::adapt(folder.connection(), search).sql;
        return sql.contains(QStringLiteral("velmora_searched")) ? QStringLiteral("hinted")
               : sql.contains(QStringLiteral("+rowid in"))      ? QStringLiteral("tested")
               : sql.contains(QStringLiteral("rowid in"))       ? QStringLiteral("fetched")
                                                                : QStringLiteral("plain");
    };
    for (int pass = 0; pass < (TempJobFolder::onServer() ? 2 : 1); ++pass) {
        if (pass == 1)
            folder.value(QStringLiteral("drop function velmora_searched(bigint)"));
        for (int field = 0; field < 3; ++field) {
            for (int length = 1; length <= 6; ++length) {
                QStringList typed = {QString("%_\\\"'").mid(length % 5, 1).repeated(length)};
                for (int i = 0; i < 6; ++i) {
                    const QString text = jobs.at(random.bounded(int(jobs.size()))).second.at(field);
                    const int from = text.size() > length ? random.bounded(int(text.size()) - length + 1) : 0;
                    typed << retyped(text.mid(from, length));
                }
                if (field == 1 && length == 3)
                    typed << pieces.at(1);
                for (const QString &pattern : typed) {
                    QList<int> expected;
                    for (const auto &[num, texts] : jobs) {
                        // Names and models are compared without their blanks.
                        const auto blanksOut = [field](QString text) {
                            return field == 0 ? text : text.remove(u' ').remove(QChar(0x200C));
                        };
                        if (!texts.at(field).isNull() &&
                            blanksOut(plainFold(texts.at(field))).contains(blanksOut(plainFold(pattern))))
                            expected << num;
                    }
                    const SqlText search = Queries::jobListSearch(SearchField(field), pattern);
                    ways << wayOf(search);
                    const QList<int> found = listed(search);
                    QVERIFY2(found == expected, qPrintable(QStringLiteral("field %1, \"%2\": %3 found, %4 expected")
                                                               .arg(field)
                                                               .arg(pattern)
                                                               .arg(found.size())
                                                               .arg(expected.size())));
                }
            }
        }
    }
    const QSet<QString> expectedWays =
        TempJobFolder::onServer() ? QSet<QString>{"hinted", "plain"} : QSet<QString>{"tested", "fetched", "plain"};
    QCOMPARE(ways, expectedWays);
}

void TestQueries::anIndexOfTheOldFoldingIsReplaced()
{
    TempJobFolder folder;
    for (int num = 1; num <= 3; ++num)
        folder.addJob({{"num", num}, {"name", QStringLiteral("محمد\u200cرضا %1").arg(num)}});
    if (TempJobFolder::onServer()) {
        // The server's index of the names as written gives way to one of the names without blanks
        // when the program opens the database.
        folder.value(QStringLiteral("create index table1_name_trigrams on table1 (name)"));
        JobDatabase::ensure(folder.databasePath());
        QCOMPARE(folder
                     .value(QStringLiteral("select string_agg(indexname, ',' order by indexname) from pg_indexes "
                                           "where tablename='table1' and indexname in ('table1_name_trigrams', "
                                           "'table1_name_unblanked_trigrams')"))
                     .toString(),
                 QStringLiteral("table1_name_unblanked_trigrams"));
        QCOMPARE(listed(Queries::jobListSearch(SearchField::CustomerName, QStringLiteral("محمد رضا"))),
                 (QList<int>{1, 2, 3}));
        return;
    }
    // A file indexed before names were compared without their blanks: its table and trigger hold
    // the names as written.
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("older"));
        db.setDatabaseName(folder.databasePath());
        QVERIFY(db.open());
        SearchIndex::dropFromFile(db);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("older"));
    folder.value(QStringLiteral("create virtual table search_name using fts5(t, tokenize='trigram', content='', "
                                "detail=none)"));
    folder.value(QStringLiteral("insert into search_name(rowid,t) select rowid,name from table1"));
    folder.value(QStringLiteral("create trigger search_name_insert after insert on table1 begin "
                                "insert into search_name(rowid,t) values(new.rowid,new.name); end"));

    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("opened"));
        db.setDatabaseName(folder.databasePath());
        QVERIFY(db.open());
        SearchIndex::prepareFile(db);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("opened"));
    QCOMPARE(folder
                 .value(QStringLiteral("select count(*) from sqlite_master where name like 'search_name%' and "
                                       "name not like 'search_name_unblanked%'"))
                 .toInt(),
             0);
    folder.addJob({{"num", 4}, {"name", QStringLiteral("محمدرضا 4")}});
    QCOMPARE(listed(Queries::jobListSearch(SearchField::CustomerName, QStringLiteral("محمد رضا"))),
             (QList<int>{1, 2, 3, 4}));
}

void TestQueries::dueByLeavesDeliveredAndEmptyOut()
{
    TempJobFolder folder;
    folder.addJob({{"num", 1}, {"dateout", 910628}, {"status", QStringLiteral("در حال تعمير")}});
    folder.addJob({{"num", 2}, {"dateout", 910627}, {"status", QStringLiteral("تعمير شده")}});
    folder.addJob({{"num", 3}, {"dateout", 910628}, {"status", QStringLiteral("گوشي تحويل شده به مشتري")}});
    folder.addJob({{"num", 4}, {"dateout", 910629}, {"status", QStringLiteral("در حال تعمير")}});
    folder.addJob({{"num", 5}, {"status", QStringLiteral("در حال تعمير")}});
    folder.addJob({{"num", 6}, {"dateout", 910601}});
    folder.addJob({{"num", 7}, {"dateout", 910601}, {"status", ""}});
    QCOMPARE(listed(Queries::dueBy(910628)), (QList<int>{1, 2}));
}

void TestQueries::numericValueOfText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("plain") << "1500" << 1500.0;
    QTest::newRow("leading blanks and sign") << "  -12.5kg" << -12.5;
    QTest::newRow("stops at a comma") << "1,500" << 1.0;
    QTest::newRow("letters") << "abc" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("persian digits") << QStringLiteral("۱۲۳") << 123.0;
    QTest::newRow("arabic-indic digits") << QStringLiteral("٤٥") << 45.0;
    QTest::newRow("point first") << ".5" << 0.5;
}

void TestQueries::numericValueOfText()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(NumericText::numericValue(text), value);
}

void TestQueries::roundsHalfToEven()
{
    QCOMPARE(NumericText::roundHalfEven(1500.5), 1500);
    QCOMPARE(NumericText::roundHalfEven(2500.5), 2500);
    QCOMPARE(NumericText::roundHalfEven(1501.5), 1502);
    QCOMPARE(NumericText::roundHalfEven(500.5), 500);
    QCOMPARE(NumericText::roundHalfEven(-0.5), 0);
}

QTEST_GUILESS_MAIN(TestQueries)
#include "tst_queries.moc"
