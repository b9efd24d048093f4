// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/access/AccessSwap.h"

#include "jobstore/file/JobFileConnections.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>

namespace AccessSwap
{

namespace
{

bool moveFile(const QString &from, const QString &to, QString *error)
{
    std::error_code code;
    std::filesystem::rename(std::filesystem::path(from.toStdU16String()), std::filesystem::path(to.toStdU16String()),
                            code);
    if (code)
        *error = QString::fromStdString(code.message());
    return !code;
}

} // namespace

QString asidePath(const QString &path, const QString &stamp)
{
    const QFileInfo info(path);
    const QString base = QStringLiteral("%1-access-%2").arg(info.completeBaseName(), stamp);
    QString aside = info.dir().filePath(base + QStringLiteral(".mdb"));
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = info.dir().filePath(QStringLiteral("%1-%2.mdb").arg(base).arg(n));
    return aside;
}

QString freshIncoming(const QString &path)
{
    const QString incoming = path + QStringLiteral(".importing");
    dropIncoming(incoming);
    return incoming;
}

void dropIncoming(const QString &incoming)
{
    QFile::remove(incoming);
    QFile::remove(incoming + QStringLiteral("-journal"));
}

void swap(const QString &path, const QString &incoming, const QString &aside, QString *error)
{
    JobFileConnections::Exclusive hold({path, incoming});
    if (hold.ok() && moveFile(path, aside, error) && !moveFile(incoming, path, error))
        moveFile(aside, path, error);
    if (!hold.ok())
        *error = hold.error();
}

} // namespace AccessSwap
