// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/ProgramValues.h"

#include "jobstore/server/Dialect.h"

#include <QCoreApplication>
#include <QDir>
#include <QList>

#include <utility>

namespace Program
{

namespace
{
QString &folderSetting()
{
    static QString folder;
    return folder;
}
QString &serverSetting()
{
    static QString server;
    return server;
}
} // namespace

QString dataFolder()
{
    const QString &folder = folderSetting();
    if (!folder.isEmpty())
        return folder;
    return QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
}

void setDataFolder(const QString &folder)
{
    folderSetting() = folder.isEmpty() ? QString() : QDir(folder).absolutePath();
}

QString databaseServer()
{
    return serverSetting();
}

bool isServer(const QString &dataSource)
{
    return Dialect::isServerUrl(dataSource);
}

void setDatabaseServer(const QString &url)
{
    serverSetting() = url.trimmed();
}

QString databaseFileName()
{
    return QStringLiteral("db1.mdb");
}

QString databasePath()
{
    return dataSourceOf(connectionTextFor(dataFolder()));
}

namespace
{

// A value that holds ";", a quote or outer blanks is quoted, doubling its own quote mark, as
// connection texts have always allowed; any other value stays as it was.
QString quotedValue(const QString &value)
{
    const bool plain =
        !value.contains(u';') && !value.contains(u'"') && !value.contains(u'\'') && value == value.trimmed();
    if (plain)
        return value;
    const QChar mark = value.contains(u'"') && !value.contains(u'\'') ? u'\'' : u'"';
    QString doubled = value;
    doubled.replace(mark, QString(2, mark));
    return mark + doubled + mark;
}

// The parts of a connection text, read up to each ";" that is not inside a quoted value.
QList<std::pair<QString, QString>> partsOf(const QString &text)
{
    QList<std::pair<QString, QString>> parts;
    qsizetype at = 0;
    while (at < text.size()) {
        const qsizetype equals = text.indexOf(u'=', at);
        const qsizetype semicolon = text.indexOf(u';', at);
        if (equals < 0 || (semicolon >= 0 && semicolon < equals)) {
            at = semicolon < 0 ? text.size() : semicolon + 1;
            continue;
        }
        const QString key = text.mid(at, equals - at).trimmed();
        qsizetype from = equals + 1;
        while (from < text.size() && text.at(from) == u' ')
            ++from;
        QString value;
        if (from < text.size() && (text.at(from) == u'"' || text.at(from) == u'\'')) {
            const QChar mark = text.at(from);
            qsizetype i = from + 1;
            for (; i < text.size(); ++i) {
                if (text.at(i) != mark) {
                    value += text.at(i);
                } else if (i + 1 < text.size() && text.at(i + 1) == mark) {
                    value += mark;
                    ++i;
                } else {
                    break;
                }
            }
            const qsizetype end = text.indexOf(u';', i);
            at = end < 0 ? text.size() : end + 1;
        } else {
            const qsizetype end = text.indexOf(u';', from);
            value = text.mid(from, end < 0 ? -1 : end - from).trimmed();
            at = end < 0 ? text.size() : end + 1;
        }
        parts.append({key, value});
    }
    return parts;
}

} // namespace

QString connectionTextFor(const QString &folder)
{
    const QString source = !serverSetting().isEmpty()
                               ? serverSetting()
                               : QDir::toNativeSeparators(folder) + QDir::separator() + databaseFileName();
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + quotedValue(source) +
           QStringLiteral(";Persist Security Info=False");
}

QString dataSourceOf(const QString &connectionText)
{
    for (const auto &[key, value] : partsOf(connectionText)) {
        if (key.compare(QLatin1String("Data Source"), Qt::CaseInsensitive) == 0)
            return QDir::fromNativeSeparators(value);
    }
    return QString();
}

} // namespace Program
