// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/copies/ExitCopy.h"

#include "jobstore/Isolated.h"
#include "jobstore/ProgramValues.h"
#include "jobstore/copies/CompressedCopy.h"
#include "jobstore/copies/CopyPlaces.h"
#include "jobstore/copies/SafeWrite.h"
#include "jobstore/file/WholeFile.h"
#include "solardate/Clock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <set>

namespace DatabaseCopies
{

namespace
{

const QStringList rotationPatterns = {QStringLiteral("db1-*.mdb"), QStringLiteral("db1-*.mdb.zst")};

// A compressed copy's note: what holding() reads in a job file, a line each.
QByteArray noteOf(const JobDatabase::Holding &held)
{
    return QStringLiteral("identity=%1\njobs=%2\nnewest-change=%3\n")
        .arg(held.identity)
        .arg(held.jobs)
        .arg(held.newestChange)
        .toUtf8();
}

QString identityOf(const QString &path)
{
    return CompressedCopy::isCompressed(path) ? holdingOf(path).identity : JobDatabase::identity(path);
}

// Drops, by the schedule, the earlier exit copies of the database whose copy `kept` just joined.
void pruneCopiesLike(const QString &kept)
{
    const QString identity = identityOf(kept);
    const QDir backups = QFileInfo(kept).dir();
    QList<Copy> same;
    for (const QFileInfo &file : backups.entryInfoList(rotationPatterns, QDir::Files)) {
        const std::optional<QDateTime> made = rotationStamp(file.fileName());
        if (made && identityOf(file.absoluteFilePath()) == identity)
            same << Copy{file.absoluteFilePath(), *made};
    }
    for (const QString &path : prunable(same, Sorvan::Clock::now()))
        QFile::remove(path);
}

// Compresses the earlier exit copies of the database whose copy `aside` was just set aside, each
// kept as it is until its compressed form was read back whole. Returns the name `aside` ends with.
QString compressCopiesLike(const QString &aside, const JobDatabase::Progress &progress, const Note &note)
{
    const QString identity = identityOf(aside);
    QString kept = aside;
    for (const QFileInfo &file : QFileInfo(aside).dir().entryInfoList({QStringLiteral("db1-*.mdb")}, QDir::Files)) {
        const QString plain = file.absoluteFilePath();
        if (!rotationStamp(file.fileName()) || JobDatabase::identity(plain) != identity)
            continue;
        const QString compressed = plain + QLatin1String(CompressedCopy::Suffix);
        QString why;
        const bool done = whileNoted(compressed, [&] {
            return CompressedCopy::compress(plain, compressed, noteOf(JobDatabase::holding(plain)), &why, progress);
        });
        if (!done) {
            if (note)
                note(QStringLiteral("نسخه قبلي %1 فشرده نشد و همان طور ماند.").arg(isolated(plain)), why);
            continue;
        }
        QFile::remove(plain);
        if (plain == aside)
            kept = compressed;
    }
    return kept;
}

// Beside the exit copy: the file it was made from, and both files as they were then.
QString madeFromPath(const QString &target)
{
    return target + QStringLiteral(".made-from");
}

QByteArray madeFromText(const QString &source, const QString &target)
{
    const QByteArray from = WholeFile::fingerprint(source), copy = WholeFile::fingerprint(target);
    if (from.isEmpty() || copy.isEmpty())
        return {};
    return "source=" + QFileInfo(source).absoluteFilePath().toUtf8() + '\n' + from + "copy:\n" + copy;
}

// Nothing was saved in the job file since the exit copy there was made from it.
bool madeFromUnchanged(const QString &source, const QString &target)
{
    if (Program::isServer(source))
        return false;
    QFile record(madeFromPath(target));
    const QByteArray now = madeFromText(source, target);
    return !now.isEmpty() && record.open(QIODevice::ReadOnly) && record.read(64 * 1024) == now;
}

void noteMadeFrom(const QString &source, const QString &target)
{
    const QByteArray text = Program::isServer(source) ? QByteArray() : madeFromText(source, target);
    QSaveFile record(madeFromPath(target));
    if (text.isEmpty() || !record.open(QIODevice::WriteOnly) || record.write(text) < 0 || !record.commit())
        QFile::remove(madeFromPath(target));
}

bool sameBytes(const QString &a, const QString &b)
{
    QFile first(a), second(b);
    if (!first.open(QIODevice::ReadOnly) || !second.open(QIODevice::ReadOnly) || first.size() != second.size())
        return false;
    while (!first.atEnd()) {
        if (first.read(1 << 20) != second.read(1 << 20))
            return false;
    }
    return true;
}

// SQLite's header names the file's pages; a copy cut short or padded has another size.
bool wholeSqliteFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray header = file.read(100);
    if (header.size() < 100 || !header.startsWith(QByteArray("SQLite format 3\0", 16)))
        return false;
    const auto number = [&header](int at, int bytes) {
        quint64 value = 0;
        for (int i = 0; i < bytes; ++i)
            value = (value << 8) | uchar(header.at(at + i));
        return value;
    };
    const quint64 pageSize = number(16, 2) == 1 ? 65536 : number(16, 2);
    // The page count is valid only where SQLite wrote it with the change it counts.
    return number(92, 4) == number(24, 4) && quint64(file.size()) == pageSize * number(28, 4);
}

} // namespace

