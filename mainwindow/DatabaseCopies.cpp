#include "mainwindow/DatabaseCopies.h"

#include "jobstore/Adodc.h"
#include "jobstore/JobDatabase.h"
#include "jobstore/ProgramValues.h"
#include "platform/BidiText.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "solardate/Clock.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>

#include <atomic>
#include <climits>
#include <filesystem>
#include <thread>

namespace DatabaseCopies
{

namespace
{

QString databasePath()
{
    return Program::dataSourceOf(Program::DatabaseConnection);
}

bool sameFile(const QString &a, const QString &b)
{
    const QFileInfo first(a), second(b);
    if (first.exists() && second.exists())
        return first.canonicalFilePath() == second.canonicalFilePath();
    return first.absoluteFilePath() == second.absoluteFilePath();
}

bool replaceFile(const QString &from, const QString &to, QString *error)
{
    std::error_code code;
    std::filesystem::rename(std::filesystem::path(from.toStdU16String()), std::filesystem::path(to.toStdU16String()),
                            code);
    if (code && error)
        *error = QString::fromStdString(code.message());
    return !code;
}

const QString keepingSafetyCopy = QStringLiteral("نسخه ايمني از اطلاعات فعلي نگه داشته مي شود...");

// Runs a copy of every job on a thread of its own while a progress dialog keeps the window painting:
// a busy shop's jobs take many seconds to copy.
bool withProgress(QWidget *owner, const QString &label, const std::function<bool(const JobDatabase::Progress &)> &work)
{
    std::atomic<qint64> done = 0;
    std::atomic<qint64> total = 0;
    std::atomic<bool> finished = false;
    bool ok = false;
    QProgressDialog dialog(label, QString(), 0, 0, owner);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setCancelButton(nullptr);
    dialog.setMinimumDuration(300);
    dialog.setLayoutDirection(Qt::RightToLeft);
    std::thread worker([&] {
        ok = work([&](qint64 doneNow, qint64 totalNow) {
            done = doneNow;
            total = totalNow;
        });
        finished = true;
    });
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (total > 0) {
            dialog.setMaximum(int(std::min<qint64>(total, INT_MAX)));
            dialog.setValue(int(std::min<qint64>(done, total)));
        }
        if (finished)
            loop.quit();
    });
    poll.start(100);
    loop.exec();
    worker.join();
    return ok;
}

} // namespace

QString exitCopyPath()
{
#ifdef Q_OS_WIN
    return QStringLiteral("d:\\db1.mdb");
#else
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QDir(documents).filePath(QStringLiteral("Velmora/db1.mdb"));
#endif
}

void backup(QWidget *owner)
{
    const QString source = databasePath();
    const QString chosen = FileDialog::getSaveFileName(owner, QStringLiteral("پشتيبان گيري از اطلاعات"),
                                                       QDir::toNativeSeparators(exitCopyPath()));
    if (chosen.isEmpty() || chosen == QLatin1String("db1.mdb"))
        return;
    if (sameFile(chosen, source)) {
        MessageBox::critical(owner, QStringLiteral("فايل پشتيبان نمي تواند خود فايل اطلاعات برنامه باشد.\n"
                                                   "لطفا مسير ديگري انتخاب کنيد."));
        return;
    }
    QString error;
    if (!JobDatabase::copyConsistent(source, chosen, &error))
        MessageBox::failure(owner,
                            QStringLiteral("پشتيبان گيري انجام نشد و فايل %1 ساخته نشد.")
                                .arg(isolated(QDir::toNativeSeparators(chosen))),
                            error);
}

