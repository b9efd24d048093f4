#include "Form3Driver.h"

#include "jobstore/JobDatabase.h"
#include "jobstore/StorageFault.h"
#include "support/Seams.h"
#include "support/TempJobFolder.h"

#include <QElapsedTimer>
#include <QSqlQuery>

// Saving a job while the file is held by another program.
class TestForm3Storage : public QObject
{
    Q_OBJECT

private slots:
    void saveMeetingABusyFileKeepsTheWindow();
};

void TestForm3Storage::saveMeetingABusyFileKeepsTheWindow()
{
    TempJobFolder folder;
    folder.addJobs(1, 2);
    folder.reconnect();
    Seams seams;
    Form3Driver driver;
    driver.openNew(3);
    driver.fill(1, QStringLiteral("رضا"));
    driver.fill(2, QStringLiteral("Nokia"));

    // A second counter in the middle of its own save.
    QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
    other.setDatabaseName(folder.databasePath());
    QVERIFY(other.open());
    QVERIFY(QSqlQuery(other).exec(QStringLiteral("begin immediate")));
    QVERIFY(QSqlQuery(other).exec(QStringLiteral("update table1 set name='x' where num=1")));

    QElapsedTimer clock;
    clock.start();
    driver.click("Command3");
    QVERIFY(clock.elapsed() >= JobDatabase::DefaultBusyWait - 500);
    QCOMPARE(seams.messageTexts(),
             QStringList{QStringLiteral("خطاي شماره 1\n") + storageFaultSentence(StorageFault::Busy)});
    QVERIFY(driver.form->isVisible());
    QCOMPARE(driver.text(1), QStringLiteral("رضا"));

    QVERIFY(QSqlQuery(other).exec(QStringLiteral("rollback")));
    other.close();
    other = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("other"));
    driver.click("Command3");
    QCOMPARE(seams.messages.size(), 1);
    QVERIFY(!driver.form->isVisible());
    QCOMPARE(folder.value(QStringLiteral("select name from table1 where num=3")).toString(), QStringLiteral("رضا"));
}

QTEST_MAIN(TestForm3Storage)
#include "tst_form3storage.moc"
