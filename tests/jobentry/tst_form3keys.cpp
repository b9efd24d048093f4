// SPDX-License-Identifier: GPL-3.0-or-later
#include "Form3Driver.h"

#include "platform/ListRefresh.h"
#include "support/Seams.h"
#include "support/TempJobFolder.h"

#include <QSignalSpy>

// The job window from the keyboard: moves, Esc, the layout per box and the date boxes.
class TestForm3Keys : public QObject
{
    Q_OBJECT

private slots:
    void enterAndDownMoves_data();
    void enterAndDownMoves();
    void downInStatusBoxKeepsItsList();
    void tabOrder();
    void leavingWithoutSaving_data();
    void leavingWithoutSaving();
    void keyboardLayoutPerBox_data();
    void keyboardLayoutPerBox();
    void dateNumberShowsPadded_data();
    void dateNumberShowsPadded();
    void typedDateIsReadBack_data();
    void typedDateIsReadBack();
};

void TestForm3Keys::enterAndDownMoves_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("to");

    const QStringList rows = {"Text1(0)",  "Text1(1)",  "Text1(2)",  "Text1(3)", "Text1(4)",  "Mask1",
                              "Mask2",     "Text1(7)",  "Text1(8)",  "Text1(9)", "Text1(10)", "Text1(11)",
                              "Text1(12)", "Text1(13)", "Text1(14)", "Combo1",   "Text1(15)", "printCmd"};
    for (int i = 0; i + 1 < rows.size(); ++i) {
        QTest::addRow("Enter in %s", qPrintable(rows[i])) << rows[i] << int(Qt::Key_Return) << rows[i + 1];
        if (rows[i] != "Combo1")
            QTest::addRow("Down in %s", qPrintable(rows[i])) << rows[i] << int(Qt::Key_Down) << rows[i + 1];
    }
    QTest::newRow("keypad Enter") << "Text1(3)" << int(Qt::Key_Enter) << "Text1(4)";
}

void TestForm3Keys::enterAndDownMoves()
{
    QFETCH(QString, from);
    QFETCH(int, key);
    QFETCH(QString, to);

    TempJobFolder folder;
    Seams seams;
    folder.addJob(
        {{"num", 1}, {"name", "x"}, {"nameph", "y"}, {"warranty", "w"}, {"service", "s"}, {"datein", 850712}});
    Form3Driver driver;
    driver.open(0, 1);
    QWidget *source = driver.widget(from);
    QVERIFY(source);
    source->setFocus();
    QTest::keyClick(source, Qt::Key(key));

    QCOMPARE(driver.focusName(), to);
    QVERIFY(driver.form->isVisible());
    if (auto *box = qobject_cast<MaskEdBox *>(driver.widget(to))) {
        QCOMPARE(box->selectionStart(), 0);
        QCOMPARE(box->selectedText().size(), 8);
    } else if (auto *box = qobject_cast<QLineEdit *>(driver.widget(to))) {
        QCOMPARE(box->selectedText(), box->text());
    }
    QVERIFY(seams.messages.isEmpty());
    QCOMPARE(folder.value("select count(*) from table1").toInt(), 1);
}

void TestForm3Keys::downInStatusBoxKeepsItsList()
{
    TempJobFolder folder;
    Seams seams;
    Form3Driver driver;
    driver.openNew(1);
    driver.combo()->setFocus();
    QCOMPARE(driver.combo()->currentIndex(), 0);
    QTest::keyClick(driver.combo(), Qt::Key_Down);
    QCOMPARE(driver.focusName(), QStringLiteral("Combo1"));
    QCOMPARE(driver.combo()->currentText(), QStringLiteral("تعمير شده"));
}

void TestForm3Keys::tabOrder()
{
    TempJobFolder folder;
    Seams seams;
    Form3Driver driver;
    driver.openNew(1);
    const QStringList order = {"Text1(0)", "Text1(1)",  "Text1(2)", "Text1(3)",  "Text1(4)",  "Mask1",     "Mask2",
                               "Text1(7)", "Text1(8)",  "Text1(9)", "Text1(10)", "Text1(12)", "Text1(13)", "Text1(14)",
                               "Combo1",   "Text1(15)", "printCmd", "Command3",  "Command1",  "Text1(11)", "Text1(0)"};
    QCOMPARE(driver.focusName(), order.first());
    for (int i = 1; i < order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(driver.focusName(), order[i]);
    }
}

void TestForm3Keys::leavingWithoutSaving_data()
{
    QTest::addColumn<QString>("where"); // the control with the focus, or "close box"
    QTest::newRow("Esc in serial") << "Text1(3)";
    QTest::newRow("Esc in date box") << "Mask2";
    QTest::newRow("Esc in status") << "Combo1";
    QTest::newRow("Esc on confirm") << "Command3";
    QTest::newRow("return button") << "Command1";
    QTest::newRow("close box") << "close box";
}

