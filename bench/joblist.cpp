// SPDX-License-Identifier: GPL-3.0-or-later
// What a clerk waits for in a busy shop (32,767 jobs by default): the list's first rows after the
// start, each keystroke of a search, opening a job, F1's number, the reminders and the due count,
// a month's report, scrolling the list, backup and restore, the memory the program holds and the
// processor time of an idle main window. Prints one median per action.
// Run: QT_QPA_PLATFORM=offscreen build/bench/bench_joblist [--jobs N]
// With VELMORA_BENCH_SERVER=postgresql://user@host/dbname it measures that server's table1 too,
// whose jobs it replaces with the generated ones.
#include "support/EventLoopGaps.h"
#include "support/JobGenerator.h"
#include "support/PrivateDocuments.h"

#include "jobentry/Form3.h"
#include "jobstore/Adodc.h"
#include "jobstore/server/Dialect.h"
#include "jobstore/file/JobDatabase.h"
#include "jobstore/ProgramValues.h"
#include "jobstore/Queries.h"
#include "jobstore/Recordset.h"
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

double median(QList<double> times)
{
    std::sort(times.begin(), times.end());
    return times.isEmpty() ? 0 : times.at(times.size() / 2);
}

// Runs `work` up to `runs` times and stops early once `budgetMs` is spent; always once. A million
// jobs on a slow build would otherwise keep the bench running for hours.
QList<double> timings(int runs, double budgetMs, const std::function<void()> &work)
{
    QList<double> times;
    QElapsedTimer spent;
    spent.start();
    for (int i = 0; i < runs && (i == 0 || spent.elapsed() < budgetMs); ++i) {
        QElapsedTimer clock;
        clock.start();
        work();
        times << clock.nsecsElapsed() / 1e6;
    }
    return times;
}

void say(const char *action, double ms, const QString &more = QString())
{
    std::printf("%s: %.1f ms%s\n", action, ms, qPrintable(more.isEmpty() ? more : u' ' + more));
    std::fflush(stdout);
}

void settle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Lets the events through until `done` holds, at most `limitMs`; false when it never did.
bool waitFor(const std::function<bool()> &done, int limitMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > limitMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::usleep(200);
    }
    return true;
}

QString memory()
{
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    QStringList found;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:") || line.startsWith("VmHWM:"))
            found << QStringLiteral("%1 %2 MB")
                         .arg(QString::fromLatin1(line.left(5)))
                         .arg(line.mid(6).trimmed().split(' ').value(0).toLongLong() / 1024);
    return found.join(QStringLiteral(", "));
}

int rowsOf(DataGrid *grid)
{
    return grid && grid->model() ? grid->model()->rowCount() : 0;
}

// Times the job window from a command to the moment it shows with its job loaded, then returns
// from it as the clerk's return button does.
class JobWindowWatch : public QObject
{
public:
    JobWindowWatch() { qApp->installEventFilter(this); }
    void start()
    {
        m_ms = -1;
        m_clock.start();
    }
    bool seen() const { return m_ms >= 0; }
    double ms() const { return m_ms; }
    QString number() const { return m_number; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && m_ms < 0)
            if (auto *window = qobject_cast<Form3 *>(watched)) {
                m_ms = m_clock.nsecsElapsed() / 1e6;
                const auto *number = window->findChild<QLineEdit *>(QStringLiteral("Text1(0)"));
                m_number = number ? number->text() : QString();
                QTimer::singleShot(0, window, [window] { window->reject(); });
            }
        return false;
    }

private:
    QElapsedTimer m_clock;
    double m_ms = -1;
    QString m_number;
};

void press(QWidget *widget, int key, const QString &text = QString())
{
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &down);
    QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &up);
}

void type(QWidget *box, QChar ch)
{
    press(box, ch.isDigit() && ch.unicode() < 128 ? Qt::Key_0 + ch.digitValue() : Qt::Key_unknown, QString(ch));
}

void focus(Form1 *form, QLineEdit *box)
{
    QApplication::setActiveWindow(form);
    box->setFocus(Qt::MouseFocusReason);
    QCoreApplication::processEvents();
}

struct Bench {
    int jobs;
    bool server;
    QTemporaryDir folder;
    Form1 *form = nullptr;
    DataGrid *grid = nullptr;
    QString nextFile; // the file dialog's answer
    QStringList told; // the message boxes' first lines

