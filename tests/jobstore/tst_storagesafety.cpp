#include "jobstore/Adodc.h"
#include "jobstore/DataFolderLock.h"
#include "jobstore/JobDatabase.h"
#include "jobstore/JobTable.h"
#include "jobstore/ProgramValues.h"
#include "jobstore/Queries.h"
#include "jobstore/StorageFault.h"
#include "support/TempJobFolder.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

#include <cstdio>
#include <thread>

// What keeps the shop's jobs when other programs, crashes and odd folders meet the database file.
class TestStorageSafety : public QObject
{
    Q_OBJECT

private slots:
    void storageFaultsAreNamed_data();
    void storageFaultsAreNamed();
    void declaredKindsAreChecked_data();
    void declaredKindsAreChecked();
    void folderPathWithSemicolonOpensItsOwnFile_data();
    void folderPathWithSemicolonOpensItsOwnFile();
    void hotJournalOfAKilledWriterIsRolledBack();
    void busyFileFailsFastOnlyWhenAskedTo();
    void aReceiptNumberIsStoredOnce();
    void oneProgramPerDataFolder();
};

namespace
{

// The same test program, started again to play another program on the same files.
bool startChild(QProcess &child, const QString &role, const QString &path)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("VELMORA_CHILD"), role);
    environment.insert(QStringLiteral("VELMORA_CHILD_PATH"), path);
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), {});
    return child.waitForStarted() && child.waitForReadyRead(20000) && child.readAll().startsWith("ready");
}

void stayUntilKilled()
{
    std::printf("ready\n");
    std::fflush(stdout);
    for (;;)
        std::this_thread::sleep_for(std::chrono::seconds(1));
}

int childMain(const QString &role, const QString &path)
{
    if (role == QLatin1String("lock")) {
        DataFolderLock lock(path);
        if (!lock.tryLock())
            return 1;
        stayUntilKilled();
    }
    // A writer that dies in the middle of a long save, after SQLite has begun changing the file.
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    db.setDatabaseName(path);
    if (!db.open())
        return 1;
    QSqlQuery query(db);
    query.exec(QStringLiteral("pragma cache_size=2"));
    query.exec(QStringLiteral("begin"));
    query.prepare(QStringLiteral("insert into table1 (num, name) values (?, ?)"));
    for (int n = 1000; n < 3000; ++n) {
        query.addBindValue(n);
        query.addBindValue(QString(200, u'x'));
        query.exec();
    }
    stayUntilKilled();
    return 0;
}

// A second connection holding the file in a write transaction that also keeps readers out.
struct Holder {
    QString name = QStringLiteral("holder");
    explicit Holder(const QString &path)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.open();
        QSqlQuery(db).exec(QStringLiteral("begin exclusive"));
    }
    ~Holder()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(name, false);
            QSqlQuery(db).exec(QStringLiteral("rollback"));
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
    }
};

} // namespace

void TestStorageSafety::storageFaultsAreNamed_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<StorageFault>("fault");
    QTest::newRow("read-only file") << "8" << StorageFault::ReadOnly;
    QTest::newRow("read-only folder, no journal") << "1032" << StorageFault::ReadOnly; // READONLY_DIRECTORY
    QTest::newRow("cannot open") << "14" << StorageFault::ReadOnly;
    QTest::newRow("disk full") << "13" << StorageFault::DiskFull;
    QTest::newRow("busy") << "5" << StorageFault::Busy;
    QTest::newRow("busy recovering") << "261" << StorageFault::Busy;
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
    QTest::newRow("dateout untyped") << "dateout"
                                     << "" << false;
    QTest::newRow("tel as number") << "tel"
                                   << "NUMERIC" << false;
    QTest::newRow("num as integer") << "num"
                                    << "INTEGER" << true;
    QTest::newRow("endp as double") << "endp"
                                    << "DOUBLE" << true;
    QTest::newRow("name untyped") << "name"
                                  << "" << true;
}

void TestStorageSafety::declaredKindsAreChecked()
{
    QFETCH(QString, column);
    QFETCH(QString, declared);
    QFETCH(bool, accepted);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("b.mdb"));
    QStringList columns;
    for (int i = 0; i < JobTable::ColumnCount; ++i) {
        const QString &name = JobTable::columnNames().at(i);
        const QString type = JobTable::isNumberColumn(i) ? QStringLiteral("NUMERIC") : QStringLiteral("TEXT");
        columns << QStringLiteral("\"%1\" %2").arg(name, name == column ? declared : type);
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("kinds"));
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QVERIFY(QSqlQuery(db).exec(QStringLiteral("create table table1 (%1)").arg(columns.join(u','))));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("kinds"));
    QString why;
    QCOMPARE(JobDatabase::isJobDatabase(path, &why), accepted);
    QCOMPARE(why.contains(column), !accepted);
}

void TestStorageSafety::folderPathWithSemicolonOpensItsOwnFile_data()
{
    QTest::addColumn<QString>("folder");
    QTest::newRow("semicolon") << "shop;2";
    QTest::newRow("semicolon and key") << "a;Data Source=x";
    QTest::newRow("double quote") << "say \"hi\";x";
    QTest::newRow("both quotes") << "it's \"new\";x";
    QTest::newRow("outer blank") << " lead";
}

