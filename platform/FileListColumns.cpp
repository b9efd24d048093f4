// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileListColumns.h"

#include "solardate/SolarCalendar.h"

#include <QDateTime>
#include <QFileSystemModel>
#include <QLocale>

namespace
{

// The columns of Qt's file list.
enum Column { Name, Size, Type, Modified };

} // namespace

QVariant FileListColumns::data(const QModelIndex &index, int role) const
{
    const auto *files = qobject_cast<const QFileSystemModel *>(sourceModel());
    if (role != Qt::DisplayRole || !files || index.column() == Name)
        return QIdentityProxyModel::data(index, role);
    const QFileInfo file = files->fileInfo(mapToSource(index));
    switch (index.column()) {
    case Size:
        return file.isDir() ? QString() : sizeText(file.size());
    case Type: {
        if (file.isDir())
            return QStringLiteral("پوشه");
        const QString suffix = file.suffix().toLower();
        if (suffix == QLatin1String("mdb") || suffix == QLatin1String("accdb"))
            return QStringLiteral("فايل اطلاعات");
        return suffix.isEmpty() ? QStringLiteral("فايل") : QStringLiteral("فايل %1").arg(suffix);
    }
    case Modified: {
        const QDateTime when = file.lastModified();
        return Sorvan::GregorianToSolar(when.date()).section(u' ', 0, 0) + u' ' +
               when.toString(QStringLiteral("HH:mm"));
    }
    default:
        return QIdentityProxyModel::data(index, role);
    }
}

QString FileListColumns::sizeText(qint64 bytes)
{
    static const QString units[] = {QStringLiteral("بايت"), QStringLiteral("کيلوبايت"), QStringLiteral("مگابايت"),
                                    QStringLiteral("گيگابايت")};
    double value = double(bytes);
    int unit = 0;
    while (value >= 1024 && unit < 3) {
        value /= 1024;
        ++unit;
    }
    // One decimal while it still tells something: 1.5 مگابايت, 120 کيلوبايت.
    const int decimals = unit > 0 && value < 10 ? 1 : 0;
    return QStringLiteral("%1 %2").arg(QLocale::c().toString(value, 'f', decimals), units[unit]);
}
