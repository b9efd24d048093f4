// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/copies/CopyPlaces.h"

#include "jobstore/ProgramValues.h"
#include "solardate/Clock.h"
#include "solardate/SolarCalendar.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

namespace DatabaseCopies
{

QString solarStamp(const QDateTime &when)
{
    const Sorvan::SolarDate day = Sorvan::solarFromGregorian(when.date());
    return QStringLiteral("%1%2%3-%4")
        .arg(day.year, 4, 10, QChar(u'0'))
        .arg(day.month, 2, 10, QChar(u'0'))
        .arg(day.day, 2, 10, QChar(u'0'))
        .arg(when.toString(QStringLiteral("HHmmss")));
}

QString databasePath()
{
    return Program::dataSourceOf(Program::DatabaseConnection);
}

QString exitCopyPath()
{
#ifdef Q_OS_WIN
    return QStringLiteral("d:\\db1.mdb");
#else
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QDir(documents).filePath(QStringLiteral("Velmora/db1.mdb"));
#endif
}

QString proposedBackupPath()
{
    const QString folder = QFileInfo(exitCopyPath()).absolutePath();
    QDir().mkpath(folder);
    const QDateTime now = Sorvan::Clock::now();
    const Sorvan::SolarDate day = Sorvan::solarFromGregorian(now.date());
    return QDir(folder).filePath(QStringLiteral("db1-backup-%1%2%3-%4.mdb")
                                     .arg(day.year, 4, 10, QChar(u'0'))
                                     .arg(day.month, 2, 10, QChar(u'0'))
                                     .arg(day.day, 2, 10, QChar(u'0'))
                                     .arg(now.toString(QStringLiteral("HHmm"))));
}

QString exitCopyBackupsFolder()
{
    return QFileInfo(exitCopyPath()).dir().filePath(QStringLiteral("backups"));
}

// Two restores in one second keep both safety copies.
QString safetyCopyPath(const QString &folder)
{
    const QDir dir(folder);
    const QString stamp = solarStamp(Sorvan::Clock::now());
    QString name = QStringLiteral("db1-before-restore-%1.mdb").arg(stamp);
    for (int serial = 2; dir.exists(name); ++serial)
        name = QStringLiteral("db1-before-restore-%1-%2.mdb").arg(stamp).arg(serial);
    return dir.filePath(name);
}

QString expandedPath()
{
    return QDir(Program::dataFolder()).filePath(QStringLiteral("db1.mdb.expanding"));
}

// The rotation's own names: db1-<date>-<time>.mdb, with a serial after a second copy that second,
// and ".zst" once compressed.
std::optional<QDateTime> rotationStamp(const QString &fileName)
{
    static const QRegularExpression shape(QStringLiteral(R"(^db1-(\d{8}-\d{6})(-\d+)?\.mdb(\.zst)?$)"));
    const QRegularExpressionMatch match = shape.match(fileName);
    if (!match.hasMatch())
        return std::nullopt;
    // Named by the solar date; copies made before that carry the Gregorian one, a year past 1900.
    const QString stamp = match.captured(1);
    const int year = stamp.left(4).toInt();
    const QDate day = year < 1900 ? Sorvan::gregorianFromSolar({year, stamp.mid(4, 2).toInt(), stamp.mid(6, 2).toInt()})
                                  : QDate::fromString(stamp.left(8), QStringLiteral("yyyyMMdd"));
    // A name no clock gave is not one of the rotation's copies, and so never dropped by it.
    const QTime time = QTime::fromString(stamp.mid(9), QStringLiteral("HHmmss"));
    const QDateTime made(day, time);
    return day.isValid() && time.isValid() && made.isValid() ? std::optional(made) : std::nullopt;
}

} // namespace DatabaseCopies
