#include "jobstore/JobChanges.h"

#include "jobstore/Dialect.h"
#include "jobstore/JobDatabase.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlQuery>

JobChanges::JobChanges(QObject *parent) : QObject(parent)
{
    static int serial = 0;
    m_connectionName = QStringLiteral("job-changes-%1").arg(++serial);
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
    m_server = Dialect::isServerUrl(dataSource);
    QSqlDatabase db = JobDatabase::open(dataSource, m_connectionName, nullptr, nullptr, 0);
    if (m_server && db.isOpen() && db.driver()->subscribeToNotification(channel())) {
        connect(db.driver(), &QSqlDriver::notification, this, [this] {
            m_changed = true;
            emit changed();
        });
    }
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
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        if (db.driver())
            db.driver()->disconnect(this);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connectionName);
}
