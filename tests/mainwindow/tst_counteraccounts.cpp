// SPDX-License-Identifier: GPL-3.0-or-later
#include "../jobentry/Form3Driver.h"
#include "support/MainWindowDriver.h"
#include "support/Seams.h"
#include "support/TempJobFolder.h"

#include "jobstore/Adodc.h"
#include "jobstore/JobTable.h"
#include "jobstore/ProgramValues.h"
#include "jobstore/file/JobDatabase.h"
#include "jobstore/history/JobHistory.h"
#include "jobstore/server/CounterAccounts.h"
#include "jobstore/server/Dialect.h"
#include "jobstore/server/ServerPool.h"
#include "mainwindow/DatabaseCopies.h"

#include <QProcess>
#include <QScopeGuard>
#include <QSqlError>
#include <QSqlQuery>

// A counter's own account on the server: made and ended by the owner with the program's command,
// held by the server itself to a clerk's work, and unable to rewrite or sign the history.
class TestCounterAccounts : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void theCommandMakesAndEndsAccounts();
    void aCounterCannotRewriteTheHistory_data();
    void aCounterCannotRewriteTheHistory();
    void aCounterWorksAtTheCounterButMayNotRestore();
    void anEarlierServerIsBroughtUpToDateKeepingItsRows();
};

namespace
{

QString counterName(const char *suffix)
{
    return QStringLiteral("clerk_%1_%2").arg(QLatin1String(suffix)).arg(QCoreApplication::applicationPid());
}

QString urlAs(const QString &login)
{
    QUrl url(TempJobFolder::serverUrl());
    url.setUserName(login);
    return url.toString();
}

// Made with the program's own code as the owner, and dropped again however the test ends.
auto makeCounter(const TempJobFolder &folder, const QString &name)
{
    {
        JobHistory::Session owner(folder.databasePath());
        const CounterAccounts::Outcome made = CounterAccounts::add(owner.db(), name, QStringLiteral("secret"));
        if (!made.ok)
            qFatal("%s", qPrintable(made.message));
    }
    return qScopeGuard([&folder, name] {
        ServerPool::closeIdle();
        folder.value(QStringLiteral("select count(pg_terminate_backend(pid)) from pg_stat_activity where usename='%1'")
                         .arg(name));
        folder.value(QStringLiteral("drop role if exists %1").arg(name));
    });
}

} // namespace

void TestCounterAccounts::init()
{
    if (!TempJobFolder::onServer())
        QSKIP("Accounts are the server's.");
}

// Each step runs the built program as a person at a terminal would, the password on its input.
void TestCounterAccounts::theCommandMakesAndEndsAccounts()
{
    TempJobFolder folder;
    const QString owner = folder.value(QStringLiteral("select session_user")).toString();
    const QString clerk = counterName("a");
    const auto cleanup = qScopeGuard([&] { folder.value(QStringLiteral("drop role if exists %1").arg(clerk)); });
    struct Step {
        QString login;
        QStringList arguments;
        QByteArray input;
        int exitCode;
        QString said;
    };
    const QList<Step> steps = {
        {owner, {"--add-counter", clerk}, "s3cret word\n", 0, "حساب پيشخوان " + clerk + " ساخته شد"},
        {owner, {"--add-counter", clerk}, "other\n", 1, "already exists"},
        {owner, {"--add-counter", "Clerk-A"}, "x\n", 2, "Not a counter account's name"},
        {owner, {"--add-counter", counterName("b")}, "", 1, "No password"},
        {clerk, {"--add-counter", counterName("b")}, "x\n", 1, "Only the owner's account (" + owner + ")"},
        {owner, {"--remove-counter", owner}, "", 1, "not a counter account"},
        {owner, {"--remove-counter", counterName("none")}, "", 1, "no counter account named"},
        {owner, {"--add-counter", clerk, "--remove-counter", clerk}, "", 2, "Give one of"},
        {owner, {"--remove-counter", clerk}, "", 0, clerk + " ended"},
    };
    for (const Step &step : steps) {
        QProcess program;
        program.setProgram(QStringLiteral(VELMORA_PROGRAM));
        program.setArguments(QStringList{"--database", urlAs(step.login), "--data-dir", folder.path()} +
                             step.arguments);
        program.start();
        program.write(step.input);
        program.closeWriteChannel();
        QVERIFY(program.waitForFinished(60000));
        const QString out = QString::fromUtf8(program.readAllStandardOutput() + program.readAllStandardError());
        QVERIFY2(program.exitCode() == step.exitCode && out.contains(step.said),
                 qPrintable(step.arguments.join(u' ') + u'\n' + out));
        if (step.exitCode == 0 && step.arguments.first() == QLatin1String("--add-counter")) {
            // Trust lets anyone in on the test server: what reached the role is read instead.
            const QString role = QStringLiteral("from pg_authid where rolname='%1'").arg(clerk);
            QVERIFY(folder.value("select rolpassword like 'SCRAM-SHA-256$%' " + role).toBool());
            QVERIFY(!folder.value("select rolsuper or rolcreatedb or rolcreaterole " + role).toBool());
            QVERIFY(folder
                        .value(QStringLiteral("select pg_has_role('%1', '%2', 'MEMBER') and not "
                                              "has_schema_privilege('%1', current_schema(), 'CREATE')")
                                   .arg(clerk, CounterAccounts::groupRole()))
                        .toBool());
        }
    }
    QCOMPARE(folder.value(QStringLiteral("select count(*) from pg_roles where rolname='%1'").arg(clerk)).toInt(), 0);
}

