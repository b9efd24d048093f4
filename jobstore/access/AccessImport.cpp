// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/access/AccessImport.h"

#include "jobstore/Isolated.h"
#include "jobstore/JobTable.h"
#include "jobstore/access/AccessFile.h"
#include "jobstore/access/ImportLedger.h"
#include "jobstore/file/JobDatabase.h"
#include "jobstore/server/Dialect.h"
#include "jobstore/server/ServerWatch.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

namespace AccessImport
{

namespace
{

constexpr double HighestNumber = std::numeric_limits<qint32>::max();
constexpr int ProgressEvery = 512;
// 17 values a row stay well inside the bound values a statement may carry (32,766 in SQLite).
constexpr int RowsPerInsert = 256;

QString nothingChanged()
{
    return QStringLiteral("\nهيچ کاري وارد نشد و فايل تغيير داده نشد.");
}

QString reasonFor(const AccessFile &access, const QString &file)
{
    const QString name = isolated(QDir::toNativeSeparators(file));
    switch (access.fault()) {
    case AccessFile::Fault::NotAccess:
        return QStringLiteral("فايل %1 فايل اطلاعات Access نيست.").arg(name);
    case AccessFile::Fault::NoJobTable:
        return QStringLiteral("در فايل %1 جدول کارها (table1) پيدا نشد.").arg(name);
    case AccessFile::Fault::WrongColumnType:
        return QStringLiteral("ستون %1 در فايل %2 از نوعي است که در جدول کارها جا نمي گيرد.")
            .arg(isolated(access.faultColumn()), name);
    case AccessFile::Fault::Unreadable:
        return QStringLiteral("فايل %1 خوانده نشد.").arg(name);
    case AccessFile::Fault::NotJobTable:
        return QStringLiteral("جدول table1 در فايل %1 جدول کارها نيست: ستون شماره رسيد (num) و ستون نام (name) يا "
                              "مدل (nameph) را ندارد.")
            .arg(name);
    case AccessFile::Fault::Damaged:
    case AccessFile::Fault::None:
        break;
    }
    return QStringLiteral("فايل %1 آسيب ديده يا ناقص است و همه کارهاي آن خوانده نشد.").arg(name);
}

// Each value as its kind and exact bits, so that equal jobs give equal keys.
QByteArray keyOf(const QVariantList &values, bool withNumber)
{
    QByteArray key;
    for (int i = withNumber ? 0 : 1; i < JobTable::ColumnCount; ++i) {
        const QVariant &value = values.at(i);
        if (value.isNull()) {
            key += 'N';
        } else if (JobTable::isNumberColumn(i)) {
            double number = value.toDouble();
            if (number == 0)
                number = 0; // -0 and 0 are one amount
            key += 'D';
            key.append(reinterpret_cast<const char *>(&number), sizeof number);
        } else {
            const QString text = value.toString();
            const qsizetype length = text.size();
            key += 'T';
            key.append(reinterpret_cast<const char *>(&length), sizeof length);
            key.append(reinterpret_cast<const char *>(text.utf16()), length * 2);
        }
    }
    return key;
}

// The receipt numbers the job window can open: whole numbers from 1 to the largest 32-bit one.
bool isStorableNumber(const QVariant &value)
{
    if (value.isNull())
        return false;
    const double number = value.toDouble();
    return number >= 1 && number <= HighestNumber && number == std::trunc(number);
}

class Store
{
public:
    explicit Store(const QString &path)
    {
        static int serial = 0;
        m_name = QStringLiteral("access-import-%1").arg(++serial);
        // An import of many jobs holds the window longer than one question to the server may.
        if (Dialect::isServerUrl(path))
            m_patience.emplace();
        m_db = JobDatabase::open(path, m_name, &m_error);
    }
    ~Store()
    {
        if (m_db.isOpen() && m_inTransaction)
            QSqlQuery(m_db).exec(QStringLiteral("rollback"));
        m_db = QSqlDatabase();
        JobDatabase::close(m_name);
    }
    Store(const Store &) = delete;
    Store &operator=(const Store &) = delete;

    bool failed(QString *error)
    {
        *error = m_error;
        return false;
    }

