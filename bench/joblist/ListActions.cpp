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

// The list: the start's check, its first rows, a search's keystrokes, and a job opened and added.
namespace JobListBench
{

// The start's check, as the splash runs it: quick on a file this program closed cleanly, whole on
// any other.
void Bench::startCheck()
{
    if (server)
        return;
    const QString path = Program::databasePath();
    QList<double> quick;
    QList<double> whole;
    for (int run = 0; run < 3; ++run) {
        JobDatabase::noteClosedCleanly(path);
        QElapsedTimer clock;
        clock.start();
        const JobDatabase::State first = JobDatabase::ensure(path).state;
        quick << clock.nsecsElapsed() / 1e6;
        clock.restart();
        const JobDatabase::State second = JobDatabase::ensure(path).state;
        whole << clock.nsecsElapsed() / 1e6;
        if (first != JobDatabase::State::Ready || second != JobDatabase::State::Ready) {
            std::printf("start check: the file was not found sound\n");
            return;
        }
    }
    say("start check of a file closed cleanly (quick_check)", median(quick));
    say("start check of a file not closed cleanly (integrity_check)", median(whole));
}

// The first start of a file an older version wrote: the splash's check builds the indexes it
// lacks, while the splash keeps painting and says how far it is.
void Bench::olderFileStart()
{
    if (server)
        return;
    const QString older = QDir(folder.path()).filePath(QStringLiteral("older/db1.mdb"));
    QDir().mkpath(QFileInfo(older).path());
    const JobGenerator::Made made = JobGenerator::olderJobFile(older, jobs);
    if (!made.ok) {
        std::printf("first start of an older file: not made (%s)\n", qPrintable(made.error));
        return;
    }
    EventLoopGaps gaps;
    QElapsedTimer clock;
    clock.start();
    JobDatabase::ensureAhead(older);
    int lastShown = -1;
    int steps = 0;
    waitFor(
        [&] {
            const JobDatabase::Building building = JobDatabase::building();
            if (building.total > 0 && building.done != lastShown) {
                lastShown = building.done;
                ++steps;
            }
            return !JobDatabase::aheadRunning();
        },
        600000);
    const double ms = clock.nsecsElapsed() / 1e6;
    const JobDatabase::State state = JobDatabase::ensure(older).state;
    say("first start of an older file (its indexes built)", ms,
        QStringLiteral("(%1; longest the splash went without its event loop: %2 ms; %3 progress steps shown)")
            .arg(state == JobDatabase::State::Ready ? QStringLiteral("ready") : QStringLiteral("NOT READY"))
            .arg(gaps.longestMs())
            .arg(steps));
    QFile::remove(older);
}

void Bench::firstRows()
{
    int rows = 0;
    QList<double> times;
    QElapsedTimer spent;
    spent.start();
    for (int run = 0; run < 5 && (run == 0 || spent.elapsed() < 30000); ++run) {
        delete form;
        form = nullptr;
        // The splash's three seconds, in which the start checks the job file.
        if (!server)
            JobDatabase::ensureAhead(Program::databasePath());
        QThread::msleep(3000);
        QElapsedTimer clock;
        clock.start();
        form = new Form1();
        form->show();
        grid = form->findChild<DataGrid *>(QStringLiteral("DataGrid1"));
        waitFor([&] { return rowsOf(grid) > 0; }, 120000);
        times << clock.nsecsElapsed() / 1e6;
        rows = rowsOf(grid);
    }
    say("first rows of the list after start", median(times),
        QStringLiteral("(%1 rows listed, %2 runs)").arg(rows).arg(times.size()));
    // Then the ids arrive and the grid learns its length: the window must keep painting, and the
    // scroll bar's end must reach the last job.
    EventLoopGaps gaps;
    const Recordset *list = grid->dataSource()->recordset();
    waitFor([&] { return list->isCounted() && rowsOf(grid) == list->availableCount(); }, 120000);
    settle(100);
    QScrollBar *bar = grid->verticalScrollBar();
    bar->setValue(bar->maximum());
    grid->viewport()->repaint();
    const int bottom = grid->rowAt(grid->viewport()->height() - 1);
    say("the list's length after start", gaps.longestMs(),
        QStringLiteral("(the window's longest pause; the scroll bar's end shows row %1 of %2)")
            .arg(bottom < 0 ? rowsOf(grid) : bottom + 1)
            .arg(list->availableCount()));
    bar->setValue(0);
    std::printf("memory with the list open: %s\n", qPrintable(processMemory()));
}

void Bench::keystrokes()
{
    struct Typing {
        const char *action;
        const char *box;
        QString text;
    };
    const QList<Typing> typings = {
        {"keystroke receipt box", "Text1", QStringLiteral("123456")},
        {"keystroke customer box", "Text2", QStringLiteral("علي رض")},
        {"keystroke model box", "Text3", QStringLiteral("Samsun")},
        {"keystroke model box, lower case", "Text3", QStringLiteral("iphone")},
    };
    int refreshes = 0;
    int unseen = 0;
    const QMetaObject::Connection counting =
        QObject::connect(form->adodc1(), &Adodc::refreshed, form, [&refreshes] { ++refreshes; });
    for (const Typing &typing : typings) {
        QLineEdit *searchBox = box(typing.box);
        QList<QList<double>> byLength(typing.text.size());
        int listed = 0;
        QElapsedTimer spent;
        spent.start();
        for (int run = 0; run < 5 && (run == 0 || spent.elapsed() < 20000); ++run) {
            focus(form, searchBox);
            searchBox->clear();
            QCoreApplication::processEvents();
            for (int i = 0; i < typing.text.size(); ++i) {
                QElapsedTimer clock;
                clock.start();
                const int before = refreshes;
                type(searchBox, typing.text.at(i));
                // Until the list was read again, wherever that ran, and painted.
                if (!waitFor([&] { return refreshes > before; }, 5000))
                    ++unseen;
                grid->viewport()->repaint();
                byLength[i] << clock.nsecsElapsed() / 1e6;
            }
            listed = rowsOf(grid);
        }
        QList<double> all;
        int slowest = 0;
        for (int i = 0; i < byLength.size(); ++i) {
            all << byLength[i];
            if (median(byLength[i]) > median(byLength[slowest]))
                slowest = i;
        }
        say(typing.action, median(all),
            QStringLiteral("(typing %1; slowest at %2 characters: %3 ms; %4 rows at the end; %5 runs)")
                .arg(typing.text)
                .arg(slowest + 1)
                .arg(median(byLength[slowest]), 0, 'f', 1)
                .arg(listed)
                .arg(byLength[0].size()));
    }
    QObject::disconnect(counting);
    if (unseen > 0)
        std::printf("keystrokes whose list was not read again within 5 s: %d\n", unseen);
    for (const char *name : {"Text3", "Text2", "Text1"})
        box(name)->clear();
    focus(form, box("Text1"));
}

void Bench::openJob()
{
    JobWindowWatch watch;
    // A job of the middle years, the first row once its number is typed.
    const QString number = QString::number(std::max(1, jobs * 3 / 5));
    QLineEdit *receipt = box("Text1");
    focus(form, receipt);
    receipt->setText(number);
    QCoreApplication::processEvents();
    const auto open = [&](const char *action, const std::function<void()> &command, const QString &note = QString()) {
        QList<double> times;
        QString shown;
        QElapsedTimer spent;
        spent.start();
        for (int run = 0; run < 7 && (run == 0 || spent.elapsed() < 10000); ++run) {
            watch.start();
            command();
            if (!watch.seen())
                break;
            times << watch.ms();
            shown = watch.number();
            // The list refresh that follows the job window's return.
            settle(60);
        }
        if (times.isEmpty()) {
            std::printf("%s: no job window opened\n", action);
            return false;
        }
        say(action, median(times),
            QStringLiteral("(job %1 shown%2%3; %4 runs)")
                .arg(shown, shown == number ? QString() : QStringLiteral(", not ") + number,
                     note.isEmpty() ? QString() : QStringLiteral("; ") + note)
                .arg(times.size()));
        return true;
    };
    open("open a job (double-click a row)", [&] {
        const QModelIndex index = grid->model()->index(0, 0);
        const QPoint at = grid->visualRect(index).center();
        for (QEvent::Type kind : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick}) {
            // Only the double-click itself is the clerk's wait.
            if (kind == QEvent::MouseButtonDblClick)
                watch.start();
            QMouseEvent click(kind, at, grid->viewport()->mapToGlobal(at), Qt::LeftButton,
                              kind == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(grid->viewport(), &click);
        }
    });
    // The menu item that carries F2, as its shortcut triggers it.
    open("open a job (F2)", [&] { form->findChild<QAction *>(QStringLiteral("estelam"))->trigger(); });
    const bool byReceipt = open("open a job (receipt box Text1 + Enter)", [&] {
        focus(form, receipt);
        watch.start();
        press(receipt, Qt::Key_Return, QStringLiteral("\r"));
    });
    if (!byReceipt)
        open("open a job (receipt number typed, then Enter in the list)", [&] {
            grid->setFocus();
            QCoreApplication::processEvents();
            watch.start();
            press(grid, Qt::Key_Return, QStringLiteral("\r"));
        });
    receipt->clear();
}

void Bench::nextNumber()
{
    Adodc highest;
    highest.setConnectionString(Program::DatabaseConnection);
    highest.setRecordSource(Queries::highestNumber());
    const double lookup = median(timings(15, 5000, [&] { highest.Refresh(); }));
    say("F1's next number", lookup,
        QStringLiteral("(the highest number as F1 reads it: %1)")
            .arg(qint64(highest.recordset()->Fields(0).toDouble())));

    JobWindowWatch watch;
    QList<double> times;
    QString shown;
    for (int run = 0; run < 5; ++run) {
        watch.start();
        form->findChild<QAction *>(QStringLiteral("newphone"))->trigger();
        if (!watch.seen())
            break;
        times << watch.ms();
        shown = QString::number(Program::CurrentReceiptNumber);
        settle(60);
    }
    say("F1 to the job window", median(times), QStringLiteral("(number offered: %1)").arg(shown));
}

// The window's longest pause from F1 with a search typed until the job window shows and the list
// is read again after it, and from a new job's save until the list stands on its last row.
// The list goes to its last row once counted, which may come after the job window closed.
void Bench::waitForLastRow()
{
    const Recordset *list = form->adodc1()->recordset();
    waitFor([list] { return list->AbsolutePosition() > 0 && list->AbsolutePosition() == list->availableCount(); },
            60000);
}

void Bench::newJobPauses()
{
    QLineEdit *customer = box("Text2");
    QList<double> f1;
    for (int run = 0; run < 3; ++run) {
        focus(form, customer);
        customer->setText(QStringLiteral("علي"));
        QCoreApplication::processEvents();
        JobWindowWatch watch;
        EventLoopGaps gaps;
        watch.start();
        form->findChild<QAction *>(QStringLiteral("newphone"))->trigger();
        waitFor([] { return Program::NewJobMode == 0; }, 60000);
        waitForLastRow();
        settle(100);
        if (watch.seen())
            f1 << double(gaps.longestMs());
    }
    say("F1 with a search typed", median(f1), QStringLiteral("(the window's longest pause; %1 runs)").arg(f1.size()));

    QList<double> saves;
    qint64 saved = 0;
    for (int run = 0; run < 3; ++run) {
        EventLoopGaps gaps;
        QTimer filler;
        filler.setInterval(20);
        QObject::connect(&filler, &QTimer::timeout, [&] {
            auto *window = qobject_cast<Form3 *>(QApplication::activeModalWidget());
            auto *number = window ? window->findChild<QLineEdit *>(QStringLiteral("Text1(0)")) : nullptr;
            if (!number || number->text().isEmpty() || window->property("saving").toBool())
                return;
            window->setProperty("saving", true);
            saved = number->text().toLongLong();
            window->findChild<QLineEdit *>(QStringLiteral("Text1(1)"))->setText(QStringLiteral("مشتري آزمايشي"));
            window->findChild<QLineEdit *>(QStringLiteral("Text1(2)"))->setText(QStringLiteral("Galaxy A52"));
            gaps.reset();
            window->findChild<QPushButton *>(QStringLiteral("Command3"))->click();
        });
        filler.start();
        form->findChild<QAction *>(QStringLiteral("newphone"))->trigger();
        filler.stop();
        waitFor([] { return Program::NewJobMode == 0; }, 60000);
        waitForLastRow();
        settle(100);
        saves << double(gaps.longestMs());
    }
    Recordset *list = form->adodc1()->recordset();
    say("save a new job", median(saves),
        QStringLiteral("(the window's longest pause; job %1 saved, the list on row %2 of %3; %4 runs)")
            .arg(saved)
            .arg(list->AbsolutePosition())
            .arg(list->RecordCount())
            .arg(saves.size()));
}

} // namespace JobListBench
