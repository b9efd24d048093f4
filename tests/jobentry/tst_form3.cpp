// SPDX-License-Identifier: GPL-3.0-or-later
#include "Form3Driver.h"

#include "jobstore/JobTable.h"
#include "platform/ListRefresh.h"
#include "support/Seams.h"
#include "support/TempJobFolder.h"

#include <QApplication>
#include <QSignalSpy>

using Sorvan::SolarDate;

// Opening, checking and saving a job, and what reaches db1.mdb.
class TestForm3 : public QObject
{
    Q_OBJECT

private slots:
    void registerNewJob_data();
    void registerNewJob();
    void openChangeStatusAndConfirm();
    void openLeavesNullColumnsAsLoaded();
    void openUnknownNumberShowsEmptyWindow();
    void checkFields_data();
    void checkFields();
    void amountsAndDigitsAreStoredAsNumbers_data();
    void amountsAndDigitsAreStoredAsNumbers();
    void emptyBoxesAndColumns();
    void receiptNumberOfAnotherJobIsRefused();
    void failedSaveKeepsWindowAndTypedText();
    void failedChangeKeepsEarlierValues();
    void printCmdChecksAndSaves();
};

static const QString name = QStringLiteral("علي رضايي");

void TestForm3::registerNewJob_data()
{
    QTest::addColumn<SolarDate>("today");
    QTest::addColumn<QString>("entryShown");
    QTest::addColumn<qint64>("datein");
    QTest::addColumn<qint64>("dateout");

    QTest::newRow("ordinary") << SolarDate{1392, 2, 8} << "92/02/08" << qint64(920208) << qint64(920211);
    QTest::newRow("31-day month end") << SolarDate{1385, 6, 29} << "85/06/29" << qint64(850629) << qint64(850701);
    QTest::newRow("year end of a leap year") << SolarDate{1403, 12, 29} << "03/12/29" << qint64(31229) << qint64(40102);
    QTest::newRow("new century") << SolarDate{1400, 1, 5} << "00/01/05" << qint64(105) << qint64(108);
}

void TestForm3::registerNewJob()
{
    QFETCH(SolarDate, today);
    QFETCH(QString, entryShown);
    QFETCH(qint64, datein);
    QFETCH(qint64, dateout);

    TempJobFolder folder;
    Seams seams;
    Form3Driver driver;
    Form3Driver::setToday(today);
    QSignalSpy refresh(ListRefresh::instance(), &ListRefresh::requested);

    driver.open(1, 1);
    // Nothing before the defaults' tick.
    QCOMPARE(driver.text(0), QString());
    QTRY_COMPARE(driver.text(0), QStringLiteral("1"));
    QCOMPARE(driver.combo()->currentText(), JobTable::statusUnderRepair());
    QCOMPARE(driver.mask(1)->displayText(), entryShown);

    driver.fill(1, name);
    driver.fill(2, QStringLiteral("Nokia 1100"));
    driver.click("Command3");

    QVERIFY(seams.messages.isEmpty());
    QCOMPARE(driver.form->result(), int(QDialog::Accepted));
    QVERIFY(!driver.form->isVisible());
    QCOMPARE(refresh.count(), 1);
    const QList<QVariantList> rows = folder.rows(
        "select num,name,nameph,datein,dateout,status,serial,tel,minp,deposit,panelp,endp,\"desc\" from table1");
    QCOMPARE(rows.size(), 1);
    const QVariantList &row = rows.first();
    QCOMPARE(row[0].toLongLong(), 1);
    QCOMPARE(row[1].toString(), name);
    QCOMPARE(row[2].toString(), QStringLiteral("Nokia 1100"));
    QCOMPARE(row[3].toLongLong(), datein);
    QCOMPARE(row[4].toLongLong(), dateout);
    QCOMPARE(row[5].toString(), JobTable::statusUnderRepair());
    // Empty text boxes store the empty text; empty amount boxes leave their columns null.
    QVERIFY(!row[6].isNull() && row[6].toString().isEmpty());
    QVERIFY(!row[7].isNull() && row[7].toString().isEmpty());
    for (int i = 8; i <= 11; ++i)
        QVERIFY2(row[i].isNull(), qPrintable(QString::number(i)));
    QVERIFY(!row[12].isNull());

    // Opened again, the job shows what was saved and takes a new status.
    Form3Driver again;
    again.open(0, 1);
    QCOMPARE(again.text(1), name);
    QCOMPARE(again.mask(2)->displayText(),
             QString::number(dateout).rightJustified(6, u'0').insert(4, u'/').insert(2, u'/'));
    again.combo()->setCurrentIndex(1);
    again.click("Command3");
    QVERIFY(seams.messages.isEmpty());
    QCOMPARE(folder.rows("select num,status,dateout from table1"),
             (QList<QVariantList>{{1, JobTable::statusRepaired(), dateout}}));
}

