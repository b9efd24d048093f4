// SPDX-License-Identifier: GPL-3.0-or-later
// Measures the main list with a busy shop's 32,767 jobs: loading the list, each keystroke of a
// search, the once-a-second due count, opening and saving a job, the report query, painting the grid
// while scrolling, and the processor time of an idle main window.
// Run: QT_QPA_PLATFORM=offscreen build/bench/bench_joblist
// On a database server instead of the job file (its table1 is replaced):
//      VELMORA_BENCH_SERVER=postgresql://user@host/dbname build/bench/bench_joblist
#include "jobentry/Form3.h"
#include "jobstore/Adodc.h"
#include "jobstore/Dialect.h"
#include "jobstore/JobDatabase.h"
#include "jobstore/ProgramValues.h"
#include "jobstore/Queries.h"
#include "jobstore/Recordset.h"
#include "jobstore/ReportQueries.h"
#include "mainwindow/Form1.h"
#include "platform/DataGrid.h"
#include "platform/MessageBox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QScrollBar>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>

namespace
{

double medianMs(int runs, const std::function<void()> &work)
{
    QList<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times << timer.nsecsElapsed() / 1e6;
    }
    std::sort(times.begin(), times.end());
    return times.at(times.size() / 2);
}

QString server()
{
    return qEnvironmentVariable("VELMORA_BENCH_SERVER");
}

QSqlDatabase openJobs(const QString &path, const QString &name)
{
    if (!server().isEmpty())
        return Dialect::openServer(*Dialect::parseServerUrl(server()), name);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(path);
    db.open();
    return db;
}

