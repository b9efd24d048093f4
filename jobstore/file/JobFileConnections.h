// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <QtGlobal>

// The one owner of every connection to a job file, on any thread. A connection left open while its
// file is renamed keeps reading the renamed file: it takes the next file's journal for its own and
// rolls it back into the wrong file. So every connection is opened here, and a step that renames,
// replaces or removes a job file first closes them all (Exclusive).
namespace JobFileConnections
{

// Adds and opens the SQLite connection `name` on the calling thread, on the file at `path` with the
// URI mode `mode` ("ro", "rw", "rwc") and Qt's connect `options`. An existing connection of that
// name is reopened. While another thread holds the file Exclusive the connection is not opened
// and says why.
QSqlDatabase open(const QString &path, const QString &name, const char *mode, const QString &options,
                  QString *error = nullptr);

// A second connection, on the calling thread, to the job file the connection `model` is open on;
// an invalid one when `model` is not a job file's connection.
QSqlDatabase openLike(const QString &model, const QString &name, QString *error = nullptr);

// True when `name` is a job file's connection opened here.
bool owns(const QString &name);

// Closes and removes the connection `name`; only its own thread may.
void close(const QString &name);

// How many connections are open on the file at `path`, on every thread.
int openCount(const QString &path);

// Told, on the holding thread, before an Exclusive closes the connections of its files, so that
// the objects holding them (data controls, the change watch) let go of their queries first.
class Notifier : public QObject
{
    Q_OBJECT

public:
    static Notifier *instance();

signals:
    void closing(const QStringList &paths);
};

// Holds job files while they are renamed, replaced or removed: every connection to them is closed
// (this thread's at once; other threads' are waited for) and no other thread opens one until it
// ends. The holding thread may open connections meanwhile, for the step's own work; whatever it
// opened is closed again by closeAgain() before the next rename.
class Exclusive
{
public:
    explicit Exclusive(const QStringList &paths, int waitMilliseconds = 60000);
    ~Exclusive();
    Exclusive(const Exclusive &) = delete;
    Exclusive &operator=(const Exclusive &) = delete;

    // False when another thread kept a connection open past the wait: nothing may touch the files.
    bool ok() const { return m_ok; }
    QString error() const { return m_error; }
    bool closeAgain();

private:
    QStringList m_paths;
    int m_wait;
    bool m_ok = false;
    QString m_error;
};

} // namespace JobFileConnections
