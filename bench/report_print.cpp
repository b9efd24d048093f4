// SPDX-License-Identifier: GPL-3.0-or-later
// Prints the accounting report of a busy shop (32,767 jobs by default) to PDF through the report
// window, the way a clerk's click does, and prints how long it took.
//
//   bench_report_print [rows] [runs] [pdf-folder]

#include "jobstore/ProgramValues.h"
#include "jobstore/file/JobDatabase.h"
#include "platform/AppSetup.h"
#include "platform/MessageBox.h"
#include "platform/RunOptions.h"
#include "reports/Hform.h"

#include "support/EventLoopGaps.h"
#include "support/ProcessMemory.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>

namespace
{

bool fillJobs(const QString &path, int rows)
{
    QString error;
    QSqlDatabase db = JobDatabase::open(path, QStringLiteral("bench"), &error);
    if (!db.isOpen())
        return false;
    db.transaction();
    QSqlQuery query(db);
    query.prepare(QStringLiteral("insert into table1 (num,name,nameph,datein,dateout,service,panel,panelp,endp,status) "
                                 "values (?,?,?,?,?,?,?,?,?,?)"));
    const QStringList statuses = {QStringLiteral("در حال تعمير"), QStringLiteral("تعمير شده"),
                                  QStringLiteral("تحويل شده")};
    for (int n = 1; n <= rows; ++n) {
        query.addBindValue(n);
        query.addBindValue(QStringLiteral("مشتري شماره %1").arg(n));
        query.addBindValue(QStringLiteral("Nokia %1").arg(1000 + n % 700));
        query.addBindValue(900101 + (n % 12) * 100 + n % 28);
        query.addBindValue(900104 + (n % 12) * 100 + n % 28);
        query.addBindValue(n % 3 ? QStringLiteral("رضا") : QStringLiteral("Ali"));
        query.addBindValue(n % 4 ? QVariant(QStringLiteral("LCD")) : QVariant());
        query.addBindValue(n % 5 ? QVariant(double(n % 90) * 1000) : QVariant());
        query.addBindValue(double(n % 90) * 1000 + 25000);
        query.addBindValue(statuses[n % 3]);
        if (!query.exec())
            return false;
    }
    db.commit();
    db.close();
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    AppSetup::applyLookAndFeel(app);
    const QStringList args = app.arguments();
    const int rows = args.size() > 1 ? args[1].toInt() : 32767;
    const int runs = args.size() > 2 ? args[2].toInt() : 3;
    QTemporaryDir data;
    QTemporaryDir pdfTemp;
    const QString pdfFolder = args.size() > 3 ? args[3] : pdfTemp.path();
    QDir().mkpath(pdfFolder);

    Program::setDataFolder(data.path());
    Program::DatabaseConnection = Program::connectionTextFor(data.path());
    JobDatabase::ensure(Program::databasePath());
    if (!fillJobs(Program::databasePath(), rows)) {
        qCritical("could not fill the job database");
        return 1;
    }
    RunOptions::printToPdfFolder = pdfFolder;
    QStringList messages;
    MessageBox::setHandler([&messages](const MessageBox::Request &request) {
        messages << request.text;
        return MessageBox::Answer::Ok;
    });

    Hform form;
    form.show();
    // Lets the window's date control fill itself, as it has long done when a clerk clicks.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 50)
        app.processEvents();
    form.findChild<QPushButton *>(QStringLiteral("Command2"))->click();
    QTextStream out(stdout);
    out << "report rows: " << form.totals().repairCount() << "\n";

    QList<double> seconds;
    qint64 longestPause = 0;
    for (int run = 0; run < runs; ++run) {
        EventLoopGaps gaps;
        QElapsedTimer timer;
        timer.start();
        form.findChild<QPushButton *>(QStringLiteral("Command3"))->click();
        seconds << timer.nsecsElapsed() / 1e9;
        // A print without progress holds the window throughout: the tick after it sees that pause.
        QElapsedTimer after;
        after.start();
        while (after.elapsed() < 30)
            app.processEvents(QEventLoop::AllEvents, 10);
        longestPause = std::max(longestPause, gaps.longestMs());
        out << "run " << run + 1 << ": " << QString::number(seconds.last(), 'f', 2) << " s\n";
    }
    out << "report print: " << longestPause << " ms (the window's longest pause)\n";
    {
        // The preview draws the same pages; closed once it shows them.
        EventLoopGaps gaps;
        QElapsedTimer timer;
        timer.start();
        form.findChild<QPushButton *>(QStringLiteral("Command5"))->click();
        auto *preview = form.findChild<QPrintPreviewWidget *>();
        while (timer.elapsed() < 600000 && (!preview || preview->pageCount() == 0)) {
            app.processEvents(QEventLoop::AllEvents, 20);
            preview = form.findChild<QPrintPreviewWidget *>();
        }
        const double shown = timer.nsecsElapsed() / 1e9;
        app.processEvents();
        out << "report preview: " << gaps.longestMs() << " ms (the window's longest pause; "
            << (preview ? preview->pageCount() : 0) << " pages shown in " << QString::number(shown, 'f', 2)
            << " s; " << processMemory() << ")\n";
        if (auto *dialog = form.findChild<QPrintPreviewDialog *>())
            dialog->close();
    }
    std::sort(seconds.begin(), seconds.end());
    const QFileInfoList pdfs = QDir(pdfFolder).entryInfoList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name);
    out << "median: " << QString::number(seconds[seconds.size() / 2], 'f', 2) << " s for " << rows << " rows\n";
    if (!pdfs.isEmpty())
        out << "last PDF: " << pdfs.last().fileName() << ", " << pdfs.last().size() / 1024 << " KiB\n";
    if (!messages.isEmpty())
        out << "messages: " << messages.join(QStringLiteral(" | ")) << "\n";
    out.flush();
    return messages.isEmpty() ? 0 : 1;
}
