// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/Adodc.h"
#include "jobstore/ProgramValues.h"
#include "jobstore/file/JobDatabase.h"
#include "jobstore/server/ServerWatch.h"
#include "mainwindow/Form1.h"
#include "platform/BidiText.h"
#include "platform/DataGrid.h"
#include "platform/ListRefresh.h"
#include "platform/Twips.h"
#include "solardate/Clock.h"
#include "support/MainWindowDriver.h"
#include "support/PrivateHome.h"
#include "support/Seams.h"
#include "support/TempJobFolder.h"

#include <QCryptographicHash>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

class TestForm1 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void emptyTableShowsFiveCaptionedColumns();
    void listsEveryJobInReceiptOrder();
    void rowsAre270TwipsFromLoad();
    void notAJobDatabaseIsNamedAndLeftAlone();
    void closeBoxRunsTheExitCommand();
    void browseButtonsBeepAtTheEnds();
    void deleteAsksOnceAndOnlyYesDeletes();
    void deleteLeavesNoCurrentRow_data();
    void deleteLeavesNoCurrentRow();

    void receiptBoxTakesDigitsOnly();
    void enteringABoxReappliesItsSearch();
    void filtersDoNotCombine();
    void listRefreshReturnsToThePreviousRow();
    void refreshKeepsTheSearchInTheBoxes_data();
    void refreshKeepsTheSearchInTheBoxes();
    void accessFileAtStartIsImportedOnEnter();

private:
    PrivateHome m_home; // the exit command writes its copy there
};

using namespace MainWindowDriver;

void TestForm1::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void TestForm1::cleanup()
{
    Sorvan::Clock::reset();
}

void TestForm1::emptyTableShowsFiveCaptionedColumns()
{
    TempJobFolder folder;
    Seams seams;
    Form1 form;
    QCOMPARE(form.windowTitle(), QStringLiteral("Velmora 1.6"));
    QAbstractItemModel *model = grid(form)->model();
    QCOMPARE(model->rowCount(), 0);
    QCOMPARE(model->columnCount(), 5);
    const QStringList expected = {QStringLiteral("شماره رسيد"), QStringLiteral("نام مشتري"),
                                  QStringLiteral("مدل دستگاه"), QStringLiteral("وضعيت دستگاه"),
                                  QStringLiteral("توضيحات")};
    for (int column = 0; column < 5; ++column)
        QCOMPARE(model->headerData(column, Qt::Horizontal).toString(), expected.at(column));
    QVERIFY(seams.messages.isEmpty());
}

void TestForm1::listsEveryJobInReceiptOrder()
{
    TempJobFolder folder;
    folder.addJob({{"num", 7}, {"name", "c"}});
    folder.addJob({{"num", 1}, {"name", "a"}, {"desc", QStringLiteral("صفحه شکسته")}});
    folder.addJob({{"num", 2}, {"name", "b"}});
    Seams seams;
    Form1 form;
    QCOMPARE(listedNumbers(form), (QList<int>{1, 2, 7}));
    QCOMPARE(grid(form)->model()->index(0, 4).data().toString(), QStringLiteral("صفحه شکسته"));
    QCOMPARE(form.adodc1()->recordset()->AbsolutePosition(), 1);
}

void TestForm1::rowsAre270TwipsFromLoad()
{
    TempJobFolder folder;
    folder.addJobs(1, 40);
    Seams seams;
    Form1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    DataGrid *list = grid(form);
    QCOMPARE(list->rowHeight(0), Twips::toPixels(270));
    QCOMPARE(list->rowHeight(39), Twips::toPixels(270));
    QVERIFY(list->viewport()->height() / list->rowHeight(0) >= 21);
}

void TestForm1::notAJobDatabaseIsNamedAndLeftAlone()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("db1.mdb"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("Standard Jet DB\0 from another program", 38);
    file.close();
    Program::setDataFolder(dir.path());

    Seams seams;
    {
        Form1 form;
        QTRY_COMPARE(seams.messages.size(), 1);
        QVERIFY(seams.messages.first().text.contains(path));
        QCOMPARE(grid(form)->model()->rowCount(), 0);
        QCOMPARE(grid(form)->model()->columnCount(), 5);
    }
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("Standard Jet DB\0 from another program", 38));
    Program::setDataFolder(QString());
}

