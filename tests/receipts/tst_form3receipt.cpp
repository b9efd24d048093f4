// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobentry/Form3Driver.h"
#include "receipts/PrintSurface.h"
#include "receipts/RecordingSurface.h"
#include "support/Seams.h"
#include "support/TempJobFolder.h"

#include <QFile>

// The job window's confirm-and-print: check, print the receipt, then save.
class tst_Form3Receipt : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_recorder = std::make_unique<RecordingSurface>();
        Printer::setSurface(m_recorder.get());
    }
    void cleanup()
    {
        Printer::setSurface(nullptr);
        m_recorder.reset();
    }

    void printsEachCopyThenSaves_data();
    void printsEachCopyThenSaves();
    void failedCheckPrintsAndSavesNothing();
    void failedSavePrintsNothing();
    void outageThenTakenNumberPrintsOnlyTheStoredNumber();
    void printerFailureIsToldAndTheJobSaved();
    void labelStoresTheJobFirstAndKeepsTheWindowOpen();

private:
    static void writeEditFile(const TempJobFolder &folder, const QByteArray &bytes)
    {
        QFile file(folder.path() + QStringLiteral("/edit.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    std::unique_ptr<RecordingSurface> m_recorder;
};

static const QString customer = QStringLiteral("علي رضايي");

void tst_Form3Receipt::printsEachCopyThenSaves_data()
{
    QTest::addColumn<QByteArray>("copiesLine");
    QTest::addColumn<int>("copies");
    QTest::addColumn<bool>("told"); // the clerk hears why no receipt printed
    QTest::newRow("three copies") << QByteArray("3") << 3 << false;
    QTest::newRow("no copies chosen") << QByteArray("") << 0 << true;
    QTest::newRow("garbled copies line") << QByteArray("\xFE\xFF") << 0 << true;
}

void tst_Form3Receipt::printsEachCopyThenSaves()
{
    QFETCH(QByteArray, copiesLine);
    QFETCH(int, copies);
    QFETCH(bool, told);
    TempJobFolder folder;
    writeEditFile(folder, copiesLine + "\r\nMy shop\r\n");
    Seams seams;
    Form3Driver driver;
    Form3Driver::setToday({1392, 2, 8});
    driver.openNew(7);
    driver.fill(1, customer);
    driver.fill(2, QStringLiteral("Nokia 1100"));
    driver.box(8)->setText(QStringLiteral("1500.5"));
    driver.box(9)->setText(QStringLiteral("2500.5"));
    driver.click("printCmd");

    QCOMPARE(m_recorder->count(RecordingSurface::Operation::Kind::Form), copies);
    QCOMPARE(m_recorder->count(RecordingSurface::Operation::Kind::EndDoc), copies);
    if (copies) {
        const RecordingSurface::Operation page = m_recorder->forms().last();
        QCOMPARE(RecordingSurface::textOf(page, "Text2"), QStringLiteral("شماره:7"));
        QCOMPARE(RecordingSurface::textOf(page, "Text5"), QStringLiteral("نام:") + customer);
        QCOMPARE(RecordingSurface::textOf(page, "Text10"), QStringLiteral("تاريخ ورود به تعميرگاه:8/2/92"));
        QCOMPARE(RecordingSurface::textOf(page, "Text11"), QStringLiteral("تاريخ تحويل:11/2/92"));
        QCOMPARE(RecordingSurface::textOf(page, "Text8"), QStringLiteral("حداقل هزينه:1500"));
        QCOMPARE(RecordingSurface::textOf(page, "Text9"), QStringLiteral("بيعانه:2500"));
        QCOMPARE(RecordingSurface::textOf(page, "Label1"), QStringLiteral("تاريخ:1392/02/08"));
        QCOMPARE(RecordingSurface::textOf(page, "Text1"), QStringLiteral("My shop"));
    }
    QCOMPARE(seams.messages.size(), told ? 1 : 0);
    // Told after the save; the job is saved all the same.
    QVERIFY(!driver.form->isVisible());
    QCOMPARE(folder.value("select name from table1 where num=7").toString(), customer);
}

// Counter B's job 14 meets an outage; meanwhile counter A takes 14. B's customer must hold one
// receipt only, for the number B's job is stored under.
void tst_Form3Receipt::outageThenTakenNumberPrintsOnlyTheStoredNumber()
{
    TempJobFolder folder;
    writeEditFile(folder, "1\r\n");
    folder.addJobs(1, 13);
    Seams seams;
    Form3Driver driver;
    driver.openNew(14);
    driver.fill(1, customer);
    driver.fill(2, QStringLiteral("Nokia"));
    folder.stopAnswering();
    driver.click("printCmd");
    QCOMPARE(m_recorder->count(RecordingSurface::Operation::Kind::Form), 0);
    QCOMPARE(seams.messages.size(), 1);
    QVERIFY(seams.messages.first().text.startsWith(QStringLiteral("خطاي شماره 1")));
    QVERIFY(driver.form->isVisible());

    folder.answerAgain();
    folder.addJob({{QStringLiteral("num"), 14}, {QStringLiteral("name"), QStringLiteral("A")}});
    seams.answers << MessageBox::Answer::Yes;
    driver.click("printCmd");
    QCOMPARE(seams.messages.size(), 2);
    QVERIFY(seams.messages.last().text.contains(QStringLiteral("شماره 15")));
    QCOMPARE(folder.rows(QStringLiteral("select num, name from table1 where num>=14 order by num")),
             (QList<QVariantList>{{14, QStringLiteral("A")}, {15, customer}}));
    QCOMPARE(m_recorder->count(RecordingSurface::Operation::Kind::Form), 1);
    QCOMPARE(RecordingSurface::textOf(m_recorder->forms().last(), "Text2"), QStringLiteral("شماره:15"));
    QVERIFY(!driver.form->isVisible());
}

void tst_Form3Receipt::failedCheckPrintsAndSavesNothing()
{
    TempJobFolder folder;
    writeEditFile(folder, "2\r\n");
    Seams seams;
    Form3Driver driver;
    driver.openNew(1);
    driver.fill(2, QStringLiteral("Nokia"));
    driver.click("printCmd");
    QCOMPARE(seams.messages.size(), 1); // the check's own message
    QVERIFY(m_recorder->operations.isEmpty());
    QVERIFY(driver.form->isVisible());
    QCOMPARE(folder.value("select count(*) from table1").toInt(), 0);
}

void tst_Form3Receipt::failedSavePrintsNothing()
{
    TempJobFolder folder;
    writeEditFile(folder, "1\r\n");
    folder.refuseWrites(QStringLiteral("insert"));
    Seams seams;
    Form3Driver driver;
    driver.openNew(14);
    driver.fill(1, customer);
    driver.fill(2, QStringLiteral("Nokia"));
    driver.click("printCmd");
    // No receipt for a number that is not stored: it could be handed to another customer.
    QCOMPARE(seams.messages.size(), 1);
    QVERIFY(seams.messages.first().text.startsWith(QStringLiteral("خطاي شماره 1")));
    QCOMPARE(m_recorder->count(RecordingSurface::Operation::Kind::Form), 0);
    QVERIFY(driver.form->isVisible());
    QCOMPARE(folder.value("select count(*) from table1").toInt(), 0);

    folder.allowWrites();
    driver.click("printCmd");
    QCOMPARE(m_recorder->count(RecordingSurface::Operation::Kind::Form), 1);
    QCOMPARE(RecordingSurface::textOf(m_recorder->forms().last(), "Text2"), QStringLiteral("شماره:14"));
    QVERIFY(!driver.form->isVisible());
    QCOMPARE(folder.value("select name from table1 where num=14").toString(), customer);
}

void tst_Form3Receipt::printerFailureIsToldAndTheJobSaved()
{
    TempJobFolder folder;
    writeEditFile(folder, "3\r\n");
    Seams seams;
    Form3Driver driver;
    driver.openNew(4);
    driver.fill(1, customer);
    driver.fill(2, QStringLiteral("Nokia"));
    m_recorder->failFromCall(0);
    driver.click("printCmd");
    QCOMPARE(seams.messageTexts(), QStringList{QStringLiteral("خطاي ارسال به پرينتر")});
    QCOMPARE(m_recorder->callCount(), 1);
    QVERIFY(!driver.form->isVisible());
    QCOMPARE(folder.value("select count(*) from table1 where num=4").toInt(), 1);
}

// Ctrl+L on a job just typed in: stored first, then its label; the receipt may follow.
void tst_Form3Receipt::labelStoresTheJobFirstAndKeepsTheWindowOpen()
{
    TempJobFolder folder;
    writeEditFile(folder, "1\r\n");
    Seams seams;
    Form3Driver driver;
    driver.openNew(7);
    driver.fill(1, customer);
    driver.fill(2, QStringLiteral("Nokia 1100"));
    QTest::keyClick(driver.form.get(), Qt::Key_L, Qt::ControlModifier);
    // The key clicks the button as a click of the mouse looks: a moment later.
    QTRY_COMPARE(m_recorder->count(RecordingSurface::Operation::Kind::Roll), 1);
    QCOMPARE(RecordingSurface::itemOf(m_recorder->forms().last(), "Barcode")->text, QStringLiteral("7"));
    QCOMPARE(folder.value("select name from table1 where num=7").toString(), customer);
    QVERIFY(driver.form->isVisible());

    // The window now holds the stored job: the receipt's save changes it instead of adding another.
    driver.fill(10, QStringLiteral("شارژر"));
    driver.click("printCmd");
    QCOMPARE(folder.rows(QStringLiteral("select num, accessory from table1")),
             (QList<QVariantList>{{7, QStringLiteral("شارژر")}}));
    QCOMPARE(RecordingSurface::textOf(m_recorder->forms().last(), "Text2"), QStringLiteral("شماره:7"));
    QVERIFY(seams.messages.isEmpty());
    QVERIFY(!driver.form->isVisible());
}

QTEST_MAIN(tst_Form3Receipt)
#include "tst_form3receipt.moc"
