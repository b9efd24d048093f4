// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/ImportCommand.h"

#include "jobstore/ProgramValues.h"
#include "jobstore/access/AccessImport.h"
#include "jobstore/file/DataFolder.h"
#include "jobstore/file/JobDatabase.h"
#include "jobstore/server/Dialect.h"
#include "jobstore/server/ServerSettings.h"
#include "mainwindow/AccessImports.h"
#include "platform/AppSetup.h"
#include "platform/BidiText.h"
#include "platform/ErrorLog.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>

#include <cstdio>

namespace ImportCommand
{

namespace
{

// A terminal shows the isolates that keep a path in order inside a Persian sentence as nothing at
// best; plain text reads the same there.
void print(FILE *stream, QString text)
{
    text.remove(QChar(0x2066)).remove(QChar(0x2069));
    std::fputs((text + u'\n').toUtf8().constData(), stream);
}

int fail(const QString &reason, const QString &detail, int code)
{
    ErrorLog::record(reason, detail);
    return code;
}

} // namespace

bool isAsked(int argc, char *argv[])
{
    return AppSetup::isAsked(argc, argv, "--import");
}

int run(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    AppSetup::setIdentity(app);
    QCommandLineParser parser;
    const QCommandLineOption import(QStringLiteral("import"), QStringLiteral("Access job file to import."),
                                    QStringLiteral("FILE"));
    AppSetup::addStoreOptions(parser);
    parser.addOption(import);
    if (!parser.parse(QCoreApplication::arguments()) || parser.value(import).isEmpty()) {
        print(stderr, parser.errorText().isEmpty() ? QStringLiteral("--import needs the Access file to import")
                                                   : parser.errorText());
        return 2;
    }
    const QString file = parser.value(import);
    const QString folder = Program::chooseDataFolder(parser.value(QStringLiteral("data-dir")),
                                                     QCoreApplication::applicationDirPath(), Program::userDataFolder());
    if (!QDir().mkpath(folder)) {
        print(stderr, QStringLiteral("Cannot use the data folder %1").arg(folder));
        return 2;
    }
    Program::setDataFolder(folder);
    // Read as a counter's start reads it: the ini's TLS lines too, and never a password others may read.
    QString refusal;
    const QString server = Program::serverAddress(parser.value(QStringLiteral("database")),
                                                  QDir(folder).filePath(QStringLiteral("velmora.ini")), &refusal);
    if (!refusal.isEmpty())
        return fail(refusal, QString(), 4);
    if (!server.isEmpty() && !Dialect::parseServerUrl(server))
        return fail(QStringLiteral("نشاني پايگاه داده درست نيست: %1").arg(isolated(server)), QString(), 4);
    Program::setDatabaseServer(server);

    const QString store = Program::databasePath();
    const JobDatabase::Check check = JobDatabase::ensure(store);
    if (check.state != JobDatabase::State::Ready && check.state != JobDatabase::State::Created)
        return fail(QStringLiteral("پايگاه داده %1 براي ورود کارها در دسترس نيست يا پايگاه داده تعميرگاه نيست.")
                        .arg(isolated(QDir::toNativeSeparators(store))),
                    check.detail, 4);

    const AccessImport::Outcome outcome = AccessImport::run(file, store);
    if (!outcome.ok)
        return fail(outcome.reason, outcome.detail, 1);
    const QString saved = AccessImports::saveSummary(outcome, file);
    print(stdout, AccessImport::summary(outcome, file));
    if (!saved.isEmpty())
        print(stdout, QStringLiteral("\nاين خلاصه در فايل %1 هم نوشته شد.").arg(QDir::toNativeSeparators(saved)));
    return 0;
}

} // namespace ImportCommand