void TestStorageSafety::folderPathWithSemicolonOpensItsOwnFile()
{
    QFETCH(QString, folder);
    QTemporaryDir dir;
    const QString data = dir.filePath(folder);
    QVERIFY(QDir().mkpath(data));
    const QString text = Program::connectionTextFor(data);
    QVERIFY(text.startsWith(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=")));
    QCOMPARE(Program::dataSourceOf(text), QDir(data).filePath(QStringLiteral("db1.mdb")));

    QCOMPARE(JobDatabase::ensure(QDir(data).filePath(QStringLiteral("db1.mdb"))).state, JobDatabase::State::Created);
    Adodc control;
    control.setConnectionString(text);
    control.setRecordSource(Queries::allJobs());
    QVERIFY2(control.Refresh(), qPrintable(control.lastError()));
    QVERIFY(control.recordset()->AddNew());
    control.recordset()->setField(JobTable::Num, 7);
    QVERIFY(control.recordset()->Update());
    QCOMPARE(JobDatabase::jobCount(QDir(data).filePath(QStringLiteral("db1.mdb"))), 1);
    // Nothing was made outside the folder.
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 1);
}

void TestStorageSafety::hotJournalOfAKilledWriterIsRolledBack()
{
    TempJobFolder folder;
    folder.addJobs(1, 20);
    folder.reconnect();
    QProcess writer;
    QVERIFY(startChild(writer, QStringLiteral("hot-journal"), folder.databasePath()));
    writer.kill();
    QVERIFY(writer.waitForFinished());
    QVERIFY(QFileInfo(folder.databasePath() + QStringLiteral("-journal")).size() > 0);

    const JobDatabase::Check check = JobDatabase::ensure(folder.databasePath());
    QCOMPARE(check.state, JobDatabase::State::Ready);
    QCOMPARE(JobDatabase::jobCount(folder.databasePath()), 20);
}

void TestStorageSafety::busyFileFailsFastOnlyWhenAskedTo()
{
    TempJobFolder folder;
    folder.addJobs(1, 3);
    folder.reconnect();
    Holder holder(folder.databasePath());

    Adodc count;
    count.setBusyWait(0);
    count.setConnectionString(Program::DatabaseConnection);
    count.setRecordSource(Queries::dueBy(999999));
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!count.Refresh());
    QVERIFY(clock.elapsed() < 1000);
    QCOMPARE(count.lastFault(), StorageFault::Busy);

    Adodc save;
    save.setConnectionString(Program::DatabaseConnection);
    save.setRecordSource(Queries::allJobs());
    clock.restart();
    QVERIFY(!save.Refresh());
    QVERIFY(clock.elapsed() >= JobDatabase::DefaultBusyWait - 500);
    QCOMPARE(save.lastFault(), StorageFault::Busy);
}

void TestStorageSafety::aReceiptNumberIsStoredOnce()
{
    TempJobFolder folder;
    folder.addJobs(1, 4);
    // Two programs' job windows, both opened before either saves.
    Adodc first, second;
    for (Adodc *control : {&first, &second}) {
        control->setConnectionString(Program::DatabaseConnection);
        control->setRecordSource(Queries::allJobs());
        QVERIFY(control->Refresh());
        control->recordset()->setUniqueColumn(JobTable::Num);
        QVERIFY(control->recordset()->AddNew());
        control->recordset()->setField(JobTable::Num, 5);
    }
    QVERIFY(first.recordset()->Update());
    QVERIFY(!second.recordset()->Update());
    QCOMPARE(second.recordset()->lastFault(), StorageFault::NumberTaken);
    QCOMPARE(folder.value(QStringLiteral("select count(*) from table1 where num=5")).toInt(), 1);

    // A job changed under its own number is not refused, nor one moved to a free number.
    Recordset *rows = first.recordset();
    QVERIFY(rows->MoveFirst());
    QVERIFY(rows->setField(JobTable::Name, QStringLiteral("changed")));
    QVERIFY(rows->Update());
    QVERIFY(rows->setField(JobTable::Num, 4));
    QVERIFY(!rows->Update());
    QCOMPARE(rows->lastFault(), StorageFault::NumberTaken);
    rows->CancelUpdate();
    QVERIFY(rows->setField(JobTable::Num, 9));
    QVERIFY(rows->Update());
    QCOMPARE(folder.value(QStringLiteral("select name from table1 where num=9")).toString(), QStringLiteral("changed"));
}

void TestStorageSafety::oneProgramPerDataFolder()
{
    QTemporaryDir folder;
    QProcess running;
    QVERIFY(startChild(running, QStringLiteral("lock"), folder.path()));
    DataFolderLock second(folder.path());
    QVERIFY(!second.tryLock());

    // A program that crashed leaves its lock file behind, but not its hold on the folder.
    running.kill();
    QVERIFY(running.waitForFinished());
    QVERIFY(QFile::exists(second.lockFilePath()));
    QVERIFY(second.tryLock());
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QString role = qEnvironmentVariable("VELMORA_CHILD");
    if (!role.isEmpty())
        return childMain(role, qEnvironmentVariable("VELMORA_CHILD_PATH"));
    TestStorageSafety test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_storagesafety.moc"