void fill(const QString &path, int jobs)
{
    QSqlDatabase db = openJobs(path, QStringLiteral("fill"));
    db.transaction();
    QSqlQuery query(db);
    query.prepare(QStringLiteral("insert into table1 (num,name,nameph,datein,dateout,status,\"desc\") "
                                 "values (?,?,?,?,?,?,?)"));
    for (int n = 1; n <= jobs; ++n) {
        query.addBindValue(n);
        query.addBindValue(QStringLiteral("مشتري شماره %1 رضايي").arg(n));
        query.addBindValue(QStringLiteral("Nokia %1").arg(n % 977));
        // Eighteen jobs a day over five years, 1399 to 1404, as a busy shop takes them in.
        const int day = n / 18;
        const int datein = (1399 + day / 336) % 100 * 10000 + (day % 336 / 28 + 1) * 100 + day % 28 + 1;
        query.addBindValue(datein);
        query.addBindValue(datein + 3);
        query.addBindValue(n % 5 ? QStringLiteral("تحويل شده") : QStringLiteral("در حال تعمير"));
        query.addBindValue(QStringLiteral("تعويض صفحه نمايش و باتري"));
        query.exec();
    }
    db.commit();
    // The server gathers a new table's figures on its own within a minute; a shop's searches run
    // long after that.
    if (!server().isEmpty())
        QSqlQuery(db).exec(QStringLiteral("analyze table1"));
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("fill"));
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    MessageBox::setHandler([](const MessageBox::Request &) { return MessageBox::Answer::Ok; });
    const int jobs = 32767;
    QTemporaryDir dir;
    Program::setDataFolder(dir.path());
    if (!server().isEmpty()) {
        if (!Dialect::parseServerUrl(server())) {
            std::fprintf(stderr, "VELMORA_BENCH_SERVER is not a postgresql:// address\n");
            return 1;
        }
        Program::setDatabaseServer(server());
        {
            QSqlDatabase db = openJobs(QString(), QStringLiteral("drop"));
            if (!db.isOpen()) {
                std::fprintf(stderr, "cannot reach the server\n");
                return 1;
            }
            QSqlQuery(db).exec(QStringLiteral("drop table if exists table1"));
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("drop"));
    }
    Program::DatabaseConnection = Program::connectionTextFor(dir.path());
    JobDatabase::ensure(Program::databasePath());
    fill(Program::databasePath(), jobs);
    std::printf("%s, jobs in table1: %d\n", server().isEmpty() ? "job file (SQLite)" : "database server", jobs);

    {
        QSqlDatabase raw = openJobs(Program::databasePath(), QStringLiteral("raw"));
        std::printf("raw fetch of the list, no copy: median %7.1f ms\n", medianMs(7, [&] {
                        QSqlQuery query(raw);
                        query.setForwardOnly(true);
                        query.exec(Queries::jobList().sql);
                        int n = 0;
                        while (query.next())
                            n += query.value(1).toInt() >= 0;
                    }));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("raw"));

    Adodc control;
    control.setConnectionString(Program::DatabaseConnection);
    control.setRecordSource(Queries::jobList());
    std::printf("list query, all rows:          median %7.1f ms\n", medianMs(7, [&] { control.Refresh(); }));
    control.setRecordSource(Queries::dueBy(30115));
    std::printf("due count query:               median %7.1f ms\n", medianMs(15, [&] { control.Refresh(); }));

    control.setRecordSource(Queries::allJobs());
    std::printf("job window: find a late job:   median %7.1f ms\n", medianMs(5, [&] {
                    control.Refresh();
                    control.recordset()->Find(QStringLiteral("num='32000'"));
                }));
    std::printf("job window: start a new job:   median %7.1f ms\n", medianMs(5, [&] {
                    control.Refresh();
                    control.recordset()->AddNew();
                    control.recordset()->CancelUpdate();
                }));
    int nextNumber = jobs;
    std::printf("job window: save a new job:    median %7.1f ms\n", medianMs(5, [&] {
                    Recordset *jobsSet = control.recordset();
                    jobsSet->AddNew();
                    jobsSet->setField(0, ++nextNumber);
                    jobsSet->setField(1, QStringLiteral("مشتري تازه"));
                    jobsSet->setField(15, QStringLiteral("در حال تعمير"));
                    if (!jobsSet->Update())
                        std::fprintf(stderr, "save failed\n");
                }));
    control.setRecordSource(Queries::report(30101, 30131, QString(), QString()));
    const double report = medianMs(5, [&] { control.Refresh(); });
    std::printf("report query, one month:       median %7.1f ms (%d rows)\n", report,
                control.recordset()->RecordCount());

    Form1 *form = nullptr;
    std::printf("main window load with list:    median %7.1f ms\n", medianMs(5, [&] {
                    delete form;
                    form = new Form1();
                }));
    form->show();
    QApplication::processEvents();
    // As the clerk meets it: each job window and each number lookup has a data control of its own.
    Program::NewJobMode = 0;
    Program::CurrentReceiptNumber = 32000;
    std::printf("job window opened on job 32000: median %6.1f ms\n", medianMs(5, [&] { Form3 window(form); }));
    std::printf("highest number for F1:         median %7.1f ms\n", medianMs(7, [&] {
                    Adodc highest;
                    highest.setConnectionString(Program::DatabaseConnection);
                    highest.setRecordSource(Queries::highestNumber());
                    highest.Refresh();
                }));
    auto *text1 = form->findChild<QLineEdit *>(QStringLiteral("Text1"));
    auto *text2 = form->findChild<QLineEdit *>(QStringLiteral("Text2"));
    auto *text3 = form->findChild<QLineEdit *>(QStringLiteral("Text3"));
    const auto keystrokes = [](QLineEdit *box, const QString &typed) {
        return medianMs(5,
                        [&] {
                            box->clear();
                            for (int i = 1; i <= typed.size(); ++i)
                                box->setText(typed.left(i));
                        }) /
               typed.size();
    };
    std::printf("keystroke in receipt box:      median %7.1f ms (typing 1234)\n", keystrokes(text1, "1234"));
    std::printf("keystroke in customer box:     median %7.1f ms (typing رضا)\n",
                keystrokes(text2, QStringLiteral("رضا")));
    std::printf("keystroke in model box:        median %7.1f ms (typing Nokia 9)\n", keystrokes(text3, "Nokia 9"));
    text1->clear();

    auto *grid = form->findChild<DataGrid *>(QStringLiteral("DataGrid1"));
    QScrollBar *bar = grid->verticalScrollBar();
    const double page = medianMs(9, [&] {
        bar->setValue((bar->value() + bar->pageStep() * 37) % std::max(1, bar->maximum()));
        grid->viewport()->repaint();
    });
    std::printf("scroll one jump and repaint:   median %7.1f ms (%d rows listed)\n", page, grid->model()->rowCount());

    // An idle counter: the clock and the due count tick once a second; the count queries only
    // when the jobs or the day changed. The first seconds still carry the saves made above.
    int counts = 0;
    QObject::connect(form->findChild<Adodc *>(QStringLiteral("Adodc2")), &Adodc::refreshed, [&counts] { ++counts; });
    QEventLoop settle;
    QTimer::singleShot(3000, &settle, &QEventLoop::quit);
    settle.exec();
    counts = 0;
    const std::clock_t cpuBefore = std::clock();
    QElapsedTimer wall;
    wall.start();
    QEventLoop idle;
    QTimer::singleShot(20000, &idle, &QEventLoop::quit);
    idle.exec();
    const double cpuSeconds = double(std::clock() - cpuBefore) / CLOCKS_PER_SEC;
    std::printf("idle main window, 20 s:        %7.2f %% of one core, %d due count queries\n",
                100.0 * cpuSeconds / (wall.elapsed() / 1000.0), counts);
    delete form;
    return 0;
}
