#include "jobstore/Adodc.h"
#include "jobstore/JobDatabase.h"
#include "jobstore/JobTable.h"
#include "jobstore/ProgramValues.h"
#include "jobstore/Queries.h"

#include <QCryptographicHash>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

namespace
{
QByteArray digestOf(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}
} // namespace

class TestJobDatabase : public QObject
{
    Q_OBJECT

private slots:
    void connectionTextNamesTheDataFolder();
    void missingFileIsCreatedWithTheJobColumns();
    void otherFilesAreLeftByteForByte_data();
    void otherFilesAreLeftByteForByte();
    void dataControlNeverCreatesAMissingFile();
    void consistentCopyReplacesAnExistingTarget();
};

void TestJobDatabase::connectionTextNamesTheDataFolder()
{
    const QString text = Program::connectionTextFor(QStringLiteral("/shop/data"));
    QVERIFY(text.startsWith(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=")));
    QVERIFY(text.endsWith(QStringLiteral("db1.mdb;Persist Security Info=False")));
    QCOMPARE(Program::dataSourceOf(text), QStringLiteral("/shop/data/db1.mdb"));
}

void TestJobDatabase::missingFileIsCreatedWithTheJobColumns()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("db1.mdb"));
    QCOMPARE(JobDatabase::ensure(path).state, JobDatabase::State::Created);
    QVERIFY(JobDatabase::isJobDatabase(path));
    // A second start finds it ready and leaves the jobs alone.
    QCOMPARE(JobDatabase::ensure(path).state, JobDatabase::State::Ready);

    Adodc control;
    control.setConnectionString(Program::connectionTextFor(dir.path()));
    control.setRecordSource(Queries::allJobs());
    QVERIFY(control.Refresh());
    QCOMPARE(control.recordset()->fieldCount(), int(JobTable::ColumnCount));
    for (int i = 0; i < JobTable::ColumnCount; ++i)
        QCOMPARE(control.recordset()->fieldName(i), JobTable::columnNames().at(i));
}

void TestJobDatabase::otherFilesAreLeftByteForByte_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::newRow("text") << QByteArray("not a database at all\r\n");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("sqlite header, garbage after") << QByteArray("SQLite format 3\0", 16) + QByteArray(4080, 'x');
}

void TestJobDatabase::otherFilesAreLeftByteForByte()
{
    QFETCH(QByteArray, contents);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("db1.mdb"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }
    const QByteArray before = digestOf(path);
    const JobDatabase::Check check = JobDatabase::ensure(path);
    QCOMPARE(check.state, JobDatabase::State::NotAJobDatabase);
    QCOMPARE(digestOf(path), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("db1.mdb")});
}

void TestJobDatabase::dataControlNeverCreatesAMissingFile()
{
    QTemporaryDir dir;
    Adodc control;
    control.setConnectionString(Program::connectionTextFor(dir.path()));
    control.setRecordSource(Queries::jobList());
    QVERIFY(!control.Refresh());
    QVERIFY(!control.lastError().isEmpty());
    QCOMPARE(control.recordset()->RecordCount(), 0);
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("db1.mdb"))));
}

void TestJobDatabase::consistentCopyReplacesAnExistingTarget()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("db1.mdb"));
    QCOMPARE(JobDatabase::ensure(path).state, JobDatabase::State::Created);

    // A connection holds the file open with a job in it, as the running program does.
    Adodc control;
    control.setConnectionString(Program::connectionTextFor(dir.path()));
    control.setRecordSource(Queries::allJobs());
    QVERIFY(control.Refresh());
    Recordset *jobs = control.recordset();
    QVERIFY(jobs->AddNew());
    jobs->setField(JobTable::Num, 41);
    jobs->setField(JobTable::Name, QStringLiteral("علي"));
    QVERIFY(jobs->Update());

    const QString target = dir.filePath(QStringLiteral("backup.mdb"));
    {
        QFile old(target);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("an older backup");
    }
    QString error;
    QVERIFY2(JobDatabase::copyConsistent(path, target, &error), qPrintable(error));
    QVERIFY(JobDatabase::isJobDatabase(target));
    QVERIFY(!QFile::exists(target + QStringLiteral(".partial")));

    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("copy-check"));
    db.setDatabaseName(target);
    QVERIFY(db.open());
    QSqlQuery query(db);
    QVERIFY(query.exec(QStringLiteral("select num, name from table1")));
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toInt(), 41);
    QCOMPARE(query.value(1).toString(), QStringLiteral("علي"));
    query = QSqlQuery();
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("copy-check"));

    QVERIFY(!JobDatabase::copyConsistent(path, dir.filePath(QStringLiteral("no/such/folder/x.mdb")), &error));
    QVERIFY(!error.isEmpty());
}

QTEST_GUILESS_MAIN(TestJobDatabase)
#include "tst_jobdatabase.moc"
