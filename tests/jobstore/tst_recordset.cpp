// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/Adodc.h"
#include "jobstore/JobTable.h"
#include "jobstore/ProgramValues.h"
#include "jobstore/Queries.h"
#include "jobstore/RecordsetModel.h"
#include "jobstore/file/JobFileConnections.h"
#include "support/TempJobFolder.h"

#include <QtTest>

using namespace JobTable;

class TestRecordset : public QObject
{
    Q_OBJECT

private slots:
    void movesAndPositions();
    void emptyResultHasNoCurrentRow();
    void findComparesAsANumber();
    void addNewWritesOnlyAssignedColumns();
    void changedRowKeepsUntouchedColumns();
    void failedUpdateWritesNothingAndCanBeRetried();
    void deleteRemovesTheCurrentRowOnly();
    void rowsBeyondTheFirstPageReadInOrder();
    void longListLearnsItsLengthAfterItsFirstPage_data();
    void longListLearnsItsLengthAfterItsFirstPage();
    void countAgreesWithTheRowsRead_data();
    void countAgreesWithTheRowsRead();
    void findAgreesWithReadingEveryRow_data();
    void findAgreesWithReadingEveryRow();
    void aReadLetGoOfIsNotKept_data();
    void aReadLetGoOfIsNotKept();
};

void TestRecordset::movesAndPositions()
{
    TempJobFolder folder;
    folder.addJobs(1, 5);
    Adodc control;
    control.setConnectionString(Program::DatabaseConnection);
    control.setRecordSource(Queries::jobList());
    Recordset *rs = control.recordset(); // opened on first use
    QCOMPARE(rs->RecordCount(), 5);
    QCOMPARE(rs->AbsolutePosition(), 1);
    QCOMPARE(rs->Fields(0).toInt(), 1);

    QVERIFY(rs->MoveLast());
    QCOMPARE(rs->AbsolutePosition(), 5);
    QVERIFY(rs->MoveNext());
    QVERIFY(rs->IsEOF());
    QVERIFY(rs->AbsolutePosition() <= 0);
    QVERIFY(!rs->Fields(0).isValid());
    QVERIFY(rs->MovePrevious());
    QCOMPARE(rs->Fields(0).toInt(), 5);

    QVERIFY(rs->MoveFirst());
    QVERIFY(rs->MovePrevious());
    QVERIFY(rs->IsBOF());
    QVERIFY(rs->AbsolutePosition() <= 0);

    QVERIFY(rs->MoveFirst());
    QVERIFY(rs->Move(3));
    QCOMPARE(rs->AbsolutePosition(), 4);
    QVERIFY(rs->Move(10));
    QVERIFY(rs->IsEOF());
}

void TestRecordset::emptyResultHasNoCurrentRow()
{
    TempJobFolder folder;
    Adodc control;
    control.setConnectionString(Program::DatabaseConnection);
    control.setRecordSource(Queries::jobList());
    QVERIFY(control.Refresh());
    Recordset *rs = control.recordset();
    QCOMPARE(rs->RecordCount(), 0);
    QVERIFY(rs->IsBOF() && rs->IsEOF());
    QVERIFY(rs->AbsolutePosition() <= 0);
    QVERIFY(rs->MoveLast());
    QVERIFY(rs->AbsolutePosition() <= 0);
    QVERIFY(!rs->setField(Name, QStringLiteral("x")));
    QVERIFY(!rs->Delete());
}

void TestRecordset::findComparesAsANumber()
{
    if (TempJobFolder::onServer())
        QSKIP("Receipt numbers are unique on the server, so no two jobs share 7 there.");
    TempJobFolder folder;
    for (int n : {3, 7, 12, 7})
        folder.addJob({{"num", n}, {"name", QStringLiteral("job %1").arg(n)}});
    Adodc control;
    control.setConnectionString(Program::DatabaseConnection);
    control.setRecordSource(Queries::allJobs());
    Recordset *rs = control.recordset();

    QVERIFY(rs->Find(QStringLiteral("num='7'")));
    QCOMPARE(rs->AbsolutePosition(), 2);
    // From the current row on: the same criterion stays on the first match.
    QVERIFY(rs->Find(QStringLiteral("num='7'")));
    QCOMPARE(rs->AbsolutePosition(), 2);
    QVERIFY(rs->Find(QStringLiteral("num='12'")));
    QCOMPARE(rs->Fields(Num).toInt(), 12);
    // Not found from here on (3 lies behind): EOF.
    QVERIFY(rs->Find(QStringLiteral("num='3'")));
    QVERIFY(rs->IsEOF());
    rs->MoveFirst();
    QVERIFY(rs->Find(QStringLiteral("num='12.0'")));
    QCOMPARE(rs->Fields(Num).toInt(), 12);
    QVERIFY(!rs->Find(QStringLiteral("num=7")));
}

