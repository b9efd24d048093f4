// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/Adodc.h"
#include "jobstore/JobTable.h"
#include "jobstore/ProgramValues.h"
#include "jobstore/Queries.h"
#include "jobstore/file/DataFolderLock.h"
#include "jobstore/file/JobDatabase.h"
#include "support/TempJobFolder.h"

#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

#include <cstdio>
#include <thread>

// The database file against other programs, crashes and odd folder names.
class TestStorageSafety : public QObject
{
    Q_OBJECT

private slots:
    void storageFaultsAreNamed_data();
    void storageFaultsAreNamed();
    void declaredKindsAreChecked_data();
    void declaredKindsAreChecked();
    void folderPathOpensItsOwnFile_data();
    void folderPathOpensItsOwnFile();
    void hotJournalOfAKilledWriterIsRolledBack();
    void aReceiptNumberIsStoredOnce();
    void oneProgramPerDataFolder();
};

namespace
{

// This test program started again, as another program on the same files; it stays until killed.
bool startChild(QProcess &child, const QString &role, const QString &path)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("VELMORA_CHILD"), role);
    environment.insert(QStringLiteral("VELMORA_CHILD_PATH"), path);
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), {});
    return child.waitForReadyRead(20000) && child.readAll().startsWith("ready");
}

int childMain(const QString &role, const QString &path)
{
    DataFolderLock lock(path);
    if (role == QLatin1String("lock") && !lock.tryLock())
        return 1;
    if (role == QLatin1String("writer")) {
        // A long save that has begun changing the file itself.
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
        db.setDatabaseName(path + QStringLiteral("/db1.mdb"));
        QSqlQuery query(db.open() ? db : QSqlDatabase());
        query.exec(QStringLiteral("pragma cache_size=2"));
        query.exec(QStringLiteral("begin"));
        for (int n = 1000; n < 3000; ++n)
            query.exec(
                QStringLiteral("insert into table1 (num, name) values (%1, '%2')").arg(n).arg(QString(200, u'x')));
    }
    std::printf("ready\n");
    std::fflush(stdout);
    for (;;)
        std::this_thread::sleep_for(std::chrono::seconds(1));
}

} // namespace

void TestStorageSafety::storageFaultsAreNamed_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<StorageFault>("fault");
    QTest::newRow("read-only") << "8" << StorageFault::ReadOnly;
    QTest::newRow("read-only folder") << "1032" << StorageFault::ReadOnly;
    QTest::newRow("disk full") << "13" << StorageFault::DiskFull;
    QTest::newRow("busy") << "5" << StorageFault::Busy;
    QTest::newRow("constraint") << "19" << StorageFault::Other;
}

void TestStorageSafety::storageFaultsAreNamed()
{
    QFETCH(QString, code);
    QFETCH(StorageFault, fault);
    QCOMPARE(storageFaultOf(QSqlError(QString(), QStringLiteral("x"), QSqlError::StatementError, code)), fault);
    QCOMPARE(storageFaultSentence(fault).isEmpty(), fault == StorageFault::Other);
}

void TestStorageSafety::declaredKindsAreChecked_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("declared");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("num as text") << "num"
                                 << "TEXT" << false;
    QTest::newRow("datein as varchar") << "datein"
                                       << "VARCHAR(10)" << false;
    QTest::newRow("tel as number") << "tel"
                                   << "NUMERIC" << false;
    QTest::newRow("num as integer") << "num"
                                    << "INTEGER" << true;
    QTest::newRow("name untyped") << "name"
                                  << "" << true;
}

void TestStorageSafety::declaredKindsAreChecked()
{
    QFETCH(QString, column);
    QFETCH(QString, declared);
    QFETCH(bool, accepted);
    TempJobFolder folder;
    QString sql = JobTable::createStatements().first();
    sql.replace(QRegularExpression(QStringLiteral("(\"%1\") \\w+").arg(column)), QStringLiteral("\\1 ") + declared);
    folder.value(QStringLiteral("drop table table1"));
    folder.value(sql);
    folder.reconnect();
    QString why;
    QCOMPARE(JobDatabase::isJobDatabase(folder.databasePath(), &why), accepted);
    QCOMPARE(why.contains(column), !accepted);
}

