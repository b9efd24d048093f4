// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QFile>
#include <QString>
#include <QStringList>

// The process's memory as the kernel counts it: "VmHWM N MB, VmRSS N MB".
inline QString processMemory()
{
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    QStringList found;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:") || line.startsWith("VmHWM:"))
            found << QStringLiteral("%1 %2 MB")
                         .arg(QString::fromLatin1(line.left(5)))
                         .arg(line.mid(6).trimmed().split(' ').value(0).toLongLong() / 1024);
    return found.join(QStringLiteral(", "));
}
