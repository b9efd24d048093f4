// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/server/ServerSettings.h"

#include "jobstore/Isolated.h"
#include "jobstore/server/Dialect.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QUrl>
#include <QUrlQuery>

namespace Program
{

namespace
{

// The lines the program reads; host belongs in the address itself.
QStringList iniKeys()
{
    QStringList keys = Dialect::addressParameters();
    keys.replace(keys.indexOf(QStringLiteral("host")), QStringLiteral("database"));
    return keys;
}

// The file's mode as chmod writes it, e.g. 0644.
QString modeOf(const QString &path)
{
    const int bits = int(QFileInfo(path).permissions());
    const int mode = ((bits >> 12) & 7) << 6 | ((bits >> 4) & 7) << 3 | (bits & 7);
    return QStringLiteral("%1").arg(mode, 4, 8, QLatin1Char('0'));
}

} // namespace

QString serverAddress(const QString &given, const QString &iniPath, QString *refusal)
{
    const QSettings ini(iniPath, QSettings::IniFormat);
    const QString where = isolated(QDir::toNativeSeparators(QFileInfo(iniPath).absoluteFilePath()));
    // A misspelt line (sslmod=require, databse=...) would otherwise leave the counter in clear or on
    // its own file without a word.
    for (const QString &key : ini.allKeys()) {
        if (iniKeys().contains(key))
            continue;
        if (refusal) {
            QStringList known;
            for (const QString &each : iniKeys())
                known << isolated(each);
            *refusal = QStringLiteral("خط %1 در فايل %2 شناخته نيست؛ فقط %3 پذيرفته مي شود.\nنام آن را درست "
                                      "کنيد يا آن خط را برداريد.\nبرنامه بسته مي شود و چيزي تغيير داده نشد.")
                           .arg(isolated(key), where, known.join(QStringLiteral("، ")));
        }
        return QString();
    }
    const QString address = given.isEmpty() ? ini.value(QStringLiteral("database")).toString().trimmed() : given;
    if (address.isEmpty())
        return QString();
    QUrl url(address, QUrl::StrictMode);
    if (given.isEmpty() && !url.password().isEmpty() &&
        QFileInfo(iniPath).permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther)) {
        if (refusal)
            *refusal = QStringLiteral("فايل %1 رمز پايگاه داده را دارد و حالت آن %2 است: حساب هاي ديگر اين رايانه "
                                      "هم مي توانند آن را بخوانند.\nآن را فقط براي حساب خودتان خواندني کنيد "
                                      "(حالت %3: %4) يا رمز را در %5 بگذاريد.\nبرنامه بسته مي شود و چيزي تغيير "
                                      "داده نشد.")
                           .arg(where, isolated(modeOf(iniPath)), isolated(QStringLiteral("0600")),
                                isolated(QStringLiteral("chmod 600")), isolated(QStringLiteral("~/.pgpass")));
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
