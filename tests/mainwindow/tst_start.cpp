// SPDX-License-Identifier: GPL-3.0-or-later
// The program's own start, as main runs it, on a shop's real files: the splash's check, the main
// window, its timers and readers, and the offers made at start, all alive together.
#include "jobstore/Recordset.h"
#include "jobstore/file/JobDatabase.h"
#include "jobstore/file/JobFileConnections.h"
#include "mainwindow/DatabaseCopies.h"
#include "mainwindow/Form1.h"
#include "mainwindow/Start.h"
#include "mainwindow/first.h"
#include "support/PrivateHome.h"
#include "support/Seams.h"

#include "jobstore/Adodc.h"

#include <QAction>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <utility>

namespace
{

QString fixture(const QString &name)
{
    return QDir(QStringLiteral(VELMORA_ACCESS_FIXTURES)).filePath(name);
}

QByteArray digest(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&file);
    return hash.result().toHex();
}

// The descriptors this process holds on `path`: what strace would show a connection keeping.
int descriptorsOn(const QString &path)
{
    const QString target = QFileInfo(path).absoluteFilePath();
    int count = 0;
    QDirIterator fds(QStringLiteral("/proc/self/fd"), QDir::System | QDir::NoDotAndDotDot);
    while (fds.hasNext())
        count += QFile::symLinkTarget(fds.next()) == target ? 1 : 0;
    return count;
}

// Jobs in a job file, read on a connection of the test's own, with SQLite's full check.
struct FileState {
    qint64 jobs = -1;
    QString check;
};

FileState stateOf(const QString &path)
{
    FileState state;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("tst_start"));
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            QSqlQuery query(db);
            if (query.exec(QStringLiteral("select count(*) from table1")) && query.next())
                state.jobs = query.value(0).toLongLong();
            if (query.exec(QStringLiteral("pragma integrity_check")) && query.next())
                state.check = query.value(0).toString();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("tst_start"));
    return state;
}

// A job file of `jobs` jobs, made through the program's own store.
void makeJobFile(const QString &path, int jobs)
{
    QVERIFY(JobDatabase::ensure(path).state == JobDatabase::State::Created);
    QSqlDatabase db = JobDatabase::open(path, QStringLiteral("tst_start-fill"));
    QSqlQuery query(db);
    QVERIFY(db.transaction());
    QVERIFY(query.prepare(QStringLiteral("insert into table1 (num, name, nameph, dateout) values (?, ?, ?, ?)")));
    for (int number = 1; number <= jobs; ++number) {
        query.addBindValue(number);
        query.addBindValue(QStringLiteral("مشتري %1").arg(number));
        query.addBindValue(QStringLiteral("Nokia"));
        query.addBindValue(31230);
        QVERIFY(query.exec());
    }
    QVERIFY(db.commit());
    query.finish();
    db = QSqlDatabase();
    JobDatabase::close(QStringLiteral("tst_start-fill"));
}

// A started program, ended when the test ends.
struct Running {
    Start::Started started;
    Form1 *form = nullptr;

    ~Running()
    {
        delete form;
        started = Start::Started();
    }
    bool waitForWindow()
    {
        // The splash shows three seconds, longer while its check runs.
        for (QElapsedTimer waited; !form && waited.elapsed() < 120000; QTest::qWait(50))
            form = started.splash ? started.splash->mainWindow() : nullptr;
        return form;
    }
};

bool anyMessage(const Seams &seams, const QString &part)
{
    for (const QString &text : seams.messageTexts()) {
        if (text.contains(part))
            return true;
    }
    return false;
}

} // namespace

class TestStart : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void accessFileComesInWhole();
    void accessOfferDeclinedPointsToImport();
    void emptyFolderOffersTheExitCopy();
    void restoreUnderTheListsReaders();
    void serverRefusalsNameWhatIsWrong_data();
    void serverRefusalsNameWhatIsWrong();

private:
    QTemporaryDir m_unpacked;
    QString m_bigAccess;
};

void TestStart::initTestCase()
{
    m_bigAccess = m_unpacked.filePath(QStringLiteral("jobs-32767.mdb"));
    QProcess gunzip;
    gunzip.setStandardOutputFile(m_bigAccess);
    gunzip.start(QStringLiteral("gzip"), {QStringLiteral("-dc"), fixture(QStringLiteral("jobs-32767.mdb.gz"))});
    QVERIFY(gunzip.waitForFinished(60000) && gunzip.exitCode() == 0);
}