    // Takes the write lock before the stored jobs are read, so no counter saves a number between
    // the check and the insert.
    bool begin(QString *error)
    {
        if (!m_db.isOpen())
            return failed(error);
        QSqlQuery query(m_db);
        if (!query.exec(Dialect::beginWrite(m_db)))
            return fail(query, error);
        m_inTransaction = true;
        // Tens of thousands of jobs take longer than the statement limit a window's connection has.
        if (Dialect::isServer(m_db) && (!query.exec(QStringLiteral("set local statement_timeout=0")) ||
                                        !query.exec(QStringLiteral("lock table table1 in exclusive mode"))))
            return fail(query, error);
        // A store that cannot have a ledger (a login without the right to make it) still imports,
        // each job checked against the stored ones only.
        m_hasLedger = ImportLedger::prepare(m_db, true);
        return true;
    }

    bool readTaken(const QString &source, ImportLedger::Taken &taken, QString *error)
    {
        QSqlError sqlError;
        if (!m_hasLedger || source.isEmpty() || ImportLedger::read(m_db, source, taken, &sqlError))
            return true;
        return fail(sqlError, error);
    }

    bool record(const QString &source, const QList<ImportLedger::Entry> &entries, QString *error)
    {
        QSqlError sqlError;
        if (!m_hasLedger || source.isEmpty() || ImportLedger::write(m_db, source, entries, &sqlError))
            return true;
        return fail(sqlError, error);
    }

    // The stored number of each job by its values but the number, for the ledger of a job found
    // there again.
    bool readStored(QSet<QByteArray> &jobs, QHash<QByteArray, QVariant> &jobsButNumber, QSet<qint64> &numbers,
                    double &highest, QString *error)
    {
        QSqlQuery query(m_db);
        query.setForwardOnly(true);
        if (!query.exec(QStringLiteral("select %1 from table1").arg(JobTable::quotedColumns())))
            return fail(query, error);
        QVariantList values(JobTable::ColumnCount);
        while (query.next()) {
            for (int i = 0; i < JobTable::ColumnCount; ++i)
                values[i] = query.value(i);
            jobs.insert(keyOf(values, true));
            jobsButNumber.insert(keyOf(values, false), values.at(JobTable::Num));
            if (!values.at(JobTable::Num).isNull()) {
                const double number = values.at(JobTable::Num).toDouble();
                highest = std::max(highest, number);
                if (isStorableNumber(number))
                    numbers.insert(qint64(number));
            }
        }
        if (query.lastError().isValid())
            return fail(query, error);
        return true;
    }

    // Rows go in batches of many rows a statement: on a server each statement is a round trip.
    bool insert(const QVariantList &values, QString *error)
    {
        m_pending << values;
        return m_pending.size() < RowsPerInsert || flush(error);
    }

    bool flush(QString *error)
    {
        if (m_pending.isEmpty())
            return true;
        std::optional<QSqlQuery> &insert = m_pending.size() == RowsPerInsert ? m_fullInsert : m_partInsert;
        if (!insert || m_pending.size() != RowsPerInsert) {
            insert.emplace(m_db);
            if (!insert->prepare(JobTable::insertStatement(m_pending.size())))
                return fail(*insert, error);
        }
        int place = 0;
        for (const QVariantList &row : std::as_const(m_pending)) {
            for (const QVariant &value : row)
                insert->bindValue(place++, value);
        }
        m_pending.clear();
        if (!insert->exec())
            return fail(*insert, error);
        return true;
    }

    bool commit(QString *error)
    {
        if (!flush(error))
            return false;
        m_fullInsert.reset();
        m_partInsert.reset();
        QSqlQuery query(m_db);
        if (!query.exec(QStringLiteral("commit")))
            return fail(query, error);
        m_inTransaction = false;
        // The server would gather the new rows' figures only a minute later.
        if (Dialect::isServer(m_db))
            query.exec(QStringLiteral("analyze table1"));
        return true;
    }

    StorageFault fault() const { return m_fault; }

private:
    bool fail(const QSqlQuery &query, QString *error) { return fail(query.lastError(), error); }
    bool fail(const QSqlError &sqlError, QString *error)
    {
        *error = sqlError.text();
        m_fault = Dialect::faultOf(sqlError, m_db);
        return false;
    }

