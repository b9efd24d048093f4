// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/ImportCommand.h"

#include "jobstore/AccessImport.h"
#include "jobstore/DataFolder.h"
#include "jobstore/Dialect.h"
#include "jobstore/JobDatabase.h"
#include "jobstore/ProgramValues.h"
#include "jobstore/ServerSettings.h"
#include "mainwindow/AccessImports.h"
#include "platform/AppSetup.h"
#include "platform/BidiText.h"
#include "platform/ErrorLog.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>

#include <cstdio>
#include <cstring>

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
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--import") == 0 || std::strncmp(argv[i], "--import=", 9) == 0)
            return true;
    }
    return false;
}

int run(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    AppSetup::setIdentity(app);
    QCommandLineParser parser;
    const QCommandLineOption import(QStringLiteral("import"), QStringLiteral("Access job file to import."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption dataDir(QStringLiteral("data-dir"), QStringLiteral("Folder of db1.mdb."),
                                     QStringLiteral("DIR"));
    const QCommandLineOption database(QStringLiteral("database"), QStringLiteral("The shop's database server."),
                                      QStringLiteral("URL"));
    parser.addOptions({import, dataDir, database});
    if (!parser.parse(QCoreApplication::arguments()) || parser.value(import).isEmpty()) {
        print(stderr, parser.errorText().isEmpty() ? QStringLiteral("--import needs the Access file to import")
                                                   : parser.errorText());
        return 2;
    }
    const QString file = parser.value(import);
    const QString folder = Program::chooseDataFolder(parser.value(dataDir), QCoreApplication::applicationDirPath(),
                                                     Program::userDataFolder());
    if (!QDir().mkpath(folder)) {
        print(stderr, QStringLiteral("Cannot use the data folder %1").arg(folder));
        return 2;
    }
    Program::setDataFolder(folder);
    // Read as the window reads it, so an import never reaches the server in clear where the ini's
    // sslmode line asks for encryption.
    QString refusal;
    const QString server =
        Program::serverAddress(parser.value(database), QDir(folder).filePath(QStringLiteral("velmora.ini")), &refusal);
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
