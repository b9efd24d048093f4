// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/ServerSettings.h"

#include "jobstore/Dialect.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QUrl>
#include <QUrlQuery>

namespace Program
{

QString serverAddress(const QString &given, const QString &iniPath, QString *refusal)
{
    const QSettings ini(iniPath, QSettings::IniFormat);
    const QString address = given.isEmpty() ? ini.value(QStringLiteral("database")).toString().trimmed() : given;
    if (address.isEmpty())
        return QString();
    QUrl url(address, QUrl::StrictMode);
    if (given.isEmpty() && !url.password().isEmpty() &&
        QFileInfo(iniPath).permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther)) {
        if (refusal)
            *refusal = QStringLiteral("فايل %1 رمز پايگاه داده را دارد و حساب هاي ديگر اين رايانه هم مي توانند آن را "
                                      "بخوانند.\nآن را فقط براي حساب خودتان خواندني کنيد (حالت 0600: chmod 600) "
                                      "يا رمز را در ~/.pgpass بگذاريد.\nبرنامه بسته مي شود و چيزي تغيير داده نشد.")
                           .arg(QDir::toNativeSeparators(QFileInfo(iniPath).absoluteFilePath()));
        return QString();
    }
    if (!url.isValid())
        return address; // refused, with its reason, where the address is read
    QUrlQuery query(url);
    bool added = false;
    for (const QString &name : Dialect::addressParameters()) {
        const QString value = ini.value(name).toString().trimmed();
        if (name == QLatin1String("host") || value.isEmpty() || query.hasQueryItem(name))
            continue;
        query.addQueryItem(name, QString::fromUtf8(QUrl::toPercentEncoding(value)));
        added = true;
    }
    if (!added)
        return address;
    url.setQuery(query);
    return url.toString();
}

} // namespace Program
