// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/AccessImports.h"

#include "jobstore/ProgramValues.h"
#include "jobstore/access/AccessFile.h"
#include "jobstore/access/AccessImport.h"
#include "jobstore/access/AccessSwap.h"
#include "jobstore/file/JobDatabase.h"
#include "platform/BackgroundWork.h"
#include "platform/BidiText.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "solardate/Clock.h"
#include "solardate/SolarCalendar.h"

#include <QDir>
#include <QFileInfo>

namespace AccessImports
{

namespace
{

// A message box shows this many changed numbers; the summary file holds them all.
constexpr int NumbersShown = 20;

QString shown(const QString &path)
{
    return isolated(QDir::toNativeSeparators(path));
}

} // namespace

bool isAccessFile(const QString &path)
{
    return AccessFile::isAccessFile(path);
}

QString solarDateStamp()
{
    const Sorvan::SolarDate today = Sorvan::solarFromGregorian(Sorvan::Clock::today());
    return QStringLiteral("%1%2%3")
        .arg(today.year, 4, 10, QLatin1Char('0'))
        .arg(today.month, 2, 10, QLatin1Char('0'))
        .arg(today.day, 2, 10, QLatin1Char('0'));
}

QString saveSummary(const AccessImport::Outcome &outcome, const QString &file)
{
    return AccessImport::writeSummary(
        Program::dataFolder(), solarDateStamp() + Sorvan::Clock::now().time().toString(QStringLiteral("-HHmmss")),
        AccessImport::summary(outcome, file));
}

bool offerAtStart(QWidget *owner, const QString &path)
{
    QString reason;
    QString detail;
    const qint64 jobs = AccessImport::jobCount(path, &reason, &detail);
    if (jobs < 0) {
        MessageBox::failure(owner, reason + QStringLiteral("\nفايل تغيير داده نشد و فهرست خالي نمايش داده مي شود."),
                            detail);
        return false;
    }
    const QString aside = AccessSwap::asidePath(path, solarDateStamp());
    const QString question =
        QStringLiteral("فايل %1 فايل اطلاعات Access با %2 کار است.\n"
                       "کارهاي آن به برنامه آورده شود؟\n\n"
                       "فايل Access دست نخورده با نام %3 کنار فايل اطلاعات مي ماند.")
            .arg(shown(path), isolated(QString::number(jobs)), isolated(QFileInfo(aside).fileName()));
    if (MessageBox::show(owner, question, MessageBox::Icon::Question, MessageBox::Buttons::YesNo) !=
        MessageBox::Answer::Yes)
        return false;

    // The jobs go into a new file beside the Access file first; the Access file moves aside only
    // once they are all in, so a failed or cut-short import leaves it where and as it was.
    const QString incoming = AccessSwap::freshIncoming(path);
    const JobDatabase::Check created = JobDatabase::ensure(incoming);
    if (created.state != JobDatabase::State::Created) {
        AccessSwap::dropIncoming(incoming);
        MessageBox::failure(owner,
                            QStringLiteral("فايل اطلاعات تازه کنار %1 ساخته نشد و کاري وارد نشد.\n"
                                           "فايل Access تغيير داده نشد و فهرست خالي نمايش داده مي شود.")
                                .arg(shown(path)),
                            created.detail);
        return false;
    }
    const AccessImport::Outcome outcome = importBehindProgress(owner, path, incoming);
    if (!outcome.ok) {
        AccessSwap::dropIncoming(incoming);
        MessageBox::failure(owner, outcome.reason, outcome.detail);
        return false;
    }

    QString error;
    // No connection, on any thread, may stay on either file across the renames.
    AccessSwap::swap(path, incoming, aside, &error);
    if (!QFileInfo(aside).exists() || !JobDatabase::isJobDatabase(path)) {
        AccessSwap::dropIncoming(incoming);
        MessageBox::failure(owner,
                            QStringLiteral("کارهاي فايل %1 خوانده شد ولي فايل اطلاعات تازه جاي آن را نگرفت.\n"
                                           "فايل Access تغيير داده نشد و فهرست خالي نمايش داده مي شود.")
                                .arg(shown(path)),
                            error);
        return false;
    }
    JobDatabase::ensure(path);
    tellOutcome(owner, outcome, aside);
    return true;
}

bool importFromMenu(QWidget *owner)
{
    const QString store = Program::dataSourceOf(Program::DatabaseConnection);
    // Until db1.mdb's own Access jobs are in there is no job database to import into.
    if (!Program::isServer(store) && isAccessFile(store))
        return offerAtStart(owner, store);
    const QString file = FileDialog::getOpenFileName(owner, QStringLiteral("ورود کارها از فايل Access"),
                                                     QDir::toNativeSeparators(Program::dataFolder()),
                                                     QStringLiteral("فايل Access (*.mdb *.accdb);;همه فايل ها (*)"));
    if (file.isEmpty())
        return false;
    return importWithProgress(owner, file, store);
}

AccessImport::Outcome importBehindProgress(QWidget *owner, const QString &file, const QString &store)
{
    AccessImport::Outcome outcome;
    BackgroundWork::run(
        owner, QStringLiteral("کارهاي فايل %1 وارد مي شود...").arg(shown(QFileInfo(file).fileName())),
        [&](const BackgroundWork::Progress &progress) {
            outcome = AccessImport::run(file, store, progress);
            return outcome.ok;
        },
        QStringLiteral("importProgress"));
    return outcome;
}

bool tellOutcome(QWidget *owner, const AccessImport::Outcome &outcome, const QString &file)
{
    if (!outcome.ok) {
        MessageBox::failure(owner, outcome.reason, outcome.detail);
        return false;
    }
    const QString saved = saveSummary(outcome, file);
    const QString where = saved.isEmpty()
                              ? QStringLiteral("\n\nاين خلاصه در پوشه %1 نوشته نشد.").arg(shown(Program::dataFolder()))
                              : QStringLiteral("\n\nاين خلاصه در فايل %1 هم نوشته شد.").arg(shown(saved));
    MessageBox::information(owner, AccessImport::summary(outcome, file, NumbersShown) + where);
    return true;
}

bool importWithProgress(QWidget *owner, const QString &file, const QString &store)
{
    return tellOutcome(owner, importBehindProgress(owner, file, store), file);
}

} // namespace AccessImports
