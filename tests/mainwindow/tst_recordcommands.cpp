// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobentry/Form3.h"
#include "jobstore/Adodc.h"
#include "jobstore/ProgramValues.h"
#include "mainwindow/Form1.h"
#include "platform/DataGrid.h"
#include "platform/KeyboardLayout.h"
#include "solardate/Clock.h"
#include "support/MainWindowDriver.h"
#include "support/Seams.h"
#include "support/TempJobFolder.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

// Drives the main window's commands that open the job window, as a clerk would.
class TestRecordCommands : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void registerOnAnEmptyListHandsOne();
    void registerClearsTheSearchAndHandsTheNextNumber();
    void registerAtTheLargestNumberSaysSo();
    void registerWithoutAUsableDatabaseSaysSo();
    void afterADeleteNoJobIsCurrent();
    void registerOffersTheHighestStoredNumber_data();
    void registerOffersTheHighestStoredNumber();
    void openCommandsDoNothingOnAnEmptyList();
    void openFromRowSevenReturnsToRowSeven();
    void enterAndDoubleClickOpenTheCurrentJob();
    void enterInTheReceiptBoxOpensThatJob_data();
    void enterInTheReceiptBoxOpensThatJob();
    void searchBoxesAskForTheirKeyboardLayouts();
    void editAndSettingsItemsDoNothing();
    void registerTwoJobsThenFindAndChangeOne();

private:
    // Runs `action` while a timer closes (or drives) the job window it opens; returns the number
    // of job windows that were opened.
    int withJobWindow(const std::function<void()> &action, const std::function<void(Form3 *)> &inside = {});

    QStringList m_layouts;
};

using namespace MainWindowDriver;

void TestRecordCommands::init()
{
    m_layouts.clear();
    KeyboardLayout::setHandler([this](const QString &id) { m_layouts << id; });
}

void TestRecordCommands::cleanup()
{
    KeyboardLayout::setHandler({});
    Sorvan::Clock::reset();
}

int TestRecordCommands::withJobWindow(const std::function<void()> &action, const std::function<void(Form3 *)> &inside)
{
    int opened = 0;
    QTimer watcher;
    watcher.setInterval(20);
    connect(&watcher, &QTimer::timeout, this, [&] {
        auto *window = qobject_cast<Form3 *>(QApplication::activeModalWidget());
        if (!window || window->property("seen").toBool())
            return;
        window->setProperty("seen", true);
        ++opened;
        if (inside)
            inside(window);
        else
            window->findChild<QPushButton *>(QStringLiteral("Command1"))->click();
    });
    watcher.start();
    action();
    watcher.stop();
    return opened;
}

void TestRecordCommands::registerOnAnEmptyListHandsOne()
{
    TempJobFolder folder;
    Seams seams;
    Form1 form;
    form.show();
    QCOMPARE(withJobWindow([&] { form.registerJob(); }), 1);
    QCOMPARE(Program::CurrentReceiptNumber, 1);
}

void TestRecordCommands::registerClearsTheSearchAndHandsTheNextNumber()
{
    TempJobFolder folder;
    folder.addJobs(1, 57);
    Seams seams;
    Form1 form;
    form.show();
    auto *text1 = form.findChild<QLineEdit *>(QStringLiteral("Text1"));
    text1->setText(QStringLiteral("5"));
    QVERIFY(grid(form)->model()->rowCount() < 57);
    QCOMPARE(withJobWindow([&] { form.findChild<QPushButton *>(QStringLiteral("Command10"))->click(); }), 1);
    QVERIFY(text1->text().isEmpty());
    QCOMPARE(Program::CurrentReceiptNumber, 58);
    // Leaving the job window refreshes the list; a register leaves the cursor on the last row.
    QTRY_COMPARE(Program::NewJobMode, 0);
    QCOMPARE(grid(form)->model()->rowCount(), 57);
    QCOMPARE(form.adodc1()->recordset()->AbsolutePosition(), 57);
}

