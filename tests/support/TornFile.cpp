// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/TornFile.h"

#include "jobstore/JobDatabase.h"

#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>

namespace TornFile
{

namespace
{

void change(const QString &path, const QStringList &statements)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("torn"));
        db.setDatabaseName(path);
        db.open();
        db.transaction();
        for (const QString &statement : statements)
            QSqlQuery(db).exec(statement);
        db.commit();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("torn"));
}

} // namespace

QByteArray bytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void write(const QString &path)
{
    QTemporaryDir scratch;
    const QString versions = scratch.filePath(QStringLiteral("db1.mdb"));
    JobDatabase::ensure(versions);
    QStringList older;
    for (int n = 1; n <= 1500; ++n)
        older << QStringLiteral("insert into table1 (num, name, nameph) values (%1, 'customer %1 of the old day', "
                                "'Nokia %1')")
                     .arg(n);
    change(versions, older);
    const QByteArray before = bytes(versions);
    change(versions, {QStringLiteral("update table1 set name = name || ' changed later', status = 'x'"),
                      QStringLiteral("delete from table1 where num % 7 = 0")});
    QByteArray torn = bytes(versions);
    const int pageSize = (uchar(torn.at(16)) << 8) | uchar(torn.at(17));
    // Every third page after the first two as the older version wrote it.
    for (qsizetype page = 2; (page + 1) * pageSize <= std::min(before.size(), torn.size()); page += 3)
        torn.replace(page * pageSize, pageSize, before.mid(page * pageSize, pageSize));
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(torn);
}

} // namespace TornFile
