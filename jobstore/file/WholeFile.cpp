// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/file/WholeFile.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QSaveFile>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <optional>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace WholeFile
{

namespace
{

// Which file sits at a path: a file put in its place (a restore, a copy) is another one, even with
// the same size and time.
QString fileIdOf(const QString &path)
{
#ifdef Q_OS_UNIX
    struct stat status {
    };
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return QString();
    return QStringLiteral("%1:%2:%3")
        .arg(quint64(status.st_dev))
        .arg(quint64(status.st_ino))
        .arg(QFileInfo(path).birthTime().toMSecsSinceEpoch());
#else
    return QString::number(QFileInfo(path).birthTime().toMSecsSinceEpoch());
#endif
}

struct Stamp {
    QString file;
    qint64 size = -1;
    qint64 modifiedNs = 0;
    quint32 changeCounter = 0;

    bool operator==(const Stamp &) const = default;
};

// SQLite counts every committed change in bytes 24..27 of the header.
std::optional<Stamp> stampOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray header = file.read(28);
    std::error_code code;
    const auto modified = std::filesystem::last_write_time(std::filesystem::path(path.toStdU16String()), code);
    if (header.size() < 28 || code)
        return std::nullopt;
    Stamp stamp;
    stamp.file = fileIdOf(path);
    stamp.size = file.size();
    stamp.modifiedNs = std::chrono::duration_cast<std::chrono::nanoseconds>(modified.time_since_epoch()).count();
    for (int i = 24; i < 28; ++i)
        stamp.changeCounter = (stamp.changeCounter << 8) | uchar(header.at(i));
    return stamp;
}

QByteArray recordText(const Stamp &stamp)
{
    return QStringLiteral("file=%1\nsize=%2\nmodified-ns=%3\nchange-counter=%4\n")
        .arg(stamp.file)
        .arg(stamp.size)
        .arg(stamp.modifiedNs)
        .arg(stamp.changeCounter)
        .toUtf8();
}

struct Verdict {
    Stamp stamp;
    Lasts lasts;
};

QMutex verdictsLock;
QHash<QString, Verdict> verdicts;

QString key(const QString &path)
{
    return QFileInfo(path).absoluteFilePath();
}

std::atomic<int> wholeChecks = 0;

} // namespace

QString closedRecordPath(const QString &path)
{
    return key(path) + QStringLiteral(".closed-cleanly");
}

bool writeClosedRecord(const QString &path)
{
    const std::optional<Stamp> stamp = stampOf(path);
    if (!stamp)
        return false;
    QSaveFile record(closedRecordPath(path));
    return record.open(QIODevice::WriteOnly) && record.write(recordText(*stamp)) >= 0 && record.commit();
}

bool takeClosedRecord(const QString &path)
{
    QFile record(closedRecordPath(path));
    if (!record.exists())
        return false;
    const QByteArray text = record.open(QIODevice::ReadOnly) ? record.read(4096) : QByteArray();
    record.close();
    if (!record.remove())
        return false;
    const std::optional<Stamp> stamp = stampOf(path);
    return stamp && !stamp->file.isEmpty() && text == recordText(*stamp);
}

QByteArray fingerprint(const QString &path)
{
    const std::optional<Stamp> stamp = stampOf(path);
    return stamp && !stamp->file.isEmpty() ? recordText(*stamp) : QByteArray();
}

void remember(const QString &path, Lasts lasts)
{
    const std::optional<Stamp> stamp = stampOf(path);
    const QMutexLocker locker(&verdictsLock);
    if (stamp && !stamp->file.isEmpty())
        verdicts.insert(key(path), Verdict{*stamp, lasts});
    else
        verdicts.remove(key(path));
}

void forget(const QString &path)
{
    const QMutexLocker locker(&verdictsLock);
    verdicts.remove(key(path));
}

bool knownWhole(const QString &path)
{
    const std::optional<Stamp> now = stampOf(path);
    const QMutexLocker locker(&verdictsLock);
    const auto found = verdicts.constFind(key(path));
    if (!now || found == verdicts.constEnd())
        return false;
    // The program's own saves go through SQLite's journal, which never leaves a page half written
    // while the program lives.
    if (found->lasts == Lasts::WhileSameFile)
        return found->stamp.file == now->file;
    return found->stamp == *now;
}

bool namesJobTable(const QByteArray &text)
{
    // Columns of the job table that a table1 of another program would hardly have, all of them.
    static const QByteArrayList columns = {"nameph", "dateout", "panelp", "accessory", "warranty"};
    static const QByteArray create = "create table table1";
    for (qsizetype at = text.indexOf("table1"); at >= 0; at = text.indexOf("table1", at + 1)) {
        const qsizetype from = at - (create.size() - 6);
        if (from < 0 || text.mid(from, create.size()).toLower() != create)
            continue;
        // The statement up to the next one, at most a kilobyte.
        QByteArray statement = text.mid(from, 1024).toLower();
        if (const qsizetype next = statement.indexOf("create ", 1); next > 0)
            statement.truncate(next);
        if (std::all_of(columns.cbegin(), columns.cend(),
                        [&](const QByteArray &name) { return statement.contains(name); }))
            return true;
    }
    return false;
}

bool holdsJobTable(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.read(16) != QByteArray("SQLite format 3\0", 16))
        return false;
    // The schema's pages may lie anywhere in the file, and a torn first page no longer leads to
    // them: every page is read, a megabyte at a time, each overlapping the last by a statement.
    const qint64 overlap = 2048;
    file.seek(0);
    QByteArray tail;
    while (!file.atEnd()) {
        const QByteArray chunk = tail + file.read(1 << 20);
        if (namesJobTable(chunk))
            return true;
        tail = chunk.right(overlap);
    }
    return false;
}

WholeCheck::WholeCheck()
{
    ++wholeChecks;
}

WholeCheck::~WholeCheck()
{
    --wholeChecks;
}

bool WholeCheck::running()
{
    return wholeChecks > 0;
}

} // namespace WholeFile
