// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/KeyReader.h"

#include "jobstore/file/JobDatabase.h"
#include "jobstore/file/JobFileConnections.h"
#include "jobstore/server/Dialect.h"
#include "jobstore/server/ServerWatch.h"

#include <QCoreApplication>
#include <QHash>
#include <QPointer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <libpq-fe.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace KeyReader
{

namespace
{

struct Request {
    quint64 id;
    QObject *context; // only compared, never used on the reading thread
    QString connectionName;
    Read read;
};

// What waits on the window's thread for a request's answer.
struct Waiting {
    QPointer<QObject> context;
};

struct Reader {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<Request> queue;
    std::thread thread;
    bool stopping = false;
    quint64 lastId = 0;
    QObject *reading = nullptr;      // the context whose request is being read
    std::atomic<bool> given{false};  // that read gave way to a newer request of its context
    std::shared_ptr<PGcancel> cancel; // stops that read's statement on a server
    QHash<quint64, Waiting> waiting; // touched on the window's thread only

    // A program that ends without its application object going first must not end on a running
    // thread.
    ~Reader()
    {
        {
            std::lock_guard lock(mutex);
            stopping = true;
        }
        wake.notify_all();
        if (thread.joinable())
            thread.join();
    }
};

Reader &reader()
{
    static Reader state;
    return state;
}

std::function<void()> readOver(const Request &request)
{
    std::function<void()> answer;
    const QString name = QStringLiteral("keyreader");
    {
        // A job file's connection is owned, so a restore or an import waits for this read to end.
        const bool file = JobFileConnections::owns(request.connectionName);
        QSqlDatabase db = file ? JobFileConnections::openLike(request.connectionName, name)
                               : QSqlDatabase::cloneDatabase(request.connectionName, name);
        if (!file && !db.isOpen())
            db.open();
        // A server goes on with a statement its reader let go of, for a million ids a second of its
        // processor that the window's next search waits for: one given way is stopped there too.
        PGconn *conn = file ? nullptr : ServerWatch::handleOf(db);
        bool given = false;
        {
            std::lock_guard lock(reader().mutex);
            if (PGcancel *cancel = conn ? PQgetCancel(conn) : nullptr)
                reader().cancel.reset(cancel, PQfreeCancel);
            given = reader().given;
        }
        // Given way before it began: nobody waits for it.
        if (!given)
            answer = request.read(db);
        {
            std::lock_guard lock(reader().mutex);
            reader().cancel.reset();
        }
        db.close();
    }
    JobDatabase::close(name);
    return answer;
}

QVector<qint64> readKeys(QSqlDatabase &db, const SqlText &source, bool *ok)
{
    QVector<qint64> keys;
    *ok = db.isOpen();
    if (!*ok)
        return keys;
    const bool file = !Dialect::isServer(db);
    QSqlQuery query(db);
    query.setForwardOnly(true);
    *ok = query.prepare(source.sql);
    for (const QVariant &value : source.values)
        query.addBindValue(value);
    *ok = *ok && query.exec();
    // A million ids nobody waits for any more would hold the processor from the window.
    while (*ok && query.next()) {
        keys.append(query.value(0).toLongLong());
        if (file && keys.size() % 4096 == 0 && reader().given.load(std::memory_order_relaxed))
            *ok = false;
    }
    *ok = *ok && !query.lastError().isValid();
    return keys;
}

void serve()
{
    Reader &state = reader();
    for (;;) {
        Request request;
        {
            std::unique_lock lock(state.mutex);
            state.wake.wait(lock, [&state] { return state.stopping || !state.queue.empty(); });
            if (state.stopping)
                return;
            request = std::move(state.queue.front());
            state.queue.pop_front();
            state.reading = request.context;
            state.given = false;
        }
        std::function<void()> answer = readOver(request);
        std::lock_guard lock(state.mutex);
        state.reading = nullptr;
        // Nothing is handed over once the application is going away.
        if (state.stopping)
            return;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [id = request.id, answer = std::move(answer)] {
                const Waiting waiting = reader().waiting.take(id);
                if (waiting.context && answer)
                    answer();
            },
            Qt::QueuedConnection);
    }
}

void stop()
{
    Reader &state = reader();
    {
        std::lock_guard lock(state.mutex);
        state.stopping = true;
        state.queue.clear();
    }
    state.wake.notify_all();
    if (state.thread.joinable())
        state.thread.join();
    state.waiting.clear();
    state.stopping = false;
}

// Under the reader's lock: a request of `context` waiting is dropped, one being read is stopped.
void giveWay(Reader &state, QObject *context)
{
    if (state.reading == context) {
        state.given = true;
        // Asked on a thread of its own: it connects to the server, which may not answer at all.
        if (state.cancel) {
            std::thread([cancel = state.cancel] {
                char why[256];
                PQcancel(cancel.get(), why, sizeof why);
            }).detach();
        }
    }
    for (auto it = state.queue.begin(); it != state.queue.end();) {
        if (it->context == context) {
            state.waiting.remove(it->id);
            it = state.queue.erase(it);
        } else {
            ++it;
        }
    }
}

} // namespace

void request(QObject *context, const QString &connectionName, const SqlText &source, Done done)
{
    run(context, connectionName, [source, done = std::move(done)](QSqlDatabase &db) -> std::function<void()> {
        bool ok = false;
        QVector<qint64> keys = readKeys(db, source, &ok);
        return [ok, keys = std::move(keys), done] { done(ok, keys); };
    });
}

void run(QObject *context, const QString &connectionName, Read read)
{
    Reader &state = reader();
    if (!state.thread.joinable()) {
        state.thread = std::thread(serve);
        qAddPostRoutine(stop);
    }
    std::lock_guard lock(state.mutex);
    giveWay(state, context);
    const quint64 id = ++state.lastId;
    state.waiting.insert(id, {context});
    state.queue.push_back({id, context, connectionName, std::move(read)});
    state.wake.notify_one();
}

void forget(QObject *context)
{
    Reader &state = reader();
    std::lock_guard lock(state.mutex);
    giveWay(state, context);
}

} // namespace KeyReader
