// SPDX-License-Identifier: GPL-3.0-or-later
#include "Form3Driver.h"

#include "jobstore/JobTable.h"
#include "support/Seams.h"
#include "support/TempJobFolder.h"

// What the job window lets reach db1.mdb: amounts, dates, receipt numbers and long texts exactly
// as typed, or a message and nothing written.
class TestForm3Values : public QObject
{
    Q_OBJECT

private slots:
    void amounts_data();
    void amounts();
    void dates_data();
    void dates();
    void wrongKeyKeepsSelectedDate_data();
    void wrongKeyKeepsSelectedDate();
    void receiptNumbers_data();
    void receiptNumbers();
    void longTexts_data();
    void longTexts();
    void storedPersianDigitsShowLatin_data();
    void storedPersianDigitsShowLatin();
};

namespace
{

const QString amountMessage = QStringLiteral("براي فيلد هزينه فقط مقدار عددي مجاز است. لطفا تصحيح فرماييد");

void fillRequired(Form3Driver &driver)
{
    driver.fill(1, QStringLiteral("علي رضايي"));
    driver.fill(2, QStringLiteral("Nokia"));
}

// A new job 1 on 1404/06/01 with its required boxes filled, for the date box tests.
void openDatedJob(Form3Driver &driver)
{
    Form3Driver::setToday(Sorvan::SolarDate{1404, 6, 1});
    driver.openNew(1);
    fillRequired(driver);
}

} // namespace

void TestForm3Values::amounts_data()
{
    QTest::addColumn<int>("box");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown"); // the box's text after typing
    QTest::addColumn<int>("beeps");
    QTest::addColumn<QVariant>("stored"); // none: refused with the amount message

    QTest::newRow("commas") << 8 << "15,000,000"
                            << "15,000,000" << 0 << QVariant(15000000.0);
    QTest::newRow("Persian digits and separator") << 9 << "۲۵٬۰۰۰٬۰۰۰"
                                                  << "۲۵٬۰۰۰٬۰۰۰" << 0 << QVariant(25000000.0);
    QTest::newRow("nine digits, grouped") << 13 << "123,456,789"
                                          << "123,456,789" << 0 << QVariant(123456789.0);
    QTest::newRow("Arabic-Indic decimals") << 14 << "١٢٣٤٥٦٧٫٥"
                                           << "١٢٣٤٥٦٧٫٥" << 0 << QVariant(1234567.5);
    QTest::newRow("ten digits: the tenth beeps") << 8 << "1234567890"
                                                 << "123456789" << 1 << QVariant(123456789.0);
    QTest::newRow("separator out of place") << 8 << "1,5,0,0"
                                            << "1,5,0,0" << 0 << QVariant();
    QTest::newRow("short group") << 9 << "12,34"
                                 << "12,34" << 0 << QVariant();
    QTest::newRow("negative") << 14 << "-500"
                              << "-500" << 0 << QVariant();
}

void TestForm3Values::amounts()
{
    QFETCH(int, box);
    QFETCH(QString, typed);
    QFETCH(int, beeps);
    QFETCH(QVariant, stored);

    TempJobFolder folder;
    Seams seams;
    Form3Driver driver;
    driver.openNew(1);
    fillRequired(driver);
    driver.fill(box, typed);
    QTEST(driver.text(box), "shown");
    QCOMPARE(seams.beeps, beeps);
    driver.click("Command3");

    const QString column = JobTable::columnNames().at(box);
    if (!stored.isValid()) {
        QCOMPARE(seams.messageTexts(), QStringList{amountMessage});
        QCOMPARE(driver.focusName(), QStringLiteral("Text1(%1)").arg(box));
        QCOMPARE(folder.value("select count(*) from table1").toInt(), 0);
        return;
    }
    QCOMPARE(seams.messageTexts(), QStringList());
    QCOMPARE(folder.value(QStringLiteral("select %1 from table1").arg(column)).toDouble(), stored.toDouble());
}