    QLineEdit *box(const char *name) const { return form->findChild<QLineEdit *>(QLatin1String(name)); }
    void firstRows();
    void startCheck();
    void olderFileStart();
    void keystrokes();
    void openJob();
    void nextNumber();
    void newJobPauses();
    void reminders();
    void report();
    void scroll();
    void backupAndRestore();
    void exitCopy();
    void idle();
};

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
    std::printf("memory with the list open: %s\n", qPrintable(memory()));
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
    const double counting = median(timings(15, 5000, [&] {
        count->Refresh();
        count->recordset()->RecordCount();
    }));
    say("due count (Form1's once-a-second count)", counting,
        QStringLiteral("(%1 jobs due)").arg(count->recordset()->RecordCount()));

    int rows = 0;
    const QList<double> times = timings(5, 15000, [&] {
        warning window(form);
        window.show();
        auto *list = window.findChild<DataGrid *>();
        waitFor([&] { return rowsOf(list) > 0; }, 60000);
        rows = rowsOf(list);
    });
    say("reminders window to its first rows", median(times), QStringLiteral("(%1 rows listed)").arg(rows));
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
    const double ms = median(timings(7, 10000, [&] { window.runReport(); }));
    say("report over one month (Hform's query)", ms,
        QStringLiteral("(%1/%2/%3 to %4/%5/%6, %7 rows)")
            .arg(first.year)
            .arg(first.month)
            .arg(first.day)
            .arg(last.year)
            .arg(last.month)
            .arg(last.day)
            .arg(window.adodc1()->recordset()->RecordCount()));

    // Empty date boxes: every job the shop ever took in, shown, then saved as CSV.
    window.findChild<MaskEdBox *>(QStringLiteral("Mask1"))->setMaskedText(QString());
    window.findChild<MaskEdBox *>(QStringLiteral("Mask2"))->setMaskedText(QString());
    window.show();
    EventLoopGaps gaps;
    QElapsedTimer clock;
    clock.start();
    window.runReport();
    const double all = clock.nsecsElapsed() / 1e6;
    settle(100);
    say("report over all jobs", all,
        QStringLiteral("(%1 repairs in the totals; longest the window went without its event loop: %2 ms)")
            .arg(window.totals().repairCount())
            .arg(gaps.longestMs()));
    settle(1000);
    std::printf("memory after the report over all jobs: %s\n", qPrintable(memory()));
    nextFile = folder.filePath(QStringLiteral("report.csv"));
    gaps.reset();
    clock.restart();
    window.exportCsv();
    const double csv = clock.nsecsElapsed() / 1e6;
    settle(100);
    say("the report over all jobs saved as CSV", csv,
        QStringLiteral("(%1 MB; longest the window went without its event loop: %2 ms)")
            .arg(QFileInfo(nextFile).size() / 1e6, 0, 'f', 1)
            .arg(gaps.longestMs()));
    QFile::remove(nextFile);
    std::printf("memory after saving the report over all jobs: %s\n", qPrintable(memory()));
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
    std::printf("memory after scrolling the list end to end: %s\n", qPrintable(memory()));
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

int measure(int jobs, bool server)
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
    bench.startCheck();
    bench.olderFileStart();
    bench.keystrokes();
    bench.openJob();
    bench.nextNumber();
    bench.newJobPauses();
    bench.reminders();
    bench.report();
    bench.scroll();
    bench.backupAndRestore();
    bench.exitCopy();
    bench.idle();
    delete bench.form;
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    int jobs = 32767;
    QString database;
    const QStringList arguments = app.arguments();
    for (int i = 1; i + 1 < arguments.size(); ++i) {
        if (arguments.at(i) == QLatin1String("--jobs"))
            jobs = arguments.at(i + 1).toInt();
        else if (arguments.at(i) == QLatin1String("--database"))
            database = arguments.at(i + 1);
    }
    if (jobs < 1) {
        std::fprintf(stderr, "usage: bench_joblist [--jobs N]\n");
        return 2;
    }
    // Today stays the generated shop's last day, so every run meets the same due jobs.
    Sorvan::Clock::setNow(JobGenerator::now());
    if (!database.isEmpty())
        return measure(jobs, database == QLatin1String("server"));

    // Each database in a process of its own, so neither's memory counts in the other's figures.
    QStringList databases{QStringLiteral("file")};
    if (!qEnvironmentVariableIsEmpty("VELMORA_BENCH_SERVER"))
        databases << QStringLiteral("server");
    int failures = 0;
    for (const QString &each : databases) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--jobs"), QString::number(jobs), QStringLiteral("--database"), each});
        child.waitForFinished(-1);
        failures += child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0;
    }
    return failures;
}
