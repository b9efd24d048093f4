// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/file/JobDatabaseParts.h"

#include "jobstore/JobTable.h"
#include "jobstore/SearchIndex.h"
#include "jobstore/access/ImportLedger.h"
#include "jobstore/history/JobHistory.h"
#include "jobstore/server/Dialect.h"
#include "jobstore/server/ServerJobsLoad.h"
#include "jobstore/server/ServerScratch.h"
#include "jobstore/server/ServerWatch.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

#include <filesystem>
#include <optional>

// A consistent copy of the jobs, from a job file or a server into a job file of their own.
namespace JobDatabase
{

bool copyJobs(const QSqlDatabase &from, const QSqlDatabase &to, QString *error, const Progress &progress,
              const Stop &stop)
{
    qint64 total = 0;
    if (progress) {
        QSqlQuery count(from);
        if (count.exec(QStringLiteral("select count(*) from table1")) && count.next())
            total = count.value(0).toLongLong();
    }
    qint64 done = 0;
    // Many jobs a statement, as rows of a multi-row insert.
    const int batch = 100;
    QSqlQuery write(to);
    if (!write.prepare(JobTable::insertStatement(batch))) {
        *error = write.lastError().text();
        return false;
    }
    QList<QVariantList> columns(JobTable::ColumnCount);
    int pending = 0;
    const auto flush = [&] {
        if (stop && stop()) {
            *error = QStringLiteral("stopped");
            return false;
        }
        if (pending == 0)
            return true;
        QSqlQuery tail(to);
        QSqlQuery &statement = pending == batch ? write : tail;
        if (&statement == &tail && !tail.prepare(JobTable::insertStatement(pending))) {
            *error = tail.lastError().text();
            return false;
        }
        for (int i = 0; i < JobTable::ColumnCount; ++i) {
            for (int row = 0; row < pending; ++row)
                statement.bindValue(row * JobTable::ColumnCount + i, columns.at(i).at(row));
        }
        if (!statement.exec()) {
            *error = statement.lastError().text();
            return false;
        }
        for (QVariantList &column : columns)
            column.clear();
        pending = 0;
        return true;
    };
    // Sent as one COPY: a million jobs read a row at a time keep the server waiting on this end.
    const bool read = ServerJobsLoad::readJobs(
        from,
        [&](const QVariantList &row) {
            for (int i = 0; i < JobTable::ColumnCount; ++i)
                columns[i] << row.at(i);
            if (++pending == batch && !flush())
                return false;
            if (progress && ++done % 1000 == 0)
                progress(done, total);
            return true;
        },
        error);
    return read && flush();
}

namespace
{

bool copyFromServer(const QString &url, const QString &partial, QString *error, const Progress &progress,
                    const Stop &stop)
{
    const std::optional<Dialect::ServerAddress> address = Dialect::parseServerUrl(url);
    if (!address) {
        *error = QStringLiteral("not a database server address");
        return false;
    }
    QFile::remove(partial);
    if (ensure(partial).state != State::Created) {
        *error = QStringLiteral("cannot make %1").arg(partial);
        return false;
    }
    // Reading every job holds the window longer than one question to the server may.
    const ServerWatch::Patience patience;
    ServerScratch server(url);
    ScratchConnection file(partial, "rw");
    QSqlDatabase source = server.db();
    QSqlDatabase target = file.db();
    if (!server.isOpen()) {
        *error = server.error();
        return false;
    }
    // The copy is written without its search index, faster; a start or restore that opens it makes
    // the index then.
    SearchIndex::dropFromFile(target);
    // One snapshot: jobs saved at other counters while the copy runs are all in it or all out.
    QSqlQuery(source).exec(QStringLiteral("begin isolation level repeatable read read only"));
    // Reading every job may take longer than a window's statement may.
    QSqlQuery(source).exec(QStringLiteral("set local statement_timeout=0"));
    bool ok = target.transaction() && copyJobs(source, target, error, progress, stop) &&
              JobHistory::replaceHistory(source, target, error) && ImportLedger::replace(source, target, error);
    if (ok)
        nameDatabase(target, identity(url));
    ok = ok && target.commit();
    QSqlQuery(source).exec(QStringLiteral("rollback"));

    if (!ok && error->isEmpty())
        *error = target.lastError().text();
    if (!ok)
        target.rollback();
    return ok;
}

} // namespace

bool copyConsistent(const QString &path, const QString &target, QString *error, const Progress &progress,
                    const std::function<bool(QString *error)> &beforeReplace, const Stop &stop)
{
    const auto failWith = [error](const QString &message) {
        if (error)
            *error = message;
        return false;
    };
    const QString absoluteTarget = QFileInfo(target).absoluteFilePath();
    const QString partial = absoluteTarget + QStringLiteral(".partial");
    if (Dialect::isServerUrl(path)) {
        QString detail;
        if (!copyFromServer(path, partial, &detail, progress, stop)) {
            QFile::remove(partial);
            return failWith(detail);
        }
    } else if (!QFileInfo(path).isFile()) {
        return failWith(QStringLiteral("no database at %1").arg(path));
    } else {
        QFile::remove(partial);
        ScratchConnection scratch(path, "ro");
        QSqlDatabase db = scratch.db();
        if (!db.isOpen())
            return failWith(db.lastError().text());
        QSqlQuery query(db);
        query.prepare(QStringLiteral("vacuum into ?"));
        query.addBindValue(partial);
        if (!query.exec()) {
            QFile::remove(partial);
            return failWith(query.lastError().text());
        }
    }
    QString detail;
    if (stop && stop()) {
        QFile::remove(partial);
        return failWith(QStringLiteral("stopped"));
    }
    if (beforeReplace && !beforeReplace(&detail)) {
        QFile::remove(partial);
        return failWith(detail);
    }
    std::error_code code;
    std::filesystem::rename(std::filesystem::path(partial.toStdU16String()),
                            std::filesystem::path(absoluteTarget.toStdU16String()), code);
    if (code) {
        QFile::remove(partial);
        return failWith(QString::fromStdString(code.message()));
    }
    return true;
}

} // namespace JobDatabase