void TestForm3Values::dates_data()
{
    QTest::addColumn<int>("mask");
    QTest::addColumn<QString>("typed");   // keys typed over the selected date; empty: Delete
    QTest::addColumn<QVariant>("stored"); // none: refused

    QTest::newRow("month 13, day 40") << 2 << "05/13/40" << QVariant();
    QTest::newRow("four-digit year") << 2 << "1405/09/18" << QVariant();
    QTest::newRow("three digits") << 1 << "051" << QVariant();
    QTest::newRow("month 0") << 1 << "04/00/10" << QVariant();
    QTest::newRow("day 31 of month 7") << 2 << "04/07/31" << QVariant();
    QTest::newRow("day 31 of month 6") << 2 << "04/06/31" << QVariant(40631);
    QTest::newRow("1403/12/30, leap") << 1 << "03/12/30" << QVariant(31230);
    QTest::newRow("1404/12/30, not leap") << 2 << "04/12/30" << QVariant();
    QTest::newRow("1399/12/30, leap") << 1 << "99/12/30" << QVariant(991230);
    QTest::newRow("Persian digits") << 2 << "۰۴۰۶۲۰" << QVariant(40620);
    QTest::newRow("emptied") << 2 << "" << QVariant(0);
    QTest::newRow("all zeros") << 1 << "000000" << QVariant(0);
}

void TestForm3Values::dates()
{
    QFETCH(int, mask);
    QFETCH(QString, typed);
    QFETCH(QVariant, stored);

    TempJobFolder folder;
    Seams seams;
    Form3Driver driver;
    openDatedJob(driver);
    MaskEdBox *box = driver.mask(mask);
    box->setFocus();
    if (typed.isEmpty())
        QTest::keyClick(box, Qt::Key_Delete);
    else
        Form3Driver::type(box, typed);
    driver.click("Command3");

    if (!stored.isValid()) {
        QCOMPARE(seams.messages.size(), 1);
        QVERIFY(seams.messages.first().text.contains(mask == 1 ? QStringLiteral("تاريخ ورود")
                                                               : QStringLiteral("تاريخ خروج")));
        QCOMPARE(driver.focusName(), QStringLiteral("Mask%1").arg(mask));
        QCOMPARE(folder.value("select count(*) from table1").toInt(), 0);
        return;
    }
    QCOMPARE(seams.messageTexts(), QStringList());
    const QString column = mask == 1 ? QStringLiteral("datein") : QStringLiteral("dateout");
    QCOMPARE(folder.value(QStringLiteral("select %1 from table1").arg(column)).toLongLong(), stored.toLongLong());
}

void TestForm3Values::wrongKeyKeepsSelectedDate_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("beeps");

    const QString kept = QStringLiteral("04/06/04");
    QTest::newRow("Latin letter") << QStringLiteral("a") << kept << 1;
    QTest::newRow("Persian letter") << QStringLiteral("ب") << kept << 1;
    QTest::newRow("slash") << QStringLiteral("/") << kept << 1;
    QTest::newRow("blank") << QStringLiteral(" ") << kept << 1;
    QTest::newRow("a digit replaces") << QStringLiteral("7") << QStringLiteral("7_/__/__") << 0;
}

void TestForm3Values::wrongKeyKeepsSelectedDate()
{
    QFETCH(QString, key);
    QFETCH(int, beeps);

    TempJobFolder folder;
    Seams seams;
    Form3Driver driver;
    openDatedJob(driver);
    driver.fill(4, "");
    QTest::keyClick(driver.box(4), Qt::Key_Return);
    QTest::keyClick(driver.mask(1), Qt::Key_Return);
    QCOMPARE(driver.focusName(), QStringLiteral("Mask2"));
    QCOMPARE(driver.mask(2)->selectedText(), QStringLiteral("04/06/04"));
    Form3Driver::type(driver.mask(2), key);
    QTEST(driver.mask(2)->maskedText(), "shown");
    QCOMPARE(seams.beeps, beeps);
    if (beeps == 0)
        return;
    driver.click("Command3");
    QCOMPARE(seams.messageTexts(), QStringList());
    QCOMPARE(folder.value("select dateout from table1").toInt(), 40604);
}

void TestForm3Values::receiptNumbers_data()
{
    QTest::addColumn<QString>("typed"); // over the default, straight after it appears; empty: Delete
    QTest::addColumn<int>("stored");    // 0: refused

    QTest::newRow("typed over the default") << "3" << 3;
    QTest::newRow("Persian digits") << QStringLiteral("۴۲") << 42;
    QTest::newRow("blanks around") << " 8 " << 8;
    QTest::newRow("decimal") << "12.5" << 0;
    QTest::newRow("letters") << "abc" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("zero") << "0" << 0;
    QTest::newRow("negative") << "-3" << 0;
    QTest::newRow("past 32 bits") << "2147483648" << 0;
}