void TestForm1::closeBoxRunsTheExitCommand()
{
    TempJobFolder folder;
    folder.addJobs(1, 3);
    Seams seams;
    Form1 form;
    form.show();
    QVERIFY(!form.close()); // the close is turned into the exit command
    QCOMPARE(seams.quits, 1);
    QVERIFY(form.isVisible());

    form.findChild<QPushButton *>(QStringLiteral("Command6"))->click();
    QCOMPARE(seams.quits, 2);
}

void TestForm1::browseButtonsBeepAtTheEnds()
{
    TempJobFolder folder;
    folder.addJobs(1, 3);
    Seams seams;
    Form1 form;
    Recordset *rs = form.adodc1()->recordset();
    auto button = [&form](const char *name) { return form.findChild<QToolButton *>(QString::fromLatin1(name)); };

    button("Command2")->click(); // previous on the first row
    QCOMPARE(seams.beeps, 1);
    QCOMPARE(rs->AbsolutePosition(), 1);
    button("Command3")->click();
    QCOMPARE(rs->AbsolutePosition(), 3);
    QCOMPARE(grid(form)->currentIndex().row(), 2);
    button("Command1")->click(); // next on the last row
    QCOMPARE(seams.beeps, 2);
    QCOMPARE(rs->AbsolutePosition(), 3);
    button("Command2")->click();
    QCOMPARE(rs->AbsolutePosition(), 2);
    button("Command4")->click();
    QCOMPARE(rs->AbsolutePosition(), 1);
    QCOMPARE(seams.beeps, 2);
}

void TestForm1::deleteAsksOnceAndOnlyYesDeletes()
{
    TempJobFolder folder;
    folder.addJobs(1, 3);
    Seams seams;
    Form1 form;
    auto *remove = form.findChild<QToolButton *>(QStringLiteral("Command5"));
    form.adodc1()->recordset()->MoveNext();

    seams.answers << MessageBox::Answer::No;
    remove->click();
    QCOMPARE(seams.messages.size(), 1);
    QCOMPARE(seams.messages.first().text, QStringLiteral("رکورد مورد نظر حذف شود ؟"));
    QCOMPARE(seams.messages.first().icon, MessageBox::Icon::Critical);
    QCOMPARE(seams.messages.first().buttons, MessageBox::Buttons::YesNo);
    QCOMPARE(folder.value(QStringLiteral("select count(*) from table1")).toInt(), 3);

    seams.answers << MessageBox::Answer::Yes;
    remove->click();
    QCOMPARE(seams.messages.size(), 2);
    QCOMPARE(folder.value(QStringLiteral("select count(*) from table1 where num=2")).toInt(), 0);
    QCOMPARE(folder.value(QStringLiteral("select count(*) from table1")).toInt(), 2);

    // With an empty list nothing is asked.
    TempJobFolder empty;
    Form1 emptyForm;
    emptyForm.findChild<QToolButton *>(QStringLiteral("Command5"))->click();
    QCOMPARE(seams.messages.size(), 2);
}

void TestForm1::deleteLeavesNoCurrentRow_data()
{
    QTest::addColumn<int>("row"); // deleted, of jobs 1 to 3
    QTest::addColumn<QString>("move");
    QTest::addColumn<int>("lands");
    QTest::newRow("first, previous beeps back") << 1 << "Command2" << 2;
    QTest::newRow("middle, next") << 2 << "Command1" << 3;
    QTest::newRow("middle, previous") << 2 << "Command2" << 1;
    QTest::newRow("last, next beeps back") << 3 << "Command1" << 2;
}

void TestForm1::deleteLeavesNoCurrentRow()
{
    QFETCH(int, row);
    QFETCH(QString, move);
    QFETCH(int, lands);
    TempJobFolder folder;
    folder.addJobs(1, 3);
    Seams seams;
    Form1 form;
    QVERIFY(form.adodc1()->recordset()->setAbsolutePosition(row));
    // Enter on a Yes default, twice: the second press must not reach another job.
    seams.answers << MessageBox::Answer::Yes << MessageBox::Answer::Yes;
    form.deleteCurrent();
    form.deleteCurrent();
    QCOMPARE(seams.messages.size(), 1);
    QCOMPARE(folder.value(QStringLiteral("select sum(num) from table1")).toInt(), 6 - row); // that job alone
    QVERIFY(!grid(form)->selectionModel()->hasSelection());
    form.findChild<QAbstractButton *>(move)->click(); // browsing leads on from where the job stood
    QCOMPARE(grid(form)->currentIndex().data().toInt(), lands);
}

