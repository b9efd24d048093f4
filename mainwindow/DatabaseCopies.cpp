// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/DatabaseCopies.h"

#include "jobstore/ProgramValues.h"
#include "jobstore/copies/CompressedCopy.h"
#include "jobstore/copies/Restore.h"
#include "jobstore/file/JobDatabase.h"
#include "jobstore/file/JobFileConnections.h"
#include "jobstore/history/JobHistory.h"
#include "jobstore/server/CounterAccounts.h"
#include "platform/BackgroundWork.h"
#include "platform/BidiText.h"
#include "platform/ErrorLog.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"

#include <QDir>
#include <QFileInfo>

namespace DatabaseCopies
{

namespace
{

const QString keepingSafetyCopy = QStringLiteral("نسخه ايمني از اطلاعات فعلي نگه داشته مي شود...");

bool withProgress(QWidget *owner, const QString &label, const std::function<bool(const JobDatabase::Progress &)> &work)
{
    return BackgroundWork::run(owner, label, work);
}

// A step the clerk may stop; `cancelled` turns true when stopped, and stays true once it is.
bool withCancel(QWidget *owner, const QString &label,
                const std::function<bool(const JobDatabase::Progress &, const JobDatabase::Stop &)> &work,
                bool *cancelled)
{
    bool now = false;
    const bool ok = BackgroundWork::runCancellable(owner, label, work, &now);
    *cancelled = *cancelled || now;
    return ok;
}

const QString unchangedAfterCancel = QStringLiteral("لغو شد. اطلاعات فعلي برنامه تغيير نکرد.");

} // namespace

void backup(QWidget *owner)
{
    const QString source = databasePath();
    const QString chosen = FileDialog::getSaveFileName(owner, QStringLiteral("پشتيبان گيري از اطلاعات"),
                                                       QDir::toNativeSeparators(proposedBackupPath()));
    if (chosen.isEmpty() || chosen == QLatin1String("db1.mdb"))
        return;
    if (sameFile(chosen, source)) {
        MessageBox::critical(owner, QStringLiteral("فايل پشتيبان نمي تواند خود فايل اطلاعات برنامه باشد.\n"
                                                   "لطفا مسير ديگري انتخاب کنيد."));
        return;
    }
    QString error;
    QString aside;
    bool cancelled = false;
    // A big shop's copy takes seconds (a server's, a minute); the window keeps painting meanwhile.
    const bool copied = whileNoted(chosen, [&] {
        return withCancel(
            owner, QStringLiteral("پشتيبان نوشته مي شود..."),
            [&](const JobDatabase::Progress &progress, const JobDatabase::Stop &stop) {
                return backupTo(source, chosen, &error, &aside, progress, stop);
            },
            &cancelled);
    });
    if (cancelled) {
        MessageBox::information(
            owner,
            QStringLiteral("پشتيبان گيري لغو شد و فايل %1 ساخته نشد.").arg(isolated(QDir::toNativeSeparators(chosen))));
        return;
    }
    if (!copied) {
        MessageBox::failure(owner,
                            QStringLiteral("پشتيبان گيري انجام نشد و فايل %1 ساخته نشد.")
                                .arg(isolated(QDir::toNativeSeparators(chosen))),
                            error);
        return;
    }
    if (!aside.isEmpty())
        MessageBox::information(
            owner, QStringLiteral("پشتيبان در %1 نوشته شد.\nفايلي که پيش از اين با همين نام بود "
                                  "در اين فايل نگهداري شد:\n%2")
                       .arg(isolated(QDir::toNativeSeparators(chosen)), isolated(QDir::toNativeSeparators(aside))));
}

namespace
{

// The server's jobs are kept in a job file in the data folder, then replaced in one transaction.
void sayRestored(QWidget *owner, const QString &safety)
{
    MessageBox::information(owner, QStringLiteral("اطلاعات از فايل پشتيبان برگردانده شد.\n"
                                                  "اطلاعات قبلي در اين فايل نگهداري شد:\n%1")
                                       .arg(isolated(QDir::toNativeSeparators(safety))));
}

// Replacing every job and the history is the owner's alone; the server would refuse a counter's
// account midway anyway, after a safety copy of every job.
bool ownerMayRestore(QWidget *owner, const QString &server)
{
    const JobHistory::Session session(server);
    const QString ownerAccount = CounterAccounts::otherOwner(session.db());
    if (ownerAccount.isEmpty())
        return true;
    MessageBox::failure(owner,
                        QStringLiteral("برگرداندن پشتيبان روي سرور فقط با حساب صاحب پايگاه داده (%1) ممکن است؛ "
                                       "اين برنامه با حساب پيشخوان وصل است.\nاطلاعات فعلي برنامه تغيير نکرد.")
                            .arg(isolated(ownerAccount)),
                        QString());
    return false;
}

// `chosen` is the file the clerk picked, `file` the job file it is (itself, or expanded).
bool restoreOntoServer(QWidget *owner, const QString &server, const QString &chosen, const QString &file)
{
    // A file the server would refuse costs no safety copy of every job first. Reading a big file's
    // numbers takes seconds: the window keeps painting meanwhile.
    QStringList repeated;
    withProgress(owner, QStringLiteral("فايل پشتيبان بررسي مي شود..."), [&](const JobDatabase::Progress &) {
        repeated = JobDatabase::repeatedNumbers(file);
        return true;
    });
    if (!repeated.isEmpty()) {
        MessageBox::failure(
            owner,
            QStringLiteral("در فايل پشتيبان %1 اين شماره هاي رسيد بيش از يک بار آمده اند: %2\n"
                           "روي سرور هر شماره فقط يک بار پذيرفته مي شود؛ اطلاعات فعلي برنامه تغيير نکرد.")
                .arg(isolated(QDir::toNativeSeparators(chosen)), isolated(repeated.join(QStringLiteral("، ")))),
            repeated.join(u','));
        return false;
    }
    const QString safety = safetyCopyPath(Program::dataFolder());
    QString error;
    bool cancelled = false;
    const auto sayCancelled = [&] {
        MessageBox::information(owner, QStringLiteral("برگرداندن پشتيبان ") + unchangedAfterCancel);
        return false;
    };
    if (!withCancel(
            owner, keepingSafetyCopy,
            [&](const JobDatabase::Progress &progress, const JobDatabase::Stop &stop) {
                return JobDatabase::copyConsistent(server, safety, &error, progress, {}, stop);
            },
            &cancelled)) {
        if (cancelled)
            return sayCancelled();
        MessageBox::failure(owner, QStringLiteral("نسخه ايمني از اطلاعات فعلي ساخته نشد، پس پشتيبان برگردانده نشد."),
                            error);
        return false;
    }
    if (!withCancel(
            owner, QStringLiteral("کارهاي فايل پشتيبان روي سرور نوشته مي شود..."),
            [&](const JobDatabase::Progress &progress, const JobDatabase::Stop &stop) {
                return restoreServerJobs(server, file, safety, &error, progress, stop);
            },
            &cancelled)) {
        if (cancelled)
            return sayCancelled();
        MessageBox::failure(
            owner,
            QStringLiteral("برگرداندن پشتيبان انجام نشد. اطلاعات فعلي برنامه تغيير نکرد.\n"
                           "اگر در فايل پشتيبان دو کار با يک شماره رسيد باشد، روي سرور پذيرفته نمي شود."),
            error);
        return false;
    }
    sayRestored(owner, safety);
    return true;
}

} // namespace

bool restore(QWidget *owner)
{
    // Opens where F6 offers its copies and the exit copy is kept, not in whatever folder is current.
    const QString copies = QFileInfo(exitCopyPath()).absolutePath();
    const QString chosen =
        FileDialog::getOpenFileName(owner, QStringLiteral("Restore Backup"), QDir::toNativeSeparators(copies),
                                    QStringLiteral("mdb(*.mdb *.mdb.zst)"));
    if (!chosen.endsWith(QLatin1String("mdb")) && !chosen.endsWith(QLatin1String(".mdb.zst")))
        return false;
    return restoreFrom(owner, chosen);
}

namespace
{

bool sayNotABackup(QWidget *owner, const QString &chosen, const QString &why)
{
    MessageBox::failure(owner,
                        QStringLiteral("فايل %1 يک فايل پشتيبان معتبر تعميرگاه نيست.\n"
                                       "اطلاعات فعلي برنامه تغيير نکرد.")
                            .arg(isolated(QDir::toNativeSeparators(chosen))),
                        why);
    return false;
}

// `readable` is the chosen file itself, or what its compressed form expanded to.
bool restoreReadable(QWidget *owner, const QString &target, const QString &chosen, const QString &readable)
{
    QString why;
    // Every page of a big file is read: the window keeps painting meanwhile.
    if (!withProgress(owner, QStringLiteral("فايل پشتيبان بررسي مي شود..."),
                      [&](const JobDatabase::Progress &) { return JobDatabase::isJobDatabase(readable, &why); }))
        return sayNotABackup(owner, chosen, why);

    if (Program::isServer(target))
        return restoreOntoServer(owner, target, chosen, readable);

    // The chosen file is copied beside the database first, so the swap itself is one rename; an
    // expanded copy is already a file of its own, taken as it is.
    const QString incoming = target + QStringLiteral(".restoring");
    QString error;
    bool cancelled = false;
    if (!withCancel(
            owner, QStringLiteral("فايل پشتيبان خوانده مي شود..."),
            [&](const JobDatabase::Progress &, const JobDatabase::Stop &stop) {
                return bringIn(chosen, readable, incoming, &error, stop);
            },
            &cancelled)) {
        if (cancelled) {
            MessageBox::information(owner, QStringLiteral("برگرداندن پشتيبان ") + unchangedAfterCancel);
            return false;
        }
        MessageBox::failure(owner, QStringLiteral("خواندن فايل پشتيبان انجام نشد. اطلاعات فعلي برنامه تغيير نکرد."),
                            error);
        return false;
    }

    const QFileInfo targetInfo(target);
    const QString safety = safetyCopyPath(targetInfo.absolutePath());
    const auto keepSafety = [&](const JobDatabase::Progress &) {
        return keepSafetyCopy(target, safety, incoming, &error);
    };
    if (targetInfo.exists() && !withProgress(owner, keepingSafetyCopy, keepSafety)) {
        MessageBox::failure(owner, QStringLiteral("نسخه ايمني از اطلاعات فعلي ساخته نشد، پس پشتيبان برگردانده نشد."),
                            error);
        return false;
    }

    // Every connection to the file in use lets go first, on every thread: one left open would read
    // the replaced file and could roll the new file's journal back into it.
    JobFileConnections::Exclusive hold({target, incoming});
    if (!hold.ok()) {
        dropIncoming(incoming);
        MessageBox::failure(owner,
                            QStringLiteral("فايل اطلاعات هنوز در دست کار ديگري از برنامه است، پس پشتيبان برگردانده "
                                           "نشد. اطلاعات فعلي برنامه تغيير نکرد.\nچند لحظه بعد دوباره امتحان کنيد."),
                            hold.error());
        return false;
    }
    if (!swapIn(incoming, target, &error)) {
        MessageBox::failure(owner, QStringLiteral("برگرداندن پشتيبان انجام نشد. اطلاعات فعلي برنامه تغيير نکرد."),
                            error);
        return false;
    }
    sayRestored(owner, safety);
    return true;
}

} // namespace

bool restoreFrom(QWidget *owner, const QString &chosen)
{
    const QString target = databasePath();
    if (Program::isServer(target) && !ownerMayRestore(owner, target))
        return false;
    if (!CompressedCopy::isCompressed(chosen))
        return restoreReadable(owner, target, chosen, chosen);
    ExpandedCopy expanded;
    QString why;
    if (!withProgress(owner, QStringLiteral("فايل پشتيبان باز مي شود..."),
                      [&](const JobDatabase::Progress &progress) { return expanded.expand(chosen, &why, progress); }))
        return sayNotABackup(owner, chosen, why);
    return restoreReadable(owner, target, chosen, expanded.path());
}

ExitCopyResult exitCopy(QString *detail, const BackgroundWork::Progress &progress, bool hurried)
{
    return writeExitCopy(detail, progress, hurried, &ErrorLog::record);
}

} // namespace DatabaseCopies