void TestStorageSafety::folderPathOpensItsOwnFile_data()
{
    QTest::addColumn<QString>("folder");
    QTest::newRow("semicolon") << "a;Data Source=x";
    QTest::newRow("double quote") << "say \"hi\";x";
    QTest::newRow("both quotes") << "it's \"new\";x";
    QTest::newRow("outer blank") << " lead";
}

void TestStorageSafety::folderPathOpensItsOwnFile()
{
    QFETCH(QString, folder);
    QTemporaryDir dir;
    const QString data = dir.filePath(folder);
    QVERIFY(QDir().mkpath(data));
    const QString text = Program::connectionTextFor(data);
    QCOMPARE(Program::dataSourceOf(text), QDir(data).filePath(QStringLiteral("db1.mdb")));
    JobDatabase::ensure(Program::dataSourceOf(text));
    Adodc control;
    control.setConnectionString(text);
    control.setRecordSource(Queries::allJobs());
    QVERIFY(control.Refresh() && control.recordset()->AddNew());
    QVERIFY(control.recordset()->setField(JobTable::Num, 7) && control.recordset()->Update());
    QCOMPARE(JobDatabase::jobCount(QDir(data).filePath(QStringLiteral("db1.mdb"))), 1);
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 1); // nothing beside it
}

void TestStorageSafety::hotJournalOfAKilledWriterIsRolledBack()
{
    TempJobFolder folder;
    folder.addJobs(1, 20);
    folder.reconnect();
    QProcess writer;
    QVERIFY(startChild(writer, QStringLiteral("writer"), folder.path()));
    writer.kill();
    QVERIFY(writer.waitForFinished());
    QVERIFY(QFileInfo(folder.databasePath() + QStringLiteral("-journal")).size() > 0);
    QCOMPARE(JobDatabase::ensure(folder.databasePath()).state, JobDatabase::State::Ready);
    QCOMPARE(JobDatabase::jobCount(folder.databasePath()), 20);
}

void TestStorageSafety::aReceiptNumberIsStoredOnce()
{
    TempJobFolder folder;
    folder.addJobs(1, 4);
    Adodc first, second; // two programs' job windows, both opened before either saves
    for (Adodc *control : {&first, &second}) {
        control->setConnectionString(Program::DatabaseConnection);
        control->setRecordSource(Queries::allJobs());
        QVERIFY(control->Refresh() && control->recordset()->AddNew());
        control->recordset()->setUniqueColumn(JobTable::Num);
        control->recordset()->setField(JobTable::Num, 5);
    }
    QVERIFY(first.recordset()->Update());
    QVERIFY(!second.recordset()->Update());
    QCOMPARE(second.recordset()->lastFault(), StorageFault::NumberTaken);
    // A job may keep its own number but not take another's.
    Recordset *rows = first.recordset();
    QVERIFY(rows->MoveFirst() && rows->setField(JobTable::Name, QStringLiteral("changed")) && rows->Update());
    QVERIFY(rows->setField(JobTable::Num, 4) && !rows->Update());
    QCOMPARE(folder.value(QStringLiteral("select count(*) from table1 where num in (4, 5)")).toInt(), 2);
}

void TestStorageSafety::oneProgramPerDataFolder()
{
    QTemporaryDir folder;
    QProcess running;
    QVERIFY(startChild(running, QStringLiteral("lock"), folder.path()));
    DataFolderLock second(folder.path());
    QVERIFY(!second.tryLock());
    running.kill(); // a crash leaves the lock file, but not its hold on the folder
    QVERIFY(running.waitForFinished());
    QVERIFY(QFile::exists(second.lockFilePath()));
    QVERIFY(second.tryLock());
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("VELMORA_CHILD"))
        return childMain(qEnvironmentVariable("VELMORA_CHILD"), qEnvironmentVariable("VELMORA_CHILD_PATH"));
    TestStorageSafety test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_storagesafety.moc"
