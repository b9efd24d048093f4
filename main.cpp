#include "jobstore/DataFolder.h"
#include "jobstore/DataFolderLock.h"
#include "jobstore/ProgramValues.h"
#include "mainwindow/first.h"
#include "platform/AppSetup.h"
#include "platform/BidiText.h"
#include "platform/MessageBox.h"
#include "platform/RunOptions.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    AppSetup::setIdentity(app);

    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption dataDir(
        QStringLiteral("data-dir"),
        QStringLiteral("Folder of db1.mdb and edit.txt (default: the program's folder when the "
                       "user can write it, else ~/.local/share/Velmora)."),
        QStringLiteral("DIR"));
    const QCommandLineOption printToPdf(QStringLiteral("print-to-pdf"),
                                        QStringLiteral("Write every print job as the next numbered PDF in DIR."),
                                        QStringLiteral("DIR"));
    parser.addOption(dataDir);
    parser.addOption(printToPdf);
    // Parsed once quietly first, so that --help can name the data folder the options lead to.
    parser.parse(QApplication::arguments());
    const QString dataFolder =
        Program::chooseDataFolder(parser.value(dataDir), QApplication::applicationDirPath(), Program::userDataFolder());
    parser.setApplicationDescription(QStringLiteral("Velmora: a mobile-phone repair shop's counter.\n"
                                                    "Data folder in use: %1")
                                         .arg(QDir::toNativeSeparators(dataFolder)));
    parser.process(app);

    if (!QDir().mkpath(dataFolder)) {
        qCritical("Cannot use the data folder %s", qPrintable(dataFolder));
        return 2;
    }
    Program::setDataFolder(dataFolder);
    if (parser.isSet(printToPdf)) {
        const QString folder = parser.value(printToPdf);
        if (!QDir().mkpath(folder)) {
            qCritical("Cannot use the PDF folder %s", qPrintable(folder));
            return 2;
        }
        RunOptions::printToPdfFolder = QDir(folder).absolutePath();
    }

    AppSetup::applyLookAndFeel(app);
    // Held until the program ends; a crashed program's lock is taken over.
    DataFolderLock lock(Program::dataFolder());
    if (!lock.tryLock()) {
        MessageBox::critical(nullptr, QStringLiteral("برنامه Velmora هم اکنون روي پوشه %1 در حال اجراست.\n"
                                                     "همان پنجره را از نوار وظيفه يا کنار ساعت باز کنيد.")
                                          .arg(isolated(QDir::toNativeSeparators(Program::dataFolder()))));
        return 3;
    }
    // The splash stays loaded, hidden, until the program ends.
    first splash;
    splash.show();
    return app.exec();
}
