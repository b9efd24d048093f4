// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/copies/CopyChoice.h"

#include "jobstore/copies/CompressedCopy.h"
#include "jobstore/copies/CopyPlaces.h"
#include "jobstore/copies/ExitCopy.h"
#include "jobstore/copies/Restore.h"
#include "jobstore/copies/SafeWrite.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace DatabaseCopies
{

namespace
{

// The jobs of a copy in either form that passes the whole check; -1 when it does not.
qint64 checkedJobs(const QString &path)
{
    if (!CompressedCopy::isCompressed(path))
        return JobDatabase::jobCount(path);
    ExpandedCopy expanded;
    return expanded.expand(path) ? JobDatabase::jobCount(expanded.path()) : -1;
}

} // namespace

std::optional<FoundCopy> newestCopyWithJobs(const QString &identity)
{
    struct Candidate {
        Copy copy;
        JobDatabase::Holding held;
    };
    const QDir folder = QFileInfo(exitCopyPath()).dir();
    QList<Candidate> candidates;
    for (const QDir &dir : {folder, QDir(exitCopyBackupsFolder())}) {
        for (const QFileInfo &file :
             dir.entryInfoList({QStringLiteral("*.mdb"), QStringLiteral("*.mdb.zst")}, QDir::Files)) {
            if (sameFile(file.absoluteFilePath(), databasePath()))
                continue;
            const Copy copy{file.absoluteFilePath(), rotationStamp(file.fileName()).value_or(file.lastModified())};
            if (JobDatabase::Holding held = holdingOf(copy.path); held.jobs > 0)
                candidates << Candidate{copy, held};
        }
    }
    const auto newest = [](const Candidate &a, const Candidate &b) { return a.copy.made > b.copy.made; };
    std::sort(candidates.begin(), candidates.end(), newest);
    // Without an identity, the newest copy's database is taken for the one in use.
    const QString own = !identity.isEmpty() || candidates.isEmpty() ? identity : candidates.first().held.identity;
    const auto isOwn = [&own](const Candidate &c) { return !own.isEmpty() && c.held.identity == own; };
    std::stable_sort(candidates.begin(), candidates.end(), [&](const Candidate &a, const Candidate &b) {
        if (isOwn(a) != isOwn(b))
            return isOwn(a);
        if (!isOwn(a))
            return false; // other databases' copies stay newest first
        if (a.held.newestChange != b.held.newestChange)
            return a.held.newestChange > b.held.newestChange;
        return a.held.jobs > b.held.jobs;
    });
    for (const Candidate &candidate : candidates) {
        // Torn copies read a count as well as whole ones.
        if (const qint64 jobs = checkedJobs(candidate.copy.path); jobs > 0)
            return FoundCopy{candidate.copy.path, candidate.copy.made, jobs,
                             !identity.isEmpty() && candidate.held.identity == identity};
    }
    return std::nullopt;
}

} // namespace DatabaseCopies