void TestRecordCommands::registerAtTheLargestNumberSaysSo()
{
    TempJobFolder folder;
    folder.addJob({{"num", 2147483647}, {"name", "last"}});
    Seams seams;
    Form1 form;
    // Said, and the job window opens with the number box empty and focused for the clerk's own.
    QString offered = QStringLiteral("unseen");
    QCOMPARE(withJobWindow([&] { form.registerJob(); },
                           [&](Form3 *window) {
                               auto *number = window->findChild<QLineEdit *>(QStringLiteral("Text1(0)"));
                               QTRY_VERIFY(number->hasFocus() || QApplication::focusWidget() == number);
                               QTest::qWait(50); // past the new job's defaults
                               offered = number->text();
                               window->findChild<QPushButton *>(QStringLiteral("Command1"))->click();
                           }),
             1);
    QCOMPARE(offered, QString());
    QCOMPARE(seams.messages.size(), 1);
    QVERIFY(seams.messages.first().text.contains(QStringLiteral("2147483647")));

    // Numbers past 32767 are ordinary receipt numbers.
    TempJobFolder busy;
    busy.addJob({{"num", 32767}, {"name", "busy"}});
    Form1 busyForm;
    QCOMPARE(withJobWindow([&] { busyForm.registerJob(); }), 1);
    QCOMPARE(Program::CurrentReceiptNumber, 32768);
}

void TestRecordCommands::registerWithoutAUsableDatabaseSaysSo()
{
    TempJobFolder folder;
    if (TempJobFolder::onServer())
        QSKIP("about the job file in the data folder");
    QFile file(folder.databasePath());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("not a database");
    file.close();
    Seams seams;
    Form1 form;
    QTRY_COMPARE(seams.messages.size(), 1); // the start's own word on the file
    QCOMPARE(withJobWindow([&] { form.findChild<QPushButton *>(QStringLiteral("Command10"))->click(); }), 0);
    QCOMPARE(seams.messages.size(), 2);
    QVERIFY(seams.messages.last().text.contains(QStringLiteral("قابل استفاده نيست")));
}

void TestRecordCommands::afterADeleteNoJobIsCurrent()
{
    TempJobFolder folder;
    folder.addJobs(1, 5);
    Seams seams;
    Form1 form;
    form.show();
    QApplication::setActiveWindow(&form);
    DataGrid *list = grid(form);
    const QRect third = list->visualRect(list->model()->index(2, 1));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, third.center());
    QCOMPARE(form.adodc1()->recordset()->Fields(0).toInt(), 3);
    seams.answers << MessageBox::Answer::Yes;
    form.findChild<QAbstractButton *>(QStringLiteral("Command5"))->click();
    QCOMPARE(listedNumbers(form), (QList<int>{1, 2, 4, 5}));
    // Focus coming back from the box, and the list read again once the delete is noticed.
    form.findChild<QAbstractButton *>(QStringLiteral("Command5"))->setFocus();
    list->setFocus(Qt::ActiveWindowFocusReason);
    form.startListRefresh();
    QTest::qWait(1200);
    QVERIFY(form.adodc1()->recordset()->AbsolutePosition() <= 0);
    QVERIFY(!list->currentIndex().isValid());

    // Open, Enter and delete reach no job.
    seams.answers << MessageBox::Answer::Yes << MessageBox::Answer::Yes;
    const int opened = withJobWindow([&] {
        QTest::keyClick(&form, Qt::Key_F2);
        form.findChild<QAbstractButton *>(QStringLiteral("Command11"))->click();
        form.findChild<QAbstractButton *>(QStringLiteral("Command5"))->click();
    });
    QCOMPARE(opened, 0);
    QCOMPARE(seams.messages.size(), 1);
    QCOMPARE(folder.value(QStringLiteral("select count(*) from table1")).toInt(), 4);

    // Picking a row makes it current again.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(0, 1)).center());
    QCOMPARE(form.adodc1()->recordset()->Fields(0).toInt(), 1);
}

void TestRecordCommands::registerOffersTheHighestStoredNumber_data()
{
    QTest::addColumn<int>("deletedRow"); // 0: none
    QTest::addColumn<bool>("nameSearch");
    QTest::addColumn<int>("offered");
    // Jobs 1 to 5 and job 9, which has no customer name.
    QTest::newRow("after deleting the highest") << 6 << false << 6;
    QTest::newRow("cursor on a deleted row") << 2 << false << 10;
    QTest::newRow("highest not listed by the name search") << 0 << true << 10;
}

void TestRecordCommands::registerOffersTheHighestStoredNumber()
{
    QFETCH(int, deletedRow);
    QFETCH(bool, nameSearch);
    QFETCH(int, offered);
    TempJobFolder folder;
    folder.addJobs(1, 5);
    folder.addJob({{"num", 9}, {"nameph", "X"}});
    Seams seams;
    Form1 form;
    form.show();
    if (deletedRow) {
        QVERIFY(form.adodc1()->recordset()->setAbsolutePosition(deletedRow));
        seams.answers << MessageBox::Answer::Yes;
        form.deleteCurrent();
    }
    if (nameSearch)
        typeText(form.findChild<QLineEdit *>(QStringLiteral("Text2")), QStringLiteral("مشتري"));
    QCOMPARE(withJobWindow([&] { form.registerJob(); }), 1);
    QCOMPARE(Program::CurrentReceiptNumber, offered);
}