void TestStart::accessFileComesInWhole()
{
    PrivateHome home;
    QTemporaryDir data;
    const QString db1 = data.filePath(QStringLiteral("db1.mdb"));
    QVERIFY(QFile::copy(m_bigAccess, db1));
    const QByteArray before = digest(db1);

    Seams seams;
    seams.answers = {MessageBox::Answer::Yes};
    Running program{Start::begin(*qApp, data.path(), QString(), QString())};
    QVERIFY(program.started.splash);
    QVERIFY(program.waitForWindow());
    QTRY_VERIFY_WITH_TIMEOUT(anyMessage(seams, QStringLiteral("کارهاي وارد شده")), 120000);
    QVERIFY2(!anyMessage(seams, QStringLiteral("نشد")), qPrintable(seams.messageTexts().join(u'\n')));

    // The Access file is aside byte for byte and nothing holds it; the jobs are all in db1.mdb.
    const QStringList aside = QDir(data.path()).entryList({QStringLiteral("db1-access-*.mdb")});
    QCOMPARE(aside.size(), 1);
    const QString kept = data.filePath(aside.first());
    QCOMPARE(digest(kept), before);
    QCOMPARE(descriptorsOn(kept), 0);
    const FileState state = stateOf(db1);
    QCOMPARE(state.jobs, 32767);
    QCOMPARE(state.check, QStringLiteral("ok"));
    for (const QString &leftover : {QStringLiteral("db1.mdb-journal"), QStringLiteral("db1.mdb.importing"),
                                    QStringLiteral("db1.mdb.importing-journal")})
        QVERIFY2(!QFileInfo::exists(data.filePath(leftover)), qPrintable(leftover));

    // The window works on the new file: its list and its due count read it, and keep the Access
    // file as it was while they do.
    QTRY_COMPARE_WITH_TIMEOUT(program.form->adodc1()->recordset()->RecordCount(), 32767, 30000);
    auto *due = program.form->findChild<QPushButton *>(QStringLiteral("Command9"));
    QTRY_VERIFY_WITH_TIMEOUT(due->text().contains(QRegularExpression(QStringLiteral("\\d+ مورد"))), 10000);
    QCOMPARE(digest(kept), before);

    // The end copies the new file whole and notes it closed cleanly; the next start finds it so,
    // says nothing, and lists every job.
    const qsizetype told = seams.messages.size();
    program.form->exitCommand();
    QCOMPARE(seams.messages.size(), told);
    QCOMPARE(stateOf(DatabaseCopies::exitCopyPath()).jobs, 32767);
    QVERIFY(QFileInfo::exists(db1 + QStringLiteral(".closed-cleanly")));
    delete std::exchange(program.form, nullptr);
    program.started = Start::Started();
    Running again{Start::begin(*qApp, data.path(), QString(), QString())};
    QVERIFY(again.waitForWindow());
    QTRY_COMPARE_WITH_TIMEOUT(again.form->adodc1()->recordset()->RecordCount(), 32767, 30000);
    QCOMPARE(seams.messages.size(), told);
    QVERIFY(!QFileInfo::exists(db1 + QStringLiteral(".closed-cleanly")));
    QCOMPARE(digest(kept), before);
}

void TestStart::accessOfferDeclinedPointsToImport()
{
    PrivateHome home;
    QTemporaryDir data;
    const QString db1 = data.filePath(QStringLiteral("db1.mdb"));
    QVERIFY(QFile::copy(fixture(QStringLiteral("jobs-edge.mdb")), db1));
    const QByteArray before = digest(db1);

    Seams seams;
    seams.answers = {MessageBox::Answer::No};
    Running program{Start::begin(*qApp, data.path(), QString(), QString())};
    QVERIFY(program.waitForWindow());
    QTRY_COMPARE(seams.messages.size(), 1);
    // Seconds of the due count's timer on the Access file change nothing and open nothing on it.
    QTest::qWait(2500);
    QCOMPARE(digest(db1), before);
    QCOMPARE(JobFileConnections::openCount(db1), 0);

    // F1 names the import, not a restore.
    program.form->registerJob();
    QVERIFY(seams.messages.last().text.contains(QStringLiteral("ورود کارها از فايل Access")));
    QVERIFY(!seams.messages.last().text.contains(QStringLiteral("F7")));

    // The File menu's import brings db1.mdb's own jobs in, as the start would have.
    seams.answers = {MessageBox::Answer::Yes};
    program.form->findChild<QAction *>(QStringLiteral("importAccess"))->trigger();
    QVERIFY2(anyMessage(seams, QStringLiteral("کارهاي وارد شده")), qPrintable(seams.messageTexts().join(u'\n')));
    QCOMPARE(stateOf(db1).jobs, 5);
    const QStringList aside = QDir(data.path()).entryList({QStringLiteral("db1-access-*.mdb")});
    QCOMPARE(aside.size(), 1);
    QCOMPARE(digest(data.filePath(aside.first())), before);
    QTRY_COMPARE(program.form->adodc1()->recordset()->RecordCount(), 5);
}

