// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

class QTimer;

class QSqlDatabase;

// Tells a counter that the jobs changed, wherever the change was made: on a server, by its
// notifications (the server sends one for every statement that changes table1); in the job file,
// by SQLite's data version, which moves with every write by any other connection. Either way it
// costs no query of the jobs themselves.
class JobChanges : public QObject
{
    Q_OBJECT

public:
    explicit JobChanges(QObject *parent = nullptr);
    ~JobChanges() override;

    // Starts watching the job file or server named by `dataSource`; reports a change at once.
    void watch(const QString &dataSource);

    // True when the jobs may have changed since the last call; a watch that cannot tell says yes.
    bool takeChanged();

    // The name of the server's notification.
    static QString channel();

    // How often the server's listening connection is checked; a dropped one is made again.
    void setCheckInterval(int milliseconds);

signals:
    // Another counter (or another window) changed the jobs on the server.
    void changed();

private:
    void close();
    void checkConnection();
    QSqlDatabase connection() const;

    QString m_connectionName;
    QString m_dataSource;
    QTimer *m_check;
    bool m_server = false;
    bool m_changed = true;
    qint64 m_dataVersion = -1;
};