void TestRecordset::addNewWritesOnlyAssignedColumns()
{
    TempJobFolder folder;
    Adodc control;
    control.setConnectionString(Program::DatabaseConnection);
    control.setRecordSource(Queries::allJobs());
    Recordset *rs = control.recordset();

    QVERIFY(rs->AddNew());
    rs->setField(Num, 5.0);
    rs->setField(Name, QStringLiteral("مريم"));
    rs->setField(Serial, QStringLiteral(""));
    rs->setField(EndP, 12.5);
    // Nothing reaches the file before the commit.
    QCOMPARE(folder.value(QStringLiteral("select count(*) from table1")).toInt(), 0);
    QVERIFY(rs->Update());
    QCOMPARE(rs->RecordCount(), 1);
    QCOMPARE(rs->AbsolutePosition(), 1);

    // The server has no storage classes: there the number must read back as the text "5".
    const bool server = TempJobFolder::onServer();
    const QVariantList row = folder
                                 .rows(QStringLiteral("select num, %1, serial, deposit, endp from table1")
                                           .arg(server ? "cast(num as text)" : "typeof(num)"))
                                 .at(0);
    QCOMPARE(row.at(0).toString(), QStringLiteral("5")); // a whole number reads back without ".0"
    QCOMPARE(row.at(1).toString(), server ? QStringLiteral("5") : QStringLiteral("integer"));
    QVERIFY(!row.at(2).isNull());
    QCOMPARE(row.at(2).toString(), QString());
    QVERIFY(row.at(3).isNull()); // never assigned: null, not the empty text
    QCOMPARE(row.at(4).toDouble(), 12.5);
    QCOMPARE(folder.value(QStringLiteral("select count(*) from table1 where cast(num as text) LIKE '%5%'")).toInt(), 1);
}

void TestRecordset::changedRowKeepsUntouchedColumns()
{
    TempJobFolder folder;
    folder.addJob({{"num", 1}, {"name", "a"}, {"deposit", 300}, {"status", QStringLiteral("در حال تعمير")}});
    folder.addJob({{"num", 2}, {"name", "b"}});
    Adodc control;
    control.setConnectionString(Program::DatabaseConnection);
    control.setRecordSource(Queries::allJobs());
    Recordset *rs = control.recordset();
    rs->setField(Status, QStringLiteral("تحويل شده"));
    QCOMPARE(rs->Fields(Status).toString(), QStringLiteral("تحويل شده"));
    // Moving on commits the pending change.
    QVERIFY(rs->MoveNext());
    QCOMPARE(folder.rows(QStringLiteral("select status, deposit, name from table1 where num=1")).at(0),
             (QVariantList{QStringLiteral("تحويل شده"), 300, QStringLiteral("a")}));
}

