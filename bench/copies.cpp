// SPDX-License-Identifier: GPL-3.0-or-later
// The room a month of daily exit copies takes: a shop of 100,000 jobs by default where each day forty
// jobs come in and sixty are delivered, then the program ends and makes its exit copy. Prints, each
// week and at the end, what the exit copy and the copies kept beside it take against the database.
// Run: build/bench/bench_copies [--jobs N] [--days 31]
#include "support/JobGenerator.h"
#include "support/PrivateDocuments.h"

#include "jobstore/ProgramValues.h"
#include "jobstore/file/JobDatabase.h"
#include "mainwindow/DatabaseCopies.h"
#include "solardate/Clock.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace
{

qint64 bytesUnder(const QString &folder)
{
    qint64 bytes = 0;
    for (QDirIterator files(folder, QDir::Files, QDirIterator::Subdirectories); files.hasNext();)
        bytes += files.nextFileInfo().size();
    return bytes;
}

// A day's work at the counter: new jobs (copies of random ones under new numbers) and deliveries.
bool work(const QString &path, QString *error)
{
    QSqlDatabase db = JobDatabase::open(path, QStringLiteral("day"), error);
    QSqlQuery query(db);
    const bool ok =
        db.isOpen() && db.transaction() &&
        query.exec(QStringLiteral("create temp table day as select * from table1 order by random() limit 40")) &&
        query.exec(QStringLiteral("update temp.day set num = num + (select max(num) from main.table1)")) &&
        query.exec(QStringLiteral("insert into main.table1 select * from temp.day")) &&
        query.exec(QStringLiteral("drop table temp.day")) &&
        query.exec(QStringLiteral("update table1 set status = 'تحويل شده' where rowid in "
                                  "(select rowid from table1 order by random() limit 60)")) &&
        db.commit();
    if (!ok && error && error->isEmpty())
        *error = query.lastError().text();
    query = QSqlQuery();
    db = QSqlDatabase();
    JobDatabase::close(QStringLiteral("day"));
    return ok;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    int jobs = 100000;
    int days = 31;
    const QStringList arguments = app.arguments();
    for (int i = 1; i + 1 < arguments.size(); ++i) {
        if (arguments.at(i) == QLatin1String("--jobs"))
            jobs = arguments.at(i + 1).toInt();
        else if (arguments.at(i) == QLatin1String("--days"))
            days = arguments.at(i + 1).toInt();
    }
    QTemporaryDir folder;
    useDocumentsIn(folder.path());
    const QString data = QDir(folder.path()).filePath(QStringLiteral("data"));
    QDir().mkpath(data);
    Program::setDataFolder(data);
    Program::DatabaseConnection = Program::connectionTextFor(data);
    const QString path = Program::databasePath();
    const JobGenerator::Made made = JobGenerator::jobFile(path, jobs);
    if (!made.ok || JobDatabase::ensure(path).state != JobDatabase::State::Ready) {
        std::fprintf(stderr, "cannot prepare the jobs: %s\n", qPrintable(made.error));
        return 1;
    }
    const QString documents = QFileInfo(DatabaseCopies::exitCopyPath()).absolutePath();
    QList<double> exits;
    for (int day = 1; day <= days; ++day) {
        const QDateTime evening = JobGenerator::now().addDays(day - days).addSecs(-3600);
        Sorvan::Clock::setNow(evening);
        QString error;
        if (!work(path, &error)) {
            std::fprintf(stderr, "day %d: %s\n", day, qPrintable(error));
            return 1;
        }
        QElapsedTimer clock;
        clock.start();
        const DatabaseCopies::ExitCopyResult result = DatabaseCopies::exitCopy(&error);
        exits << clock.nsecsElapsed() / 1e9;
        if (result != DatabaseCopies::ExitCopyResult::Written) {
            std::fprintf(stderr, "day %d: no exit copy (%d) %s\n", day, int(result), qPrintable(error));
            return 1;
        }
        // Named by the time it was written, as on the shop's own days.
        QFile copy(DatabaseCopies::exitCopyPath());
        copy.open(QIODevice::Append);
        copy.setFileTime(evening, QFileDevice::FileModificationTime);
        copy.close();
        if (day % 7 == 0 || day == days) {
            const double database = QFileInfo(path).size();
            const qint64 kept = bytesUnder(documents);
            std::printf("after %d daily exits of %d jobs: copies %.1f MB = %.2f × the database (%.1f MB), "
                        "%lld files\n",
                        day, jobs, kept / 1e6, kept / database, database / 1e6,
                        (long long)QDir(DatabaseCopies::exitCopyBackupsFolder()).entryList(QDir::Files).size() + 1);
            std::fflush(stdout);
        }
    }
    std::sort(exits.begin(), exits.end());
    std::printf("exit copy: median %.2f s, longest %.2f s\n", exits.at(exits.size() / 2), exits.last());
    return 0;
}
