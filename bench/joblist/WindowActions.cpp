// SPDX-License-Identifier: GPL-3.0-or-later
#include "joblist/JobListBench.h"

#include "support/EventLoopGaps.h"
#include "support/JobGenerator.h"
#include "support/PrivateDocuments.h"
#include "support/ProcessMemory.h"

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

// The other windows and commands: reminders, the report, scrolling, backup and restore, the exit
// copy and the idle main window.
namespace JobListBench
{

void Bench::reminders()
{
    auto *count = form->findChild<Adodc *>(QStringLiteral("Adodc2"));
    Adodc own;
    if (!count || count->RecordSource().sql.isEmpty()) {
        own.setConnectionString(Program::DatabaseConnection);
        own.setRecordSource(
            Queries::dueBy(Sorvan::solarDateNumber(Sorvan::solarFromGregorian(Sorvan::Clock::today()))));
        count = &own;
    }
    // As Form1 counts after a change: read on the reading thread, told when its count comes.
    QList<double> pausesCounting;
    QList<double> countTimes;
    timings(15, 5000, [&] {
        EventLoopGaps gaps;
        QElapsedTimer clock;
        clock.start();
        bool refreshed = false;
        const QMetaObject::Connection done =
            QObject::connect(count, &Adodc::refreshed, [&refreshed](bool) { refreshed = true; });
        count->refreshInBackground();
        waitFor([&] { return refreshed && count->recordset()->isCounted(); }, 60000);
        countTimes << clock.nsecsElapsed() / 1e6;
        QObject::disconnect(done);
        settle(30); // the tick that sees a pause runs after it
        pausesCounting << double(gaps.longestMs());
    });
    say("due count (Form1's once-a-second count)", median(pausesCounting),
        QStringLiteral("(the window's longest pause; counted in %1 ms; %2 jobs due)")
            .arg(median(countTimes), 0, 'f', 1)
            .arg(count->recordset()->availableCount()));

    int rows = 0;
    QList<double> shown;
    QList<double> pauses;
    timings(5, 15000, [&] {
        EventLoopGaps gaps;
        QElapsedTimer clock;
        clock.start();
        warning window(form);
        window.show();
        auto *list = window.findChild<DataGrid *>();
        waitFor([&] { return rowsOf(list) > 0; }, 60000);
        shown << clock.nsecsElapsed() / 1e6;
        rows = rowsOf(list);
        settle(50); // the tick that sees a pause runs after it
        pauses << double(gaps.longestMs());
    });
    say("reminders window to its first rows", median(shown),
        QStringLiteral("(%1 rows listed; the window's longest pause %2 ms)").arg(rows).arg(median(pauses)));
}

void Bench::report()
{
    // The last whole solar month before today.
    Sorvan::SolarDate first = Sorvan::solarFromGregorian(Sorvan::Clock::today());
    first.day = 1;
    first = Sorvan::addSolarDays(first, -1);
    Sorvan::SolarDate last = first;
    first.day = 1;
    Hform window(form);
    window.findChild<MaskEdBox *>(QStringLiteral("Mask1"))
        ->setMaskedText(QStringLiteral("%1").arg(Sorvan::solarDateNumber(first), 6, 10, QLatin1Char('0')));
    window.findChild<MaskEdBox *>(QStringLiteral("Mask2"))
        ->setMaskedText(QStringLiteral("%1").arg(Sorvan::solarDateNumber(last), 6, 10, QLatin1Char('0')));
    window.findChild<QLineEdit *>(QStringLiteral("Text2"))->setText(QStringLiteral("30"));
    QList<double> monthTimes;
    QList<double> monthPauses;
    for (int run = 0; run < 7; ++run) {
        EventLoopGaps gaps;
        QElapsedTimer clock;
        clock.start();
        window.runReport();
        monthTimes << clock.nsecsElapsed() / 1e6;
        settle(30); // the tick that sees a pause runs after it
        monthPauses << double(gaps.longestMs());
    }
    const double ms = median(monthTimes);
    say("report over one month (Hform's query)", ms,
        QStringLiteral("(the window's longest pause %8 ms; %1/%2/%3 to %4/%5/%6, %7 rows)")
            .arg(first.year)
            .arg(first.month)
            .arg(first.day)
            .arg(last.year)
            .arg(last.month)
            .arg(last.day)
            .arg(window.adodc1()->recordset()->RecordCount())
            .arg(median(monthPauses)));

    // Empty date boxes: every job the shop ever took in, shown, then saved as CSV.
    window.findChild<MaskEdBox *>(QStringLiteral("Mask1"))->setMaskedText(QString());
    window.findChild<MaskEdBox *>(QStringLiteral("Mask2"))->setMaskedText(QString());
    window.show();
    EventLoopGaps gaps;
    QElapsedTimer clock;
    clock.start();
    window.runReport();
    const double shown = clock.nsecsElapsed() / 1e6;
    // The grid learns its length as the ids arrive from their thread; that too is the clerk's wait.
    const Recordset *rows = window.adodc1()->recordset();
    waitFor([&] { return rows->availableCount() >= window.totals().repairCount(); }, 300000);
    const double known = clock.nsecsElapsed() / 1e6;
    settle(100);
    say("report over all jobs", gaps.longestMs(),
        QStringLiteral("(the window's longest pause; shown in %1 ms, every row known in %2 ms; %3 repairs in the "
                       "totals)")
            .arg(shown, 0, 'f', 0)
            .arg(known, 0, 'f', 0)
            .arg(window.totals().repairCount()));
    settle(1000);
    std::printf("memory after the report over all jobs: %s\n", qPrintable(processMemory()));
    nextFile = folder.filePath(QStringLiteral("report.csv"));
    gaps.reset();
    clock.restart();
    window.exportCsv();
    const double csv = clock.nsecsElapsed() / 1e6;
    settle(100);
    say("report CSV", gaps.longestMs(),
        QStringLiteral("(the window's longest pause; saved in %1 s, %2 MB)")
            .arg(csv / 1000, 0, 'f', 1)
            .arg(QFileInfo(nextFile).size() / 1e6, 0, 'f', 1));
    QFile::remove(nextFile);
    std::printf("memory after saving the report over all jobs: %s\n", qPrintable(processMemory()));
    window.hide();
}

void Bench::scroll()
{
    QScrollBar *bar = grid->verticalScrollBar();
    constexpr int jumps = 200;
    int step = 0;
    QElapsedTimer whole;
    whole.start();
    const QList<double> times = timings(jumps + 1, 1e12, [&] {
        bar->setValue(int(qint64(bar->maximum()) * step++ / jumps));
        grid->viewport()->repaint();
    });
    say("scroll the list one jump and repaint", median(times),
        QStringLiteral("(end to end in %1 jumps: %2 s, %3 rows)")
            .arg(jumps)
            .arg(whole.nsecsElapsed() / 1e9, 0, 'f', 2)
            .arg(rowsOf(grid)));
    std::printf("memory after scrolling the list end to end: %s\n", qPrintable(processMemory()));
    bar->setValue(0);
}

void Bench::backupAndRestore()
{
    nextFile = folder.filePath(QStringLiteral("backup.mdb"));
    told.clear();
    EventLoopGaps backupGaps;
    QElapsedTimer clock;
    clock.start();
    form->backupCommand();
    const double backup = clock.nsecsElapsed() / 1e9;
    settle(50);
    const qint64 copied = JobDatabase::jobCount(nextFile);
    std::printf("backup: %.2f s (longest the window went without its event loop: %lld ms; %lld jobs in the copy%s)\n",
                backup, (long long)backupGaps.longestMs(), (long long)copied,
                told.isEmpty() ? "" : qPrintable(QStringLiteral("; told: ") + told.join(QStringLiteral(" / "))));
    std::fflush(stdout);
    if (copied <= 0)
        return;

    // The window must keep painting while the copy runs.
    EventLoopGaps gaps;
    told.clear();
    clock.restart();
    form->restoreCommand();
    const bool listed = waitFor([&] { return rowsOf(grid) > 0; }, 120000);
    const double restore = clock.nsecsElapsed() / 1e9;
    std::printf("restore: %.2f s (longest the window went without its event loop: %lld ms; list %s; told: %s)\n",
                restore, (long long)gaps.longestMs(), listed ? "filled again" : "still empty",
                qPrintable(told.join(QStringLiteral(" / "))));
    std::fflush(stdout);
}

// The exit command's copy of the whole database, twice: the second finds it made already.
void Bench::exitCopy()
{
    System::setQuitHandler([] {});
    const QFileInfo copy(DatabaseCopies::exitCopyPath());
    QList<double> pauses;
    QStringList spent;
    for (int run = 0; run < 2; ++run) {
        told.clear();
        EventLoopGaps gaps;
        QElapsedTimer clock;
        clock.start();
        ProgramEnd::finish(form);
        spent << QStringLiteral("%1 s").arg(clock.nsecsElapsed() / 1e9, 0, 'f', 2);
        settle(50); // the tick that sees a pause runs after it
        pauses << double(gaps.longestMs());
    }
    qint64 kept = 0;
    for (const QFileInfo &file : copy.dir().entryInfoList(QDir::Files) +
                                     QDir(DatabaseCopies::exitCopyBackupsFolder()).entryInfoList(QDir::Files))
        kept += file.size();
    say("exit copy", *std::max_element(pauses.cbegin(), pauses.cend()),
        QStringLiteral("(whole exits: %1; copies kept: %2 MB, the database %3 MB%4)")
            .arg(spent.join(QStringLiteral(", ")))
            .arg(kept / 1e6, 0, 'f', 1)
            .arg(QFileInfo(Program::databasePath()).size() / 1e6, 0, 'f', 1)
            .arg(told.isEmpty() ? QString() : QStringLiteral("; told: ") + told.join(QStringLiteral(" / "))));
}

void Bench::idle()
{
    // The clock and the due count tick once a second; the count queries only when the jobs or the
    // day changed. The first seconds still carry the restore above.
    int counts = 0;
    QMetaObject::Connection counting;
    if (auto *count = form->findChild<Adodc *>(QStringLiteral("Adodc2")))
        counting = QObject::connect(count, &Adodc::refreshed, [&counts] { ++counts; });
    settle(3000);
    counts = 0;
    const std::clock_t cpuBefore = std::clock();
    QElapsedTimer wall;
    wall.start();
    settle(10000);
    const double cpuSeconds = double(std::clock() - cpuBefore) / CLOCKS_PER_SEC;
    QObject::disconnect(counting);
    std::printf("idle main window, 10 s: %.2f %% of one core, %d due count queries\n",
                100.0 * cpuSeconds / (wall.elapsed() / 1000.0), counts);
}

} // namespace JobListBench
