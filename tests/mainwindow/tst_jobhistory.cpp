// SPDX-License-Identifier: GPL-3.0-or-later
#include "../jobentry/Form3Driver.h"
#include "support/MainWindowDriver.h"
#include "support/Seams.h"
#include "support/TempJobFolder.h"

#include "jobentry/HistoryForm.h"
#include "jobstore/Adodc.h"
#include "jobstore/JobTable.h"
#include "jobstore/file/JobDatabase.h"
#include "jobstore/history/JobHistory.h"
#include "mainwindow/DeletedJobsForm.h"
#include "platform/BidiText.h"

#include <QAction>
#include <QSqlQuery>
#include <QTableWidget>

// Every change, new job and delete leaves a row in the job's history, read back through the job
// window's "تاريخچه"; a deleted job comes back from the Edit menu or by Ctrl+Z.
class TestJobHistory : public QObject
{
    Q_OBJECT

private slots:
    void aSaveRecordsWhatChanged_data();
    void aSaveRecordsWhatChanged();
    void aDeletedJobComesBack_data();
    void aDeletedJobComesBack();
    void aRestoredFileBringsItsHistory();
    void aChangeByPlainSqlOnTheServerIsRecorded();

private:
    static void seed(TempJobFolder &folder);
    // The rows of the job's history window, each as its four cell texts.
    static QList<QStringList> historyOf(Form3Driver &driver, int number);
};

namespace
{

// The solar date and time of this minute or the one before.
bool isJustNow(const QString &when)
{
    const QDateTime now = QDateTime::currentDateTime();
    return when == HistoryForm::whenText(now) || when == HistoryForm::whenText(now.addSecs(-60));
}

// This computer's name, and on a server the account the test logs in with.
QString signer(const TempJobFolder &folder)
{
    return JobHistory::signedBy(
        JobHistory::counterName(),
        TempJobFolder::onServer() ? folder.value(QStringLiteral("select session_user")).toString() : QString());
}

} // namespace

void TestJobHistory::seed(TempJobFolder &folder)
{
    folder.addJob(
        {{"num", 1}, {"name", "رضا"}, {"nameph", "Nokia"}, {"endp", 100}, {"status", JobTable::statusUnderRepair()}});
    folder.addJob({{"num", 2},
                   {"name", "علي"},
                   {"nameph", "Sony"},
                   {"endp", 250},
                   {"status", JobTable::statusRepaired()},
                   {"desc", "صفحه"}});
}

QList<QStringList> TestJobHistory::historyOf(Form3Driver &driver, int number)
{
    driver.open(0, number);
    QTest::keyClick(driver.form.get(), Qt::Key_F9);
    // The key clicks the button as a click of the mouse looks: a moment later.
    HistoryForm *history = nullptr;
    if (!QTest::qWaitFor([&] { return (history = driver.form->findChild<HistoryForm *>()); }))
        return {{QStringLiteral("no history window")}};
    QList<QStringList> rows;
    auto *list = history->findChild<QTableWidget *>(QStringLiteral("List1"));
    for (int row = 0; row < list->rowCount(); ++row) {
        QStringList texts;
        for (int column = 0; column < list->columnCount(); ++column)
            texts << list->item(row, column)->text();
        rows << texts;
    }
    history->close();
    return rows;
}

void TestJobHistory::aSaveRecordsWhatChanged_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<int>("box"); // the box typed into; -1 the status, -2 none
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QStringList>("shows"); // each value isolated in its own direction
    const auto own = [](const QString &text) { return QChar(0x2068) + text + QChar(0x2069); };

    QTest::newRow("changed amount") << 1 << int(JobTable::EndP) << "1250"
                                    << "قيمت نهايي" << QStringList{own("100") + " ← " + own("1250")};
    QTest::newRow("changed status") << 1 << -1 << JobTable::statusDelivered() << "وضعيت"
                                    << QStringList{own(JobTable::statusUnderRepair()) + " ← " +
                                                   own(JobTable::statusDelivered())};
    // Read right to left, the old Latin model stands right of the arrow and the new one left of it.
    QTest::newRow("changed Latin model") << 1 << int(JobTable::NamePh) << "Galaxy A4 NEW"
                                         << "نام و مدل دستگاه"
                                         << QStringList{own("Nokia") + " ← " + own("Galaxy A4 NEW")};
    QTest::newRow("unchanged save") << 1 << -2 << ""
                                    << "" << QStringList();
    QTest::newRow("new job") << 3 << int(JobTable::Name) << "مينا"
                             << "ثبت کار" << QStringList{"شماره رسيد: " + own("3"), own("مينا"), own("Nokia")};
}

