// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/Adodc.h"
#include "jobstore/JobTable.h"
#include "jobstore/ProgramValues.h"
#include "jobstore/Queries.h"
#include "jobstore/file/JobDatabase.h"
#include "jobstore/file/WholeFile.h"
#include "support/TornFile.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

class TestJobDatabase : public QObject
{
    Q_OBJECT

private slots:
    void connectionTextNamesTheDataFolder();
    void missingFileIsCreatedWithTheJobColumns();
    void otherFilesAreLeftByteForByte_data();
    void otherFilesAreLeftByteForByte();
    void aCleanEndSparesOnlyTheSameFileTheWholeCheck();
    void extraColumnsAreKeptAndNeverWritten();
    void anOlderFileGetsEveryIndexOverEveryJob();
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
    QTest::addColumn<JobDatabase::State>("state");
    QTest::addColumn<bool>("quickCheckPasses");
    QTest::newRow("text") << QByteArray("not a database at all\r\n") << JobDatabase::State::NotAJobDatabase << false;
    QTest::newRow("empty") << QByteArray() << JobDatabase::State::NotAJobDatabase << false;
    QTest::newRow("sqlite header, garbage after")
        << QByteArray("SQLite format 3\0", 16) + QByteArray(4080, 'x') << JobDatabase::State::NotAJobDatabase << false;
    // Another program's file, even with a table1 of its own.
    QTest::newRow("another program's database") << QByteArray("foreign") << JobDatabase::State::NotAJobDatabase << true;
    // Pages of two versions mixed: the schema and the count read, SQLite's check does not pass.
    QTest::newRow("torn job database") << QByteArray("torn") << JobDatabase::State::Damaged << false;
    // Every page in order, so only the whole check, comparing each index with its table, sees it.
    QTest::newRow("torn, one column moved, every second page older")
        << QByteArray("moved 2 1") << JobDatabase::State::Damaged << true;
    QTest::newRow("torn, one column moved, every fifth page older")
        << QByteArray("moved 5 3") << JobDatabase::State::Damaged << true;
    QTest::newRow("torn, an index's pages older") << QByteArray("index") << JobDatabase::State::Damaged << true;
    // The older header page leads nowhere in the rewritten file: neither schema nor jobs read.
    QTest::newRow("torn, rewritten file, header page older")
        << QByteArray("vacuumed 2 0") << JobDatabase::State::Damaged << false;
    QTest::newRow("torn, rewritten file, every seventh page older")
        << QByteArray("vacuumed 7 0") << JobDatabase::State::Damaged << false;
    QTest::newRow("job database this account may not read")
        << QByteArray("unreadable") << JobDatabase::State::Unreadable << false;
}

void TestJobDatabase::otherFilesAreLeftByteForByte()
{
    QFETCH(QByteArray, contents);
    QFETCH(JobDatabase::State, state);
    QFETCH(bool, quickCheckPasses);
    if (contents == "unreadable" && ::geteuid() == 0)
        QSKIP("root reads every file");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("db1.mdb"));
    const QList<QByteArray> tear = contents.split(' ');
    if (contents == "torn") {
        TornFile::write(path);
    } else if (tear.first() == "moved" || tear.first() == "vacuumed") {
        TornFile::write(path, {tear.at(1).toInt(), tear.at(2).toInt(),
                               tear.first() == "moved" ? TornFile::Newer::DatesMoved : TornFile::Newer::Vacuumed});
    } else if (contents == "index") {
        TornFile::writeWithOlderIndex(path);
    } else if (contents == "unreadable") {
        JobDatabase::ensure(path);
        QFile::setPermissions(path, QFile::WriteOwner);
    } else if (contents == "foreign") {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("foreign"));
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QVERIFY(QSqlQuery(db).exec(QStringLiteral("create table table1 (num integer, name text, dateout text)")));
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("foreign"));
    } else {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }
    const QByteArray before = TornFile::bytes(path);
    if (state == JobDatabase::State::Damaged) {
        QCOMPARE(TornFile::verdict(path, QStringLiteral("quick_check")) == QLatin1String("ok"), quickCheckPasses);
        QVERIFY(TornFile::verdict(path, QStringLiteral("integrity_check")) != QLatin1String("ok"));
    }
    const JobDatabase::Check check = JobDatabase::ensure(path);
    QCOMPARE(check.state, state);
    QCOMPARE(TornFile::bytes(path), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("db1.mdb")});
    // Neither a restore nor the exit copy takes it.
    QVERIFY(!JobDatabase::isJobDatabase(path));
    QCOMPARE(JobDatabase::jobCount(path), -1);
}