    QString m_name;
    QSqlDatabase m_db;
    QString m_error;
    QList<QVariantList> m_pending;
    std::optional<QSqlQuery> m_fullInsert;
    std::optional<QSqlQuery> m_partInsert;
    bool m_inTransaction = false;
    bool m_hasLedger = false;
    std::optional<ServerWatch::Patience> m_patience;
    StorageFault m_fault = StorageFault::Other;
};

} // namespace

qint64 jobCount(const QString &file, QString *reason, QString *detail)
{
    AccessFile access(file);
    if (access.open())
        return access.rowCount();
    if (reason)
        *reason = reasonFor(access, file);
    if (detail)
        *detail = QStringLiteral("%1: %2").arg(file, access.detail());
    return -1;
}

Outcome run(const QString &file, const QString &store, const Progress &progress)
{
    Outcome outcome;
    AccessFile access(file);
    if (!access.open()) {
        outcome.reason = reasonFor(access, file) + nothingChanged();
        outcome.detail = QStringLiteral("%1: %2").arg(file, access.detail());
        return outcome;
    }
    outcome.leftOut = access.unknownColumns();
    outcome.missing = access.missingColumns();
    const QString source = access.identity();

    // Every row is read before anything is written: a damaged file is refused whole, and the new
    // numbers start above every number the file keeps.
    const qint64 total = access.rowCount() * 2;
    QList<QVariantList> jobs;
    jobs.reserve(access.rowCount());
    QVariantList values;
    while (access.next(values)) {
        jobs << values;
        if (progress && jobs.size() % ProgressEvery == 0)
            progress(jobs.size(), total);
    }
    if (access.fault() != AccessFile::Fault::None) {
        outcome.reason = reasonFor(access, file) + nothingChanged();
        outcome.detail = QStringLiteral("%1: %2").arg(file, access.detail());
        return outcome;
    }
    outcome.read = jobs.size();
    outcome.repairedTexts = access.repairedTexts();

    Store target(store);
    QSet<QByteArray> stored;
    QHash<QByteArray, QVariant> storedButNumber;
    ImportLedger::Taken taken;
    QList<ImportLedger::Entry> entries;
    QSet<qint64> numbers;
    double highest = 0;
    QString error;
    const auto storeFailed = [&] {
        const QString sentence = storageFaultSentence(target.fault());
        const QString name = isolated(QDir::toNativeSeparators(file));
        // A line cut in the middle (a time limit, a server gone) undoes the whole transaction.
        outcome.reason = (target.fault() == StorageFault::NoAnswer
                              ? QStringLiteral("ورود کارهاي فايل %1 پيش از پايان قطع شد.").arg(name)
                              : QStringLiteral("کارهاي فايل %1 در پايگاه داده نوشته نشد.").arg(name)) +
                         (sentence.isEmpty() ? QString() : u'\n' + sentence) + nothingChanged();
        outcome.detail = error;
        outcome.added = 0;
        outcome.alreadyStored = 0;
        outcome.renumbered.clear();
        return outcome;
    };
    if (!target.begin(&error) || !target.readStored(stored, storedButNumber, numbers, highest, &error) ||
        !target.readTaken(source, taken, &error))
        return storeFailed();
    // A number the file holds twice tells its jobs apart only with their rows.
    QHash<double, int> timesInFile;
    for (const QVariantList &job : std::as_const(jobs)) {
        if (isStorableNumber(job.at(JobTable::Num)))
            highest = std::max(highest, job.at(JobTable::Num).toDouble());
        if (const std::optional<double> number = ImportLedger::numberOf(job.at(JobTable::Num)))
            ++timesInFile[*number];
    }

    qint64 done = jobs.size();
    for (qsizetype row = 0; row < jobs.size(); ++row) {
        if (progress && ++done % ProgressEvery == 0)
            progress(done, total);
        QVariantList &job = jobs[row];
        const QVariant number = job.at(JobTable::Num);
        const std::optional<double> inFile = ImportLedger::numberOf(number);
        // Taken in from this file before: not again, however it was edited or renumbered since.
        if (taken.contains({number, row, QVariant()}, inFile && timesInFile.value(*inFile) == 1)) {
            ++outcome.alreadyStored;
            continue;
        }
        const QByteArray key = keyOf(job, true);
        if (stored.contains(key)) {
            ++outcome.alreadyStored;
            entries << ImportLedger::Entry{number, row, number};
            continue;
        }
        const bool keeps = isStorableNumber(number) && !numbers.contains(qint64(number.toDouble()));
        const QByteArray keyButNumber = keyOf(job, false);
        if (!keeps) {
            // Imported before under the new number it was given then.
            if (const auto found = storedButNumber.constFind(keyButNumber); found != storedButNumber.cend()) {
                ++outcome.alreadyStored;
                entries << ImportLedger::Entry{number, row, found.value()};
                continue;
            }
            const double next = std::floor(highest) + 1;
            if (next > HighestNumber) {
                error = QStringLiteral("no receipt number left above %1").arg(highest);
                outcome.reason = QStringLiteral("شماره رسيد به بزرگترين عدد ممکن رسيده است و براي کارهاي فايل %1 "
                                                "شماره تازه اي نمي ماند.")
                                     .arg(isolated(QDir::toNativeSeparators(file))) +
                                 nothingChanged();
                outcome.detail = error;
                outcome.added = 0;
                outcome.alreadyStored = 0;
                outcome.renumbered.clear();
                return outcome;
            }
            highest = next;
            job[JobTable::Num] = next;
            outcome.renumbered << Renumbered{number, qint64(next)};
        }
        if (!target.insert(job, &error))
            return storeFailed();
        numbers.insert(qint64(job.at(JobTable::Num).toDouble()));
        stored.insert(keeps ? key : keyOf(job, true));
        storedButNumber.insert(keyButNumber, job.at(JobTable::Num));
        entries << ImportLedger::Entry{number, row, job.at(JobTable::Num)};
        ++outcome.added;
    }
    if (!target.record(source, entries, &error) || !target.commit(&error))
        return storeFailed();
    if (progress)
        progress(total, total);
    outcome.ok = true;
    return outcome;
}

QString summary(const Outcome &outcome, const QString &file, int listAtMost)
{
    QStringList lines;
    lines << QStringLiteral("ورود کارها از فايل %1").arg(isolated(QDir::toNativeSeparators(file)));
    lines << QStringLiteral("کارهاي فايل: %1").arg(outcome.read);
    lines << QStringLiteral("کارهاي وارد شده: %1").arg(outcome.added);
    if (outcome.alreadyStored > 0)
        lines
            << QStringLiteral("کارهايي که پيش از اين ثبت شده بودند و دوباره وارد نشدند: %1").arg(outcome.alreadyStored);
    if (!outcome.renumbered.isEmpty()) {
        lines << QStringLiteral("کارهايي که شماره رسيد تازه گرفتند (شماره قبلي شد شماره تازه): %1")
                     .arg(outcome.renumbered.size());
        int listed = 0;
        for (const Renumbered &each : outcome.renumbered) {
            if (listAtMost >= 0 && listed++ == listAtMost) {
                lines << QStringLiteral("  و %1 مورد ديگر که همه در فايل خلاصه آمده است")
                             .arg(outcome.renumbered.size() - listAtMost);
                break;
            }
            const QString was =
                each.was.isNull()
                    ? QStringLiteral("بدون شماره")
                    : QStringLiteral("شماره %1")
                          .arg(isolated(QString::number(each.was.toDouble(), 'g', QLocale::FloatingPointShortest)));
            lines << QStringLiteral("  %1 شد %2").arg(was, isolated(QString::number(each.now)));
        }
    }
    if (outcome.repairedTexts > 0)
        lines << QStringLiteral("متن هايي که يک نويسه خراب داشتند و آن نويسه با \uFFFD عوض شد: %1")
                     .arg(outcome.repairedTexts);
    if (!outcome.leftOut.isEmpty())
        lines << QStringLiteral("ستون هايي از فايل که وارد نشدند: %1")
                     .arg(isolated(outcome.leftOut.join(QStringLiteral(", "))));
    if (!outcome.missing.isEmpty())
        lines << QStringLiteral("ستون هايي که در فايل نبودند و خالي ماندند: %1")
                     .arg(isolated(outcome.missing.join(QStringLiteral(", "))));
    return lines.join(u'\n');
}

QString writeSummary(const QString &folder, const QString &stamp, const QString &text)
{
    // The isolates order a path or a number inside a Persian line on screen; in a plain text file
    // they are invisible characters that a search or a copied number would carry along.
    QString plain = text;
    plain.removeIf([](QChar ch) { return ch.unicode() >= 0x2066 && ch.unicode() <= 0x2069; });
    QString path = QDir(folder).filePath(QStringLiteral("access-import-%1.txt").arg(stamp));
    // Two imports within a second keep both summaries.
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = QDir(folder).filePath(QStringLiteral("access-import-%1-%2.txt").arg(stamp).arg(n));
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(plain.toUtf8() + '\n') < 0 || !out.commit())
        return QString();
    return path;
}

} // namespace AccessImport