void TestForm1::receiptBoxTakesDigitsOnly()
{
    TempJobFolder folder;
    Seams seams;
    Form1 form;
    auto *text1 = form.findChild<QLineEdit *>(QStringLiteral("Text1"));
    typeText(text1, QStringLiteral("1a۲٣-"));
    QCOMPARE(text1->text(), QStringLiteral("123"));
    QTest::keyClick(text1, Qt::Key_Backspace);
    QCOMPARE(text1->text(), QStringLiteral("12"));
}

void TestForm1::enteringABoxReappliesItsSearch()
{
    TempJobFolder folder;
    folder.addJob({{"num", 1}, {"name", QStringLiteral("احمد")}, {"nameph", "A1"}});
    folder.addJob({{"num", 2}, {"name", QStringLiteral("مريم")}});
    Seams seams;
    Form1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto *text1 = form.findChild<QLineEdit *>(QStringLiteral("Text1"));
    auto *text2 = form.findChild<QLineEdit *>(QStringLiteral("Text2"));
    auto *text3 = form.findChild<QLineEdit *>(QStringLiteral("Text3"));

    text3->setFocus();
    QTRY_VERIFY(text3->hasFocus());
    QCOMPARE(listedNumbers(form), QList<int>{1}); // only jobs with a model
    const QColor window = QGuiApplication::palette().color(QPalette::Active, QPalette::Base);
    const QColor grey = QGuiApplication::palette().color(QPalette::Disabled, QPalette::Text);
    QCOMPARE(text3->palette().color(QPalette::Base), window);
    QCOMPARE(text1->palette().color(QPalette::Base), grey);
    QCOMPARE(text2->palette().color(QPalette::Base), grey);

    text1->setFocus();
    QTRY_VERIFY(text1->hasFocus());
    QCOMPARE(listedNumbers(form), (QList<int>{1, 2}));
    QCOMPARE(text1->palette().color(QPalette::Base), window);
    QCOMPARE(text3->palette().color(QPalette::Base), grey);

    // A box already holding "ed432" is not requeried: neither assignment changes its text.
    text2->setText(QStringLiteral("ed432"));
    QCOMPARE(listedNumbers(form), QList<int>{});
    folder.addJob({{"num", 3}, {"name", "ed432"}});
    text2->setFocus();
    QTRY_VERIFY(text2->hasFocus());
    QCOMPARE(listedNumbers(form), QList<int>{});
}

void TestForm1::filtersDoNotCombine()
{
    TempJobFolder folder;
    folder.addJob({{"num", 15}, {"name", QStringLiteral("علي")}, {"nameph", "S5"}});
    folder.addJob({{"num", 20}, {"name", QStringLiteral("رضا")}, {"nameph", "S5"}});
    Seams seams;
    Form1 form;
    auto *text1 = form.findChild<QLineEdit *>(QStringLiteral("Text1"));
    auto *text2 = form.findChild<QLineEdit *>(QStringLiteral("Text2"));
    text1->setText(QStringLiteral("5"));
    QCOMPARE(listedNumbers(form), QList<int>{15});
    typeText(text2, QStringLiteral("رضا"));
    QCOMPARE(listedNumbers(form), QList<int>{20});
    QCOMPARE(grid(form)->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("نام مشتري"));
}

void TestForm1::listRefreshReturnsToThePreviousRow()
{
    TempJobFolder folder;
    folder.addJobs(1, 9);
    Seams seams;
    Form1 form;
    Recordset *rs = form.adodc1()->recordset();
    rs->Move(6);
    QCOMPARE(rs->AbsolutePosition(), 7);
    form.startListRefresh();
    QTRY_COMPARE(rs->RecordCount(), 9);
    QTRY_COMPARE(rs->AbsolutePosition(), 7);

    folder.addJob({{"num", 10}, {"name", "new"}});
    Program::NewJobMode = 1;
    form.startListRefresh();
    QTRY_COMPARE(rs->RecordCount(), 10);
    QTRY_COMPARE(rs->AbsolutePosition(), 10);
    QCOMPARE(Program::NewJobMode, 0);
}

void TestForm1::refreshKeepsTheSearchInTheBoxes_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("refresh"); // what asks for it
    QTest::addColumn<QList<int>>("before");
    QTest::addColumn<QList<int>>("after"); // once job 4 (مريم, Galaxy S2) is stored
    QTest::newRow("customer, another counter's save") << "Text2"
                                                      << "مريم"
                                                      << "another counter" << QList<int>{2} << QList<int>{2, 4};
    QTest::newRow("model, the server back") << "Text3"
                                            << "galaxy"
                                            << "server back" << QList<int>{3} << QList<int>{3, 4};
    QTest::newRow("model, job window left") << "Text3"
                                            << "Nokia"
                                            << "job window" << QList<int>{2} << QList<int>{2};
    QTest::newRow("receipt number, job window left") << "Text1"
                                                     << "1"
                                                     << "job window" << QList<int>{1} << QList<int>{1};
}

