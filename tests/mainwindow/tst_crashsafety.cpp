// SPDX-License-Identifier: GPL-3.0-or-later
// The program killed at random moments while it saves jobs, backs up and restores: the next start
// finds a sound job database holding every job whose save had returned, and carries on.
//
// The test runs itself again as a child (--child MODE FOLDER ...) that does the work in a loop and
// reports on stdout each step that has returned; the parent kills it with SIGKILL and checks.
#include "jobentry/Form3.h"
#include "jobstore/ProgramValues.h"
#include "jobstore/file/JobDatabase.h"
#include "mainwindow/DatabaseCopies.h"
#include "platform/FileDialog.h"
#include "platform/KeyboardLayout.h"
#include "platform/MessageBox.h"
#include "support/Seams.h"
#include "support/TempJobFolder.h"

#include <QApplication>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QThread>

#include <csignal>
#include <unistd.h>

namespace
{

const int Kills = 100;

// One whole line per write, so a line is either all in the pipe or not at all.
void say(const QString &line)
{
    const QByteArray bytes = (line + u'\n').toUtf8();
    [[maybe_unused]] const ssize_t written = ::write(STDOUT_FILENO, bytes.constData(), size_t(bytes.size()));
}

QString jobName(int number, int change)
{
    return change == 0 ? QStringLiteral("مشتري %1").arg(number)
                       : QStringLiteral("مشتري %1 تغيير %2").arg(number).arg(change);
}

// The job window's own save: open it as its openers do, fill the boxes, press the save button.
bool saveThroughJobWindow(int newJobMode, int number, const QString &name)
{
    Program::NewJobMode = newJobMode;
    Program::CurrentReceiptNumber = number;
    Form3 form;
    const auto box = [&form](int index) { return form.findChild<QLineEdit *>(QStringLiteral("Text1(%1)").arg(index)); };
    if (newJobMode == 1) {
        box(0)->setText(QString::number(number));
        box(2)->setText(QStringLiteral("Nokia %1").arg(number));
        box(5)->setText(QStringLiteral("40105"));
        box(6)->setText(QStringLiteral("40108"));
        box(8)->setText(QStringLiteral("150000"));
    }
    box(1)->setText(name);
    form.findChild<QPushButton *>(QStringLiteral("Command3"))->click();
    return form.result() == QDialog::Accepted;
}

void startAsTheProgramDoes(const QString &folder)
{
    Program::setDataFolder(folder);
    Program::DatabaseConnection = Program::connectionTextFor(folder);
    MessageBox::setHandler([](const MessageBox::Request &request) {
        const bool failure = request.icon == MessageBox::Icon::Critical || request.icon == MessageBox::Icon::None;
        say(QStringLiteral("%1 %2").arg(failure ? u"failure" : u"note", QString(request.text).replace(u'\n', u' ')));
        return request.buttons == MessageBox::Buttons::YesNo ? MessageBox::Answer::Yes : MessageBox::Answer::Ok;
    });
    KeyboardLayout::setHandler([](const QString &) {});
}

// Registers jobs from `first` on and changes the names of jobs it registered, for ever.
int childSaves(const QString &folder, int first, quint32 seed)
{
    startAsTheProgramDoes(folder);
    const JobDatabase::Check check = JobDatabase::ensure(Program::databasePath());
    if (check.state != JobDatabase::State::Ready)
        say(QStringLiteral("verdict %1 %2").arg(int(check.state)).arg(check.detail));
    QRandomGenerator random(seed);
    QList<int> registered;
    say(QStringLiteral("ready"));
    for (int number = first;; ++number) {
        say(QStringLiteral("saving %1 %2").arg(number).arg(jobName(number, 0)));
        if (!saveThroughJobWindow(1, number, jobName(number, 0)))
            return 1;
        say(QStringLiteral("saved %1 %2").arg(number).arg(jobName(number, 0)));
        registered << number;
        const int changed = registered.at(random.bounded(int(registered.size())));
        const QString name = jobName(changed, number);
        say(QStringLiteral("saving %1 %2").arg(changed).arg(name));
        if (!saveThroughJobWindow(0, changed, name))
            return 1;
        say(QStringLiteral("saved %1 %2").arg(changed).arg(name));
    }
}

// Backs the database up to `target`, or restores it from each of `sources` in turn, for ever.
int childCopies(const QString &folder, const QString &mode, const QStringList &files)
{
    startAsTheProgramDoes(folder);
    FileDialog::setHandler([&files](const FileDialog::Request &) {
        static int next = 0;
        return files.at(next++ % files.size());
    });
    say(QStringLiteral("ready"));
    for (int round = 0;; ++round) {
        if (mode == QLatin1String("backup"))
            DatabaseCopies::backup(nullptr);
        else if (!DatabaseCopies::restore(nullptr))
            return 1;
        say(QStringLiteral("done %1").arg(round));
    }
}

// The jobs of a database file as a map from receipt number to name.
QMap<int, QString> jobsIn(const QString &path, QString *problem)
{
    QMap<int, QString> jobs;
    const QString connection = QStringLiteral("crash-check");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        QSqlQuery query(db);
        if (!db.open() || !query.exec(QStringLiteral("pragma integrity_check")) || !query.next() ||
            query.value(0).toString() != QLatin1String("ok")) {
            *problem =
                QStringLiteral("integrity check: %1 %2").arg(query.value(0).toString(), query.lastError().text());
        } else if (!query.exec(QStringLiteral("select num, name from table1"))) {
            *problem = query.lastError().text();
        } else {
            while (query.next()) {
                if (jobs.contains(query.value(0).toInt()))
                    *problem = QStringLiteral("receipt number %1 twice").arg(query.value(0).toInt());
                jobs.insert(query.value(0).toInt(), query.value(1).toString());
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return jobs;
}

struct ChildRun {
    QStringList lines;
    int milliseconds = 0;
};

// Starts the child, lets it work for a random moment once it is ready, and kills it.
ChildRun runAndKill(const QStringList &arguments, int longestWait)
{
    ChildRun run;
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), arguments.at(1));
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), QStringList{QStringLiteral("--child")} + arguments);
    QByteArray output;
    while (!output.contains("ready\n") && child.waitForReadyRead(20000))
        output += child.readAllStandardOutput();
    if (!output.contains("ready\n"))
        qFatal("the child never got ready: %s", output.constData());
    const int wait = QRandomGenerator::global()->bounded(longestWait);
    QElapsedTimer clock;
    clock.start();
    QThread::usleep(ulong(wait) * 1000);
    ::kill(pid_t(child.processId()), SIGKILL);
    child.waitForFinished(20000);
    run.milliseconds = int(clock.elapsed());
    output += child.readAllStandardOutput();
    run.lines = QString::fromUtf8(output).split(u'\n', Qt::SkipEmptyParts);
    return run;
}