void TestRecordset::failedUpdateWritesNothingAndCanBeRetried()
{
    TempJobFolder folder;
    folder.addJob({{"num", 1}, {"name", "kept"}});
    if (TempJobFolder::onServer()) {
        folder.value(QStringLiteral("alter table table1 add constraint refused check (name<>'bad')"));
    } else {
        folder.value(QStringLiteral("create trigger refuse before insert on table1 when new.name='bad' "
                                    "begin select raise(abort, 'refused'); end"));
        folder.value(QStringLiteral("create trigger refuse2 before update on table1 when new.name='bad' "
                                    "begin select raise(abort, 'refused'); end"));
    }
    Adodc control;
    control.setConnectionString(Program::DatabaseConnection);
    control.setRecordSource(Queries::allJobs());
    Recordset *rs = control.recordset();

    QVERIFY(rs->AddNew());
    rs->setField(Num, 2);
    rs->setField(Name, QStringLiteral("bad"));
    QVERIFY(!rs->Update());
    QVERIFY(rs->lastError().contains(QStringLiteral("refused")));
    QVERIFY(rs->isEditing());
    QCOMPARE(folder.value(QStringLiteral("select count(*) from table1")).toInt(), 1);
    rs->setField(Name, QStringLiteral("good"));
    QVERIFY(rs->Update());
    QCOMPARE(folder.value(QStringLiteral("select name from table1 where num=2")).toString(), QStringLiteral("good"));

    QVERIFY(rs->MoveFirst());
    rs->setField(Name, QStringLiteral("bad"));
    rs->setField(Tel, QStringLiteral("0912"));
    QVERIFY(!rs->Update());
    rs->CancelUpdate();
    const QVariantList kept = folder.rows(QStringLiteral("select name, tel from table1 where num=1")).at(0);
    QCOMPARE(kept.at(0).toString(), QStringLiteral("kept"));
    QVERIFY(kept.at(1).isNull());
    QCOMPARE(rs->Fields(Name).toString(), QStringLiteral("kept"));
}

void TestRecordset::deleteRemovesTheCurrentRowOnly()
{
    if (TempJobFolder::onServer())
        QSKIP("Two jobs numbered 2 cannot be stored on the server.");
    TempJobFolder folder;
    folder.addJobs(1, 3);
    folder.addJob({{"num", 2}, {"name", "twin"}});
    Adodc control;
    control.setConnectionString(Program::DatabaseConnection);
    control.setRecordSource(Queries::jobList());
    Recordset *rs = control.recordset();
    rs->Find(QStringLiteral("num='2'"));
    QVERIFY(rs->Delete());
    QCOMPARE(rs->RecordCount(), 3);
    QCOMPARE(folder.value(QStringLiteral("select count(*) from table1 where num=2")).toInt(), 1);
    rs->MoveLast();
    QVERIFY(rs->Delete());
    QVERIFY(rs->IsEOF());
    QCOMPARE(folder.value(QStringLiteral("select count(*) from table1")).toInt(), 2);
}

void TestRecordset::rowsBeyondTheFirstPageReadInOrder()
{
    TempJobFolder folder;
    folder.addJobs(2, 1000); // even numbers only, below, so that a new odd number sorts between them
    folder.value(QStringLiteral("delete from table1 where num % 2 = 1"));
    Adodc control;
    control.setConnectionString(Program::DatabaseConnection);
    control.setRecordSource(Queries::allJobs());
    Recordset *rs = control.recordset();
    QCOMPARE(rs->RecordCount(), 500);
    QVERIFY(rs->setAbsolutePosition(300));
    QCOMPARE(rs->Fields(Num).toInt(), 600);
    rs->MoveFirst();
    QVERIFY(rs->Find(QStringLiteral("num='900'")));
    QCOMPARE(rs->AbsolutePosition(), 450);
    QVERIFY(rs->Delete());
    QVERIFY(rs->MoveNext());
    QCOMPARE(rs->Fields(Num).toInt(), 902);

    // A new row sorting in the middle must not shift the rows read after it.
    Adodc other;
    other.setConnectionString(Program::DatabaseConnection);
    other.setRecordSource(Queries::jobList());
    Recordset *list = other.recordset();
    QVERIFY(list->AddNew());
    list->setField(Num, 3);
    QVERIFY(list->Update());
    QVERIFY(list->MoveFirst());
    QVERIFY(list->Find(QStringLiteral("num='998'")));
    QCOMPARE(list->AbsolutePosition(), 498);
    QVERIFY(list->Find(QStringLiteral("num='3'")));
    QCOMPARE(list->AbsolutePosition(), 500);
    QList<int> numbers;
    for (list->MoveFirst(); !list->IsEOF(); list->MoveNext())
        numbers << list->Fields(Num).toInt();
    QCOMPARE(numbers.size(), 500);
    QCOMPARE(numbers.first(), 2);
    QCOMPARE(numbers.at(498), 1000);
    QCOMPARE(numbers.last(), 3);
    QCOMPARE(QSet<int>(numbers.begin(), numbers.end()).size(), 500);
}