void TestCounterAccounts::aCounterCannotRewriteTheHistory_data()
{
    QTest::addColumn<QStringList>("statements");
    QTest::addColumn<bool>("refused"); // else done, and recorded under the counter's login
    const auto row = [](const char *name, const QStringList &statements, bool refused) {
        QTest::newRow(name) << statements << refused;
    };
    row("update the history", {"update job_history set counter='someone'"}, true);
    row("delete the history", {"delete from job_history"}, true);
    row("truncate the history", {"truncate job_history"}, true);
    row("truncate the jobs, which no row trigger sees", {"truncate table1"}, true);
    row("disable the trigger", {"alter table table1 disable trigger job_history_changed"}, true);
    row("drop the trigger", {"drop trigger job_history_changed on table1"}, true);
    row("make the function the caller's", {"alter function job_history_record() security invoker"}, true);
    row("a forged row", {"insert into job_history (changed_at, counter, num, action) values (0, 'x', 1, 'delete')"},
        true);
    row("a return of no delete", {"select * from job_history_bring_back((select max(id) from job_history))"}, true);
    row("restoring, then a change",
        {"select set_config('velmora.restoring', 'on', false)", "update table1 set name='x' where num=1"}, false);
    row("another counter's name, then a change",
        {"select set_config('velmora.counter', 'owner-pc/boss', false)", "delete from table1 where num=1"}, false);
}