// The next start's verdict on the file: a message when it would not open it as a job database.
QString startVerdict(const QString &path)
{
    const JobDatabase::Check check = JobDatabase::ensure(path);
    if (check.state == JobDatabase::State::Ready)
        return QString();
    return QStringLiteral("state %1: %2").arg(int(check.state)).arg(check.detail);
}

QByteArray fingerprint(const QMap<int, QString> &jobs)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (auto it = jobs.cbegin(); it != jobs.cend(); ++it)
        hash.addData(QStringLiteral("%1=%2;").arg(it.key()).arg(it.value()).toUtf8());
    return hash.result();
}

} // namespace

class TestCrashSafety : public QObject
{
    Q_OBJECT

private slots:
    void killsDuringSaves();
    void killsDuringBackupAndRestore_data();
    void killsDuringBackupAndRestore();
};

void TestCrashSafety::killsDuringSaves()
{
    TempJobFolder folder;
    Seams seams;
    KeyboardLayout::setHandler([](const QString &) {});
    QMap<int, QString> expected;
    int returnedSaves = 0, lost = 0, killedMidSave = 0;
    QElapsedTimer total;
    total.start();
    for (int kill = 0; kill < Kills; ++kill) {
        const int first = expected.isEmpty() ? 1 : expected.lastKey() + 1;
        const ChildRun run = runAndKill({QStringLiteral("saves"), folder.path(), QString::number(first),
                                         QString::number(QRandomGenerator::global()->generate())},
                                        150);
        // What had returned must be there; the one save in flight may or may not be.
        QMap<int, QString> inFlight;
        for (const QString &line : run.lines) {
            const QString number = line.section(u' ', 1, 1);
            const QString name = line.section(u' ', 2);
            if (line.startsWith(QLatin1String("saving "))) {
                inFlight.insert(number.toInt(), name);
            } else if (line.startsWith(QLatin1String("saved "))) {
                expected.insert(number.toInt(), name);
                inFlight.clear();
                ++returnedSaves;
            } else if (line != QLatin1String("ready")) {
                QFAIL(qPrintable(QStringLiteral("kill %1: the child said: %2").arg(kill).arg(line)));
            }
        }
        killedMidSave += inFlight.isEmpty() ? 0 : 1;

        const QString verdict = startVerdict(folder.databasePath());
        QVERIFY2(verdict.isEmpty(),
                 qPrintable(QStringLiteral("kill %1 after %2 ms: %3").arg(kill).arg(run.milliseconds).arg(verdict)));
        QString problem;
        const QMap<int, QString> found = jobsIn(folder.databasePath(), &problem);
        QVERIFY2(problem.isEmpty(), qPrintable(QStringLiteral("kill %1: %2").arg(kill).arg(problem)));
        for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
            const QString now = found.value(it.key());
            if (now != it.value() && !(inFlight.contains(it.key()) && now == inFlight.value(it.key()))) {
                ++lost;
                qWarning("kill %d: job %d holds \"%s\", not \"%s\"", kill, it.key(), qPrintable(now),
                         qPrintable(it.value()));
            }
        }
        for (auto it = found.cbegin(); it != found.cend(); ++it)
            QVERIFY2(expected.contains(it.key()) || inFlight.contains(it.key()),
                     qPrintable(QStringLiteral("kill %1: job %2 came from nowhere").arg(kill).arg(it.key())));
        expected = found;

        // And the next save works.
        const int next = expected.isEmpty() ? 1 : expected.lastKey() + 1;
        QVERIFY2(saveThroughJobWindow(1, next, jobName(next, 0)), qPrintable(seams.messageTexts().join(u'\n')));
        expected.insert(next, jobName(next, 0));
        QVERIFY(seams.messages.isEmpty());
    }
    QCOMPARE(lost, 0);
    qInfo("crash test: %d kills during saves survived, %d of them with a save under way; %d saves had returned, "
          "%d lost; %d jobs in the end; %lld ms",
          Kills, killedMidSave, returnedSaves, lost, int(expected.size()), total.elapsed());
    KeyboardLayout::setHandler({});
}

