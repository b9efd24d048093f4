// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

// Only one program may work on a data folder: two would hand out the same receipt number and undo
// each other's edits. The lock file dies with its program, so a crash does not keep it.
class DataFolderLock
{
public:
    explicit DataFolderLock(const QString &folder);

    // False only when another running program holds the folder.
    bool tryLock();
    QString lockFilePath() const { return m_path; }

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_file;
};
