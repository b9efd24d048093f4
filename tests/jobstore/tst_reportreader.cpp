// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/ProgramValues.h"
#include "jobstore/ReportQueries.h"
#include "jobstore/ReportReader.h"
#include "support/TempJobFolder.h"

#include <QtTest>

// The report's reads away from the window: every row once, in the report's order, a page at a time
// by ids, whatever order the jobs were stored in; a stop or a failure is told, never taken as a
// whole report.
class TestReportReader : public QObject
{
    Q_OBJECT

private slots:
    void rowsInTheReportsOrder_data();
    void rowsInTheReportsOrder();
    void rowDeletedMidReadIsLeftOut();
    void failuresAreTold();
};

namespace
{

SqlText everyJob()
{
    return Queries::report(0, Queries::openEnd, QString(), QString());
}

} // namespace

void TestReportReader::rowsInTheReportsOrder_data()
{
    QTest::addColumn<int>("late");  // stored first: jobs numbered after the early ones
    QTest::addColumn<int>("early"); // stored after them: numbers 1..early
    QTest::addColumn<int>("stopAfter");
    QTest::newRow("no jobs") << 0 << 0 << -1;
    QTest::newRow("one job") << 0 << 1 << -1;
    QTest::newRow("exactly a page") << 24 << 1000 << -1;
    QTest::newRow("a page and one, stored out of order") << 25 << 1000 << -1;
    QTest::newRow("three pages, stored out of order") << 1100 << 1000 << -1;
    QTest::newRow("stopped in the second page") << 1100 << 1000 << 1500;
}

void TestReportReader::rowsInTheReportsOrder()
{
    QFETCH(int, late);
    QFETCH(int, early);
    QFETCH(int, stopAfter);
    TempJobFolder folder;
    if (late > 0)
        folder.addJobs(early + 1, early + late, 40801);
    if (early > 0)
        folder.addJobs(1, early, 40802);

    ReportReader reader(Program::DatabaseConnection);
    QVERIFY2(reader.ok(), qPrintable(reader.lastError()));
    QList<int> numbers;
    const bool whole = reader.eachRow(everyJob(), [&](const QVector<QVariant> &row) {
        numbers << row.value(0).toInt();
        return numbers.size() != stopAfter;
    });
    const int total = early + late;
    QCOMPARE(whole, stopAfter < 0);
    QCOMPARE(numbers.size(), stopAfter < 0 ? total : stopAfter);
    for (int i = 0; i < numbers.size(); ++i)
        QCOMPARE(numbers.at(i), i + 1);

    // The grouped read counts the same jobs.
    qint64 counted = 0;
    QVERIFY(reader.eachGrouped(Queries::reportDays(everyJob()),
                               [&](const QVector<QVariant> &day) { counted += day.value(1).toLongLong(); }));
    QCOMPARE(counted, qint64(total));
}

// Another counter deletes a job after its id was read and before its page: it is left out, and the
// rest keep their order.
void TestReportReader::rowDeletedMidReadIsLeftOut()
{
    TempJobFolder folder;
    folder.addJobs(1, 3000, 40801);
    ReportReader reader(Program::DatabaseConnection);
    QList<int> numbers;
    QVERIFY(reader.eachRow(everyJob(), [&](const QVector<QVariant> &row) {
        numbers << row.value(0).toInt();
        if (numbers.size() == 10)
            folder.value(QStringLiteral("delete from table1 where num=2000"));
        return true;
    }));
    QCOMPARE(numbers.size(), 2999);
    QVERIFY(!numbers.contains(2000));
    QVERIFY(std::is_sorted(numbers.begin(), numbers.end()));
    QCOMPARE(folder.value(QStringLiteral("select count(*) from table1")).toInt(), 2999);
}

void TestReportReader::failuresAreTold()
{
    TempJobFolder folder;
    folder.addJobs(1, 5);
    ReportReader reader(Program::DatabaseConnection);
    QVERIFY(!reader.eachGrouped({QStringLiteral("select 0, nosuchcolumn from table1"), {}},
                                [](const QVector<QVariant> &) { QFAIL("no row of a failed read"); }));
    QVERIFY(!reader.lastError().isEmpty());
    QVERIFY(!reader.eachRow({QStringLiteral("select rowid, nosuchcolumn from table1"), {}},
                            [](const QVector<QVariant> &) { return true; }));

    // A folder whose db1.mdb is no job file gives no reader at all, and nothing read from it.
    if (TempJobFolder::onServer())
        return;
    QTemporaryDir other;
    QFile notJobs(other.filePath(QStringLiteral("db1.mdb")));
    QVERIFY(notJobs.open(QIODevice::WriteOnly) && notJobs.write("Standard Jet DB, not SQLite") > 0);
    notJobs.close();
    ReportReader broken(Program::connectionTextFor(other.path()));
    QVERIFY(!broken.ok());
    QVERIFY(!broken.eachGrouped(Queries::reportDays(everyJob()), [](const QVector<QVariant> &) {}));
    QCOMPARE(notJobs.size(), qint64(27));
}

QTEST_GUILESS_MAIN(TestReportReader)
#include "tst_reportreader.moc"
