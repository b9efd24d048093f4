// SPDX-License-Identifier: GPL-3.0-or-later
// What a clerk waits for in a busy shop (32,767 jobs by default): the list's first rows after the
// start, each keystroke of a search, opening a job, F1's number, the reminders and the due count,
// a month's report, scrolling the list, backup and restore, the memory the program holds and the
// processor time of an idle main window. Prints one median per action.
// Run: QT_QPA_PLATFORM=offscreen build/bench/bench_joblist [--jobs N] [--only keystrokes,new,backup,...]
// With VELMORA_BENCH_SERVER=postgresql://user@host/dbname it measures that server's table1 too,
// whose jobs it replaces with the generated ones.
#include "joblist/JobListBench.h"
#include "support/EventLoopGaps.h"
#include "support/JobGenerator.h"
#include "support/PrivateDocuments.h"

#include "jobentry/Form3.h"
#include "jobstore/Adodc.h"
#include "jobstore/ProgramValues.h"
#include "jobstore/Queries.h"
#include "jobstore/Recordset.h"
#include "jobstore/file/JobDatabase.h"
#include "jobstore/server/Dialect.h"
#include "mainwindow/DatabaseCopies.h"
#include "mainwindow/Form1.h"
#include "mainwindow/ProgramEnd.h"
#include "platform/DataGrid.h"
#include "platform/FileDialog.h"
#include "platform/MaskEdBox.h"
#include "platform/MessageBox.h"
#include "platform/System.h"
#include "reminders/warning.h"
#include "reports/Hform.h"
#include "solardate/Clock.h"
#include "solardate/SolarCalendar.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>

namespace
{
using namespace JobListBench;

int measure(int jobs, bool server, const QStringList &only)
{
    Bench bench{jobs, server};
    Program::setDataFolder(bench.folder.path());
    useDocumentsIn(bench.folder.path());
    const QString url = qEnvironmentVariable("VELMORA_BENCH_SERVER");
    JobGenerator::Made made;
    QElapsedTimer clock;
    clock.start();
    if (server) {
        if (!Dialect::parseServerUrl(url)) {
            std::fprintf(stderr, "VELMORA_BENCH_SERVER is not a postgresql:// address\n");
            return 1;
        }
        Program::setDatabaseServer(url);
        made = JobGenerator::serverJobs(url, jobs);
    } else {
        made = JobGenerator::jobFile(QDir(bench.folder.path()).filePath(QStringLiteral("db1.mdb")), jobs);
    }
    if (!made.ok) {
        std::fprintf(stderr, "cannot prepare the jobs: %s\n", qPrintable(made.error));
        return 1;
    }
    std::printf("== %s, %d jobs: %s\n", server ? "database server (PostgreSQL)" : "job file (SQLite)", jobs,
                made.reused
                    ? qPrintable(QStringLiteral("reused, ready in %1 s").arg(clock.nsecsElapsed() / 1e9, 0, 'f', 1))
                    : qPrintable(QStringLiteral("generated in %1 s (%2 jobs/s)")
                                     .arg(made.seconds, 0, 'f', 1)
                                     .arg(qint64(jobs / std::max(made.seconds, 1e-3)))));
    std::fflush(stdout);
    Program::DatabaseConnection = Program::connectionTextFor(bench.folder.path());

    MessageBox::setHandler([&bench](const MessageBox::Request &request) {
        bench.told << request.text.section(u'\n', 0, 0);
        return request.buttons == MessageBox::Buttons::YesNo ? MessageBox::Answer::Yes : MessageBox::Answer::Ok;
    });
    FileDialog::setHandler([&bench](const FileDialog::Request &) { return bench.nextFile; });

    bench.firstRows();
    if (rowsOf(bench.grid) == 0) {
        std::printf("the list never showed a row; told: %s\n", qPrintable(bench.told.join(QStringLiteral(" / "))));
        return 1;
    }
    // --only picks steps by name; a million jobs make the whole run long.
    const std::initializer_list<std::pair<const char *, void (Bench::*)()>> steps = {
        {"start", &Bench::startCheck},      {"older", &Bench::olderFileStart},
        {"keystrokes", &Bench::keystrokes}, {"open", &Bench::openJob},
        {"next", &Bench::nextNumber},       {"new", &Bench::newJobPauses},
        {"reminders", &Bench::reminders},   {"report", &Bench::report},
        {"scroll", &Bench::scroll},         {"backup", &Bench::backupAndRestore},
        {"exit", &Bench::exitCopy},         {"idle", &Bench::idle}};
    for (const auto &[name, step] : steps) {
        if (only.isEmpty() || only.contains(QLatin1String(name)))
            (bench.*step)();
    }
    delete bench.form;
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    int jobs = 32767;
    QString database;
    QStringList only;
    const QStringList arguments = app.arguments();
    for (int i = 1; i + 1 < arguments.size(); ++i) {
        if (arguments.at(i) == QLatin1String("--jobs"))
            jobs = arguments.at(i + 1).toInt();
        else if (arguments.at(i) == QLatin1String("--database"))
            database = arguments.at(i + 1);
        else if (arguments.at(i) == QLatin1String("--only"))
            only = arguments.at(i + 1).split(u',', Qt::SkipEmptyParts);
    }
    if (jobs < 1) {
        std::fprintf(stderr, "usage: bench_joblist [--jobs N] [--only step,step...]\n");
        return 2;
    }
    // Today stays the generated shop's last day, so every run meets the same due jobs.
    Sorvan::Clock::setNow(JobGenerator::now());
    if (!database.isEmpty())
        return measure(jobs, database == QLatin1String("server"), only);

    // Each database in a process of its own, so neither's memory counts in the other's figures.
    QStringList databases{QStringLiteral("file")};
    if (!qEnvironmentVariableIsEmpty("VELMORA_BENCH_SERVER"))
        databases << QStringLiteral("server");
    int failures = 0;
    for (const QString &each : databases) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--jobs"), QString::number(jobs), QStringLiteral("--database"), each,
                     QStringLiteral("--only"), only.join(u',')});
        child.waitForFinished(-1);
        failures += child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0;
    }
    return failures;
}
