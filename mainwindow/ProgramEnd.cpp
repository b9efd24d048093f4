// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/ProgramEnd.h"

#include "jobstore/ProgramValues.h"
#include "jobstore/file/JobDatabase.h"
#include "mainwindow/DatabaseCopies.h"
#include "platform/BackgroundWork.h"
#include "platform/BidiText.h"
#include "platform/ErrorLog.h"
#include "platform/MessageBox.h"
#include "platform/SessionEnd.h"
#include "platform/System.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QWidget>

#include <utility>

namespace ProgramEnd
{

namespace
{

// When the session manager's save made the exit copy; the end that follows need not make it again
// unless the job file changed since.
QDateTime savedForSession;

void say(QWidget *owner, DatabaseCopies::ExitCopyResult result, const QString &detail)
{
    using DatabaseCopies::ExitCopyResult;
    const QString copy = isolated(QDir::toNativeSeparators(DatabaseCopies::exitCopyPath()));
    QString text;
    switch (result) {
    case ExitCopyResult::Written:
    case ExitCopyResult::AlreadyMade:
        return;
    case ExitCopyResult::KeptPrevious:
        text = QStringLiteral("فايل اطلاعات هيچ کاري ندارد، پس نسخه خروج %1 عوض نشد و کارهاي آن حفظ شد.").arg(copy);
        break;
    case ExitCopyResult::NoDatabase:
        text = QStringLiteral("نسخه خروج ساخته نشد، چون فايل اطلاعاتي در پوشه %1 نيست.\n"
                              "نسخه قبلي در %2 دست نخورده ماند.")
                   .arg(isolated(QDir::toNativeSeparators(Program::dataFolder())), copy);
        break;
    case ExitCopyResult::NotUsable:
        text = QStringLiteral("نسخه خروج ساخته نشد، چون فايل اطلاعات خوانده نمي شود.\n"
                              "نسخه قبلي در %1 دست نخورده ماند.")
                   .arg(copy);
        break;
    case ExitCopyResult::Failed:
        text = QStringLiteral("نسخه خروج در %1 نوشته نشد (مثلا ديسک پر است).\nنسخه قبلي در همان جا دست نخورده ماند.")
                   .arg(copy);
        break;
    }
    if (owner)
        MessageBox::failure(owner, text, detail,
                            result == ExitCopyResult::KeptPrevious ? MessageBox::Icon::Information
                                                                   : MessageBox::Icon::Critical);
    else
        ErrorLog::record(text, detail);
}

bool unchangedSinceSave()
{
    if (!savedForSession.isValid() || Program::isServer(Program::dataSourceOf(Program::DatabaseConnection)))
        return false;
    return QFileInfo(Program::databasePath()).lastModified() < savedForSession;
}

bool copying = false;

void copyAndSay(QWidget *owner)
{
    copying = true;
    const auto copied = qScopeGuard([] { copying = false; });
    QString detail;
    DatabaseCopies::ExitCopyResult result = DatabaseCopies::ExitCopyResult::Failed;
    // A big shop's copy takes seconds: the window keeps painting meanwhile and says why it waits.
    BackgroundWork::run(
        owner, QStringLiteral("نسخه خروج از اطلاعات نوشته مي شود..."),
        [&](const BackgroundWork::Progress &progress) {
            // With no one there the session manager's patience is short: the compressing waits.
            result = DatabaseCopies::exitCopy(&detail, progress, !owner);
            return true;
        },
        QStringLiteral("exitCopyProgress"));
    // The next start spares this file the whole check only while it stays as it is now.
    JobDatabase::noteClosedCleanly(Program::dataSourceOf(Program::DatabaseConnection));
    say(owner, result, detail);
}

} // namespace

bool makingExitCopy()
{
    return copying;
}

void finish(QWidget *owner)
{
    static bool ending = false;
    // Asked again while the first end is still under way (the session ends during the message).
    if (std::exchange(ending, true)) {
        System::quit();
        return;
    }
    // The session is ending: the windows go at once, and the program, still holding the data
    // folder, makes the copy after them.
    if (!owner) {
        for (QWidget *window : QApplication::topLevelWidgets())
            window->hide();
    }
    if (!unchangedSinceSave())
        copyAndSay(owner);
    ending = false;
    System::quit();
}

void watchSessionEnd(QCoreApplication &app)
{
    // One watch a process, however often a start is made in it.
    static bool watching = false;
    if (std::exchange(watching, true))
        return;
    SessionEnd::watch(
        app,
        [] {
            savedForSession = QDateTime::currentDateTime();
            copyAndSay(nullptr);
        },
        [] { finish(nullptr); });
}

} // namespace ProgramEnd