void TestCrashSafety::killsDuringBackupAndRestore_data()
{
    QTest::addColumn<QString>("mode");
    QTest::newRow("backup") << QStringLiteral("backup");
    QTest::newRow("restore") << QStringLiteral("restore");
}

void TestCrashSafety::killsDuringBackupAndRestore()
{
    QFETCH(QString, mode);
    TempJobFolder folder;
    folder.addJobs(1, 2000);
    folder.reconnect();
    const QDir dir(folder.path());
    QString problem;
    const QMap<int, QString> original = jobsIn(folder.databasePath(), &problem);
    QVERIFY(problem.isEmpty());

    // Two backups that differ, to restore from in turn; the database is always one of them.
    QStringList files;
    QSet<QByteArray> good{fingerprint(original)};
    if (mode == QLatin1String("restore")) {
        for (const QString &name : {QStringLiteral("a.mdb"), QStringLiteral("b.mdb")}) {
            QVERIFY(JobDatabase::copyConsistent(folder.databasePath(), dir.filePath(name)));
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("shape"));
            db.setDatabaseName(dir.filePath(name));
            QVERIFY(db.open());
            QSqlQuery(db).exec(name == QLatin1String("a.mdb")
                                   ? QStringLiteral("delete from table1 where num > 1500")
                                   : QStringLiteral("update table1 set name = name || ' ب'"));
            db.close();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(QStringLiteral("shape"));
            good.insert(fingerprint(jobsIn(dir.filePath(name), &problem)));
            files << dir.filePath(name);
        }
        QVERIFY(problem.isEmpty());
    }
    // Backups go to a folder the clerk chose, away from the data folder the next start cleans.
    QTemporaryDir chosen;
    const QDir copies = mode == QLatin1String("backup") ? QDir(chosen.path()) : dir;
    if (mode == QLatin1String("backup"))
        files << copies.filePath(QStringLiteral("backup.mdb"));

    int finished = 0, copiesChecked = 0, copiesRefused = 0;
    for (int kill = 0; kill < Kills; ++kill) {
        const ChildRun run = runAndKill(QStringList{mode, folder.path()} + files, 80);
        for (const QString &line : run.lines) {
            QVERIFY2(!line.startsWith(QLatin1String("failure ")),
                     qPrintable(QStringLiteral("kill %1: the child said: %2").arg(kill).arg(line)));
            finished += line.startsWith(QLatin1String("done ")) ? 1 : 0;
        }

        // db1.mdb is the old file or the new one, whole.
        const QString verdict = startVerdict(folder.databasePath());
        QVERIFY2(verdict.isEmpty(), qPrintable(QStringLiteral("kill %1: %2").arg(kill).arg(verdict)));
        const QMap<int, QString> now = jobsIn(folder.databasePath(), &problem);
        QVERIFY2(problem.isEmpty(), qPrintable(QStringLiteral("kill %1: %2").arg(kill).arg(problem)));
        QVERIFY2(good.contains(fingerprint(now)), qPrintable(QStringLiteral("kill %1: db1.mdb holds %2 jobs, "
                                                                            "neither the old nor the new file")
                                                                 .arg(kill)
                                                                 .arg(now.size())));

        // The next start removes what the killed copy left half-written, wherever it was.
        Program::setDataFolder(folder.path());
        DatabaseCopies::removeStalePartialCopies();
        const QStringList halfWritten = copies.entryList({QStringLiteral("*.partial*")}, QDir::Files);
        QVERIFY2(halfWritten.isEmpty(),
                 qPrintable(QStringLiteral("kill %1: %2 left").arg(kill).arg(halfWritten.join(u' '))));

        // Every other file the restore check would take is a whole copy; a half-written one is refused.
        const QStringList others = copies.entryList(QDir::Files);
        for (const QString &name : others) {
            const QString path = copies.filePath(name);
            if (name == QLatin1String("db1.mdb") || name.endsWith(QLatin1String("-journal")))
                continue;
            if (mode == QLatin1String("restore") && files.contains(path))
                continue;
            if (!JobDatabase::isJobDatabase(path)) {
                ++copiesRefused;
                QFile::remove(path);
                continue;
            }
            ++copiesChecked;
            const QMap<int, QString> copy = jobsIn(path, &problem);
            // Checked once; the next round's copies are its own.
            QFile::remove(path);
            QVERIFY2(problem.isEmpty() && good.contains(fingerprint(copy)),
                     qPrintable(QStringLiteral("kill %1: %2 passes the restore check but holds %3 jobs %4")
                                    .arg(kill)
                                    .arg(name)
                                    .arg(copy.size())
                                    .arg(problem)));
        }
    }
    qInfo("crash test: %d kills during %s survived; %d %s finished before a kill; %d copies left beside the "
          "database checked whole, %d half-written refused, 0 lost",
          Kills, qPrintable(mode), finished, qPrintable(mode == QLatin1String("backup") ? "backups" : "restores"),
          copiesChecked, copiesRefused);
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() >= 4 && arguments.at(1) == QLatin1String("--child")) {
        if (arguments.at(2) == QLatin1String("saves"))
            return childSaves(arguments.at(3), arguments.value(4).toInt(), arguments.value(5).toUInt());
        return childCopies(arguments.at(3), arguments.at(2), arguments.mid(4));
    }
    TestCrashSafety test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_crashsafety.moc"