// A list longer than a page shows its first page at once; the rest arrives from the reading thread,
// or is read at once when a count or a move needs it, and the grid's model hears of it consistently.
void TestRecordset::longListLearnsItsLengthAfterItsFirstPage_data()
{
    QTest::addColumn<QString>("first");     // what happens before the ids arrive
    QTest::addColumn<int>("rows");          // the rows in the end
    QTest::addColumn<int>("currentNumber"); // the job current in the end
    QTest::newRow("ids from the thread") << "" << 1000 << 1;
    QTest::newRow("counted at once") << "count" << 1000 << 1;
    QTest::newRow("last row at once") << "last" << 1000 << 1000;
    QTest::newRow("rows by their place before the ids") << "place" << 1000 << 700;
    QTest::newRow("a row deleted before the ids") << "place, delete" << 999 << 301;
    QTest::newRow("another counter deletes before the ids") << "delete" << 999 << 11;
    // The count on the reading thread: it moves to the last row only if nothing else moved first.
    QTest::newRow("last row once counted") << "last when counted" << 1000 << 1000;
    QTest::newRow("a move before the count comes") << "last when counted, moved" << 1000 << 3;
    QTest::newRow("the list read again before the count comes") << "last when counted, read again" << 1000 << 1;
    QTest::newRow("a far row once counted") << "row 700 when counted" << 1000 << 701;
    // Told to the grid a hundred rows at a time: a row deleted while the rest wait keeps its place.
    QTest::newRow("ids told in steps") << "steps" << 1000 << 1;
    QTest::newRow("a row deleted while told in steps") << "steps, count, delete" << 999 << 301;
    QTest::newRow("a row added while told in steps") << "steps, count, add" << 1001 << 1001;
    // The first page too read on the reading thread; a refresh made meanwhile stands instead.
    QTest::newRow("first page from the thread") << "background" << 1000 << 1;
    QTest::newRow("read again while the thread reads") << "background, read again" << 1000 << 5;
}

void TestRecordset::longListLearnsItsLengthAfterItsFirstPage()
{
    QFETCH(QString, first);
    QFETCH(int, rows);
    QFETCH(int, currentNumber);
    TempJobFolder folder;
    folder.addJobs(1, 1000);
    Adodc control;
    control.setConnectionString(Program::DatabaseConnection);
    control.setRecordSource(Queries::jobList());
    RecordsetModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    Recordset *rs = control.recordset();
    model.setRecordset(rs);
    int refreshes = 0;
    connect(&control, &Adodc::refreshed, this, [&refreshes] { ++refreshes; });
    if (first.startsWith(QLatin1String("background"))) {
        control.refreshInBackground();
        QCOMPARE(refreshes, 0);
        if (first.endsWith(QLatin1String("read again")))
            QVERIFY(control.Refresh() && rs->setAbsolutePosition(5));
        QTRY_COMPARE(refreshes, 1);
    } else {
        QVERIFY(control.Refresh());
        QCOMPARE(rs->availableCount(), 256);
    }
    if (first.startsWith(QLatin1String("steps")))
        model.setRowsPerStep(100);
    if (first.startsWith(QLatin1String("steps, count"))) {
        QCOMPARE(rs->RecordCount(), 1000);
        QCOMPARE(model.rowCount(), 356);
        if (first.endsWith(QLatin1String("delete"))) {
            QVERIFY(rs->setAbsolutePosition(300));
            QVERIFY(rs->Delete());
            QCOMPARE(model.rowCount(), 999);
            QVERIFY(rs->MoveNext());
        } else {
            QVERIFY(rs->AddNew());
            rs->setField(Num, 1001);
            QVERIFY(rs->Update());
            QCOMPARE(model.rowCount(), 1001);
        }
        QCOMPARE(model.data(model.index(299, Num)).toInt(), rows == 999 ? 301 : 300);
    } else if (first == QLatin1String("count")) {
        QCOMPARE(rs->RecordCount(), 1000);
        QCOMPARE(model.rowCount(), 1000);
    } else if (first == QLatin1String("last")) {
        QVERIFY(rs->MoveLast());
    } else if (first.startsWith(QLatin1String("place"))) {
        // Counted, not every id read: each row is read by its place, from the nearer end.
        QVERIFY(rs->MoveLast());
        QCOMPARE(model.rowCount(), 1000);
        QCOMPARE(rs->Fields(Num).toInt(), 1000);
        for (int row : {998, 700, 300, 256})
            QCOMPARE(model.data(model.index(row, Num)).toInt(), row + 1);
        QVERIFY(rs->setAbsolutePosition(700));
        if (first.endsWith(QLatin1String("delete"))) {
            // The rows read on either side of it, pages apart, each move up one place.
            QVERIFY(rs->setAbsolutePosition(300));
            QVERIFY(rs->Delete());
            QCOMPARE(model.rowCount(), 999);
            QCOMPARE(model.data(model.index(298, Num)).toInt(), 299);
            for (int row : {299, 699, 997})
                QCOMPARE(model.data(model.index(row, Num)).toInt(), row + 2);
            QVERIFY(rs->MoveNext());
        }
    } else if (first.startsWith(QLatin1String("last when counted"))) {
        rs->MoveLastWhenCounted();
        QVERIFY(rs->AbsolutePosition() <= 0); // no row to act on until the count comes
        if (first.endsWith(QLatin1String("moved")))
            QVERIFY(rs->setAbsolutePosition(3));
        else if (first.endsWith(QLatin1String("read again")))
            QVERIFY(control.Refresh());
    } else if (first == QLatin1String("row 700 when counted")) {
        rs->moveWhenCounted(700);
        QVERIFY(rs->AbsolutePosition() <= 0);
    } else if (first == QLatin1String("delete")) {
        QVERIFY(rs->setAbsolutePosition(11));
        folder.value(QStringLiteral("delete from table1 where num=5"));
        QCOMPARE(rs->RecordCount(), 999);
    }
    QTRY_COMPARE(model.rowCount(), rows);
    QCOMPARE(rs->RecordCount(), rows);
    if (first.startsWith(QLatin1String("background")))
        QCOMPARE(refreshes, 1); // the thread's answer after a newer refresh is dropped
    // A far row is read by its id, and matches its place.
    QCOMPARE(model.data(model.index(std::min(rows, 1000) - 2, Num)).toInt(), 999);
    QCOMPARE(rs->Fields(Num).toInt(), currentNumber);
}