JobDatabase::Holding holdingOf(const QString &path)
{
    if (!CompressedCopy::isCompressed(path))
        return JobDatabase::holding(path);
    JobDatabase::Holding held;
    for (const QString &line : QString::fromUtf8(CompressedCopy::note(path)).split(u'\n')) {
        const QString value = line.section(u'=', 1);
        if (line.startsWith(QLatin1String("identity=")))
            held.identity = value;
        else if (line.startsWith(QLatin1String("jobs=")))
            held.jobs = value.toLongLong();
        else if (line.startsWith(QLatin1String("newest-change=")))
            held.newestChange = value.toLongLong();
    }
    return held;
}

QStringList prunable(QList<Copy> copies, const QDateTime &now)
{
    std::sort(copies.begin(), copies.end(), [](const Copy &a, const Copy &b) { return a.made > b.made; });
    std::set<qint64> days;
    std::set<int> months;
    const auto monthOf = [](const QDate &date) { return date.year() * 12 + date.month() - 1; };
    QStringList dropped;
    for (qsizetype i = 0; i < copies.size(); ++i) {
        const QDate day = copies.at(i).made.date();
        const qint64 age = day.daysTo(now.date());
        // Newest first, so the first copy met of a day or a month is its newest.
        const bool newestOfDay = age < 30 && days.insert(day.toJulianDay()).second;
        const bool newestOfMonth = monthOf(now.date()) - monthOf(day) < 12 && months.insert(monthOf(day)).second;
        if (i >= KeptExitCopies && !newestOfDay && !newestOfMonth)
            dropped << copies.at(i).path;
    }
    return dropped;
}

ExitCopyResult writeExitCopy(QString *detail, const JobDatabase::Progress &progress, bool hurried, const Note &note)
{
    const QString source = databasePath();
    const QString target = exitCopyPath();
    if (madeFromUnchanged(source, target))
        return ExitCopyResult::AlreadyMade;
    const qint64 jobs = JobDatabase::jobCount(source);
    if (jobs < 0 && !Program::isServer(source) && !QFileInfo::exists(source))
        return ExitCopyResult::NoDatabase;
    if (jobs < 0) {
        if (detail)
            *detail = QStringLiteral("%1 cannot be read as a job database").arg(source);
        return ExitCopyResult::NotUsable;
    }
    // A database made empty today (a missing file, a new folder) must not push out the shop's jobs.
    if (jobs == 0 && QFileInfo::exists(target))
        return ExitCopyResult::KeptPrevious;
    QDir().mkpath(QFileInfo(target).absolutePath());
    QString error;
    QString aside;
    bool same = false;
    const bool copied = whileNoted(target, [&] {
        return JobDatabase::copyConsistent(source, target, &error, progress, [&](QString *why) {
            // A second copy of the same jobs would only take room.
            same = sameBytes(target + QStringLiteral(".partial"), target);
            return !same && keepAside(target, &aside, why);
        });
    });
    if (same) {
        noteMadeFrom(source, target);
        return ExitCopyResult::AlreadyMade;
    }
    if (!copied || !wholeSqliteFile(target)) {
        if (detail)
            *detail = copied ? QStringLiteral("%1 is not whole").arg(target) : error;
        return ExitCopyResult::Failed;
    }
    noteMadeFrom(source, target);
    // Older copies are dropped only once the new one is whole in its place and the one it pushed
    // aside was read back whole.
    if (!aside.isEmpty())
        pruneCopiesLike(hurried ? aside : compressCopiesLike(aside, progress, note));
    return ExitCopyResult::Written;
}

} // namespace DatabaseCopies
