// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/copies/Restore.h"

#include "jobstore/copies/CompressedCopy.h"
#include "jobstore/copies/CopyPlaces.h"
#include "jobstore/copies/SafeWrite.h"
#include "jobstore/file/WholeFile.h"

#include <QFile>
#include <QThreadPool>

#include <filesystem>

namespace DatabaseCopies
{

bool backupTo(const QString &source, const QString &chosen, QString *error, QString *aside,
              const JobDatabase::Progress &progress, const JobDatabase::Stop &stop)
{
    return JobDatabase::copyConsistent(
        source, chosen, error, progress, [&](QString *why) { return keepAside(chosen, aside, why); }, stop);
}

bool bringIn(const QString &chosen, const QString &readable, const QString &incoming, QString *error,
             const JobDatabase::Stop &stop)
{
    const bool ok = readable != chosen ? replaceFile(readable, incoming, error)
                                       : JobDatabase::copyConsistent(chosen, incoming, error, {}, {}, stop);
    if (!ok)
        dropIncoming(incoming);
    return ok;
}

bool keepSafetyCopy(const QString &target, const QString &safety, const QString &incoming, QString *error)
{
    if (JobDatabase::copyConsistent(target, safety, error) || QFile::copy(target, safety))
        return true;
    dropIncoming(incoming);
    return false;
}

void dropIncoming(const QString &incoming)
{
    QFile::remove(incoming);
}

bool swapIn(const QString &incoming, const QString &target, QString *error)
{
    // The file replaced keeps a second name until a thread of its own removes it: freeing a big
    // file's blocks holds the file system a tenth of a second or more, and the window would wait.
    const QString replaced = replacedPath(target);
    QFile::remove(replaced);
    std::error_code linkError;
    std::filesystem::create_hard_link(std::filesystem::path(target.toStdU16String()),
                                      std::filesystem::path(replaced.toStdU16String()), linkError);
    const bool linked = !linkError;
    if (!replaceFile(incoming, target, error)) {
        if (linked)
            QFile::remove(replaced);
        dropIncoming(incoming);
        return false;
    }
    if (linked)
        QThreadPool::globalInstance()->start([replaced] { QFile::remove(replaced); });
    // A whole copy of a file that passed the whole check: the exit copy need not check it again.
    WholeFile::remember(target, WholeFile::Lasts::WhileSameFile);
    return true;
}

QString replacedPath(const QString &target)
{
    return target + QStringLiteral(".replaced");
}

bool restoreServerJobs(const QString &server, const QString &file, const QString &safety, QString *error,
                       const JobDatabase::Progress &progress, const JobDatabase::Stop &stop)
{
    if (JobDatabase::replaceServerJobs(server, file, error, progress, stop))
        return true;
    QFile::remove(safety);
    return false;
}

ExpandedCopy::ExpandedCopy() : m_path(expandedPath()) {}

ExpandedCopy::~ExpandedCopy()
{
    QFile::remove(m_path);
}

bool ExpandedCopy::expand(const QString &compressed, QString *why, const JobDatabase::Progress &progress)
{
    return CompressedCopy::expand(compressed, m_path, why, progress);
}

} // namespace DatabaseCopies