void TestJobHistory::aSaveRecordsWhatChanged()
{
    QFETCH(int, number);
    QFETCH(int, box);
    QFETCH(QString, typed);
    QFETCH(QString, caption);
    QFETCH(QStringList, shows);

    TempJobFolder folder;
    seed(folder);
    Seams seams;
    Form3Driver driver;
    const QList<QStringList> before = historyOf(driver, number);
    if (number == 3) {
        driver.openNew(number);
        driver.fill(2, QStringLiteral("Nokia"));
    } else {
        driver.open(0, number);
    }
    if (box >= 0)
        driver.fill(box, typed);
    else if (box == -1)
        driver.combo()->setCurrentText(typed);
    driver.click("Command3");
    QVERIFY(!driver.form->isVisible());
    QCOMPARE(seams.messageTexts(), QStringList());

    const QList<QStringList> after = historyOf(driver, number);
    if (caption.isEmpty()) {
        QCOMPARE(after, before);
        return;
    }
    QCOMPARE(after.size(), before.size() + 1);
    const QStringList newest = after.first();
    QCOMPARE(newest.at(2), caption);
    for (const QString &each : shows)
        QVERIFY2(newest.at(3).contains(each), qPrintable(newest.at(3)));
    QCOMPARE(newest.at(1), signer(folder));
    QVERIFY2(isJustNow(newest.at(0)), qPrintable(newest.at(0)));
}

void TestJobHistory::aDeletedJobComesBack_data()
{
    QTest::addColumn<bool>("numberTaken");
    QTest::addColumn<QString>("ctrlZIn"); // empty: from the Edit menu's window
    QTest::addColumn<int>("backAs");

    QTest::newRow("under its old number") << false << QString() << 2;
    QTest::newRow("under the next free number") << true << QString() << 3;
    QTest::newRow("by Ctrl+Z in the list") << false << QStringLiteral("DataGrid1") << 2;
    QTest::newRow("by Ctrl+Z in the list, number taken") << true << QStringLiteral("DataGrid1") << 3;
}

void TestJobHistory::aDeletedJobComesBack()
{
    QFETCH(bool, numberTaken);
    QFETCH(QString, ctrlZIn);
    QFETCH(int, backAs);

    TempJobFolder folder;
    seed(folder);
    Seams seams;
    Form1 form;
    form.show();
    QApplication::setActiveWindow(&form);
    QVERIFY(QTest::qWaitForWindowActive(&form));
    DataGrid *list = MainWindowDriver::grid(form);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(1, 1)).center());
    QCOMPARE(form.adodc1()->recordset()->Fields(0).toInt(), 2);
    seams.answers << MessageBox::Answer::Yes;
    form.findChild<QAbstractButton *>(QStringLiteral("Command5"))->click();
    QCOMPARE(folder.value(QStringLiteral("select count(*) from table1 where num=2")).toInt(), 0);
    if (numberTaken)
        folder.addJob({{"num", 2}, {"name", "ديگري"}});

    // Ctrl+Z in a search box undoes the typing there and brings nothing back.
    for (const char *name : {"Text1", "Text2", "Text3"}) {
        auto *box = form.findChild<QLineEdit *>(QLatin1String(name));
        box->setFocus();
        QTRY_VERIFY(box->hasFocus());
        QTest::keyClicks(box, QStringLiteral("12"));
        QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
        QVERIFY2(box->text().isEmpty(), qPrintable(QLatin1String(name) + u' ' + box->text()));
        QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
    }
    QCOMPARE(folder.value(QStringLiteral("select count(*) from table1 where name='علي'")).toInt(), 0);
    QCOMPARE(seams.messages.size(), 1);

    if (!ctrlZIn.isEmpty()) {
        QWidget *where = form.findChild<QWidget *>(ctrlZIn);
        where->setFocus();
        QTRY_VERIFY(where->hasFocus());
        QTest::keyClick(where, Qt::Key_Z, Qt::ControlModifier);
    } else {
        QStringList listed;
        QTimer watcher;
        watcher.setInterval(20);
        connect(&watcher, &QTimer::timeout, this, [&] {
            auto *window = qobject_cast<DeletedJobsForm *>(QApplication::activeModalWidget());
            if (!window || window->property("seen").toBool())
                return;
            window->setProperty("seen", true);
            auto *jobs = window->findChild<QTableWidget *>(QStringLiteral("List1"));
            for (int column = 0; column < jobs->columnCount(); ++column)
                listed << jobs->item(0, column)->text();
            listed << QString::number(jobs->rowCount());
            window->findChild<QPushButton *>(QStringLiteral("returnCmd"))->click();
            listed << QString::number(jobs->rowCount());
            if (jobs->rowCount() > 0)
                listed << seams.messageTexts(); // why it is still there
            window->reject();
        });
        watcher.start();
        form.findChild<QAction *>(QStringLiteral("deletedJobs"))->trigger();
        watcher.stop();
        QVERIFY2(isJustNow(listed.value(3)), qPrintable(listed.value(3)));
        listed.removeAt(3);
        QCOMPARE(listed, (QStringList{"2", "علي", "Sony", signer(folder), "1", "0"}));
    }

    const QList<QVariantList> back = folder.rows(
        QStringLiteral("select name, nameph, endp, status, \"desc\" from table1 where num=%1 and name='علي'")
            .arg(backAs));
    QCOMPARE(back.size(), 1);
    QCOMPARE(back.first().at(2).toInt(), 250);
    QCOMPARE(back.first().at(3).toString(), JobTable::statusRepaired());
    QCOMPARE(back.first().at(4).toString(), QStringLiteral("صفحه"));
    // Which job came back is said, under whichever number.
    const QStringList messages = seams.messageTexts().mid(1); // the first asked to confirm the delete
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.first().contains(QString::number(backAs)) && messages.first().contains(QStringLiteral("علي")),
             qPrintable(messages.first()));
    QTRY_VERIFY(MainWindowDriver::listedNumbers(form).contains(backAs));

    // Once back it is no longer offered, and a second Ctrl+Z brings nothing back twice.
    JobHistory::Session session(folder.databasePath());
    QVERIFY(JobHistory::deletedJobs(session.db()).isEmpty());
    MainWindowDriver::grid(form)->setFocus();
    QTest::keyClick(MainWindowDriver::grid(form), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(folder.value(QStringLiteral("select count(*) from table1 where name='علي'")).toInt(), 1);
}

