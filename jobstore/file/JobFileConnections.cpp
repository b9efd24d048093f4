// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/file/JobFileConnections.h"

#include <QFileInfo>
#include <QHash>
#include <QSqlError>
#include <QUrl>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace JobFileConnections
{

namespace
{

enum class State { Opening, Open, Closed };

struct Entry {
    QString file;
    QString mode;
    QString options;
    std::thread::id thread;
    State state;
};

struct Hold {
    std::thread::id thread;
    int count = 0;
};

struct Registry {
    std::mutex mutex;
    std::condition_variable changed;
    QHash<QString, Entry> entries; // by connection name
    QHash<QString, Hold> held;     // by file
};

Registry &registry()
{
    static Registry state;
    return state;
}

QString fileOf(const QString &path)
{
    return QFileInfo(path).absoluteFilePath();
}

QString uriFor(const QString &file, const QString &mode)
{
    return QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded) + QStringLiteral("?mode=") + mode;
}

void setState(const QString &name, State state)
{
    Registry &r = registry();
    {
        std::lock_guard lock(r.mutex);
        const auto it = r.entries.find(name);
        if (it != r.entries.end())
            it->state = state;
    }
    r.changed.notify_all();
}

// Opens `name` once the registry knows of it, so an Exclusive begun meanwhile waits for it.
QSqlDatabase openEntry(const QString &name, const Entry &entry, QString *error)
{
    Registry &r = registry();
    {
        std::lock_guard lock(r.mutex);
        const auto hold = r.held.constFind(entry.file);
        if (hold != r.held.constEnd() && hold->count > 0 && hold->thread != entry.thread) {
            if (error)
                *error = QStringLiteral("the job file %1 is being replaced").arg(entry.file);
            return QSqlDatabase();
        }
        r.entries.insert(name, entry);
    }
    QSqlDatabase db = QSqlDatabase::contains(name) ? QSqlDatabase::database(name, false)
                                                   : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.close();
    db.setDatabaseName(uriFor(entry.file, entry.mode));
    db.setConnectOptions(entry.options);
    const bool opened = db.open();
    if (!opened && error)
        *error = db.lastError().text();
    setState(name, opened ? State::Open : State::Closed);
    return db;
}

bool isOpenOn(const Entry &entry, const QStringList &files)
{
    return entry.state != State::Closed && files.contains(entry.file);
}

} // namespace

QSqlDatabase open(const QString &path, const QString &name, const char *mode, const QString &options, QString *error)
{
    // SQLite would take "?mode=rw" for a file's name and make it in whatever folder is current.
    if (path.isEmpty()) {
        if (error)
            *error = QStringLiteral("no job file was named");
        return QSqlDatabase();
    }
    return openEntry(
        name, Entry{fileOf(path), QLatin1String(mode), options, std::this_thread::get_id(), State::Opening}, error);
}

QSqlDatabase openLike(const QString &model, const QString &name, QString *error)
{
    Entry entry;
    {
        Registry &r = registry();
        std::lock_guard lock(r.mutex);
        const auto it = r.entries.constFind(model);
        if (it == r.entries.constEnd())
            return QSqlDatabase();
        entry = *it;
    }
    entry.thread = std::this_thread::get_id();
    entry.state = State::Opening;
    return openEntry(name, entry, error);
}

bool owns(const QString &name)
{
    Registry &r = registry();
    std::lock_guard lock(r.mutex);
    return r.entries.contains(name);
}

void close(const QString &name)
{
    Registry &r = registry();
    {
        std::lock_guard lock(r.mutex);
        if (!r.entries.contains(name))
            return;
    }
    if (QSqlDatabase::contains(name)) {
        {
            QSqlDatabase db = QSqlDatabase::database(name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
    }
    {
        std::lock_guard lock(r.mutex);
        r.entries.remove(name);
    }
    r.changed.notify_all();
}

int openCount(const QString &path)
{
    const QStringList files{fileOf(path)};
    Registry &r = registry();
    std::lock_guard lock(r.mutex);
    int count = 0;
    for (const Entry &entry : std::as_const(r.entries))
        count += isOpenOn(entry, files) ? 1 : 0;
    return count;
}

Notifier *Notifier::instance()
{
    static Notifier notifier;
    return &notifier;
}

Exclusive::Exclusive(const QStringList &paths, int waitMilliseconds) : m_wait(waitMilliseconds)
{
    for (const QString &path : paths)
        m_paths << fileOf(path);
    Registry &r = registry();
    {
        std::unique_lock lock(r.mutex);
        const auto me = std::this_thread::get_id();
        // Only one thread replaces a file at a time; a second waits for the first.
        r.changed.wait(lock, [&] {
            for (const QString &file : std::as_const(m_paths)) {
                const Hold hold = r.held.value(file);
                if (hold.count > 0 && hold.thread != me)
                    return false;
            }
            return true;
        });
        for (const QString &file : std::as_const(m_paths)) {
            Hold &hold = r.held[file];
            hold.thread = me;
            ++hold.count;
        }
    }
    emit Notifier::instance()->closing(m_paths);
    closeAgain();
}

Exclusive::~Exclusive()
{
    Registry &r = registry();
    {
        std::lock_guard lock(r.mutex);
        for (const QString &file : std::as_const(m_paths)) {
            Hold &hold = r.held[file];
            if (--hold.count <= 0)
                r.held.remove(file);
        }
    }
    r.changed.notify_all();
}

bool Exclusive::closeAgain()
{
    Registry &r = registry();
    const auto me = std::this_thread::get_id();
    QStringList mine;
    {
        std::lock_guard lock(r.mutex);
        for (auto it = r.entries.cbegin(); it != r.entries.cend(); ++it) {
            if (it->thread == me && isOpenOn(*it, m_paths))
                mine << it.key();
        }
    }
    // Closed, not removed: their holders find them closed and open them again on the new file.
    for (const QString &name : std::as_const(mine)) {
        if (QSqlDatabase::contains(name)) {
            QSqlDatabase db = QSqlDatabase::database(name, false);
            db.close();
        }
        setState(name, State::Closed);
    }
    std::unique_lock lock(r.mutex);
    m_ok = r.changed.wait_for(lock, std::chrono::milliseconds(m_wait), [&] {
        for (const Entry &entry : std::as_const(r.entries)) {
            if (entry.thread != me && isOpenOn(entry, m_paths))
                return false;
        }
        return true;
    });
    if (!m_ok)
        m_error = QStringLiteral("a connection to %1 on another thread stayed open for %2 ms")
                      .arg(m_paths.join(QStringLiteral(", ")))
                      .arg(m_wait);
    return m_ok;
}

} // namespace JobFileConnections
