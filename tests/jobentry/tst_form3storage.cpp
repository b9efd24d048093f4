// SPDX-License-Identifier: GPL-3.0-or-later
#include "Form3Driver.h"

#include "jobstore/StorageFault.h"
#include "jobstore/file/JobDatabase.h"
#include "jobstore/server/Dialect.h"
#include "support/Seams.h"
#include "support/TempJobFolder.h"

#include <QElapsedTimer>
#include <QTimer>

// Saving a job while the file is held by another program, or changed by another counter.
class TestForm3Storage : public QObject
{
    Q_OBJECT

private slots:
    void saveMeetingABusyFileKeepsTheWindow();
    void saveAfterAnotherCounterChangedTheJob_data();
    void saveAfterAnotherCounterChangedTheJob();
    void questionOpenAsTheProgramEndsWritesNothing();
};

void TestForm3Storage::saveMeetingABusyFileKeepsTheWindow()
{
    TempJobFolder folder;
    Seams seams;
    Form3Driver driver;
    driver.openNew(1);
    driver.fill(1, QStringLiteral("رضا"));
    driver.fill(2, QStringLiteral("Nokia"));
    folder.hold(false); // a second counter in the middle of its own save
    QElapsedTimer clock;
    clock.start();
    driver.click("Command3");
    QVERIFY(clock.elapsed() >=
            (TempJobFolder::onServer() ? Dialect::ServerLockWait : JobDatabase::DefaultBusyWait) - 500);
    QCOMPARE(seams.messageTexts(), QStringList{"خطاي شماره 1\n" + storageFaultSentence(StorageFault::Busy)});
    QVERIFY(driver.form->isVisible());
    QCOMPARE(driver.text(1), QStringLiteral("رضا"));
    folder.value(QStringLiteral("rollback"));
    driver.click("Command3");
    QVERIFY(!driver.form->isVisible());
    QCOMPARE(folder.value(QStringLiteral("select name from table1 where num=1")).toString(), QStringLiteral("رضا"));
}

void TestForm3Storage::saveAfterAnotherCounterChangedTheJob_data()
{
    QTest::addColumn<QString>("meanwhile"); // what the other counter does after this window opened job 4
    QTest::addColumn<int>("box");           // what this window changes, Text1(box)
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QList<MessageBox::Answer>>("answers");
    QTest::addColumn<int>("saves");     // clicks on save until the window closes; 0: it stays open
    QTest::addColumn<QString>("check"); // read from the database afterwards
    QTest::addColumn<QString>("expected");

    const auto yes = MessageBox::Answer::Yes;
    const auto no = MessageBox::Answer::No;
    const QString modelChanged = QStringLiteral("update table1 set nameph='Pixel 8' where num=4");
    const QString both = QStringLiteral("select nameph||' '||tel from table1 where num=4");
    QTest::newRow("nobody else") << QString() << 4 << "0912" << QList<MessageBox::Answer>{} << 1 << both
                                 << "Nokia 0912";
    QTest::newRow("other box, keep theirs") << modelChanged << 4 << "0912" << QList{yes} << 2 << both << "Pixel 8 0912";
    QTest::newRow("same box, keep theirs") << modelChanged << 2 << "Moto" << QList{yes} << 2 << both << "Pixel 8 ";
    QTest::newRow("same box, write over") << modelChanged << 2 << "Moto" << QList{no} << 1 << both << "Moto ";
    // The window writes only what its clerk changed: the other counter's model stays.
    QTest::newRow("other box, write over") << modelChanged << 4 << "0912" << QList{no} << 1 << both << "Pixel 8 0912";
    QTest::newRow("question left unanswered")
        << modelChanged << 2 << "Moto" << QList{MessageBox::Answer::None} << 0 << both << "Pixel 8 ";
    QTest::newRow("connection dropped") << "select count(pg_terminate_backend(pid)) from pg_stat_activity where "
                                           "datname=current_database() and pid<>pg_backend_pid()"
                                        << 4 << "0912" << QList<MessageBox::Answer>{} << 1 << both << "Nokia 0912";
    QTest::newRow("deleted, saved anew") << "delete from table1 where num=4" << 4 << "0912" << QList{yes} << 1
                                         << "select count(*)||' '||max(num)||' '||max(tel) from table1"
                                         << "5 11 0912";
    QTest::newRow("deleted, not saved") << "delete from table1 where num=4" << 4 << "0912" << QList{no} << 0
                                        << "select count(*) from table1"
                                        << "4";
}

// The other counter stands in as plain SQL that changes one column, as its own save does.
void TestForm3Storage::saveAfterAnotherCounterChangedTheJob()
{
    QFETCH(QString, meanwhile);
    QFETCH(int, box);
    QFETCH(QString, typed);
    QFETCH(QList<MessageBox::Answer>, answers);
    QFETCH(int, saves);
    TempJobFolder folder;
    folder.addJobs(1, 5);
    folder.value(QStringLiteral("update table1 set nameph='Nokia', tel='' where num=4"));
    folder.value(QStringLiteral("update table1 set num=10 where num=5"));
    Seams seams;
    seams.answers = answers;
    Form3Driver driver;
    driver.open(0, 4);
    QCOMPARE(driver.text(2), QStringLiteral("Nokia"));
    driver.fill(box, typed);
    if (meanwhile.contains(QLatin1String("pg_")) && !TempJobFolder::onServer())
        QSKIP("Only a server drops connections.");
    if (!meanwhile.isEmpty())
        folder.value(meanwhile);
    for (int i = 0; i < std::max(saves, 1); ++i) {
        QVERIFY2(driver.form->isVisible(), qPrintable(seams.messageTexts().join(u'|')));
        driver.click("Command3");
    }
    QCOMPARE(driver.form->isVisible(), saves == 0);
    QCOMPARE(seams.messages.size(), answers.size());
    // Each box the other counter changed, with its value there beside this window's.
    if (!answers.isEmpty() && !meanwhile.startsWith(QLatin1String("delete")))
        QVERIFY(seams.messages.first().text.contains(
            QStringLiteral("نام و مدل دستگاه: پيشخوان ديگر «Pixel 8»، اين پنجره «%1»")
                .arg(box == 2 ? typed : QStringLiteral("Nokia"))));
    QFETCH(QString, check);
    QTEST(folder.value(check).toString(), "expected");
}

// The real question box, ended by the program's end (logout, SIGTERM) rather than by the clerk.
void TestForm3Storage::questionOpenAsTheProgramEndsWritesNothing()
{
    TempJobFolder folder;
    folder.addJobs(1, 4);
    folder.value(QStringLiteral("update table1 set nameph='Nokia' where num=4"));
    Seams seams;
    Form3Driver driver;
    driver.open(0, 4);
    driver.fill(2, QStringLiteral("Moto"));
    folder.value(QStringLiteral("update table1 set nameph='Pixel 8' where num=4"));
    MessageBox::setHandler({});
    bool asked = false;
    QTimer::singleShot(300, qApp, [&asked] {
        asked = QApplication::activeModalWidget() != nullptr;
        QCoreApplication::exit(0);
    });
    driver.click("Command3");
    QVERIFY(asked);
    QCOMPARE(folder.value(QStringLiteral("select nameph from table1 where num=4")).toString(),
             QStringLiteral("Pixel 8"));
}

QTEST_MAIN(TestForm3Storage)
#include "tst_form3storage.moc"