void TestForm3::openChangeStatusAndConfirm()
{
    TempJobFolder folder;
    Seams seams;
    folder.addJob({{"num", 1}, {"name", "x"}, {"nameph", "y"}});
    folder.addJob({{"num", 7},
                   {"name", name},
                   {"nameph", "Samsung A5"},
                   {"serial", "3581"},
                   {"datein", 105},
                   {"dateout", 850712},
                   {"minp", 1500.5},
                   {"deposit", 200},
                   {"service", "حسن"},
                   {"status", JobTable::statusRepaired()},
                   {"desc", "صفحه"}});
    Form3Driver driver;
    driver.open(0, 7);

    QCOMPARE(driver.text(0), QStringLiteral("7"));
    QCOMPARE(driver.text(1), name);
    QCOMPARE(driver.text(3), QStringLiteral("3581"));
    QCOMPARE(driver.text(8), QStringLiteral("1500.5"));
    QCOMPARE(driver.text(9), QStringLiteral("200"));
    QCOMPARE(driver.text(11), QStringLiteral("حسن"));
    QCOMPARE(driver.text(15), QStringLiteral("صفحه"));
    QCOMPARE(driver.combo()->currentText(), JobTable::statusRepaired());
    // A short date number shows with its leading zeros.
    QCOMPARE(driver.mask(1)->displayText(), QStringLiteral("00/01/05"));
    QCOMPARE(driver.mask(2)->displayText(), QStringLiteral("85/07/12"));
    QCOMPARE(driver.focusName(), QStringLiteral("Text1(0)"));

    driver.combo()->setFocus();
    driver.combo()->setCurrentIndex(3);
    driver.click("Command3");

    QVERIFY(seams.messages.isEmpty());
    QVERIFY(!driver.form->isVisible());
    QCOMPARE(folder.value("select count(*) from table1").toInt(), 2);
    const QVariantList row = folder
                                 .rows("select status,datein,dateout,minp,deposit,name,serial from table1 "
                                       "where num=7")
                                 .first();
    QCOMPARE(row[0].toString(), JobTable::statusDelivered());
    QCOMPARE(row[1].toLongLong(), 105);
    QCOMPARE(row[2].toLongLong(), 850712);
    QCOMPARE(row[3].toDouble(), 1500.5);
    QCOMPARE(row[4].toLongLong(), 200);
    QCOMPARE(row[5].toString(), name);
    QCOMPARE(row[6].toString(), QStringLiteral("3581"));
}

void TestForm3::openLeavesNullColumnsAsLoaded()
{
    TempJobFolder folder;
    Seams seams;
    folder.addJob({{"num", 3}, {"name", "x"}, {"nameph", "y"}});
    Form3Driver driver;
    driver.open(0, 3);

    QCOMPARE(driver.text(9), QString());
    QCOMPARE(driver.combo()->currentText(), JobTable::statusUnderRepair());
    QCOMPARE(driver.mask(1)->displayText(), QStringLiteral("__/__/__"));

    // Saved unchanged, a null entry date becomes 0 from its placeholder; the amounts stay null.
    driver.click("Command3");
    QVERIFY(seams.messages.isEmpty());
    const QVariantList row = folder.rows("select datein,dateout,deposit,status from table1").first();
    QCOMPARE(row[0].toLongLong(), 0);
    QCOMPARE(row[1].toLongLong(), 0);
    QVERIFY(row[2].isNull());
    QCOMPARE(row[3].toString(), JobTable::statusUnderRepair());
}

