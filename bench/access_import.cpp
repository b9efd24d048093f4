// SPDX-License-Identifier: GPL-3.0-or-later
// Measures bringing a shop's 32,767 jobs in from an Access job file (jobs-32767.mdb) into an empty
// job file, and the longest wait between two steps of the progress the window shows.
// Run: build/bench/bench_access_import [RUNS]
// Onto a database server instead (its table1 is emptied before each run):
//      VELMORA_BENCH_SERVER=postgresql://user@host/dbname build/bench/bench_access_import
#include "jobstore/access/AccessImport.h"
#include "jobstore/file/JobDatabase.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace
{

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

// The fixture is kept compressed; it is unpacked into a folder of this run's own.
QString unpack(const QTemporaryDir &dir)
{
    const QString target = dir.filePath(QStringLiteral("jobs-32767.mdb"));
    QProcess gunzip;
    gunzip.setStandardOutputFile(target);
    gunzip.start(QStringLiteral("gzip"),
                 {QStringLiteral("-dc"), QStringLiteral(VELMORA_ACCESS_FIXTURES "/jobs-32767.mdb.gz")});
    if (!gunzip.waitForFinished(60000) || gunzip.exitCode() != 0)
        qFatal("cannot unpack jobs-32767.mdb.gz");
    return target;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    const QString server = qEnvironmentVariable("VELMORA_BENCH_SERVER");
    QTemporaryDir dir;
    const QString access = unpack(dir);

    QList<double> seconds;
    QList<double> longestSteps;
    qint64 added = 0;
    for (int run = 0; run < runs; ++run) {
        QString store = server;
        if (server.isEmpty()) {
            store = dir.filePath(QStringLiteral("db1-%1.mdb").arg(run));
            JobDatabase::ensure(store);
        } else {
            JobDatabase::ensure(server);
            {
                QSqlDatabase db = JobDatabase::open(server, QStringLiteral("bench-empty"));
                QSqlQuery(db).exec(QStringLiteral("truncate table1"));
            }
            JobDatabase::close(QStringLiteral("bench-empty"));
        }
        QElapsedTimer timer;
        timer.start();
        qint64 lastStep = 0;
        qint64 longestStep = 0;
        const AccessImport::Outcome outcome = AccessImport::run(access, store, [&](qint64, qint64) {
            const qint64 now = timer.nsecsElapsed();
            longestStep = std::max(longestStep, now - lastStep);
            lastStep = now;
        });
        seconds << timer.nsecsElapsed() / 1e9;
        longestSteps << longestStep / 1e6;
        if (!outcome.ok)
            qFatal("import failed: %s", qPrintable(outcome.detail));
        added = outcome.added;
    }
    std::printf("Access import of jobs-32767.mdb into %s, %d runs\n",
                server.isEmpty() ? "an empty job file" : "an emptied server table1", runs);
    std::printf("  jobs imported per run:          %lld\n", static_cast<long long>(added));
    std::printf("  whole import (median):          %.2f s\n", median(seconds));
    std::printf("  longest step between progress:  %.0f ms (median of runs)\n", median(longestSteps));
    return 0;
}
