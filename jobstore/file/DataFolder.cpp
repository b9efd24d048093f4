// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/file/DataFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace Program
{

namespace
{
bool isSystemFolder(const QString &folder)
{
    const QString path = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    return path == QLatin1String("/usr") || path.startsWith(QLatin1String("/usr/"));
}
} // namespace

QString chooseDataFolder(const QString &givenFolder, const QString &programFolder, const QString &userFolder)
{
    if (!givenFolder.isEmpty())
        return QDir(givenFolder).absolutePath();
    const QFileInfo program(programFolder);
    if (program.isDir() && program.isWritable() && !isSystemFolder(programFolder))
        return program.absoluteFilePath();
    return userFolder;
}

QString userDataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

} // namespace Program
