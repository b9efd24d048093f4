// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/server/ServerJobsLoad.h"

#include "jobstore/JobTable.h"
#include "jobstore/SearchIndex.h"
#include "jobstore/history/JobHistory.h"
#include "jobstore/server/ServerWatch.h"

#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>

#include <libpq-fe.h>

namespace
{

// A value as COPY's text form reads it; the same text the array literals carried before.
void appendCopyText(QByteArray &line, const QVariant &value)
{
    if (value.isNull() || (value.typeId() == QMetaType::QString && value.toString().isNull())) {
        line += "\\N";
        return;
    }
    const QByteArray text = value.toString().toUtf8();
    for (const char c : text) {
        switch (c) {
        case '\\':
            line += "\\\\";
            break;
        case '\n':
            line += "\\n";
            break;
        case '\r':
            line += "\\r";
            break;
        case '\t':
            line += "\\t";
            break;
        default:
            line += c;
        }
    }
}

// The connection's libpq handle once `statement` has started a COPY, or null.
pg_conn *startCopy(const QSqlDatabase &db, const QString &statement, ExecStatusType expected, QString *error)
{
    pg_conn *conn = ServerWatch::handleOf(db);
    if (!conn) {
        *error = QStringLiteral("no connection to the server");
        return nullptr;
    }
    PGresult *started = PQexec(conn, statement.toUtf8().constData());
    const bool copying = PQresultStatus(started) == expected;
    if (!copying)
        *error = QString::fromUtf8(PQresultErrorMessage(started)).trimmed();
    PQclear(started);
    return copying ? conn : nullptr;
}

// Reads what the COPY left; libpq must be drained before the connection takes another statement.
bool copyEnded(pg_conn *conn, QString *error)
{
    bool ok = true;
    while (PGresult *result = PQgetResult(conn)) {
        if (PQresultStatus(result) != PGRES_COMMAND_OK) {
            ok = false;
            if (error && error->isEmpty())
                *error = QString::fromUtf8(PQresultErrorMessage(result)).trimmed();
        }
        PQclear(result);
    }
    return ok;
}

// One column of a COPY text row, as the server escapes it.
QVariant fromCopyText(const char *begin, const char *end)
{
    if (end - begin == 2 && begin[0] == '\\' && begin[1] == 'N')
        return QVariant();
    QByteArray text;
    text.reserve(end - begin);
    for (const char *c = begin; c < end; ++c) {
        if (*c != '\\' || c + 1 == end) {
            text += *c;
            continue;
        }
        switch (*++c) {
        case 'n':
            text += '\n';
            break;
        case 'r':
            text += '\r';
            break;
        case 't':
            text += '\t';
            break;
        case 'b':
            text += '\b';
            break;
        case 'f':
            text += '\f';
            break;
        case 'v':
            text += '\v';
            break;
        default:
            text += *c;
        }
    }
    // An empty text stays a text, not a null.
    return text.isEmpty() ? QVariant(QStringLiteral("")) : QVariant(QString::fromUtf8(text));
}

} // namespace

bool ServerJobsLoad::readJobs(const QSqlDatabase &server, const std::function<bool(const QVariantList &)> &take,
                              QString *error)
{
    pg_conn *conn = startCopy(
        server, QStringLiteral("copy (select %1 from table1 order by rowid) to stdout").arg(JobTable::quotedColumns()),
        PGRES_COPY_OUT, error);
    if (!conn)
        return false;
    bool ok = true;
    bool stopped = false;
    QVariantList row;
    char *line = nullptr;
    int size = 0;
    while ((size = PQgetCopyData(conn, &line, 0)) > 0) {
        if (!stopped) {
            row.clear();
            const char *field = line;
            const char *end = line + (size > 0 && line[size - 1] == '\n' ? size - 1 : size);
            for (const char *c = line; c <= end; ++c) {
                if (c == end || *c == '\t') {
                    row << fromCopyText(field, c);
                    field = c + 1;
                }
            }
            if (row.size() != JobTable::ColumnCount) {
                *error = QStringLiteral("a job came with %1 columns").arg(row.size());
                ok = false;
            } else {
                ok = take(row);
            }
            // Stopped midway, the server is told to stop sending, and what it sent is let go of.
            if (!ok) {
                stopped = true;
                if (PGcancel *cancel = PQgetCancel(conn)) {
                    char why[256];
                    PQcancel(cancel, why, sizeof why);
                    PQfreeCancel(cancel);
                }
            }
        }
        PQfreemem(line);
    }
    if (size == -2 && ok) {
        *error = QString::fromUtf8(PQerrorMessage(conn)).trimmed();
        ok = false;
    }
    QString ended;
    const bool whole = copyEnded(conn, &ended);
    if (ok && !whole)
        *error = ended;
    return ok && whole;
}

bool ServerJobsLoad::run(const QString &statement, QString *error)
{
    QSqlQuery query(m_server);
    if (query.exec(statement))
        return true;
    *error = query.lastError().text();
    return false;
}