void TestForm3Keys::leavingWithoutSaving()
{
    QFETCH(QString, where);

    TempJobFolder folder;
    Seams seams;
    Form3Driver driver;
    QSignalSpy refresh(ListRefresh::instance(), &ListRefresh::requested);
    driver.openNew(1);
    driver.fill(1, QStringLiteral("نام"));
    driver.fill(2, "model");
    if (where == "close box") {
        driver.form->close();
    } else if (where == "Command1") {
        driver.click("Command1");
    } else {
        QWidget *target = driver.widget(where);
        target->setFocus();
        QTest::keyClick(target, Qt::Key_Escape);
    }
    QVERIFY(!driver.form->isVisible());
    QCOMPARE(driver.form->result(), int(QDialog::Rejected));
    QCOMPARE(refresh.count(), 1);
    QCOMPARE(folder.value("select count(*) from table1").toInt(), 0);
    QVERIFY(seams.messages.isEmpty());
}

void TestForm3Keys::keyboardLayoutPerBox_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("layout"); // empty: no change asked for

    QTest::newRow("receipt number") << "Text1(0)" << KeyboardLayout::Persian;
    QTest::newRow("owner") << "Text1(1)" << KeyboardLayout::Persian;
    QTest::newRow("model") << "Text1(2)" << KeyboardLayout::UsEnglish;
    QTest::newRow("serial") << "Text1(3)" << KeyboardLayout::Persian;
    QTest::newRow("telephone") << "Text1(4)" << KeyboardLayout::Persian;
    QTest::newRow("minimum cost") << "Text1(8)" << KeyboardLayout::Persian;
    QTest::newRow("technician") << "Text1(11)" << KeyboardLayout::Persian;
    QTest::newRow("description") << "Text1(15)" << KeyboardLayout::Persian;
    QTest::newRow("entry date") << "Mask1" << QString();
    QTest::newRow("status") << "Combo1" << QString();
    QTest::newRow("confirm") << "Command3" << QString();
}

void TestForm3Keys::keyboardLayoutPerBox()
{
    QFETCH(QString, box);
    QFETCH(QString, layout);

    TempJobFolder folder;
    Seams seams;
    Form3Driver driver;
    driver.openNew(1);
    // Start from a box other than the one under test, then enter it.
    driver.widget(box == "Text1(1)" ? "Text1(2)" : "Text1(1)")->setFocus();
    driver.layouts.clear();
    driver.widget(box)->setFocus();
    QCOMPARE(driver.focusName(), box);
    QCOMPARE(driver.layouts, layout.isEmpty() ? QStringList() : QStringList{layout});
}

void TestForm3Keys::dateNumberShowsPadded_data()
{
    QTest::addColumn<qint64>("stored");
    QTest::addColumn<QString>("shown");
    QTest::newRow("six digits") << qint64(850712) << "85/07/12";
    QTest::newRow("year 1400") << qint64(105) << "00/01/05";
    QTest::newRow("year 1405") << qint64(50105) << "05/01/05";
    QTest::newRow("zero") << qint64(0) << "00/00/00";
}

void TestForm3Keys::dateNumberShowsPadded()
{
    QFETCH(qint64, stored);
    QFETCH(QString, shown);

    TempJobFolder folder;
    Seams seams;
    folder.addJob({{"num", 1}, {"name", "x"}, {"nameph", "y"}, {"datein", stored}, {"dateout", stored}});
    Form3Driver driver;
    driver.open(0, 1);
    QCOMPARE(driver.mask(1)->displayText(), shown);
    QCOMPARE(driver.mask(2)->displayText(), shown);
    QCOMPARE(driver.text(5).size(), 6);

    // Saved unchanged, the same number is stored again.
    driver.click("Command3");
    QCOMPARE(folder.rows("select datein,dateout from table1").first(), (QVariantList{stored, stored}));
}

void TestForm3Keys::typedDateIsReadBack_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<qint64>("stored");
    QTest::newRow("ordinary") << "850715"
                              << "85/07/15" << qint64(850715);
    QTest::newRow("leading zero") << "050105"
                                  << "05/01/05" << qint64(50105);
    QTest::newRow("Persian digits") << "۹۲۰۲۰۸"
                                    << "92/02/08" << qint64(920208);
}

void TestForm3Keys::typedDateIsReadBack()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(qint64, stored);

    TempJobFolder folder;
    Seams seams;
    Form3Driver driver;
    Form3Driver::setToday({1404, 2, 8});
    driver.openNew(1);
    driver.fill(1, "x");
    driver.fill(2, "y");
    MaskEdBox *box = driver.mask(2);
    box->setFocus();
    QCOMPARE(box->selectedText().size(), 8);
    Form3Driver::type(box, typed);
    // Leaving the box writes the date number behind it.
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(driver.text(6), QString::number(stored).rightJustified(6, u'0'));
    QCOMPARE(box->displayText(), shown);

    driver.click("Command3");
    QCOMPARE(seams.messageTexts(), QStringList());
    QCOMPARE(folder.value("select dateout from table1").toLongLong(), stored);
    QCOMPARE(folder.value("select datein from table1").toLongLong(), 40208);
}

QTEST_MAIN(TestForm3Keys)
#include "tst_form3keys.moc"
