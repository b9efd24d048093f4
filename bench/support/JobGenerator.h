// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDate>
#include <QString>
#include <QVariantList>

#include <random>

// A busy shop's jobs for the benchmarks, the same on every run: Persian and Latin customers and
// models, five solar years of dates up to today(), the four statuses as such a shop's table holds
// them. Written into a job file (kept in a cache folder and copied for each run) or a server's
// table1, each made by the program's own code first so every index and trigger it makes is there.
namespace JobGenerator
{

// The day the newest jobs came in; the bench freezes the program's clock on it, so the due count,
// the reminders and the month's report meet the same jobs on every run.
QDateTime now();

// The jobs 1..count in receipt-number order, each as the 17 values of table1 in stored order.
class Jobs
{
public:
    explicit Jobs(int count);
    bool atEnd() const { return m_next > m_count; }
    QVariantList next();

private:
    int pick(int below) { return int(m_random() % quint32(below)); }
    bool chance(int percent) { return pick(100) < percent; }
    QString customer();
    QString model();

    std::mt19937 m_random;
    int m_count;
    int m_next = 1;
    QDate m_first;
    int m_days;
};

struct Made {
    bool ok = false;
    bool reused = false;
    double seconds = 0; // spent writing the jobs; 0 when reused
    QString error;
};

// A job file holding `count` generated jobs at `target` (replaced). Made once per schema and count
// in the cache folder, and copied from there.
Made jobFile(const QString &target, int count);
// The job file of jobFile() as a version before the list's and the searches' indexes left it:
// without them, so that its first start builds them.
Made olderJobFile(const QString &target, int count);
// The server's table1 holding exactly the `count` generated jobs; left as it is when it already does.
Made serverJobs(const QString &url, int count);
// Where the job files are kept between runs.
QString cacheFolder();

} // namespace JobGenerator
