// SPDX-License-Identifier: GPL-3.0-or-later
// The program as a shop runs it, ended by the desktop session instead of the exit command, and the
// files it leaves: the exit copy is made, and whatever holds customers' data is private.
#include "jobstore/ProgramValues.h"
#include "jobstore/file/JobDatabase.h"
#include "platform/ErrorLog.h"
#include "support/TempJobFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSqlQuery>
#include <QtTest>

#include <csignal>

class TestProgramEnd : public QObject
{
    Q_OBJECT

private slots:
    void sessionEndMakesTheExitCopy_data();
    void sessionEndMakesTheExitCopy();
    void logIsNotFollowedThroughALink();
};

namespace
{

QFile::Permissions modeOf(const QString &path)
{
    return QFileInfo(path).permissions() &
           (QFile::ReadUser | QFile::WriteUser | QFile::ExeUser | QFile::ReadGroup | QFile::WriteGroup |
            QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther);
}

const QFile::Permissions privateFile = QFile::ReadUser | QFile::WriteUser;
const QFile::Permissions privateFolder = privateFile | QFile::ExeUser;

} // namespace

void TestProgramEnd::sessionEndMakesTheExitCopy_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<int>("jobs"); // -1: no job database yet, the program makes one
    QTest::newRow("SIGTERM, a shop's jobs") << int(SIGTERM) << 25;
    QTest::newRow("SIGHUP, a new folder") << int(SIGHUP) << -1;
}

void TestProgramEnd::sessionEndMakesTheExitCopy()
{
    QFETCH(int, signalNumber);
    QFETCH(int, jobs);
    QTemporaryDir home;
    const QString data = QDir(home.path()).filePath(QStringLiteral("shop"));
    if (jobs >= 0) {
        QVERIFY(QDir().mkpath(data));
        const QString database = QDir(data).filePath(QStringLiteral("db1.mdb"));
        JobDatabase::ensure(database);
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fixture"));
        db.setDatabaseName(database);
        QVERIFY(db.open());
        for (int n = 1; n <= jobs; ++n)
            QSqlQuery(db).exec(QStringLiteral("insert into table1 (num, name) values (%1, 'x')").arg(n));
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("fixture"));
    }

    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), QDir(home.path()).filePath(QStringLiteral(".config")));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(QStringLiteral(VELMORA_PROGRAM), {QStringLiteral("--data-dir"), data});
    QVERIFY(program.waitForStarted());
    // Up once it holds the folder; then well into the splash or the main window.
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(QDir(data).filePath(QStringLiteral("velmora.lock"))), 15000);
    QTest::qWait(4000);
    ::kill(pid_t(program.processId()), signalNumber);
    QVERIFY(program.waitForFinished(15000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);

    const QString exitCopy = QDir(home.path()).filePath(QStringLiteral("Documents/Velmora/db1.mdb"));
    QCOMPARE(JobDatabase::jobCount(exitCopy), qint64(std::max(jobs, 0)));
    QCOMPARE(modeOf(exitCopy), privateFile);
    QCOMPARE(modeOf(QFileInfo(exitCopy).absolutePath()), privateFolder);
    if (jobs < 0) {
        QCOMPARE(modeOf(data), privateFolder);
        QCOMPARE(modeOf(QDir(data).filePath(QStringLiteral("db1.mdb"))), privateFile);
    }
}

void TestProgramEnd::logIsNotFollowedThroughALink()
{
    TempJobFolder folder;
    QTemporaryDir elsewhere;
    const QString target = elsewhere.filePath(QStringLiteral("other.txt"));
    QFile other(target);
    QVERIFY(other.open(QIODevice::WriteOnly));
    other.write("someone else's file\n");
    other.close();
    QVERIFY(QFile::link(target, ErrorLog::filePath()));
    ErrorLog::record(QStringLiteral("مشتري"), QStringLiteral("0912"));
    QFile read(target);
    QVERIFY(read.open(QIODevice::ReadOnly));
    QCOMPARE(read.readAll(), QByteArray("someone else's file\n"));
}

QTEST_MAIN(TestProgramEnd)
#include "tst_programend.moc"
