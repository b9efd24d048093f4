// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/CounterCommand.h"

#include "jobstore/file/DataFolder.h"
#include "jobstore/file/JobDatabase.h"
#include "jobstore/server/CounterAccounts.h"
#include "jobstore/server/Dialect.h"
#include "jobstore/server/ServerPool.h"
#include "jobstore/server/ServerSettings.h"
#include "platform/AppSetup.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QSqlDatabase>

#include <cstdio>
#include <iostream>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace CounterCommand
{

namespace
{

void print(FILE *stream, const QString &text)
{
    std::fputs((text + u'\n').toUtf8().constData(), stream);
}

// One line of standard input; on a terminal it is not shown as it is typed.
std::string readSecret(const char *prompt)
{
    const bool terminal = isatty(STDIN_FILENO);
    termios saved{};
    if (terminal) {
        std::fputs(prompt, stderr);
        tcgetattr(STDIN_FILENO, &saved);
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    std::string line;
    std::getline(std::cin, line);
    if (terminal) {
        tcsetattr(STDIN_FILENO, TCSANOW, &saved);
        std::fputs("\n", stderr);
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

// The password, asked twice on a terminal so a slip of the hand does not lock the counter out.
bool readPassword(QString *password)
{
    const std::string first = readSecret("Password / رمز: ");
    if (isatty(STDIN_FILENO) && readSecret("Again / دوباره: ") != first) {
        print(stderr, QStringLiteral("The two passwords differ; no account was made.\n"
                                     "دو رمز يکي نيستند؛ حسابي ساخته نشد."));
        return false;
    }
    *password = QString::fromStdString(first);
    return true;
}

} // namespace

bool isAsked(int argc, char *argv[])
{
    return AppSetup::isAsked(argc, argv, "--add-counter") || AppSetup::isAsked(argc, argv, "--remove-counter");
}

int run(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    AppSetup::setIdentity(app);
    QCommandLineParser parser;
    const QCommandLineOption add(QStringLiteral("add-counter"), QStringLiteral("Counter account to make."),
                                 QStringLiteral("NAME"));
    const QCommandLineOption remove(QStringLiteral("remove-counter"), QStringLiteral("Counter account to end."),
                                    QStringLiteral("NAME"));
    AppSetup::addStoreOptions(parser);
    parser.addOptions({add, remove});
    if (!parser.parse(QCoreApplication::arguments()) || parser.isSet(add) == parser.isSet(remove)) {
        print(stderr, parser.errorText().isEmpty()
                          ? QStringLiteral("Give one of --add-counter NAME or --remove-counter NAME")
                          : parser.errorText());
        return 2;
    }
    const QString name = parser.value(parser.isSet(add) ? add : remove);
    // Refused before a password is asked for.
    if (const QString refusal = CounterAccounts::nameRefusal(name); !refusal.isEmpty()) {
        print(stderr, refusal);
        return 2;
    }
    const QString folder = Program::chooseDataFolder(parser.value(QStringLiteral("data-dir")),
                                                     QCoreApplication::applicationDirPath(), Program::userDataFolder());
    QString refusal;
    const QString url = Program::serverAddress(parser.value(QStringLiteral("database")),
                                               QDir(folder).filePath(QStringLiteral("velmora.ini")), &refusal);
    if (!refusal.isEmpty()) {
        print(stderr, refusal);
        return 3;
    }
    QString why;
    if (url.isEmpty() || !Dialect::parseServerUrl(url, &why)) {
        print(stderr, QStringLiteral("No database server: give --database postgresql://OWNER@HOST/DB or "
                                     "database= in %1. %2\n"
                                     "نشاني سرور پايگاه داده داده نشده يا درست نيست.")
                          .arg(QDir(folder).filePath(QStringLiteral("velmora.ini")), why));
        return 3;
    }
    QString password;
    if (parser.isSet(add) && !readPassword(&password))
        return 2;
    // The owner's start makes the tables and brings an earlier version's history up to date; the
    // grants that follow name them.
    const JobDatabase::Check check = JobDatabase::ensure(url);
    if (check.state != JobDatabase::State::Ready && check.state != JobDatabase::State::Created) {
        print(stderr, QStringLiteral("The server's job database cannot be used: %1\n"
                                     "پايگاه داده کارها روي سرور در دسترس نيست.")
                          .arg(check.detail));
        return 4;
    }
    const QString connection = ServerPool::acquire(url, &why);
    if (connection.isEmpty()) {
        print(stderr, QStringLiteral("The server cannot be reached: %1\nسرور در دسترس نيست.").arg(why));
        return 4;
    }
    CounterAccounts::Outcome outcome;
    {
        const QSqlDatabase db = QSqlDatabase::database(connection, false);
        outcome = parser.isSet(add) ? CounterAccounts::add(db, name, password) : CounterAccounts::remove(db, name);
    }
    ServerPool::release(connection);
    ServerPool::closeIdle();
    print(outcome.ok ? stdout : stderr, outcome.message);
    return outcome.ok ? 0 : 1;
}

} // namespace CounterCommand