void TestCounterAccounts::aCounterCannotRewriteTheHistory()
{
    QFETCH(QStringList, statements);
    QFETCH(bool, refused);
    TempJobFolder folder;
    folder.addJob({{"num", 1}, {"name", "رضا"}});
    const QString clerk = counterName("h");
    const auto dropped = makeCounter(folder, clerk);
    const QString before =
        folder.value(QStringLiteral("select string_agg(id || action, ',') from job_history")).toString();
    const QString connection = QStringLiteral("raw-counter");
    {
        QSqlDatabase db = Dialect::openServer(*Dialect::parseServerUrl(urlAs(clerk)), connection);
        QVERIFY2(db.isOpen(), qPrintable(db.lastError().text()));
        QSqlQuery query(db);
        bool ok = true;
        for (const QString &statement : statements)
            ok = ok && query.exec(statement);
        QCOMPARE(!ok, refused);
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    if (refused) {
        QCOMPARE(folder.value(QStringLiteral("select string_agg(id || action, ',') from job_history")).toString(),
                 before);
        QCOMPARE(folder.value(QStringLiteral("select count(*) from table1")).toInt(), 1);
        return;
    }
    const QList<QVariantList> newest =
        folder.rows(QStringLiteral("select login, counter from job_history order by id desc limit 1"));
    QCOMPARE(newest.first().at(0).toString(), clerk);
    QCOMPARE(folder.value(QStringLiteral("select count(*) from job_history")).toInt(), 2);
}

void TestCounterAccounts::aCounterWorksAtTheCounterButMayNotRestore()
{
    TempJobFolder folder;
    folder.addJob({{"num", 1}, {"name", "رضا"}, {"nameph", "Nokia"}});
    QTemporaryDir elsewhere;
    const QString backup = elsewhere.filePath(QStringLiteral("backup.mdb"));
    QVERIFY(JobDatabase::copyConsistent(folder.databasePath(), backup));
    const QString owner = folder.value(QStringLiteral("select session_user")).toString();
    const QString clerk = counterName("w");
    const auto dropped = makeCounter(folder, clerk);
    Program::setDatabaseServer(urlAs(clerk));
    Program::DatabaseConnection = Program::connectionTextFor(folder.path());
    QCOMPARE(JobDatabase::ensure(urlAs(clerk)).state, JobDatabase::State::Ready);

    Seams seams;
    {
        Form3Driver driver;
        driver.openNew(2);
        driver.fill(JobTable::Name, QStringLiteral("علي"));
        driver.fill(JobTable::NamePh, QStringLiteral("Sony"));
        driver.click("Command3");
        driver.open(0, 2);
        driver.fill(JobTable::EndP, QStringLiteral("45"));
        driver.click("Command3");
    }
    QVERIFY2(seams.messageTexts().isEmpty(), qPrintable(seams.messageTexts().join(u'\n')));
    QCOMPARE(folder.value(QStringLiteral("select endp from table1 where num=2 and name='علي'")).toInt(), 45);

    Form1 form;
    form.show();
    QApplication::setActiveWindow(&form);
    QVERIFY(QTest::qWaitForWindowActive(&form));
    DataGrid *list = MainWindowDriver::grid(form);
    QTRY_COMPARE(list->model()->rowCount(), 2);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(0, 1)).center());
    const int deleted = form.adodc1()->recordset()->Fields(0).toInt();
    seams.answers << MessageBox::Answer::Yes;
    form.findChild<QAbstractButton *>(QStringLiteral("Command5"))->click();
    QCOMPARE(folder.value(QStringLiteral("select count(*) from table1")).toInt(), 1);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(folder.value(QStringLiteral("select count(*) from table1 where num=%1").arg(deleted)).toInt(), 1);
    // The delete's confirmation, then which job came back.
    QCOMPARE(seams.messageTexts().size(), 2);
    QVERIFY2(seams.messageTexts().last().contains(QString::number(deleted)), qPrintable(seams.messageTexts().last()));
    // Every row the counter made names its login, however velmora.counter names the computer.
    QCOMPARE(folder.rows(QStringLiteral("select action from job_history where login='%1' and counter='%2' order by id")
                             .arg(clerk, JobHistory::counterName())),
             (QList<QVariantList>{{"insert"}, {"update"}, {"delete"}, {"insert"}, {"return"}}));

    // The copy a counter writes as it closes carries the history with its logins.
    const QString exitCopy = elsewhere.filePath(QStringLiteral("exit.mdb"));
    QVERIFY(JobDatabase::copyConsistent(urlAs(clerk), exitCopy));
    QCOMPARE(JobHistory::jobChanges(JobHistory::Session(exitCopy).db(), 2).first().login, clerk);

    const QString jobs =
        folder.value(QStringLiteral("select string_agg(num || name, ',' order by num) from table1")).toString();
    QVERIFY(!DatabaseCopies::restoreFrom(&form, backup));
    QCOMPARE(seams.messageTexts().size(), 3);
    QVERIFY2(seams.messageTexts().last().contains(owner) && seams.messageTexts().last().contains("فقط با حساب"),
             qPrintable(seams.messageTexts().last()));
    QCOMPARE(folder.value(QStringLiteral("select string_agg(num || name, ',' order by num) from table1")).toString(),
             jobs);
    QCOMPARE(QDir(folder.path()).entryList({QStringLiteral("db1-before-restore-*")}, QDir::Files), QStringList());
}

// A database an earlier version set up: its history lacks the login column and its trigger runs
// as the counter. The owner's start brings it up to date and keeps every row.
void TestCounterAccounts::anEarlierServerIsBroughtUpToDateKeepingItsRows()
{
    TempJobFolder folder;
    folder.addJobs(1, 3);
    folder.value(QStringLiteral("delete from table1 where num=3"));
    folder.value(QStringLiteral("alter table job_history drop column login"));
    folder.value(QStringLiteral("drop function job_history_bring_back(bigint)"));
    folder.value(QStringLiteral("alter function job_history_record() security invoker"));
    const QString rows =
        folder.value(QStringLiteral("select string_agg(id || action, ',') from job_history")).toString();
    QCOMPARE(rows.count(u','), 3);
    {
        JobHistory::Session session(folder.databasePath());
        QVERIFY(JobHistory::lastDeletionHere(session.db()) > 0); // read as before, with no login
    }
    QCOMPARE(JobDatabase::ensure(folder.databasePath()).state, JobDatabase::State::Ready);
    QCOMPARE(folder.value(QStringLiteral("select string_agg(id || action, ',') from job_history")).toString(), rows);
    QVERIFY(folder.value(QStringLiteral("select prosecdef from pg_proc where proname='job_history_record'")).toBool());
    JobHistory::Session session(folder.databasePath());
    const JobHistory::Return back = JobHistory::bringBack(session.db(), JobHistory::lastDeletionHere(session.db()));
    QVERIFY2(back.ok, qPrintable(back.error));
    QCOMPARE(back.number.toInt(), 3);
    QCOMPARE(folder
                 .value(QStringLiteral("select count(*) from job_history where action='return' and login is not "
                                       "null"))
                 .toInt(),
             1);
}

QTEST_MAIN(TestCounterAccounts)
#include "tst_counteraccounts.moc"