namespace
{

QString safetyCopyPath(const QString &folder)
{
    return QDir(folder).filePath(QStringLiteral("db1-before-restore-%1.mdb")
                                     .arg(Sorvan::Clock::now().toString(QStringLiteral("yyyyMMdd-HHmmss"))));
}

// The server's jobs are kept in a job file in the data folder, then replaced in one transaction.
void sayRestored(QWidget *owner, const QString &safety)
{
    MessageBox::information(owner, QStringLiteral("اطلاعات از فايل پشتيبان برگردانده شد.\n"
                                                  "اطلاعات قبلي در اين فايل نگهداري شد:\n%1")
                                       .arg(isolated(QDir::toNativeSeparators(safety))));
}

bool restoreOntoServer(QWidget *owner, const QString &server, const QString &chosen)
{
    // A file the server would refuse costs no safety copy of every job first.
    if (const QStringList repeated = JobDatabase::repeatedNumbers(chosen); !repeated.isEmpty()) {
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
    if (!withProgress(owner, keepingSafetyCopy, [&](const JobDatabase::Progress &progress) {
            return JobDatabase::copyConsistent(server, safety, &error, progress);
        })) {
        MessageBox::failure(owner, QStringLiteral("نسخه ايمني از اطلاعات فعلي ساخته نشد، پس پشتيبان برگردانده نشد."),
                            error);
        return false;
    }
    if (!withProgress(owner, QStringLiteral("کارهاي فايل پشتيبان روي سرور نوشته مي شود..."),
                      [&](const JobDatabase::Progress &progress) {
                          return JobDatabase::replaceServerJobs(server, chosen, &error, progress);
                      })) {
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
    const QString target = databasePath();
    const QString chosen =
        FileDialog::getOpenFileName(owner, QStringLiteral("Restore Backup"), QString(), QStringLiteral("mdb(*.mdb)"));
    if (!chosen.endsWith(QLatin1String("mdb")))
        return false;

    QString why;
    // Every page of a big file is read: the window keeps painting meanwhile.
    if (!withProgress(owner, QStringLiteral("فايل پشتيبان بررسي مي شود..."),
                      [&](const JobDatabase::Progress &) { return JobDatabase::isJobDatabase(chosen, &why); })) {
        MessageBox::failure(owner,
                            QStringLiteral("فايل %1 يک فايل پشتيبان معتبر تعميرگاه نيست.\n"
                                           "اطلاعات فعلي برنامه تغيير نکرد.")
                                .arg(isolated(QDir::toNativeSeparators(chosen))),
                            why);
        return false;
    }

    if (Program::isServer(target))
        return restoreOntoServer(owner, target, chosen);

    // The chosen file is copied beside the database first, so the swap itself is one rename.
    const QString incoming = target + QStringLiteral(".restoring");
    QString error;
    if (!withProgress(owner, QStringLiteral("فايل پشتيبان خوانده مي شود..."), [&](const JobDatabase::Progress &) {
            return JobDatabase::copyConsistent(chosen, incoming, &error);
        })) {
        QFile::remove(incoming);
        MessageBox::failure(owner, QStringLiteral("خواندن فايل پشتيبان انجام نشد. اطلاعات فعلي برنامه تغيير نکرد."),
                            error);
        return false;
    }

    const QFileInfo targetInfo(target);
    const QString safety = safetyCopyPath(targetInfo.absolutePath());
    const auto keepSafety = [&](const JobDatabase::Progress &) {
        return JobDatabase::copyConsistent(target, safety, &error) || QFile::copy(target, safety);
    };
    if (targetInfo.exists() && !withProgress(owner, keepingSafetyCopy, keepSafety)) {
        QFile::remove(incoming);
        MessageBox::failure(owner, QStringLiteral("نسخه ايمني از اطلاعات فعلي ساخته نشد، پس پشتيبان برگردانده نشد."),
                            error);
        return false;
    }

    Adodc::closeAllConnections();
    if (!replaceFile(incoming, target, &error)) {
        QFile::remove(incoming);
        MessageBox::failure(owner, QStringLiteral("برگرداندن پشتيبان انجام نشد. اطلاعات فعلي برنامه تغيير نکرد."),
                            error);
        return false;
    }
    sayRestored(owner, safety);
    return true;
}

QString exitCopyBackupsFolder()
{
    return QFileInfo(exitCopyPath()).dir().filePath(QStringLiteral("backups"));
}

namespace
{

// Moves the previous exit copy aside under its own date and time and drops the oldest beyond the
// number kept. The names sort by date, so the newest are the last.
void rotateExitCopy(const QString &target)
{
    const QFileInfo previous(target);
    if (!previous.exists())
        return;
    QDir backups(exitCopyBackupsFolder());
    if (!backups.mkpath(QStringLiteral(".")))
        return;
    const QString stamp = previous.lastModified().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString name = QStringLiteral("db1-%1.mdb").arg(stamp);
    for (int serial = 2; backups.exists(name); ++serial)
        name = QStringLiteral("db1-%1-%2.mdb").arg(stamp).arg(serial);
    if (!replaceFile(target, backups.filePath(name), nullptr))
        return;
    const QStringList kept = backups.entryList({QStringLiteral("db1-*.mdb")}, QDir::Files, QDir::Name);
    for (qsizetype i = 0; i + KeptExitCopies < kept.size(); ++i)
        backups.remove(kept.at(i));
}

int removeMatching(const QDir &dir, const QStringList &patterns, qint64 olderThanSeconds)
{
    int removed = 0;
    const QDateTime now = QDateTime::currentDateTime();
    for (const QFileInfo &file : dir.entryInfoList(patterns, QDir::Files | QDir::Hidden)) {
        if (file.lastModified().secsTo(now) >= olderThanSeconds && QFile::remove(file.absoluteFilePath()))
            ++removed;
    }
    return removed;
}

} // namespace

bool exitCopy()
{
    const QString source = databasePath();
    const qint64 jobs = JobDatabase::jobCount(source);
    if (jobs < 0)
        return false;
    const QString target = exitCopyPath();
    // A database made empty today (a missing file, a new folder) must not push out the shop's jobs.
    if (jobs == 0 && QFileInfo::exists(target))
        return false;
    QDir().mkpath(QFileInfo(target).absolutePath());
    rotateExitCopy(target);
    return JobDatabase::copyConsistent(source, target);
}

int removeStalePartialCopies()
{
    // This program holds the data folder, so whatever is half-written there is from an earlier run.
    const QDir data(Program::dataFolder());
    int removed = removeMatching(
        data,
        {QStringLiteral("*.mdb.partial"), QStringLiteral("*.mdb.restoring"), QStringLiteral("*.mdb.restoring.partial")},
        0);
    // Other data folders share the exit copy's folder: leave what may be being written right now.
    const qint64 tenMinutes = 600;
    removed += removeMatching(QFileInfo(exitCopyPath()).dir(), {QStringLiteral("*.partial")}, tenMinutes);
    removed += removeMatching(QDir(exitCopyBackupsFolder()), {QStringLiteral("*.partial")}, tenMinutes);
    return removed;
}

} // namespace DatabaseCopies