void TestRecordCommands::openCommandsDoNothingOnAnEmptyList()
{
    TempJobFolder folder;
    Seams seams;
    Form1 form;
    form.show();
    const int opened = withJobWindow([&] {
        form.openCurrentJob();
        form.findChild<QAction *>(QStringLiteral("estelam"))->trigger();
        QTest::keyClick(grid(form), Qt::Key_Return);
        for (const char *name : {"Command1", "Command2", "Command3", "Command4", "Command5"})
            form.findChild<QAbstractButton *>(QString::fromLatin1(name))->click();
    });
    QCOMPARE(opened, 0);
    QVERIFY(seams.messages.isEmpty());
    QCOMPARE(seams.beeps, 0);
}

void TestRecordCommands::openFromRowSevenReturnsToRowSeven()
{
    TempJobFolder folder;
    folder.addJobs(1, 12);
    Seams seams;
    Form1 form;
    form.show();
    Recordset *rs = form.adodc1()->recordset();
    rs->Move(6);
    QCOMPARE(withJobWindow([&] { form.findChild<QPushButton *>(QStringLiteral("Command11"))->click(); }), 1);
    QCOMPARE(Program::CurrentReceiptNumber, 7);
    QTRY_COMPARE(rs->AbsolutePosition(), 7);
    QCOMPARE(grid(form)->currentIndex().row(), 6);
}

void TestRecordCommands::enterAndDoubleClickOpenTheCurrentJob()
{
    TempJobFolder folder;
    folder.addJobs(1, 5);
    Seams seams;
    Form1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    DataGrid *dataGrid = grid(form);
    const QRect third = dataGrid->visualRect(dataGrid->model()->index(2, 0));
    QCOMPARE(withJobWindow([&] {
                 QTest::mouseClick(dataGrid->viewport(), Qt::LeftButton, {}, third.center());
                 QTest::mouseDClick(dataGrid->viewport(), Qt::LeftButton, {}, third.center());
             }),
             1);
    QCOMPARE(Program::CurrentReceiptNumber, 3);
    QTRY_COMPARE(form.adodc1()->recordset()->AbsolutePosition(), 3);

    form.adodc1()->recordset()->MoveLast();
    QCOMPARE(withJobWindow([&] { QTest::keyClick(dataGrid, Qt::Key_Return); }), 1);
    QCOMPARE(Program::CurrentReceiptNumber, 5);
}

void TestRecordCommands::enterInTheReceiptBoxOpensThatJob_data()
{
    QTest::addColumn<QString>("typed"); // as a scanner types it, then Enter
    QTest::addColumn<int>("opened");    // the job opened; 0: none
    QTest::addColumn<QString>("message");
    QTest::newRow("4 among 14") << "4" << 4 << QString();
    QTest::newRow("Persian keyboard's digits") << QStringLiteral("۱۲") << 12 << QString();
    QTest::newRow("no such job") << "99" << 0 << QStringLiteral("کاري با شماره رسيد 99 ثبت نشده است.");
    QTest::newRow("past the largest number")
        << "99999999999" << 0 << QStringLiteral("کاري با شماره رسيد 99999999999 ثبت نشده است.");
    QTest::newRow("empty box") << "" << 0 << QString();
}

void TestRecordCommands::enterInTheReceiptBoxOpensThatJob()
{
    QFETCH(QString, typed);
    QFETCH(int, opened);
    QFETCH(QString, message);
    TempJobFolder folder;
    folder.addJobs(1, 14);
    Seams seams;
    Form1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    auto *box = form.findChild<QLineEdit *>(QStringLiteral("Text1"));
    box->setFocus();
    Program::CurrentReceiptNumber = 0;
    const int windows = withJobWindow([&] {
        for (QChar ch : typed)
            QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(ch), Qt::NoModifier);
        QTest::keyClick(box, Qt::Key_Return);
    });
    QCOMPARE(windows, opened ? 1 : 0);
    QCOMPARE(Program::CurrentReceiptNumber, opened);
    QCOMPARE(seams.messageTexts(), message.isEmpty() ? QStringList() : QStringList{message});
    // The next scan replaces the number rather than running on from it.
    QCOMPARE(box->selectedText(), box->text());
}