bool ServerJobsLoad::begin(QString *error)
{
    // The indexes are made again in this transaction: more memory than a server's default makes a
    // trigram index of a million names in a fraction of the time. A larger setting stays.
    if (!run(QStringLiteral("select set_config('maintenance_work_mem', '256MB', true) where "
                            "pg_size_bytes(current_setting('maintenance_work_mem')) < 256*1024*1024"),
             error) ||
        !run(QStringLiteral("lock table table1 in access exclusive mode"), error))
        return false;
    if (!SearchIndex::dropFromServer(m_server, &m_searchIndexed)) {
        *error = QStringLiteral("the search indexes could not be set aside");
        return false;
    }
    // Whatever else indexes table1 (the receipt number's, the dates', a shop's own) is made again
    // as it was; the primary key stays, as the key of a table must.
    QSqlQuery query(m_server);
    if (!query.exec(QStringLiteral(
            "select quote_ident(n.nspname) || '.' || quote_ident(i.relname), pg_get_indexdef(i.oid) from pg_index x "
            "join pg_class i on i.oid=x.indexrelid join pg_namespace n on n.oid=i.relnamespace where "
            "x.indrelid='table1'::regclass and not exists (select 1 from pg_constraint c where c.conindid=i.oid) "
            "order by i.relname"))) {
        *error = query.lastError().text();
        return false;
    }
    QStringList names;
    while (query.next()) {
        names << query.value(0).toString();
        m_indexes << query.value(1).toString();
    }
    for (const QString &name : names) {
        if (!run(QStringLiteral("drop index %1").arg(name), error))
            return false;
    }
    return JobHistory::pauseServerTrigger(m_server, true, error) && run(QStringLiteral("truncate table1"), error);
}

bool ServerJobsLoad::copyJobs(const QSqlDatabase &file, QString *error, const JobDatabase::Progress &progress,
                              const JobDatabase::Stop &stop)
{
    QSqlQuery read(file);
    read.setForwardOnly(true);
    qint64 total = 0;
    if (read.exec(QStringLiteral("select count(*) from table1")) && read.next())
        total = read.value(0).toLongLong();
    if (!read.exec(QStringLiteral("select %1 from table1 order by rowid").arg(JobTable::quotedColumns()))) {
        *error = read.lastError().text();
        return false;
    }
    // Frozen as written, which the server allows as table1 was emptied in this transaction: its
    // vacuum need not go over a million new rows again, and they count fast from the start.
    pg_conn *conn =
        startCopy(m_server, QStringLiteral("copy table1 (%1) from stdin with (freeze)").arg(JobTable::quotedColumns()),
                  PGRES_COPY_IN, error);
    if (!conn)
        return false;

    QByteArray chunk;
    chunk.reserve(1 << 20);
    const auto send = [&] {
        const bool sent = PQputCopyData(conn, chunk.constData(), int(chunk.size())) == 1;
        chunk.clear();
        return sent;
    };
    bool ok = true;
    while (ok && read.next()) {
        for (int i = 0; i < JobTable::ColumnCount; ++i) {
            if (i > 0)
                chunk += '\t';
            appendCopyText(chunk, read.value(i));
        }
        chunk += '\n';
        if (++m_jobs % 2000 == 0) {
            if (stop && stop()) {
                *error = QStringLiteral("stopped");
                ok = false;
            } else if (chunk.size() >= (1 << 20)) {
                ok = send();
            }
            if (progress)
                progress(m_jobs, 2 * std::max(total, m_jobs));
        }
    }
    if (ok && read.lastError().isValid()) {
        *error = read.lastError().text();
        ok = false;
    }
    ok = ok && (chunk.isEmpty() || send());
    // A load ended short is refused whole by the server.
    if (PQputCopyEnd(conn, ok ? nullptr : "stopped") != 1 && ok) {
        *error = QString::fromUtf8(PQerrorMessage(conn)).trimmed();
        ok = false;
    }
    return copyEnded(conn, error) && ok;
}

bool ServerJobsLoad::finish(QString *error, const JobDatabase::Progress &progress, const JobDatabase::Stop &stop)
{
    // Half of the bar is the jobs, the other half the indexes made again.
    const qint64 steps = m_indexes.size() + (m_searchIndexed ? 1 : 0) + 1;
    qint64 step = 0;
    const auto advance = [&] {
        if (progress)
            progress(m_jobs + m_jobs * ++step / steps, 2 * m_jobs);
        if (stop && stop()) {
            *error = QStringLiteral("stopped");
            return false;
        }
        return true;
    };
    for (const QString &index : m_indexes) {
        if (!run(index, error) || !advance())
            return false;
    }
    if (m_searchIndexed && !SearchIndex::prepareServer(m_server, true)) {
        *error = QStringLiteral("the search indexes could not be made again");
        return false;
    }
    if (m_searchIndexed && !advance())
        return false;
    // Gathered before the commit, the figures come with the jobs: the first searches after the
    // restore are planned on them, not on those of an empty table.
    return JobHistory::pauseServerTrigger(m_server, false, error) && run(QStringLiteral("analyze table1"), error) &&
           advance();
}
