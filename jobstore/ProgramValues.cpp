#include "jobstore/ProgramValues.h"

#include <QCoreApplication>
#include <QDir>

namespace Program
{

namespace
{
QString &folderSetting()
{
    static QString folder;
    return folder;
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

QString databaseFileName()
{
    return QStringLiteral("db1.mdb");
}

QString databasePath()
{
    return dataSourceOf(connectionTextFor(dataFolder()));
}

QString connectionTextFor(const QString &folder)
{
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + QDir::toNativeSeparators(folder) +
           QDir::separator() + databaseFileName() + QStringLiteral(";Persist Security Info=False");
}

QString dataSourceOf(const QString &connectionText)
{
    const QString key = QStringLiteral("Data Source=");
    for (const QString &part : connectionText.split(u';')) {
        const QString trimmed = part.trimmed();
        if (trimmed.startsWith(key, Qt::CaseInsensitive))
            return QDir::fromNativeSeparators(trimmed.mid(key.size()));
    }
    return QString();
}

} // namespace Program