// The count leaves out a closing order, and only that: a limit after it, or an "order by" in a
// subquery or in a quoted text, still decides which rows there are.
void TestRecordset::countAgreesWithTheRowsRead_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<int>("rows");
    QTest::newRow("closing order") << "select rowid,num from table1 order by num asc" << 10;
    QTest::newRow("two keys, quoted") << "select rowid,num from table1 where num>5 ORDER BY \"num\" DESC, name" << 5;
    QTest::newRow("order then limit") << "select rowid,num from table1 order by num desc limit 3" << 3;
    QTest::newRow("order in a subquery")
        << "select rowid,num from (select rowid,num from table1 order by num limit 4) as t" << 4;
    QTest::newRow("order in a text") << "select rowid,num from table1 where name<>'x order by num'" << 10;
}

void TestRecordset::countAgreesWithTheRowsRead()
{
    QFETCH(QString, sql);
    QFETCH(int, rows);
    TempJobFolder folder;
    folder.addJobs(1, 10);
    Adodc control;
    control.setConnectionString(Program::DatabaseConnection);
    control.setRecordSource({sql, {}});
    QVERIFY2(control.Refresh(), qPrintable(control.recordset()->lastError()));
    Recordset *rs = control.recordset();
    QCOMPARE(rs->RecordCount(), rows);
    int read = 0;
    for (rs->MoveFirst(); !rs->IsEOF(); rs->MoveNext())
        ++read;
    QCOMPARE(read, rows);
}

// Find lands where reading the rows one by one from the same start would, however it gets there.
void TestRecordset::findAgreesWithReadingEveryRow_data()
{
    QTest::addColumn<bool>("blank"); // a job without a number, sorted first or last by the database
    QTest::addColumn<int>("start");  // position the search starts from
    QTest::addColumn<QString>("wanted");
    for (bool blank : {false, true}) {
        const char *with = blank ? ", and a job without a number" : "";
        QTest::addRow("late job%s", with) << blank << 1 << "900";
        QTest::addRow("first job%s", with) << blank << 1 << "2";
        QTest::addRow("behind the start%s", with) << blank << 400 << "20";
        QTest::addRow("at the start%s", with) << blank << 300 << "600";
        QTest::addRow("no such number%s", with) << blank << 1 << "901";
        QTest::addRow("past the last%s", with) << blank << 1 << "5000";
        QTest::addRow("held twice%s", with) << blank << 1 << "700";
        QTest::addRow("not a number%s", with) << blank << 1 << "abc";
    }
}

