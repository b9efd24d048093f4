// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/server/JobChanges.h"

#include "jobstore/file/JobDatabase.h"
#include "jobstore/file/JobFileConnections.h"
#include "jobstore/server/Dialect.h"
#include "jobstore/server/ServerPool.h"
#include "jobstore/server/ServerWatch.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QTimer>

JobChanges::JobChanges(QObject *parent) : QObject(parent), m_check(new QTimer(this))
{
    connect(ServerWatch::instance(), &ServerWatch::answeringChanged, this, [this](bool answering) {
        if (answering && m_server) {
            watch(m_dataSource); // what changed during the outage went unheard
            emit changed();
        }
    });
    // A server that restarts drops the listening connection without a word; without the check the
    // counter would stop hearing of the other counters' jobs. One round trip a half-minute.
    m_check->setInterval(30000);
    connect(m_check, &QTimer::timeout, this, &JobChanges::checkConnection);
    static int serial = 0;
    m_connectionName = QStringLiteral("job-changes-%1").arg(++serial);
    // Watched again by whoever replaced the file; until then every question is answered "changed".
    connect(JobFileConnections::Notifier::instance(), &JobFileConnections::Notifier::closing, this,
            [this](const QStringList &files) {
                if (!m_server && files.contains(QFileInfo(m_dataSource).absoluteFilePath()))
                    close();
            });
}

JobChanges::~JobChanges()
{
    close();
}

QString JobChanges::channel()
{
    return QStringLiteral("table1_changed");
}

void JobChanges::watch(const QString &dataSource)
{
    close();
    m_changed = true;
    m_dataVersion = -1;
    m_dataSource = dataSource;
    m_server = Dialect::isServerUrl(dataSource);
    if (m_server)
        m_check->start();
    else
        m_check->stop();
    QSqlDatabase db = JobDatabase::open(dataSource, m_connectionName, nullptr, nullptr, 0);
    if (m_server && db.isOpen() && db.driver()->subscribeToNotification(channel())) {
        connect(db.driver(), &QSqlDriver::notification, this, [this] {
            m_changed = true;
            emit changed();
        });
    }
}

void JobChanges::setCheckInterval(int milliseconds)
{
    m_check->setInterval(milliseconds);
}

void JobChanges::checkConnection()
{
    // With the server watched, the check asks the server nothing: a line the server closed shows in
    // the connection's state, and a server answering again after an outage is heard of at once.
    if (ServerWatch::running() ? !ServerWatch::answering() || ServerWatch::lineWhole(connection())
                               : ServerPool::answers(m_connectionName))
        return;
    // Whatever changed while the connection was down went unheard.
    watch(m_dataSource);
    emit changed();
}

bool JobChanges::takeChanged()
{
    QSqlDatabase db = connection();
    if (!db.isOpen())
        return true;
    if (!m_server) {
        QSqlQuery query(db);
        const qint64 version =
            query.exec(QStringLiteral("pragma data_version")) && query.next() ? query.value(0).toLongLong() : -1;
        query.finish(); // a statement left open would hold the file against the other windows' saves
        if (version < 0 || version != m_dataVersion)
            m_changed = true;
        m_dataVersion = version;
    } else if (!db.driver()->subscribedToNotifications().contains(channel())) {
        return true;
    }
    const bool changed = m_changed;
    m_changed = false;
    return changed;
}

QSqlDatabase JobChanges::connection() const
{
    return QSqlDatabase::contains(m_connectionName) ? QSqlDatabase::database(m_connectionName, false) : QSqlDatabase();
}

void JobChanges::close()
{
    if (!QSqlDatabase::contains(m_connectionName))
        return;
    if (QSqlDriver *driver = QSqlDatabase::database(m_connectionName, false).driver())
        driver->disconnect(this);
    JobDatabase::close(m_connectionName);
}
