// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>

class QSqlDatabase;
struct pg_conn;

// Keeps a counter's window alive while the shop's database server does not answer. Libpq waits
// for a reply without limit, and a stopped or stalled server never sends one (its own statement
// limit cannot run either). The watch cuts the lines of the window thread's server connections once
// that thread has been held longer than the limit, so the waiting query fails at once; and a
// thread of its own asks the server now and then whether it answers, so nothing on the window's
// thread ever waits to find out.
class ServerWatch : public QObject
{
    Q_OBJECT

public:
    // Starts watching the server at `url`; `limit` is how long the window's thread may be held.
    static void start(const QString &url, int limit = 4000);
    static void stop();
    static bool running();
    static ServerWatch *instance();

    // True unless the server has been found not to answer; always true when not running.
    static bool answering();
    // When it stopped answering, or when it answered again.
    static QDateTime since();

    // Connections opened on the window's thread are watched until closed.
    static void track(const QString &connectionName, const QSqlDatabase &db);
    static void untrack(const QString &connectionName);
    // Whether the connection's line is still whole, known without asking the server.
    static bool lineWhole(const QSqlDatabase &db);
    // libpq's own handle of a server connection, or null.
    static pg_conn *handleOf(const QSqlDatabase &db);

    // While one lives, the window's thread may be held without its lines being cut: for a copy of
    // every job, which keeps no window waiting on the server's answer to one question.
    class Patience
    {
    public:
        Patience();
        ~Patience();
        Patience(const Patience &) = delete;
        Patience &operator=(const Patience &) = delete;
    };

signals:
    // The server stopped answering (false) or answers again (true); on the window's thread.
    void answeringChanged(bool answering);

private:
    using QObject::QObject;
};
