// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/server/ServerWatch.h"

#include "jobstore/file/JobDatabase.h"
#include "jobstore/server/Dialect.h"

#include <QCoreApplication>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QThread>
#include <QTimer>

#include <libpq-fe.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace
{

using Clock = std::chrono::steady_clock;

qint64 nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count();
}

PGconn *connectionOf(const QSqlDatabase &db)
{
    if (!db.isValid() || !Dialect::isServer(db) || !db.driver())
        return nullptr;
    const QVariant handle = db.driver()->handle();
    // The driver names libpq's handle by its struct's name.
    const bool libpq = qstrcmp(handle.typeName(), "PGconn*") == 0 || qstrcmp(handle.typeName(), "pg_conn*") == 0;
    return handle.isValid() && libpq ? *static_cast<PGconn *const *>(handle.data()) : nullptr;
}

struct State {
    std::mutex mutex;
    std::condition_variable wake;
    QHash<QString, PGconn *> lines; // the window thread's connections
    PGconn *probe = nullptr;        // the probe's own, while it asks
    qint64 probeDeadline = 0;
    std::atomic<qint64> beat = 0; // when the window's thread last ran its event loop
    std::atomic<int> patience = 0;
    std::atomic<bool> answering = true;
    std::atomic<qint64> since = 0; // ms since the epoch of the wall clock
    std::atomic<bool> stopping = false;
    std::atomic<bool> probeNow = false; // after a cut: is it the server, or only the one line?
    int limit = 4000;
    QString url;
    std::thread guard;
    std::thread prober;
    QTimer *heartbeat = nullptr;
};

State &state()
{
    static State s;
    return s;
}

void cut(PGconn *conn)
{
    const int socket = conn ? PQsocket(conn) : -1;
    if (socket >= 0)
        ::shutdown(socket, SHUT_RDWR);
}

void setAnswering(bool answering)
{
    State &s = state();
    if (s.answering.exchange(answering) == answering)
        return;
    s.since = QDateTime::currentMSecsSinceEpoch();
    QMetaObject::invokeMethod(
        ServerWatch::instance(), [answering] { emit ServerWatch::instance()->answeringChanged(answering); },
        Qt::QueuedConnection);
}

// Cuts the lines of a window thread held past the limit, and a probe that waits past its own.
void guardLoop()
{
    State &s = state();
    bool cutThisHold = false;
    while (!s.stopping) {
        std::unique_lock lock(s.mutex);
        s.wake.wait_for(lock, std::chrono::milliseconds(100));
        const qint64 now = nowMs();
        if (s.probe && s.probeDeadline && now > s.probeDeadline) {
            cut(s.probe);
            s.probeDeadline = 0;
        }
        const bool held = s.patience == 0 && now - s.beat > s.limit;
        if (held && !cutThisHold) {
            // Known before the waiting query fails, so the window asks no new connection of it.
            setAnswering(false);
            for (PGconn *conn : std::as_const(s.lines))
                cut(conn);
            cutThisHold = true;
            s.probeNow = true;
            lock.unlock();
            s.wake.notify_all();
        } else if (!held) {
            cutThisHold = false;
        }
    }
}

// Asks the server every ten seconds whether it answers, every two while it does not.
void probeLoop()
{
    State &s = state();
    const QString name = QStringLiteral("server-watch-probe");
    const std::optional<Dialect::ServerAddress> address = Dialect::parseServerUrl(s.url);
    while (!s.stopping && address) {
        bool answered = false;
        {
            QSqlDatabase db = QSqlDatabase::database(name, false);
            if (!db.isValid() || !db.isOpen() || !ServerWatch::lineWhole(db))
                db = Dialect::openServer(*address, name);
            if (db.isOpen()) {
                {
                    std::lock_guard lock(s.mutex);
                    s.probe = connectionOf(db);
                    s.probeDeadline = nowMs() + 2000;
                }
                QSqlQuery query(db);
                answered = query.exec(QStringLiteral("select 1")) && query.next();
                std::lock_guard lock(s.mutex);
                s.probe = nullptr;
                s.probeDeadline = 0;
            }
            if (!answered)
                db.close();
        }
        setAnswering(answered);
        std::unique_lock lock(s.mutex);
        s.wake.wait_for(lock, std::chrono::seconds(answered ? 10 : 2),
                        [&s] { return s.stopping.load() || s.probeNow.load(); });
        s.probeNow = false;
    }
    JobDatabase::close(name);
}

} // namespace

ServerWatch *ServerWatch::instance()
{
    static ServerWatch *watch = new ServerWatch(QCoreApplication::instance());
    return watch;
}

void ServerWatch::start(const QString &url, int limit)
{
    stop();
    State &s = state();
    s.url = url;
    s.limit = limit;
    s.stopping = false;
    s.answering = true;
    s.since = QDateTime::currentMSecsSinceEpoch();
    s.beat = nowMs();
    if (!s.heartbeat) {
        s.heartbeat = new QTimer(instance());
        s.heartbeat->setInterval(200);
        connect(s.heartbeat, &QTimer::timeout, instance(), [] { state().beat = nowMs(); });
    }
    s.heartbeat->start();
    s.guard = std::thread(guardLoop);
    s.prober = std::thread(probeLoop);
    static bool stoppedAtExit = false;
    if (!std::exchange(stoppedAtExit, true))
        qAddPostRoutine(stop);
}

void ServerWatch::stop()
{
    State &s = state();
    if (!s.guard.joinable())
        return;
    {
        std::lock_guard lock(s.mutex);
        s.stopping = true;
        cut(s.probe); // a probe waiting on a stopped server would hold the program's end
    }
    s.wake.notify_all();
    s.guard.join();
    s.prober.join();
    if (s.heartbeat)
        s.heartbeat->stop();
    s.answering = true;
}

bool ServerWatch::running()
{
    return state().guard.joinable();
}

bool ServerWatch::answering()
{
    return state().answering;
}

QDateTime ServerWatch::since()
{
    return QDateTime::fromMSecsSinceEpoch(state().since);
}

void ServerWatch::track(const QString &connectionName, const QSqlDatabase &db)
{
    if (!QCoreApplication::instance() || QThread::currentThread() != QCoreApplication::instance()->thread())
        return;
    PGconn *conn = connectionOf(db);
    std::lock_guard lock(state().mutex);
    if (conn)
        state().lines.insert(connectionName, conn);
    else
        state().lines.remove(connectionName);
}

void ServerWatch::untrack(const QString &connectionName)
{
    std::lock_guard lock(state().mutex);
    state().lines.remove(connectionName);
}

pg_conn *ServerWatch::handleOf(const QSqlDatabase &db)
{
    return connectionOf(db);
}

bool ServerWatch::lineWhole(const QSqlDatabase &db)
{
    PGconn *conn = connectionOf(db);
    return conn && PQstatus(conn) == CONNECTION_OK;
}

ServerWatch::Patience::Patience()
{
    ++state().patience;
}

ServerWatch::Patience::~Patience()
{
    state().beat = nowMs();
    --state().patience;
}
