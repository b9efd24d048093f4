// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/TornFile.h"

#include "jobstore/file/JobDatabase.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

namespace TornFile
{

namespace
{

template <class Use> void withConnection(const QString &path, Use use, bool readOnly = false)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("torn"));
        db.setDatabaseName(path);
        if (readOnly)
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        db.open();
        use(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("torn"));
}

void change(const QString &path, const QStringList &statements)
{
    withConnection(path, [&](QSqlDatabase &db) {
        db.transaction();
        for (const QString &statement : statements)
            QSqlQuery(db).exec(statement);
        db.commit();
    });
}

void changeAsTold(const QString &path, Newer newer)
{
    if (newer == Newer::DatesMoved) {
        change(path, {QStringLiteral("update table1 set dateout = dateout + 1")});
        return;
    }
    change(path, {QStringLiteral("update table1 set name = name || ' changed later', status = 'x'"),
                  QStringLiteral("delete from table1 where num % 7 = 0")});
    if (newer == Newer::Vacuumed)
        withConnection(path, [](QSqlDatabase &db) { QSqlQuery(db).exec(QStringLiteral("vacuum")); });
}

QStringList olderJobs()
{
    QStringList older;
    for (int n = 1; n <= 1500; ++n)
        older << QStringLiteral("insert into table1 (num, name, nameph, dateout) values (%1, 'customer %1 of the old "
                                "day', 'Nokia %1', %2)")
                     .arg(n)
                     .arg(30101 + 2 * n);
    return older;
}

int pageSizeOf(const QByteArray &file)
{
    return (uchar(file.at(16)) << 8) | uchar(file.at(17));
}

void save(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(bytes);
}

} // namespace

QByteArray bytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void write(const QString &path, Tear tear)
{
    QTemporaryDir scratch;
    const QString versions = scratch.filePath(QStringLiteral("db1.mdb"));
    JobDatabase::ensure(versions);
    change(versions, olderJobs());
    const QByteArray before = bytes(versions);
    changeAsTold(versions, tear.newer);
    QByteArray torn = bytes(versions);
    const int pageSize = pageSizeOf(torn);
    for (qsizetype page = tear.first; (page + 1) * pageSize <= std::min(before.size(), torn.size());
         page += tear.stride)
        torn.replace(page * pageSize, pageSize, before.mid(page * pageSize, pageSize));
    save(path, torn);
}

void writeWithOlderIndex(const QString &path)
{
    QTemporaryDir scratch;
    const QString versions = scratch.filePath(QStringLiteral("db1.mdb"));
    JobDatabase::ensure(versions);
    change(versions, olderJobs());
    const QByteArray before = bytes(versions);
    changeAsTold(versions, Newer::DatesMoved);
    QList<qint64> pages;
    withConnection(versions, [&](QSqlDatabase &db) {
        QSqlQuery query(db);
        query.exec(QStringLiteral("select pageno from dbstat where name = 'table1_dateout'"));
        while (query.next())
            pages << query.value(0).toLongLong();
    });
    QByteArray torn = bytes(versions);
    const int pageSize = pageSizeOf(torn);
    for (const qint64 page : pages)
        torn.replace((page - 1) * pageSize, pageSize, before.mid((page - 1) * pageSize, pageSize));
    save(path, torn);
}

QString verdict(const QString &path, const QString &pragma)
{
    QString said;
    withConnection(
        path,
        [&](QSqlDatabase &db) {
            QSqlQuery query(db);
            if (query.exec(QStringLiteral("pragma %1").arg(pragma)) && query.next())
                said = query.value(0).toString();
            else
                said = query.lastError().text();
        },
        true);
    return said;
}

} // namespace TornFile
