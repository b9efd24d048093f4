// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/copies/SafeWrite.h"

#include "jobstore/ProgramValues.h"
#include "jobstore/copies/CopyPlaces.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <filesystem>

namespace DatabaseCopies
{

namespace
{

QString unfinishedListPath()
{
    return QDir(Program::dataFolder()).filePath(QStringLiteral("unfinished-copies.txt"));
}

int removeMatching(const QDir &dir, const QStringList &patterns, qint64 olderThanSeconds)
{
    int removed = 0;
    const QDateTime now = QDateTime::currentDateTime();
    for (const QFileInfo &file : dir.entryInfoList(patterns, QDir::Files | QDir::Hidden)) {
        if (file.lastModified().secsTo(now) >= olderThanSeconds && QFile::remove(file.absoluteFilePath()))
            ++removed;
    }
    return removed;
}

} // namespace

bool sameFile(const QString &a, const QString &b)
{
    const QFileInfo first(a), second(b);
    if (first.exists() && second.exists())
        return first.canonicalFilePath() == second.canonicalFilePath();
    return first.absoluteFilePath() == second.absoluteFilePath();
}

bool replaceFile(const QString &from, const QString &to, QString *error)
{
    std::error_code code;
    std::filesystem::rename(std::filesystem::path(from.toStdU16String()), std::filesystem::path(to.toStdU16String()),
                            code);
    if (code && error)
        *error = QString::fromStdString(code.message());
    return !code;
}

QStringList unfinishedCopies()
{
    QFile list(unfinishedListPath());
    if (!list.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(list.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

void writeUnfinishedCopies(const QStringList &paths)
{
    if (paths.isEmpty()) {
        QFile::remove(unfinishedListPath());
        return;
    }
    QSaveFile list(unfinishedListPath());
    if (list.open(QIODevice::WriteOnly)) {
        list.write((paths.join(u'\n') + u'\n').toUtf8());
        list.commit();
    }
}

bool keepAside(const QString &file, QString *aside, QString *why)
{
    const QFileInfo info(file);
    if (!info.exists())
        return true;
    QDir folder(info.dir().filePath(QStringLiteral("backups")));
    if (!folder.mkpath(QStringLiteral("."))) {
        *why = QStringLiteral("cannot make the folder %1").arg(folder.path());
        return false;
    }
    const QString stamp = solarStamp(info.lastModified());
    const QString suffix = info.suffix().isEmpty() ? QString() : u'.' + info.suffix();
    QString name = QStringLiteral("%1-%2%3").arg(info.completeBaseName(), stamp, suffix);
    for (int serial = 2; folder.exists(name); ++serial)
        name = QStringLiteral("%1-%2-%3%4").arg(info.completeBaseName(), stamp).arg(serial).arg(suffix);
    const QString path = folder.filePath(name);
    std::error_code code;
    std::filesystem::create_hard_link(std::filesystem::path(info.absoluteFilePath().toStdU16String()),
                                      std::filesystem::path(path.toStdU16String()), code);
    // A disk that has no second names (a FAT memory stick) gets a copy instead.
    if (code && !QFile::copy(info.absoluteFilePath(), path)) {
        *why = QStringLiteral("cannot keep %1 as %2: %3").arg(file, path, QString::fromStdString(code.message()));
        return false;
    }
    *aside = path;
    return true;
}

int removeStalePartialCopies()
{
    // This program holds the data folder, so whatever is half-written there is from an earlier run.
    const QDir data(Program::dataFolder());
    int removed = removeMatching(data,
                                 {QStringLiteral("*.mdb.partial"), QStringLiteral("*.mdb.partial-journal"),
                                  QStringLiteral("*.mdb.restoring"), QStringLiteral("*.mdb.restoring.partial"),
                                  QStringLiteral("*.mdb.restoring.partial-journal"), QStringLiteral("*.mdb.expanding"),
                                  QStringLiteral("*.mdb.expanding-journal"), QStringLiteral("*.mdb.importing"),
                                  QStringLiteral("*.mdb.importing-journal"), QStringLiteral("*.mdb.replaced")},
                                 0);
    // What an earlier run of this data folder was writing elsewhere when it was stopped.
    for (const QString &partial : unfinishedCopies()) {
        for (const QString &path : {partial, partial + QStringLiteral("-journal")})
            removed += QFile::remove(path) ? 1 : 0;
    }
    writeUnfinishedCopies({});
    // Other data folders share the exit copy's folder: leave what may be being written right now.
    const qint64 tenMinutes = 600;
    const QStringList partials = {QStringLiteral("*.partial"), QStringLiteral("*.partial-journal")};
    removed += removeMatching(QFileInfo(exitCopyPath()).dir(), partials, tenMinutes);
    removed += removeMatching(QDir(exitCopyBackupsFolder()), partials, tenMinutes);
    return removed;
}

} // namespace DatabaseCopies