void TestRecordCommands::searchBoxesAskForTheirKeyboardLayouts()
{
    TempJobFolder folder;
    Seams seams;
    Form1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    for (const char *name : {"Text2", "Text1", "Text3", "Text1"}) {
        auto *box = form.findChild<QLineEdit *>(QString::fromLatin1(name));
        box->setFocus();
        QTRY_VERIFY(box->hasFocus());
    }
    QCOMPARE(m_layouts, (QStringList{KeyboardLayout::Persian, KeyboardLayout::UsEnglish}));
}

void TestRecordCommands::editAndSettingsItemsDoNothing()
{
    TempJobFolder folder;
    folder.addJobs(1, 3);
    Seams seams;
    Form1 form;
    Recordset *rs = form.adodc1()->recordset();
    rs->MoveNext();
    const int opened = withJobWindow([&] {
        for (const char *name : {"first", "preview", "next", "last", "delete", "configprint"})
            form.findChild<QAction *>(QString::fromLatin1(name))->trigger();
    });
    QCOMPARE(opened, 0);
    QCOMPARE(rs->AbsolutePosition(), 2);
    QVERIFY(seams.messages.isEmpty());
    QCOMPARE(folder.value(QStringLiteral("select count(*) from table1")).toInt(), 3);
}

void TestRecordCommands::registerTwoJobsThenFindAndChangeOne()
{
    TempJobFolder folder;
    Sorvan::Clock::setNow(QDateTime(QDate(2026, 12, 7), QTime(10, 0)));
    Seams seams;
    Form1 form;
    form.show();
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    const auto registerJob = [&](const QString &name, const QString &model) {
        form.activateWindow();
        if (!QTest::qWaitForWindowActive(&form))
            return -1;
        return withJobWindow([&] { QTest::keyClick(&form, Qt::Key_F1); },
                             [&](Form3 *window) {
                                 auto *number = window->findChild<QLineEdit *>(QStringLiteral("Text1(0)"));
                                 QTRY_VERIFY(!number->text().isEmpty()); // the 600 ms defaults
                                 typeText(window->findChild<QLineEdit *>(QStringLiteral("Text1(1)")), name);
                                 typeText(window->findChild<QLineEdit *>(QStringLiteral("Text1(2)")), model);
                                 window->findChild<QPushButton *>(QStringLiteral("Command3"))->click();
                             });
    };
    QCOMPARE(registerJob(QStringLiteral("زهرا کريمي"), QStringLiteral("Galaxy A52")), 1);
    QTRY_COMPARE(grid(form)->model()->rowCount(), 1);
    QCOMPARE(registerJob(QStringLiteral("حسين"), QStringLiteral("iPhone 11")), 1);
    QTRY_COMPARE(grid(form)->model()->rowCount(), 2);
    QTRY_COMPARE(form.adodc1()->recordset()->AbsolutePosition(), 2);
    QCOMPARE(folder.rows(QStringLiteral("select num, name, datein, dateout from table1 order by num")),
             (QList<QVariantList>{{1, QStringLiteral("زهرا کريمي"), 50916, 50919},
                                  {2, QStringLiteral("حسين"), 50916, 50919}}));

    auto *text2 = form.findChild<QLineEdit *>(QStringLiteral("Text2"));
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    text2->setFocus();
    QTRY_VERIFY(text2->hasFocus());
    typeText(text2, QStringLiteral("زهرا"));
    QCOMPARE(text2->text(), QStringLiteral("زهرا"));
    QCOMPARE(grid(form)->model()->rowCount(), 1);
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    const int opened =
        withJobWindow([&] { QTest::keyClick(&form, Qt::Key_F2); },
                      [&](Form3 *window) {
                          auto *status = window->findChild<QComboBox *>(QStringLiteral("Combo1"));
                          QTRY_COMPARE(window->findChild<QLineEdit *>(QStringLiteral("Text1(1)"))->text(),
                                       QStringLiteral("زهرا کريمي"));
                          status->setCurrentIndex(1);
                          window->findChild<QPushButton *>(QStringLiteral("Command3"))->click();
                      });
    QCOMPARE(opened, 1);
    QCOMPARE(folder.value(QStringLiteral("select status from table1 where num=1")).toString(),
             QStringLiteral("تعمير شده"));
    QTRY_COMPARE(grid(form)->model()->index(0, 3).data().toString(), QStringLiteral("تعمير شده"));
    QCOMPARE(grid(form)->model()->rowCount(), 1); // the customer search is applied again
}

QTEST_MAIN(TestRecordCommands)
#include "tst_recordcommands.moc"
