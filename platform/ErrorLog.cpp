// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ErrorLog.h"

#include "jobstore/ProgramValues.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace ErrorLog
{

QString filePath()
{
    return QDir(Program::dataFolder()).filePath(QStringLiteral("velmora.log"));
}

void record(const QString &message, const QString &detail)
{
    QString text = message;
    text.remove(QChar(0x2066)).remove(QChar(0x2069)).replace(QLatin1Char('\n'), QLatin1Char(' '));
    QString line = QDateTime::currentDateTime().toString(Qt::ISODate) + QLatin1Char(' ') + text.trimmed();
    if (!detail.isEmpty())
        line += QStringLiteral(" | ") + QString(detail).replace(QLatin1Char('\n'), QLatin1Char(' ')).trimmed();
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fputs(bytes.constData(), stderr);
    std::fflush(stderr);

    // The log never stops the program: a folder it cannot write to leaves standard error only.
    const QString path = filePath();
    QFile file(path);
    if (file.size() > 0 && file.size() + bytes.size() > RotateAtBytes) {
        const QString previous = path + QStringLiteral(".1");
        QFile::remove(previous);
        QFile::rename(path, previous);
    }
    // Opened without following a link: a link planted in the data folder must not lead the
    // customers' names into another file.
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    [[maybe_unused]] const ssize_t written = ::write(fd, bytes.constData(), size_t(bytes.size()));
    ::close(fd);
}

} // namespace ErrorLog