void TestJobDatabase::aCleanEndSparesOnlyTheSameFileTheWholeCheck()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("db1.mdb"));
    const QString record = WholeFile::closedRecordPath(path);
    TornFile::writeWithOlderIndex(path);
    QCOMPARE(TornFile::verdict(path, QStringLiteral("quick_check")), QStringLiteral("ok"));
    // Nothing closed this file cleanly in this process: nothing is noted.
    JobDatabase::noteClosedCleanly(path);
    QVERIFY(!QFile::exists(record));

    // A record naming the file as it is spares it the whole check, once: the start takes it away.
    QVERIFY(WholeFile::writeClosedRecord(path));
    QCOMPARE(JobDatabase::ensure(path).state, JobDatabase::State::Ready);
    QVERIFY(!QFile::exists(record));
    QCOMPARE(JobDatabase::ensure(path).state, JobDatabase::State::Damaged);

    // A record of the file before it changed is no record of it.
    TornFile::writeWithOlderIndex(path);
    const QString sound = dir.filePath(QStringLiteral("sound.mdb"));
    QCOMPARE(JobDatabase::ensure(sound).state, JobDatabase::State::Created);
    QVERIFY(WholeFile::writeClosedRecord(path));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    file.seek(file.size() - 1);
    file.write("\x01");
    file.close();
    QCOMPARE(JobDatabase::ensure(path).state, JobDatabase::State::Damaged);

    // A sound file found whole at start is noted at a clean end, and its next start reads it.
    QCOMPARE(JobDatabase::ensure(sound).state, JobDatabase::State::Ready);
    QVERIFY(!JobDatabase::checkingWholeFile());
    JobDatabase::noteClosedCleanly(sound);
    QVERIFY(QFile::exists(WholeFile::closedRecordPath(sound)));
    QCOMPARE(JobDatabase::ensure(sound).state, JobDatabase::State::Ready);
    QVERIFY(!QFile::exists(WholeFile::closedRecordPath(sound)));
}

void TestJobDatabase::extraColumnsAreKeptAndNeverWritten()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("db1.mdb"));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("shop-made"));
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery query(db);
        // The shop's own column, standing between the job columns.
        QVERIFY(query.exec(JobTable::createStatements().first().replace(QStringLiteral("\"tel\" TEXT"),
                                                                        QStringLiteral("\"tel\" TEXT, note TEXT"))));
        QVERIFY(query.exec(QStringLiteral("insert into table1 (num, name, note) values (1, 'a', 'kept')")));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("shop-made"));
    QCOMPARE(JobDatabase::ensure(path).state, JobDatabase::State::Ready);

    Adodc control;
    control.setConnectionString(Program::connectionTextFor(dir.path()));
    control.setRecordSource(Queries::allJobs());
    QVERIFY(control.Refresh());
    Recordset *jobs = control.recordset();
    QCOMPARE(jobs->Fields(JobTable::Name).toString(), QStringLiteral("a"));
    QVERIFY(jobs->setField(JobTable::Name, QStringLiteral("b")));
    QVERIFY(jobs->Update());
    QVERIFY(jobs->AddNew());
    jobs->setField(JobTable::Num, 2);
    QVERIFY(jobs->Update());

    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
    db.setDatabaseName(path);
    QVERIFY(db.open());
    QSqlQuery query(db);
    QVERIFY(query.exec(QStringLiteral("select name, note from table1 order by num")));
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toString(), QStringLiteral("b"));
    QCOMPARE(query.value(1).toString(), QStringLiteral("kept"));
    QVERIFY(query.next());
    QVERIFY(query.value(1).isNull());
    query = QSqlQuery();
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("check"));
}

void TestJobDatabase::anOlderFileGetsEveryIndexOverEveryJob()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("db1.mdb"));
    // Row ids far apart, and at both ends of the ranges the search index is filled by.
    const QList<qint64> ids = {-5, 1, 2, 3, 7, 1000, 123456789, 9007199254740993};
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("older"));
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery query(db);
        QVERIFY(query.exec(JobTable::createStatements().first()));
        for (qint64 id : ids) {
            query.prepare(QStringLiteral("insert into table1 (rowid, num, name, nameph) values (?, ?, ?, ?)"));
            query.addBindValue(id);
            query.addBindValue(id);
            query.addBindValue(QStringLiteral("n%1z").arg(id));
            query.addBindValue(QStringLiteral("m%1q").arg(id));
            QVERIFY2(query.exec(), qPrintable(query.lastError().text()));
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("older"));
    QCOMPARE(JobDatabase::ensure(path).state, JobDatabase::State::Ready);
    QCOMPARE(JobDatabase::building().total, 0);

    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery query(db);
        for (const QString &statement : JobTable::indexStatements()) {
            query.prepare(QStringLiteral("select 1 from sqlite_master where type='index' and name=?"));
            query.addBindValue(JobTable::indexName(statement));
            QVERIFY2(query.exec() && query.next(), qPrintable(statement));
        }
        const QList<std::pair<const char *, const char *>> searches = {
            {"search_num", "%1"}, {"search_name_unblanked", "n%1z"}, {"search_model_unblanked", "m%1q"}};
        for (const auto &[table, text] : searches) {
            for (qint64 id : ids) {
                const QString wanted = QString::fromLatin1(text).arg(id);
                if (wanted.size() < 3)
                    continue;
                query.prepare(QStringLiteral("select rowid from %1 where %1 match ?").arg(QLatin1String(table)));
                QStringList trigrams;
                for (qsizetype at = 0; at + 3 <= wanted.size(); ++at)
                    trigrams << u'"' + wanted.mid(at, 3) + u'"';
                query.addBindValue(trigrams.join(QStringLiteral(" AND ")));
                QVERIFY2(query.exec(), qPrintable(query.lastError().text()));
                QList<qint64> found;
                while (query.next())
                    found << query.value(0).toLongLong();
                QVERIFY2(found.contains(id), qPrintable(QStringLiteral("%1 in %2").arg(wanted, table)));
            }
        }
        query = QSqlQuery();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("check"));
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
