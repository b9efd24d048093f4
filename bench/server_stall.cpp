// SPDX-License-Identifier: GPL-3.0-or-later
// Measures how long a counter's window is held while every process of its database server is
// stopped (SIGSTOP) for 20 s: an idle main window, F1, and a job window's save, then the same save
// once the server runs again. Prints the longest time the window's event loop did not run, per step.
// Run (the server's own data folder names its processes):
//      VELMORA_BENCH_SERVER=postgresql://user@host/dbname VELMORA_BENCH_PGDATA=/path/to/data \
//      QT_QPA_PLATFORM=offscreen build/bench/bench_server_stall
#include "jobentry/Form3.h"
#include "jobstore/ProgramValues.h"
#include "jobstore/file/JobDatabase.h"
#include "jobstore/server/Dialect.h"
#include "jobstore/server/ServerWatch.h"
#include "mainwindow/Form1.h"
#include "platform/MessageBox.h"
#include "support/EventLoopGaps.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>

#include <csignal>
#include <cstdio>

namespace
{

// The postmaster and every process it started.
QList<pid_t> serverProcesses(const QString &dataFolder)
{
    QFile pidFile(QDir(dataFolder).filePath(QStringLiteral("postmaster.pid")));
    if (!pidFile.open(QIODevice::ReadOnly))
        return {};
    const pid_t postmaster = pid_t(pidFile.readLine().trimmed().toInt());
    QList<pid_t> pids{postmaster};
    QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(postmaster));
    if (children.open(QIODevice::ReadOnly))
        for (const QByteArray &pid : children.readAll().split(' '))
            if (!pid.trimmed().isEmpty())
                pids << pid_t(pid.trimmed().toInt());
    return pids;
}

void signalAll(const QList<pid_t> &pids, int signal)
{
    for (pid_t pid : pids)
        ::kill(pid, signal);
}

void wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QString url = qEnvironmentVariable("VELMORA_BENCH_SERVER");
    const QString data = qEnvironmentVariable("VELMORA_BENCH_PGDATA");
    if (url.isEmpty() || data.isEmpty()) {
        std::fputs("Set VELMORA_BENCH_SERVER and VELMORA_BENCH_PGDATA.\n", stderr);
        return 2;
    }
    QTemporaryDir folder;
    Program::setDataFolder(folder.path());
    Program::setDatabaseServer(url);
    JobDatabase::ensure(url);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("setup"));
        const auto address = Dialect::parseServerUrl(url);
        db = Dialect::openServer(*address, QStringLiteral("setup"));
        QSqlQuery(db).exec(QStringLiteral("delete from table1"));
        QSqlQuery(db).exec(QStringLiteral("insert into table1 (num,name,nameph) select g, 'name '||g, 'model' "
                                          "from generate_series(1,2000) g"));
    }
    JobDatabase::close(QStringLiteral("setup"));
    QStringList told;
    MessageBox::setHandler([&told](const MessageBox::Request &request) {
        told << request.text.section(u'\n', 0, 0);
        return MessageBox::Answer::Ok;
    });
    ServerWatch::start(url);

    Form1 form;
    form.show();
    EventLoopGaps gaps;
    const auto step = [&](const char *name, const std::function<void()> &work, int waitMs) {
        gaps.reset();
        QElapsedTimer held;
        held.start();
        work();
        const qint64 call = held.elapsed();
        wait(waitMs);
        std::printf("%-40s held %5lld ms in the call, longest stall %5lld ms, server %s\n", name, (long long)call,
                    (long long)std::max(gaps.longestMs(), call),
                    ServerWatch::answering() ? "answers" : "does not answer");
    };
    wait(1500);

    Program::NewJobMode = 0;
    Program::CurrentReceiptNumber = 5;
    Form3 window(&form);
    window.show();
    window.findChild<QLineEdit *>(QStringLiteral("Text1(4)"))->setText(QStringLiteral("0912"));

    const QList<pid_t> pids = serverProcesses(data);
    std::printf("stopping %lld server processes for 20 s\n", (long long)pids.size());
    QElapsedTimer stopped;
    stopped.start();
    signalAll(pids, SIGSTOP);
    step(
        "idle main window, 6 s", [] {}, 6000);
    step(
        "F1", [&] { form.registerJob(); }, 1000);
    step(
        "save of an open job window", [&] { window.findChild<QPushButton *>(QStringLiteral("Command3"))->click(); },
        1000);
    step(
        "F1 again", [&] { form.registerJob(); }, 1000);
    step(
        "idle until 20 s", [] {}, int(std::max<qint64>(0, 20000 - stopped.elapsed())));
    signalAll(pids, SIGCONT);
    step(
        "server running again, 3 s", [] {}, 3000);
    step(
        "the same save", [&] { window.findChild<QPushButton *>(QStringLiteral("Command3"))->click(); }, 500);
    std::printf("job window closed by the save: %s\n", window.isVisible() ? "no" : "yes");
    for (const QString &text : told)
        std::printf("told: %s\n", qPrintable(text));
    ServerWatch::stop();
    return 0;
}
