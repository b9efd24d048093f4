#include "platform/ErrorLog.h"

#include "jobstore/ProgramValues.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <cstdio>

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
    if (file.open(QIODevice::Append))
        file.write(bytes);
}

} // namespace ErrorLog