void TestStart::emptyFolderOffersTheExitCopy()
{
    PrivateHome home;
    QDir().mkpath(QFileInfo(DatabaseCopies::exitCopyPath()).absolutePath());
    makeJobFile(DatabaseCopies::exitCopyPath(), 48);
    QTemporaryDir data;

    Seams seams;
    seams.answers = {MessageBox::Answer::Yes};
    Running program{Start::begin(*qApp, data.path(), QString(), QString())};
    QVERIFY(program.waitForWindow());
    QTRY_VERIFY(!seams.messages.isEmpty());
    const MessageBox::Request offer = seams.messages.first();
    QCOMPARE(offer.buttons, MessageBox::Buttons::YesNo);
    QVERIFY(offer.text.contains(QStringLiteral("48")));
    QTRY_COMPARE(stateOf(data.filePath(QStringLiteral("db1.mdb"))).jobs, 48);
    QTRY_COMPARE(program.form->adodc1()->recordset()->RecordCount(), 48);
}

void TestStart::restoreUnderTheListsReaders()
{
    PrivateHome home;
    QTemporaryDir data;
    const QString db1 = data.filePath(QStringLiteral("db1.mdb"));
    makeJobFile(db1, 32767);
    QTemporaryDir elsewhere;
    const QString backup = elsewhere.filePath(QStringLiteral("backup.mdb"));
    makeJobFile(backup, 7);
    const QByteArray backupBytes = digest(backup);

    Seams seams;
    Running program{Start::begin(*qApp, data.path(), QString(), QString())};
    QVERIFY(program.waitForWindow());
    // The list's id reader, its page reads and the due count are all on db1.mdb when it is replaced.
    QTRY_COMPARE_WITH_TIMEOUT(program.form->adodc1()->recordset()->RecordCount(), 32767, 30000);
    program.form->startListRefresh();
    QTest::qWait(30);
    QVERIFY(JobFileConnections::openCount(db1) > 0);
    seams.fileNames = {backup};
    program.form->restoreCommand();
    QVERIFY2(anyMessage(seams, QStringLiteral("برگردانده شد")), qPrintable(seams.messageTexts().join(u'\n')));

    QCOMPARE(stateOf(db1).jobs, 7);
    QCOMPARE(digest(backup), backupBytes);
    const QStringList safety = QDir(data.path()).entryList({QStringLiteral("db1-before-restore-*.mdb")});
    QCOMPARE(safety.size(), 1);
    const FileState kept = stateOf(data.filePath(safety.first()));
    QCOMPARE(kept.jobs, 32767);
    QCOMPARE(kept.check, QStringLiteral("ok"));
    QTRY_COMPARE(program.form->adodc1()->recordset()->RecordCount(), 7);
    QCOMPARE(stateOf(db1).check, QStringLiteral("ok"));
}