void TestForm3::openUnknownNumberShowsEmptyWindow()
{
    TempJobFolder folder;
    Seams seams;
    folder.addJob({{"num", 1}, {"name", "x"}, {"nameph", "y"}});
    Form3Driver driver;
    driver.open(0, 99);
    QTest::qWait(700);
    for (int i : {0, 1, 2, 8, 15})
        QCOMPARE(driver.text(i), QString());
    QCOMPARE(driver.combo()->currentText(), JobTable::statusUnderRepair());
    QVERIFY(seams.messages.isEmpty());
    QVERIFY(driver.form->isVisible());
}

void TestForm3::checkFields_data()
{
    QTest::addColumn<QStringList>("boxes"); // texts of Text1(1), (2), (3), (4), (8), (14)
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");

    const QString serialMessage = QStringLiteral("براي فيلد سريال فقط مقدار عددي مجاز است. لطفا تصحيح فرماييد");
    const QString telMessage = QStringLiteral("براي فيلد تلفن فقط مقدار عددي مجاز است. لطفا تصحيح فرماييد");
    const QString costMessage = QStringLiteral("براي فيلد هزينه فقط مقدار عددي مجاز است. لطفا تصحيح فرماييد");

    QTest::newRow("name and model empty")
        << QStringList{"", "", "", "", "", ""} << QStringLiteral("لطفا فيلد نام صاحب دستگاه را پر کنيد") << "Text1(1)";
    QTest::newRow("model empty") << QStringList{"x", "", "12 34", "", "", ""}
                                 << QStringLiteral("لطفا فيلد نام و مدل دستگاه را پر کنيد") << "Text1(2)";
    QTest::newRow("serial with a blank") << QStringList{"x", "y", "12 34", "+98", "", ""} << serialMessage
                                         << "Text1(3)";
    QTest::newRow("telephone with a plus") << QStringList{"x", "y", "", "+98912", "", ""} << telMessage << "Text1(4)";
    QTest::newRow("blank-only name is a name") << QStringList{" ", "y", "", "", "", ""} << QString() << QString();
    QTest::newRow("letters in minimum cost") << QStringList{"x", "y", "", "", "هزار", ""} << costMessage << "Text1(8)";
    QTest::newRow("letters after final price")
        << QStringList{"x", "y", "", "", "", "12x"} << costMessage << "Text1(14)";
    QTest::newRow("Persian digits everywhere")
        << QStringList{"x", "y", "۱۲۳", "٠٩١٢", "۱٬۵۰۰", "2,000"} << QString() << QString();
}

void TestForm3::checkFields()
{
    QFETCH(QStringList, boxes);
    QFETCH(QString, message);
    QFETCH(QString, focus);

    TempJobFolder folder;
    Seams seams;
    Form3Driver driver;
    driver.openNew(1);
    const int indexes[] = {1, 2, 3, 4, 8, 14};
    for (int i = 0; i < 6; ++i)
        driver.fill(indexes[i], boxes[i]);
    driver.click("Command3");

    if (message.isEmpty()) {
        QCOMPARE(seams.messageTexts(), QStringList());
        QCOMPARE(driver.form->FieldsOk(), 1);
        QVERIFY(!driver.form->isVisible());
        QCOMPARE(folder.value("select count(*) from table1").toInt(), 1);
        return;
    }
    QCOMPARE(seams.messageTexts(), QStringList{message});
    QCOMPARE(seams.messages.first().buttons, MessageBox::Buttons::Ok);
    QCOMPARE(driver.form->FieldsOk(), 0);
    QCOMPARE(driver.focusName(), focus);
    QVERIFY(driver.form->isVisible());
    QCOMPARE(folder.value("select count(*) from table1").toInt(), 0);
}

