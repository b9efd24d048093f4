// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/copies/Restore.h"

#include "jobstore/copies/CompressedCopy.h"
#include "jobstore/copies/CopyPlaces.h"
#include "jobstore/copies/SafeWrite.h"
#include "jobstore/file/WholeFile.h"

#include <QFile>

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
    if (!replaceFile(incoming, target, error)) {
        dropIncoming(incoming);
        return false;
    }
    // A whole copy of a file that passed the whole check: the exit copy need not check it again.
    WholeFile::remember(target, WholeFile::Lasts::WhileSameFile);
    return true;
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