void TestStart::serverRefusalsNameWhatIsWrong_data()
{
    QTest::addColumn<JobDatabase::State>("state");
    QTest::addColumn<QString>("detail");
    QTest::addColumn<QString>("says");
    QTest::addColumn<QStringList>("named");
    QTest::newRow("unreachable") << JobDatabase::State::Unreachable << "timeout"
                                 << "وصل نشد" << QStringList{"velmora", "server.shop.lan"};
    QTest::newRow("no right to create") << JobDatabase::State::CannotCreate << "permission denied"
                                        << "اجازه ساختن" << QStringList{"velmora", "server.shop.lan", "shop"};
    QTest::newRow("numbers repeat") << JobDatabase::State::NumbersRepeat << "3, 8"
                                    << "بيش از يک بار" << QStringList{"velmora", "server.shop.lan", "3, 8"};
    QTest::newRow("a column of the wrong kind")
        << JobDatabase::State::NotAJobDatabase << "column num of table1 is text"
        << "تعميرگاه نيست" << QStringList{"velmora", "server.shop.lan", "column num of table1 is text"};
    // libpq's own texts, as a PostgreSQL 15 server and libpq 15 gave them over TCP with ssl = on,
    // hostssl and a self-signed authority; only the server's name is the test's.
    const QString at = QStringLiteral("connection to server at \"server.shop.lan\" (192.168.1.5), port 5432 failed: ");
    const QString qt = QStringLiteral("\nQPSQL: Unable to connect");
    QTest::newRow("wrong password") << JobDatabase::State::Unreachable
                                    << at + "FATAL:  password authentication failed for user \"shop\"" + qt << "وصل نشد"
                                    << QStringList{"velmora", "server.shop.lan"};
    QTest::newRow("sslrootcert of another authority")
        << JobDatabase::State::Unreachable << at + "SSL error: certificate verify failed" + qt << "تاييد نمي کند"
        << QStringList{"/etc/velmora/shop-ca.crt", "sslrootcert", "server.shop.lan"};
    QTest::newRow("sslrootcert missing")
        << JobDatabase::State::Unreachable
        << at +
               "root certificate file \"/etc/velmora/shop-ca.crt\" does not exist\nEither provide the file or "
               "change sslmode to disable server certificate verification." +
               qt
        << "وجود ندارد" << QStringList{"/etc/velmora/shop-ca.crt", "sslrootcert"};
    QTest::newRow("certificate for another name")
        << JobDatabase::State::Unreachable
        << at +
               "server certificate for \"db.shop.lan\" (and 1 other name) does not match host name "
               "\"server.shop.lan\"" +
               qt
        << "نام ديگري" << QStringList{"db.shop.lan", "server.shop.lan"};
    QTest::newRow("server without tls") << JobDatabase::State::Unreachable
                                        << at + "server does not support SSL, but SSL was required" + qt
                                        << "اتصال رمزگذاري شده ندارد"
                                        << QStringList{"sslmode=verify-full", "ssl = on", "server.shop.lan"};
    QTest::newRow("server takes only tls")
        << JobDatabase::State::Unreachable
        << at +
               "FATAL:  no pg_hba.conf entry for host \"192.168.1.7\", user \"shop\", database \"velmora\", no "
               "encryption" +
               qt
        << "فقط اتصال رمزگذاري شده" << QStringList{"hostssl", "sslmode=verify-full", "server.shop.lan"};
    QTest::newRow("server before 14 takes only tls")
        << JobDatabase::State::Unreachable
        << at +
               "FATAL:  no pg_hba.conf entry for host \"192.168.1.7\", user \"shop\", database \"velmora\", SSL "
               "off" +
               qt
        << "فقط اتصال رمزگذاري شده" << QStringList{"hostssl"};
}

void TestStart::serverRefusalsNameWhatIsWrong()
{
    QFETCH(JobDatabase::State, state);
    QFETCH(QString, detail);
    QFETCH(QString, says);
    QFETCH(QStringList, named);
    Dialect::ServerAddress address;
    address.host = QStringLiteral("server.shop.lan");
    address.database = QStringLiteral("velmora");
    address.user = QStringLiteral("shop");
    address.tls.insert(QStringLiteral("sslmode"), QStringLiteral("verify-full"));
    address.tls.insert(QStringLiteral("sslrootcert"), QStringLiteral("/etc/velmora/shop-ca.crt"));
    const QString text = Start::serverRefusal(state, address, detail);
    QVERIFY2(text.contains(says), qPrintable(text));
    for (const QString &each : named)
        QVERIFY2(text.contains(u'\u2066' + each + u'\u2069'), qPrintable(text));
    // The login stands only where the text speaks of it, never for a column or the numbers.
    QCOMPARE(text.contains(QStringLiteral("\u2066shop\u2069")), named.contains(QStringLiteral("shop")));
    QVERIFY(!text.contains(u'%'));
}

QTEST_MAIN(TestStart)
#include "tst_start.moc"