void TestForm3Values::receiptNumbers()
{
    QFETCH(QString, typed);
    QFETCH(int, stored);

    TempJobFolder folder;
    Seams seams;
    Form3Driver driver;
    driver.openNew(1);
    QCOMPARE(driver.focusName(), QStringLiteral("Text1(0)"));
    if (typed.isEmpty())
        QTest::keyClick(driver.box(0), Qt::Key_Delete);
    else
        Form3Driver::type(driver.box(0), typed);
    fillRequired(driver);
    driver.click("Command3");

    if (stored == 0) {
        QCOMPARE(
            seams.messageTexts(),
            QStringList{QStringLiteral("براي فيلد شماره رسيد فقط عدد صحيح از 1 به بالا مجاز است. لطفا تصحيح فرماييد")});
        QCOMPARE(driver.focusName(), QStringLiteral("Text1(0)"));
        QCOMPARE(folder.value("select count(*) from table1").toInt(), 0);
        return;
    }
    QCOMPARE(seams.messageTexts(), QStringList());
    QCOMPARE(folder.rows("select num, " + TempJobFolder::kindOf("num") + " from table1"),
             (QList<QVariantList>{{stored, "integer"}}));
}

void TestForm3Values::longTexts_data()
{
    QTest::addColumn<int>("box");
    QTest::addColumn<int>("limit");

    QTest::newRow("owner") << 1 << 49;
    QTest::newRow("warranty") << 7 << 49;
    QTest::newRow("technician") << 11 << 49;
    QTest::newRow("description") << 15 << 49;
}

void TestForm3Values::longTexts()
{
    QFETCH(int, box);
    QFETCH(int, limit);

    TempJobFolder folder;
    Seams seams;
    const QString column = JobTable::columnNames().at(box == 15 ? JobTable::Desc : box);
    const QString stored = QStringLiteral("آغاز ") + QString(limit + 10, u'ب') + QStringLiteral(" پايان");
    folder.addJob({{"num", 1}, {"name", "x"}, {"nameph", "y"}, {column, stored}});
    Form3Driver driver;
    driver.open(0, 1);
    // Opened whole and from its start.
    QCOMPARE(driver.text(box), stored);
    QCOMPARE(driver.box(box)->cursorPosition(), 0);
    driver.click("Command3");
    QCOMPARE(folder.value(QStringLiteral("select \"%1\" from table1").arg(column)).toString(), stored);

    // Typing stops at the limit with a beep for each key it refuses.
    driver.open(1, 2);
    fillRequired(driver);
    driver.fill(box, QString(limit + 2, u'ج'));
    QCOMPARE(driver.text(box).size(), limit);
    QCOMPARE(seams.beeps, 2);
    QCOMPARE(seams.messages.size(), 0);
}

void TestForm3Values::storedPersianDigitsShowLatin_data()
{
    QTest::addColumn<int>("box");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown");

    QTest::newRow("model") << 2 << QStringLiteral("نوکيا ۱۱۰۰") << QStringLiteral("نوکيا 1100");
    QTest::newRow("serial") << 3 << QStringLiteral("۳۵۶۹۳۸") << QStringLiteral("356938");
    QTest::newRow("Arabic-Indic digits") << 2 << QStringLiteral("A٥٤") << QStringLiteral("A54");
}

void TestForm3Values::storedPersianDigitsShowLatin()
{
    QFETCH(int, box);
    QFETCH(QString, stored);
    TempJobFolder folder;
    Seams seams;
    const QString column = JobTable::columnNames().at(box);
    folder.addJob({{"num", 1}, {"name", "x"}, {"nameph", "y"}, {column, stored}});
    Form3Driver driver;
    driver.open(0, 1);
    QTEST(driver.text(box), "shown");
    // Saved with another box changed, the box the clerk did not touch keeps its stored text.
    driver.fill(7, QStringLiteral("شش ماه"));
    driver.click("Command3");
    QCOMPARE(folder.value(QStringLiteral("select \"%1\" from table1").arg(column)).toString(), stored);
    QCOMPARE(folder.value(QStringLiteral("select warranty from table1")).toString(), QStringLiteral("شش ماه"));
}

QTEST_MAIN(TestForm3Values)
#include "tst_form3values.moc"
