// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/file/DataFolderLock.h"

#include <QDir>

DataFolderLock::DataFolderLock(const QString &folder)
    : m_path(QDir(folder).filePath(QStringLiteral("velmora.lock"))), m_file(std::make_unique<QLockFile>(m_path))
{
    // A lock is stale only when the program that wrote it is gone, however long it has been held.
    m_file->setStaleLockTime(0);
}

bool DataFolderLock::tryLock()
{
    if (m_file->isLocked() || m_file->tryLock(0))
        return true;
    // A folder the lock file cannot be written in is not another program; the start goes on.
    return m_file->error() != QLockFile::LockFailedError;
}