void TestForm3::amountsAndDigitsAreStoredAsNumbers_data()
{
    QTest::addColumn<QString>("receipt");
    QTest::addColumn<QString>("serial");
    QTest::addColumn<QString>("amount");
    QTest::addColumn<qint64>("num");
    QTest::addColumn<QString>("storedSerial");
    QTest::addColumn<double>("minp");

    QTest::newRow("plain") << "5"
                           << "123"
                           << "1500" << qint64(5) << "123" << 1500.0;
    QTest::newRow("thousands comma") << "5"
                                     << ""
                                     << "1,500" << qint64(5) << "" << 1500.0;
    QTest::newRow("Persian separator and digits") << "۱۲"
                                                  << "۰۹۸"
                                                  << "۱٬۵۰۰٬۰۰۰" << qint64(12) << "098" << 1500000.0;
    QTest::newRow("Arabic-Indic digits, decimal") << "٤"
                                                  << "٣"
                                                  << "٢٥٫٥" << qint64(4) << "3" << 25.5;
    QTest::newRow("decimals and blanks") << " 6"
                                         << ""
                                         << " 99.25 " << qint64(6) << "" << 99.25;
}

void TestForm3::amountsAndDigitsAreStoredAsNumbers()
{
    QFETCH(QString, receipt);
    QFETCH(QString, serial);
    QFETCH(QString, amount);
    QFETCH(qint64, num);
    QFETCH(QString, storedSerial);
    QFETCH(double, minp);

    TempJobFolder folder;
    Seams seams;
    Form3Driver driver;
    driver.openNew(1);
    driver.fill(0, receipt);
    driver.fill(1, name);
    driver.fill(2, "LG");
    driver.fill(3, serial);
    driver.fill(8, amount);
    driver.click("Command3");

    QCOMPARE(seams.messageTexts(), QStringList());
    const QVariantList row = folder.rows("select num,serial,minp from table1").first();
    QCOMPARE(row[0].toLongLong(), num);
    QCOMPARE(row[1].toString(), storedSerial);
    QCOMPARE(row[2].toDouble(), minp);
}

void TestForm3::emptyBoxesAndColumns()
{
    TempJobFolder folder;
    Seams seams;
    folder.addJob({{"num", 2},
                   {"name", "x"},
                   {"nameph", "y"},
                   {"warranty", "6 ماه"},
                   {"minp", 100},
                   {"endp", 900},
                   {"panelp", 50}});
    Form3Driver driver;
    driver.open(0, 2);
    driver.fill(7, "");
    driver.fill(8, "");
    driver.fill(14, "");
    driver.fill(13, "75");
    driver.click("Command3");

    QCOMPARE(seams.messageTexts(), QStringList());
    const QVariantList row = folder.rows("select warranty,minp,endp,panelp from table1").first();
    // An emptied text box stores the empty text; an emptied amount box leaves the amount untouched.
    QVERIFY(!row[0].isNull() && row[0].toString().isEmpty());
    QCOMPARE(row[1].toLongLong(), 100);
    QCOMPARE(row[2].toLongLong(), 900);
    QCOMPARE(row[3].toLongLong(), 75);
}

void TestForm3::receiptNumberOfAnotherJobIsRefused()
{
    TempJobFolder folder;
    Seams seams;
    folder.addJob({{"num", 1}, {"name", "a"}, {"nameph", "b"}});
    folder.addJob({{"num", 2}, {"name", "c"}, {"nameph", "d"}});
    Form3Driver driver;
    driver.openNew(3);
    driver.fill(1, name);
    driver.fill(2, "HTC");
    driver.fill(0, "۲");
    driver.click("Command3");

    QCOMPARE(seams.messages.size(), 1);
    QVERIFY(seams.messages.first().text.contains(QStringLiteral("شماره رسيد 2")));
    QCOMPARE(driver.focusName(), QStringLiteral("Text1(0)"));
    QVERIFY(driver.form->isVisible());
    QCOMPARE(folder.value("select count(*) from table1").toInt(), 2);

    driver.fill(0, "3");
    driver.click("Command3");
    QCOMPARE(seams.messages.size(), 1);
    QCOMPARE(folder.value("select count(*) from table1 where num=3 and nameph='HTC'").toInt(), 1);

    // An opened job may not take another job's number either.
    Form3Driver second;
    second.open(0, 3);
    second.fill(0, "1");
    second.click("Command3");
    QCOMPARE(seams.messages.size(), 2);
    QCOMPARE(folder.value("select count(*) from table1 where num=1").toInt(), 1);
}