void TestForm1::refreshKeepsTheSearchInTheBoxes()
{
    QFETCH(QString, box);
    QFETCH(QString, typed);
    QFETCH(QString, refresh);
    QFETCH(QList<int>, before);
    QFETCH(QList<int>, after);
    // A job file serves one program, whose own windows ask for the refresh.
    if (refresh == QLatin1String("another counter") && !TempJobFolder::onServer())
        QSKIP("only the server tells of another program's save");
    TempJobFolder folder;
    folder.addJob({{"num", 1}, {"name", QStringLiteral("احمد")}, {"nameph", "A1"}});
    folder.addJob({{"num", 2}, {"name", QStringLiteral("مريم")}, {"nameph", "Nokia 3310"}});
    folder.addJob({{"num", 3}, {"name", QStringLiteral("رضا")}, {"nameph", "Galaxy A4"}});
    Seams seams;
    Form1 form;
    // Typed without the box taking the focus first, as into a window not yet active.
    typeText(form.findChild<QLineEdit *>(box), typed);
    QCOMPARE(listedNumbers(form), before);
    folder.addJob({{"num", 4}, {"name", QStringLiteral("مريم")}, {"nameph", "Galaxy S2"}});
    if (refresh == QLatin1String("job window"))
        ListRefresh::request();
    else if (refresh == QLatin1String("server back"))
        emit ServerWatch::instance()->answeringChanged(true);
    QTRY_COMPARE_WITH_TIMEOUT(listedNumbers(form), after, 3000);
    // Still so once every refresh the change set off has run.
    QTest::qWait(100);
    QCOMPARE(listedNumbers(form), after);
    QCOMPARE(form.findChild<QLineEdit *>(box)->text(), typed);
}

void TestForm1::accessFileAtStartIsImportedOnEnter()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("db1.mdb"));
    QVERIFY(QFile::copy(QStringLiteral(VELMORA_ACCESS_FIXTURES "/jobs-edge.mdb"), path));
    const auto digest = [](const QString &file) {
        QFile read(file);
        return read.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(read.readAll(), QCryptographicHash::Sha256)
                                              : QByteArray();
    };
    const QByteArray before = digest(path);
    Program::setDataFolder(dir.path());
    Sorvan::Clock::setNow(QDateTime(QDate(2026, 12, 9), QTime(10, 0))); // 1405/09/18

    Seams seams;
    // The real boxes, each answered with Enter as a clerk would: the offer's default is the import.
    MessageBox::setHandler({});
    QStringList boxes;
    QTimer enter;
    connect(&enter, &QTimer::timeout, this, [&boxes] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            boxes << withoutIsolates(box->text());
            QTest::keyClick(box, Qt::Key_Return);
        }
    });
    enter.start(20);
    {
        Form1 form;
        form.show();
        QTRY_COMPARE(listedNumbers(form), (QList<int>{1, 2, 3, 5, 32767}));
        QTRY_COMPARE(boxes.size(), 2);

        // The File menu brings in another file into the same store: only its two new jobs, renumbered.
        seams.fileNames << QStringLiteral(VELMORA_ACCESS_FIXTURES "/jobs-duplicates.mdb");
        form.findChild<QAction *>(QStringLiteral("importAccess"))->trigger();
        QTRY_COMPARE(listedNumbers(form), (QList<int>{1, 2, 3, 5, 32767, 32768, 32769}));
        QCOMPARE(boxes.size(), 3);
        QVERIFY2(boxes.at(2).contains(QStringLiteral("کارهاي وارد شده: 2")), qPrintable(boxes.at(2)));
    }
    QVERIFY2(boxes.at(0).contains(QStringLiteral("db1-access-14050918.mdb")), qPrintable(boxes.at(0)));
    QVERIFY2(boxes.at(1).contains(QStringLiteral("کارهاي وارد شده: 5")), qPrintable(boxes.at(1)));
    QCOMPARE(digest(dir.filePath(QStringLiteral("db1-access-14050918.mdb"))), before);
    QVERIFY(JobDatabase::isJobDatabase(path));
    QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("access-import-14050918-100000*.txt")}).size(), 2);
    Program::setDataFolder(QString());
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
