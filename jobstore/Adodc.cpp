// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/Adodc.h"

#include "jobstore/KeyReader.h"
#include "jobstore/ProgramValues.h"
#include "jobstore/file/JobDatabase.h"
#include "jobstore/file/JobFileConnections.h"
#include "jobstore/server/Dialect.h"
#include "jobstore/server/ServerPool.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <memory>

Adodc::Adodc(QObject *parent) : QObject(parent), m_recordset(new Recordset(this))
{
    static int serial = 0;
    m_fileConnectionName = QStringLiteral("adodc-%1").arg(++serial);
    // The record set's queries go before the file they read is replaced.
    QObject::connect(JobFileConnections::Notifier::instance(), &JobFileConnections::Notifier::closing, this,
                     [this](const QStringList &files) {
                         if (!m_pooled && !m_connectionName.isEmpty() &&
                             files.contains(QFileInfo(Program::dataSourceOf(m_connectionText)).absoluteFilePath())) {
                             m_recordset->close();
                             disconnect();
                         }
                     });
}

Adodc::~Adodc()
{
    disconnect();
}

void Adodc::setConnectionString(const QString &connectionText)
{
    if (connectionText != m_connectionText)
        disconnect();
    m_connectionText = connectionText;
}

void Adodc::setRecordSource(const SqlText &source)
{
    m_source = source;
}

bool Adodc::Refresh()
{
    m_everOpened = true;
    ++m_refreshes;
    return finishRefresh(connect(), std::nullopt);
}

void Adodc::refreshInBackground()
{
    m_everOpened = true;
    const quint64 refresh = ++m_refreshes;
    if (!connect()) {
        finishRefresh(false, std::nullopt);
        return;
    }
    const QString connection = m_connectionName;
    KeyReader::run(this, connection, [this, refresh, connection, source = m_source](QSqlDatabase &db) {
        auto page = std::make_shared<Recordset::FirstPage>(Recordset::readFirstPage(db, source));
        if (!db.isOpen() && page->fault == StorageFault::None)
            page->fault = StorageFault::Other;
        return [this, refresh, connection, page] {
            // A file closed for a restore, or a server's line replaced, since: the next refresh reads
            // the new one.
            if (refresh != m_refreshes)
                return;
            finishRefresh(connection == m_connectionName, std::move(*page));
        };
    });
}

bool Adodc::finishRefresh(bool connected, std::optional<Recordset::FirstPage> page)
{
    bool ok = connected && openRecordset(std::move(page));
    // A server restarted since this window connected has dropped the connection: one fresh
    // connection is tried before the clerk hears of it.
    if (!ok && m_pooled && !ServerPool::answers(m_connectionName)) {
        connected = reconnect();
        ok = connected && openRecordset(std::nullopt);
    }
    // A server that does not answer leaves the rows on screen that it sent before.
    if (!connected && !(m_pooled || Dialect::isServerUrl(Program::dataSourceOf(m_connectionText))))
        m_recordset->close();
    if (ok) {
        m_lastError.clear();
        m_lastFault = StorageFault::None;
    }
    emit refreshed(ok);
    return ok;
}

bool Adodc::openRecordset(std::optional<Recordset::FirstPage> page)
{
    const QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
    if (page ? m_recordset->open(db, m_source, std::move(*page)) : m_recordset->open(db, m_source))
        return true;
    m_lastError = m_recordset->lastError();
    m_lastFault = m_recordset->lastFault();
    return false;
}

Recordset *Adodc::recordset()
{
    // A control not yet told where its rows are has none to read.
    if (!m_everOpened && !m_connectionText.isEmpty())
        Refresh();
    return m_recordset;
}

bool Adodc::reconnect()
{
    if (!m_pooled)
        return false;
    const QString source = Program::dataSourceOf(m_connectionText);
    const QString fresh = ServerPool::acquire(source, &m_lastError);
    if (fresh.isEmpty())
        return false;
    ServerPool::release(m_connectionName);
    m_connectionName = fresh;
    m_recordset->setDatabase(QSqlDatabase::database(fresh, false));
    return true;
}

bool Adodc::connect()
{
    if (!m_connectionName.isEmpty() && QSqlDatabase::database(m_connectionName, false).isOpen())
        return true;
    const QString source = Program::dataSourceOf(m_connectionText);
    if (Dialect::isServerUrl(source)) {
        // A line the server dropped is replaced; the rows on screen stay until a new one answers.
        if (m_pooled)
            return reconnect();
        disconnect();
        m_connectionName = ServerPool::acquire(source, &m_lastError);
        m_pooled = !m_connectionName.isEmpty();
        if (!m_pooled)
            m_lastFault = StorageFault::NoAnswer; // the address was checked at start: the server is away
        return m_pooled;
    }
    m_connectionName = m_fileConnectionName;
    QSqlDatabase db = JobDatabase::open(source, m_connectionName, &m_lastError, &m_lastFault, m_busyWait);
    return db.isOpen();
}

void Adodc::disconnect()
{
    if (m_connectionName.isEmpty())
        return;
    m_recordset->close();
    if (m_pooled) {
        ServerPool::release(m_connectionName);
    } else {
        JobDatabase::close(m_connectionName);
    }
    m_connectionName.clear();
    m_pooled = false;
}
