// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "jobstore/server/ServerPool.h"

#include <QSqlDatabase>
#include <QString>

namespace JobDatabase
{

// A server connection borrowed for one task and handed back however the function leaves; every
// transaction begun on it must end before then.
class ServerScratch
{
public:
    explicit ServerScratch(const QString &url) : m_name(ServerPool::acquire(url, &m_error)) {}
    ~ServerScratch() { ServerPool::release(m_name); }
    ServerScratch(const ServerScratch &) = delete;
    ServerScratch &operator=(const ServerScratch &) = delete;

    bool isOpen() const { return !m_name.isEmpty(); }
    QSqlDatabase db() const { return m_name.isEmpty() ? QSqlDatabase() : QSqlDatabase::database(m_name, false); }
    QString error() const { return m_error; }

private:
    QString m_error;
    QString m_name;
};

} // namespace JobDatabase