void TestForm3::failedSaveKeepsWindowAndTypedText()
{
    TempJobFolder folder;
    Seams seams;
    Form3Driver driver;
    QSignalSpy refresh(ListRefresh::instance(), &ListRefresh::requested);
    driver.openNew(1);
    driver.fill(1, name);
    driver.fill(2, "Nokia");
    driver.fill(8, "500");
    folder.refuseWrites("insert");
    driver.click("Command3");

    QCOMPARE(seams.messageTexts(), QStringList{QStringLiteral("خطاي شماره 1")});
    QVERIFY(driver.form->isVisible());
    QCOMPARE(driver.text(1), name);
    QCOMPARE(driver.text(2), QStringLiteral("Nokia"));
    QCOMPARE(driver.text(8), QStringLiteral("500"));
    QCOMPARE(folder.value("select count(*) from table1").toInt(), 0);
    QCOMPARE(refresh.count(), 0);

    // Once the database takes writes again, the same job saves once.
    folder.allowWrites();
    driver.click("Command3");
    QCOMPARE(seams.messages.size(), 1);
    QVERIFY(!driver.form->isVisible());
    QCOMPARE(folder.value("select count(*) from table1").toInt(), 1);
    QCOMPARE(folder.value("select minp from table1").toInt(), 500);
    QCOMPARE(refresh.count(), 1);
}

void TestForm3::failedChangeKeepsEarlierValues()
{
    TempJobFolder folder;
    Seams seams;
    folder.addJob({{"num", 4}, {"name", "old"}, {"nameph", "y"}, {"endp", 10}});
    Form3Driver driver;
    driver.open(0, 4);
    driver.fill(1, "new");
    driver.fill(14, "20");
    folder.refuseWrites("update");
    driver.click("Command3");

    QCOMPARE(seams.messageTexts(), QStringList{QStringLiteral("خطاي شماره 1")});
    QVERIFY(driver.form->isVisible());
    QCOMPARE(folder.rows("select name,endp from table1").first(), (QVariantList{"old", 10}));

    // Abandoning it after the failure leaves the job as it was.
    driver.click("Command1");
    QVERIFY(!driver.form->isVisible());
    QCOMPARE(folder.rows("select name,endp from table1").first(), (QVariantList{"old", 10}));
}

void TestForm3::printCmdChecksAndSaves()
{
    TempJobFolder folder;
    Seams seams;
    Form3Driver driver;
    driver.openNew(1);
    driver.click("printCmd");
    QCOMPARE(seams.messageTexts(), QStringList{QStringLiteral("لطفا فيلد نام صاحب دستگاه را پر کنيد")});
    QCOMPARE(folder.value("select count(*) from table1").toInt(), 0);

    driver.fill(1, name);
    driver.fill(2, "Nokia");
    driver.click("printCmd");
    // No edit.txt yet: the clerk is told no receipt printed, and the job is saved all the same.
    QCOMPARE(seams.messages.size(), 2);
    QVERIFY(seams.messages[1].text.startsWith(QStringLiteral("فايل تنظيمات رسيد")));
    QVERIFY(!driver.form->isVisible());
    QCOMPARE(folder.value("select count(*) from table1 where num=1").toInt(), 1);
}

QTEST_MAIN(TestForm3)
#include "tst_form3.moc"
