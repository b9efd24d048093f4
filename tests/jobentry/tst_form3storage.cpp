#include "Form3Driver.h"

#include "jobstore/JobDatabase.h"
#include "jobstore/StorageFault.h"
#include "support/Seams.h"
#include "support/TempJobFolder.h"

#include <QElapsedTimer>

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
    Seams seams;
    Form3Driver driver;
    driver.openNew(1);
    driver.fill(1, QStringLiteral("رضا"));
    driver.fill(2, QStringLiteral("Nokia"));
    folder.hold(false); // a second counter in the middle of its own save
    QElapsedTimer clock;
    clock.start();
    driver.click("Command3");
    QVERIFY(clock.elapsed() >= JobDatabase::DefaultBusyWait - 500);
    QCOMPARE(seams.messageTexts(), QStringList{"خطاي شماره 1\n" + storageFaultSentence(StorageFault::Busy)});
    QVERIFY(driver.form->isVisible());
    QCOMPARE(driver.text(1), QStringLiteral("رضا"));
    folder.value(QStringLiteral("rollback"));
    driver.click("Command3");
    QVERIFY(!driver.form->isVisible());
    QCOMPARE(folder.value(QStringLiteral("select name from table1 where num=1")).toString(), QStringLiteral("رضا"));
}

QTEST_MAIN(TestForm3Storage)
#include "tst_form3storage.moc"