void TestRecordset::findAgreesWithReadingEveryRow()
{
    QFETCH(bool, blank);
    QFETCH(int, start);
    QFETCH(QString, wanted);
    TempJobFolder folder;
    folder.addJobs(2, 1000);
    folder.value(QStringLiteral("delete from table1 where num % 2 = 1"));
    if (blank)
        folder.addJob({{QStringLiteral("name"), QStringLiteral("no number yet")}});
    if (!TempJobFolder::onServer()) // the server keeps receipt numbers unique
        folder.addJob({{QStringLiteral("num"), 700}, {QStringLiteral("name"), QStringLiteral("second 700")}});

    Adodc reference;
    reference.setConnectionString(Program::DatabaseConnection);
    reference.setRecordSource(Queries::allJobs());
    Recordset *read = reference.recordset();
    int expected = -3; // no row: past the end
    for (read->setAbsolutePosition(start); !read->IsEOF(); read->MoveNext()) {
        if (read->Fields(Num).toString() == wanted) {
            expected = read->AbsolutePosition();
            break;
        }
    }
    Adodc control;
    control.setConnectionString(Program::DatabaseConnection);
    control.setRecordSource(Queries::allJobs());
    Recordset *rs = control.recordset();
    QVERIFY(rs->setAbsolutePosition(start));
    rs->Find(QStringLiteral("num='%1'").arg(wanted));
    QCOMPARE(rs->AbsolutePosition(), expected);
}

// A read begun on the reading thread that nobody wants any more: a page from a job file a restore
// replaced meanwhile is not shown, and a server stops reading the ids of a list read again.
void TestRecordset::aReadLetGoOfIsNotKept_data()
{
    QTest::addColumn<bool>("server");
    QTest::newRow("page of a replaced job file") << false;
    QTest::newRow("ids of a list read again") << true;
}

void TestRecordset::aReadLetGoOfIsNotKept()
{
    QFETCH(bool, server);
    if (server != TempJobFolder::onServer())
        QSKIP("A step of the other database's.");
    TempJobFolder folder;
    folder.addJobs(1, 300);
    Adodc control;
    control.setConnectionString(Program::DatabaseConnection);
    control.setRecordSource(Queries::jobList());
    if (server) {
        // Its first page comes at once; its ids, read to the end, take the server half a minute.
        control.setRecordSource({QStringLiteral("select rowid,num from (select rowid,num from table1 order by num) "
                                                "as jobs union all select 0, 0 from pg_sleep(30)"),
                                 {}});
        QVERIFY(control.Refresh());
        const QString sleeping = QStringLiteral("select count(*) from pg_stat_activity where wait_event='PgSleep'");
        QTRY_COMPARE(folder.value(sleeping).toInt(), 1);
        control.setRecordSource(Queries::jobList());
        QVERIFY(control.Refresh());
        // Well before the statement limit would end it.
        QTRY_COMPARE_WITH_TIMEOUT(folder.value(sleeping).toInt(), 0, 1500);
    } else {
        QList<bool> answers;
        connect(&control, &Adodc::refreshed, this, [&answers](bool ok) { answers << ok; });
        control.refreshInBackground();
        QThread::msleep(300); // the page is read meanwhile; its answer waits for this thread's events
        {
            JobFileConnections::Exclusive replacing({Program::databasePath()}, 10000);
            QVERIFY(replacing.ok());
            folder.value(QStringLiteral("delete from table1 where num>150"));
        }
        QTRY_COMPARE(answers, QList<bool>{false});
        QVERIFY(!control.recordset()->isOpen());
        QVERIFY(control.Refresh());
    }
    QTRY_VERIFY_WITH_TIMEOUT(control.recordset()->isCounted(), 5000);
    QCOMPARE(control.recordset()->availableCount(), server ? 300 : 150);
}

QTEST_GUILESS_MAIN(TestRecordset)
#include "tst_recordset.moc"