void TestJobHistory::aRestoredFileBringsItsHistory()
{
    TempJobFolder folder;
    seed(folder);
    QTemporaryDir elsewhere;
    // A file made before the history table existed: only table1.
    const QString backup = elsewhere.filePath(QStringLiteral("old.mdb"));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fixture"));
        db.setDatabaseName(backup);
        db.open();
        QSqlQuery query(db);
        for (const QString &statement : JobTable::createStatements())
            query.exec(statement);
        query.exec(QStringLiteral(
            "insert into table1 (num, name, nameph, endp, status) values (7, 'قديمي', 'LG', 40, 'تعمير شده')"));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fixture"));
    QVERIFY(JobDatabase::isJobDatabase(backup));

    Seams seams;
    {
        Form1 form;
        seams.answers << MessageBox::Answer::Yes;
        form.adodc1()->recordset()->MoveFirst();
        form.deleteCurrent();
        QVERIFY(folder.value(QStringLiteral("select count(*) from job_history")).toInt() > 0);
        seams.fileNames << backup;
        form.findChild<QPushButton *>(QStringLiteral("Command12"))->click();
        QTRY_COMPARE(form.adodc1()->recordset()->RecordCount(), 1);
    }
    folder.reconnect();
    QCOMPARE(folder.value(QStringLiteral("select count(*) from job_history")).toInt(), 0);

    // The restored jobs are changed and recorded as any other.
    Form3Driver driver;
    driver.open(0, 7);
    driver.fill(JobTable::EndP, QStringLiteral("45"));
    driver.click("Command3");
    const QList<QStringList> history = historyOf(driver, 7);
    QCOMPARE(history.size(), 1);
    QCOMPARE(withoutIsolates(history.first().at(3)), QStringLiteral("40 ← 45"));

    // A backup of it carries the history into a file of its own.
    const QString copy = elsewhere.filePath(QStringLiteral("copy.mdb"));
    QVERIFY(JobDatabase::copyConsistent(folder.databasePath(), copy));
    JobHistory::Session session(copy);
    QCOMPARE(JobHistory::jobChanges(session.db(), 7).size(), 1);
}

void TestJobHistory::aChangeByPlainSqlOnTheServerIsRecorded()
{
    if (!TempJobFolder::onServer())
        QSKIP("only a server records changes other programs make");
    TempJobFolder folder;
    seed(folder);
    // Another program, which names no counter.
    folder.value(QStringLiteral("select set_config('velmora.counter', '', false)"));
    folder.value(QStringLiteral("update table1 set endp = 999 where num = 1"));
    Form3Driver driver;
    const QList<QStringList> history = historyOf(driver, 1);
    QCOMPARE(history.size(), 2); // its insert and the change
    QVERIFY2(history.first().at(1).startsWith(QStringLiteral("velmora@")), qPrintable(history.first().at(1)));
    QCOMPARE(history.first().at(2), QStringLiteral("قيمت نهايي"));
    QCOMPARE(withoutIsolates(history.first().at(3)), QStringLiteral("100 ← 999"));
}

QTEST_MAIN(TestJobHistory)
#include "tst_jobhistory.moc"
