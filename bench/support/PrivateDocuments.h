// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDir>
#include <QFile>

// The exit copies go to the documents folder: a bench's go to `folder`, never to the user's own.
inline void useDocumentsIn(const QString &folder)
{
    const QString config = QDir(folder).filePath(QStringLiteral("config"));
    QDir().mkpath(config);
    QFile dirs(QDir(config).filePath(QStringLiteral("user-dirs.dirs")));
    if (dirs.open(QIODevice::WriteOnly))
        dirs.write(QStringLiteral("XDG_DOCUMENTS_DIR=\"%1\"\n")
                       .arg(QDir(folder).filePath(QStringLiteral("documents")))
                       .toUtf8());
    dirs.close();
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config));
}
