// SPDX-License-Identifier: GPL-3.0-or-later
// What the job history costs a busy shop (32,767 jobs by default): a save through the job store's
// record set with and without the history triggers, the file's growth after ten changes to every
// job, and the opening of a job's history window. Prints medians.
//
//   bench_history [rows] [saves]

#include "jobentry/HistoryForm.h"
#include "jobstore/Adodc.h"
#include "jobstore/JobTable.h"
#include "jobstore/ProgramValues.h"
#include "jobstore/Queries.h"
#include "jobstore/file/JobDatabase.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>

namespace
{

bool fillJobs(const QSqlDatabase &db, int rows)
{
    QSqlDatabase writer = db;
    writer.transaction();
    QSqlQuery query(writer);
    query.prepare(QStringLiteral("insert into table1 (num,name,nameph,tel,datein,dateout,service,endp,status) "
                                 "values (?,?,?,?,?,?,?,?,?)"));
    for (int n = 1; n <= rows; ++n) {
        query.addBindValue(n);
        query.addBindValue(QStringLiteral("مشتري شماره %1").arg(n));
        query.addBindValue(QStringLiteral("Nokia %1").arg(1000 + n % 700));
        query.addBindValue(QStringLiteral("0912%1").arg(n, 7, 10, QLatin1Char('0')));
        query.addBindValue(14030101 + (n % 12) * 100 + n % 28);
        query.addBindValue(14030104 + (n % 12) * 100 + n % 28);
        query.addBindValue(QStringLiteral("رضا"));
        query.addBindValue(double(n % 90) * 1000 + 25000);
        query.addBindValue(JobTable::statusUnderRepair());
        if (!query.exec())
            return false;
    }
    return writer.commit();
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

void dropHistoryTriggers()
{
    for (const QString &name : QSqlDatabase::connectionNames()) {
        QSqlQuery query(QSqlDatabase::database(name, false));
        for (const char *trigger : {"job_history_insert", "job_history_update", "job_history_delete"})
            query.exec(QStringLiteral("drop trigger if exists temp.%1").arg(QLatin1String(trigger)));
    }
}

// Saves of the final price and the status as the job window makes them, in ms each.
QList<double> timeSaves(int saves, int rows, bool withHistory)
{
    Adodc adodc;
    adodc.setConnectionString(Program::DatabaseConnection);
    adodc.setRecordSource(Queries::allJobs());
    adodc.Refresh();
    if (!withHistory)
        dropHistoryTriggers();
    Recordset *recordset = adodc.recordset();
    QList<double> times;
    for (int i = 0; i < saves; ++i) {
        const int number = 1 + (i * 7919) % rows;
        // Find looks from the current row on.
        recordset->MoveFirst();
        if (!recordset->Find(QStringLiteral("num='%1'").arg(number)) || recordset->IsEOF())
            qFatal("job %d not found", number);
        recordset->setField(JobTable::EndP, 30000 + i + (withHistory ? 0 : 50000));
        recordset->setField(JobTable::Status, i % 2 ? JobTable::statusRepaired() : JobTable::statusDelivered());
        QElapsedTimer clock;
        clock.start();
        if (!recordset->Update())
            qFatal("save failed: %s", qPrintable(recordset->lastError()));
        times << clock.nsecsElapsed() / 1e6;
    }
    return times;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rows = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 32767;
    const int saves = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 200;
    QTextStream out(stdout);
    QTemporaryDir folder;
    Program::setDataFolder(folder.path());
    Program::DatabaseConnection = Program::connectionTextFor(folder.path());
    const QString path = Program::dataSourceOf(Program::DatabaseConnection);
    JobDatabase::ensure(path);
    {
        QSqlDatabase db = JobDatabase::open(path, QStringLiteral("bench-fill"));
        dropHistoryTriggers(); // the shop's jobs were there before
        if (!fillJobs(db, rows))
            qFatal("could not fill the job file");
    }
    JobDatabase::close(QStringLiteral("bench-fill"));

    const QList<double> withHistory = timeSaves(saves, rows, true);
    const QList<double> without = timeSaves(saves, rows, false);
    out << "save, median of " << saves << ": with history " << median(withHistory) << " ms, without " << median(without)
        << " ms\n";

    // Ten changes to every job, one column each, through a connection with the history triggers.
    const qint64 before = QFileInfo(path).size();
    {
        QSqlDatabase db = JobDatabase::open(path, QStringLiteral("bench-changes"));
        QSqlQuery query(db);
        const QStringList columns = {QStringLiteral("endp"),   QStringLiteral("status"),  QStringLiteral("panelp"),
                                     QStringLiteral("panel"),  QStringLiteral("endp"),    QStringLiteral("deposit"),
                                     QStringLiteral("status"), QStringLiteral("dateout"), QStringLiteral("desc"),
                                     QStringLiteral("endp")};
        for (int round = 0; round < columns.size(); ++round) {
            db.transaction();
            query.prepare(QStringLiteral("update table1 set \"%1\" = ? where num = ?").arg(columns.at(round)));
            for (int n = 1; n <= rows; ++n) {
                const bool text = columns.at(round) == QLatin1String("status") ||
                                  columns.at(round) == QLatin1String("panel") ||
                                  columns.at(round) == QLatin1String("desc");
                query.addBindValue(text ? QVariant(QStringLiteral("تعمير شده %1").arg(round))
                                        : QVariant(double(n % 90) * 1000 + 1000 * round));
                query.addBindValue(n);
                query.exec();
            }
            db.commit();
        }
        QSqlQuery count(db);
        count.exec(QStringLiteral("select count(*) from job_history"));
        count.next();
        out << "history rows: " << count.value(0).toLongLong() << "\n";
    }
    JobDatabase::close(QStringLiteral("bench-changes"));
    const qint64 after = QFileInfo(path).size();
    out << "file: " << before / 1e6 << " MB before, " << after / 1e6 << " MB after ten changes to each of " << rows
        << " jobs (+" << (after - before) / 1e6 << " MB)\n";

    const QStringList captions = JobTable::columnNames();
    QList<double> opening;
    for (int i = 0; i < 21; ++i) {
        QElapsedTimer clock;
        clock.start();
        HistoryForm form(1 + (i * 4099) % rows, captions);
        opening << clock.nsecsElapsed() / 1e6;
    }
    out << "history window of a job with ten changes, median of 21: " << median(opening) << " ms\n";
    return 0;
}
