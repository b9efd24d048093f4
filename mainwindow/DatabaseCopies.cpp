// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/DatabaseCopies.h"

#include "jobstore/copies/CompressedCopy.h"
#include "jobstore/server/CounterAccounts.h"
#include "jobstore/file/JobDatabase.h"
#include "jobstore/file/JobFileConnections.h"
#include "jobstore/history/JobHistory.h"
#include "jobstore/ProgramValues.h"
#include "jobstore/file/WholeFile.h"
#include "platform/BackgroundWork.h"
#include "platform/BidiText.h"
#include "platform/ErrorLog.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "solardate/Clock.h"
#include "solardate/SolarCalendar.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <filesystem>
#include <set>

namespace DatabaseCopies
{

namespace
{

// Every file name the program makes carries the solar date, as the clerk reads dates:
// 14050918-153000.
QString solarStamp(const QDateTime &when)
{
    const Sorvan::SolarDate day = Sorvan::solarFromGregorian(when.date());
    return QStringLiteral("%1%2%3-%4")
        .arg(day.year, 4, 10, QChar(u'0'))
        .arg(day.month, 2, 10, QChar(u'0'))
        .arg(day.day, 2, 10, QChar(u'0'))
        .arg(when.toString(QStringLiteral("HHmmss")));
}

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

// The copies being written are listed in the data folder until they are whole, so the next start
// finds what a killed program left half-written wherever the clerk had chosen to write it.
QString unfinishedListPath()
{
    return QDir(Program::dataFolder()).filePath(QStringLiteral("unfinished-copies.txt"));
}

QStringList unfinishedCopies()
{
    QFile list(unfinishedListPath());
    if (!list.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(list.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

void writeUnfinishedCopies(const QStringList &paths)
{
    if (paths.isEmpty()) {
        QFile::remove(unfinishedListPath());
        return;
    }
    QSaveFile list(unfinishedListPath());
    if (list.open(QIODevice::WriteOnly)) {
        list.write((paths.join(u'\n') + u'\n').toUtf8());
        list.commit();
    }
}

// Notes the half-written file that copying to `target` makes, for the length of `copy`.
template <class Copying> auto whileNoted(const QString &target, Copying copy)
{
    const QString partial = QFileInfo(target).absoluteFilePath() + QStringLiteral(".partial");
    QStringList noted = unfinishedCopies();
    noted << partial;
    writeUnfinishedCopies(noted);
    const auto result = copy();
    noted = unfinishedCopies();
    noted.removeAll(partial);
    writeUnfinishedCopies(noted);
    return result;
}

// An existing file about to be replaced gets a second name in the "backups" folder beside it, by
// the date and time it was last written: the place keeps a whole file until the new one takes it.
bool keepAside(const QString &file, QString *aside, QString *why)
{
    const QFileInfo info(file);
    if (!info.exists())
        return true;
    QDir folder(info.dir().filePath(QStringLiteral("backups")));
    if (!folder.mkpath(QStringLiteral("."))) {
        *why = QStringLiteral("cannot make the folder %1").arg(folder.path());
        return false;
    }
    const QString stamp = solarStamp(info.lastModified());
    const QString suffix = info.suffix().isEmpty() ? QString() : u'.' + info.suffix();
    QString name = QStringLiteral("%1-%2%3").arg(info.completeBaseName(), stamp, suffix);
    for (int serial = 2; folder.exists(name); ++serial)
        name = QStringLiteral("%1-%2-%3%4").arg(info.completeBaseName(), stamp).arg(serial).arg(suffix);
    const QString path = folder.filePath(name);
    std::error_code code;
    std::filesystem::create_hard_link(std::filesystem::path(info.absoluteFilePath().toStdU16String()),
                                      std::filesystem::path(path.toStdU16String()), code);
    // A disk that has no second names (a FAT memory stick) gets a copy instead.
    if (code && !QFile::copy(info.absoluteFilePath(), path)) {
        *why = QStringLiteral("cannot keep %1 as %2: %3").arg(file, path, QString::fromStdString(code.message()));
        return false;
    }
    *aside = path;
    return true;
}

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

QString exitCopyPath()
{
#ifdef Q_OS_WIN
    return QStringLiteral("d:\\db1.mdb");
#else
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QDir(documents).filePath(QStringLiteral("Velmora/db1.mdb"));
#endif
}

QString proposedBackupPath()
{
    const QString folder = QFileInfo(exitCopyPath()).absolutePath();
    QDir().mkpath(folder);
    const QDateTime now = Sorvan::Clock::now();
    const Sorvan::SolarDate day = Sorvan::solarFromGregorian(now.date());
    return QDir(folder).filePath(QStringLiteral("db1-backup-%1%2%3-%4.mdb")
                                     .arg(day.year, 4, 10, QChar(u'0'))
                                     .arg(day.month, 2, 10, QChar(u'0'))
                                     .arg(day.day, 2, 10, QChar(u'0'))
                                     .arg(now.toString(QStringLiteral("HHmm"))));
}

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
                return JobDatabase::copyConsistent(
                    source, chosen, &error, progress, [&](QString *why) { return keepAside(chosen, &aside, why); },
                    stop);
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

// Two restores in one second keep both safety copies.
QString safetyCopyPath(const QString &folder)
{
    const QDir dir(folder);
    const QString stamp = solarStamp(Sorvan::Clock::now());
    QString name = QStringLiteral("db1-before-restore-%1.mdb").arg(stamp);
    for (int serial = 2; dir.exists(name); ++serial)
        name = QStringLiteral("db1-before-restore-%1-%2.mdb").arg(stamp).arg(serial);
    return dir.filePath(name);
}

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
                return JobDatabase::replaceServerJobs(server, file, &error, progress, stop);
            },
            &cancelled)) {
        // The safety copy of jobs that stay as they were is of no more use.
        QFile::remove(safety);
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
    const QString chosen = FileDialog::getOpenFileName(owner, QStringLiteral("Restore Backup"),
                                                       QDir::toNativeSeparators(copies),
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
                return readable != chosen ? replaceFile(readable, incoming, &error)
                                          : JobDatabase::copyConsistent(chosen, incoming, &error, {}, {}, stop);
            },
            &cancelled)) {
        QFile::remove(incoming);
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
        return JobDatabase::copyConsistent(target, safety, &error) || QFile::copy(target, safety);
    };
    if (targetInfo.exists() && !withProgress(owner, keepingSafetyCopy, keepSafety)) {
        QFile::remove(incoming);
        MessageBox::failure(owner, QStringLiteral("نسخه ايمني از اطلاعات فعلي ساخته نشد، پس پشتيبان برگردانده نشد."),
                            error);
        return false;
    }

    // Every connection to the file in use lets go first, on every thread: one left open would read
    // the replaced file and could roll the new file's journal back into it.
    JobFileConnections::Exclusive hold({target, incoming});
    if (!hold.ok()) {
        QFile::remove(incoming);
        MessageBox::failure(owner,
                            QStringLiteral("فايل اطلاعات هنوز در دست کار ديگري از برنامه است، پس پشتيبان برگردانده "
                                           "نشد. اطلاعات فعلي برنامه تغيير نکرد.\nچند لحظه بعد دوباره امتحان کنيد."),
                            hold.error());
        return false;
    }
    if (!replaceFile(incoming, target, &error)) {
        QFile::remove(incoming);
        MessageBox::failure(owner, QStringLiteral("برگرداندن پشتيبان انجام نشد. اطلاعات فعلي برنامه تغيير نکرد."),
                            error);
        return false;
    }
    // A whole copy of a file that passed the whole check: the exit copy need not check it again.
    WholeFile::remember(target, WholeFile::Lasts::WhileSameFile);
    sayRestored(owner, safety);
    return true;
}

// Where a compressed copy is expanded to be checked or restored.
QString expandedPath()
{
    return QDir(Program::dataFolder()).filePath(QStringLiteral("db1.mdb.expanding"));
}

} // namespace

bool restoreFrom(QWidget *owner, const QString &chosen)
{
    const QString target = databasePath();
    if (Program::isServer(target) && !ownerMayRestore(owner, target))
        return false;
    if (!CompressedCopy::isCompressed(chosen))
        return restoreReadable(owner, target, chosen, chosen);
    const QString expanded = expandedPath();
    QString why;
    if (!withProgress(owner, QStringLiteral("فايل پشتيبان باز مي شود..."), [&](const JobDatabase::Progress &progress) {
            return CompressedCopy::expand(chosen, expanded, &why, progress);
        }))
        return sayNotABackup(owner, chosen, why);
    const bool restored = restoreReadable(owner, target, chosen, expanded);
    QFile::remove(expanded);
    return restored;
}

QString exitCopyBackupsFolder()
{
    return QFileInfo(exitCopyPath()).dir().filePath(QStringLiteral("backups"));
}

namespace
{

// The rotation's own names: db1-<date>-<time>.mdb, with a serial after a second copy that second,
// and ".zst" once compressed.
std::optional<QDateTime> rotationStamp(const QString &fileName)
{
    static const QRegularExpression shape(QStringLiteral(R"(^db1-(\d{8}-\d{6})(-\d+)?\.mdb(\.zst)?$)"));
    const QRegularExpressionMatch match = shape.match(fileName);
    if (!match.hasMatch())
        return std::nullopt;
    // Named by the solar date; copies made before that carry the Gregorian one, a year past 1900.
    const QString stamp = match.captured(1);
    const int year = stamp.left(4).toInt();
    const QDate day = year < 1900 ? Sorvan::gregorianFromSolar({year, stamp.mid(4, 2).toInt(), stamp.mid(6, 2).toInt()})
                                  : QDate::fromString(stamp.left(8), QStringLiteral("yyyyMMdd"));
    const QDateTime made(day, QTime::fromString(stamp.mid(9), QStringLiteral("HHmmss")));
    return made.isValid() ? std::optional(made) : std::nullopt;
}

const QStringList rotationPatterns = {QStringLiteral("db1-*.mdb"), QStringLiteral("db1-*.mdb.zst")};

// A compressed copy's note: what holding() reads in a job file, a line each.
QByteArray noteOf(const JobDatabase::Holding &held)
{
    return QStringLiteral("identity=%1\njobs=%2\nnewest-change=%3\n")
        .arg(held.identity)
        .arg(held.jobs)
        .arg(held.newestChange)
        .toUtf8();
}

// What a copy holds, in either form; a compressed one is not expanded, so it is to be checked
// before it is trusted, as a job file's is.
JobDatabase::Holding holdingOf(const QString &path)
{
    if (!CompressedCopy::isCompressed(path))
        return JobDatabase::holding(path);
    JobDatabase::Holding held;
    for (const QString &line : QString::fromUtf8(CompressedCopy::note(path)).split(u'\n')) {
        const QString value = line.section(u'=', 1);
        if (line.startsWith(QLatin1String("identity=")))
            held.identity = value;
        else if (line.startsWith(QLatin1String("jobs=")))
            held.jobs = value.toLongLong();
        else if (line.startsWith(QLatin1String("newest-change=")))
            held.newestChange = value.toLongLong();
    }
    return held;
}

QString identityOf(const QString &path)
{
    return CompressedCopy::isCompressed(path) ? holdingOf(path).identity : JobDatabase::identity(path);
}

// The jobs of a copy in either form that passes the whole check; -1 when it does not.
qint64 checkedJobs(const QString &path)
{
    if (!CompressedCopy::isCompressed(path))
        return JobDatabase::jobCount(path);
    const QString expanded = expandedPath();
    const qint64 jobs = CompressedCopy::expand(path, expanded) ? JobDatabase::jobCount(expanded) : -1;
    QFile::remove(expanded);
    return jobs;
}

// Drops, by the schedule, the earlier exit copies of the database whose copy `kept` just joined.
void pruneCopiesLike(const QString &kept)
{
    const QString identity = identityOf(kept);
    const QDir backups = QFileInfo(kept).dir();
    QList<Copy> same;
    for (const QFileInfo &file : backups.entryInfoList(rotationPatterns, QDir::Files)) {
        const std::optional<QDateTime> made = rotationStamp(file.fileName());
        if (made && identityOf(file.absoluteFilePath()) == identity)
            same << Copy{file.absoluteFilePath(), *made};
    }
    for (const QString &path : prunable(same, Sorvan::Clock::now()))
        QFile::remove(path);
}

// Compresses the earlier exit copies of the database whose copy `aside` was just set aside, each
// kept as it is until its compressed form was read back whole. Returns the name `aside` ends with.
QString compressCopiesLike(const QString &aside, const BackgroundWork::Progress &progress)
{
    const QString identity = identityOf(aside);
    QString kept = aside;
    for (const QFileInfo &file : QFileInfo(aside).dir().entryInfoList({QStringLiteral("db1-*.mdb")}, QDir::Files)) {
        const QString plain = file.absoluteFilePath();
        if (!rotationStamp(file.fileName()) || JobDatabase::identity(plain) != identity)
            continue;
        const QString compressed = plain + QLatin1String(CompressedCopy::Suffix);
        QString why;
        const bool done = whileNoted(compressed, [&] {
            return CompressedCopy::compress(plain, compressed, noteOf(JobDatabase::holding(plain)), &why, progress);
        });
        if (!done) {
            ErrorLog::record(QStringLiteral("نسخه قبلي %1 فشرده نشد و همان طور ماند.").arg(isolated(plain)), why);
            continue;
        }
        QFile::remove(plain);
        if (plain == aside)
            kept = compressed;
    }
    return kept;
}

// Beside the exit copy: the file it was made from, and both files as they were then.
QString madeFromPath(const QString &target)
{
    return target + QStringLiteral(".made-from");
}

QByteArray madeFromText(const QString &source, const QString &target)
{
    const QByteArray from = WholeFile::fingerprint(source), copy = WholeFile::fingerprint(target);
    if (from.isEmpty() || copy.isEmpty())
        return {};
    return "source=" + QFileInfo(source).absoluteFilePath().toUtf8() + '\n' + from + "copy:\n" + copy;
}

// Nothing was saved in the job file since the exit copy there was made from it.
bool madeFromUnchanged(const QString &source, const QString &target)
{
    if (Program::isServer(source))
        return false;
    QFile record(madeFromPath(target));
    const QByteArray now = madeFromText(source, target);
    return !now.isEmpty() && record.open(QIODevice::ReadOnly) && record.read(64 * 1024) == now;
}

void noteMadeFrom(const QString &source, const QString &target)
{
    const QByteArray text = Program::isServer(source) ? QByteArray() : madeFromText(source, target);
    QSaveFile record(madeFromPath(target));
    if (text.isEmpty() || !record.open(QIODevice::WriteOnly) || record.write(text) < 0 || !record.commit())
        QFile::remove(madeFromPath(target));
}

bool sameBytes(const QString &a, const QString &b)
{
    QFile first(a), second(b);
    if (!first.open(QIODevice::ReadOnly) || !second.open(QIODevice::ReadOnly) || first.size() != second.size())
        return false;
    while (!first.atEnd()) {
        if (first.read(1 << 20) != second.read(1 << 20))
            return false;
    }
    return true;
}

// SQLite's header names the file's pages; a copy cut short or padded has another size.
bool wholeSqliteFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray header = file.read(100);
    if (header.size() < 100 || !header.startsWith(QByteArray("SQLite format 3\0", 16)))
        return false;
    const auto number = [&header](int at, int bytes) {
        quint64 value = 0;
        for (int i = 0; i < bytes; ++i)
            value = (value << 8) | uchar(header.at(at + i));
        return value;
    };
    const quint64 pageSize = number(16, 2) == 1 ? 65536 : number(16, 2);
    // The page count is valid only where SQLite wrote it with the change it counts.
    return number(92, 4) == number(24, 4) && quint64(file.size()) == pageSize * number(28, 4);
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

QStringList prunable(QList<Copy> copies, const QDateTime &now)
{
    std::sort(copies.begin(), copies.end(), [](const Copy &a, const Copy &b) { return a.made > b.made; });
    std::set<qint64> days;
    std::set<int> months;
    const auto monthOf = [](const QDate &date) { return date.year() * 12 + date.month() - 1; };
    QStringList dropped;
    for (qsizetype i = 0; i < copies.size(); ++i) {
        const QDate day = copies.at(i).made.date();
        const qint64 age = day.daysTo(now.date());
        // Newest first, so the first copy met of a day or a month is its newest.
        const bool newestOfDay = age < 30 && days.insert(day.toJulianDay()).second;
        const bool newestOfMonth = monthOf(now.date()) - monthOf(day) < 12 && months.insert(monthOf(day)).second;
        if (i >= KeptExitCopies && !newestOfDay && !newestOfMonth)
            dropped << copies.at(i).path;
    }
    return dropped;
}

ExitCopyResult exitCopy(QString *detail, const BackgroundWork::Progress &progress, bool hurried)
{
    const QString source = databasePath();
    const QString target = exitCopyPath();
    if (madeFromUnchanged(source, target))
        return ExitCopyResult::AlreadyMade;
    const qint64 jobs = JobDatabase::jobCount(source);
    if (jobs < 0 && !Program::isServer(source) && !QFileInfo::exists(source))
        return ExitCopyResult::NoDatabase;
    if (jobs < 0) {
        if (detail)
            *detail = QStringLiteral("%1 cannot be read as a job database").arg(source);
        return ExitCopyResult::NotUsable;
    }
    // A database made empty today (a missing file, a new folder) must not push out the shop's jobs.
    if (jobs == 0 && QFileInfo::exists(target))
        return ExitCopyResult::KeptPrevious;
    QDir().mkpath(QFileInfo(target).absolutePath());
    QString error;
    QString aside;
    bool same = false;
    const bool copied = whileNoted(target, [&] {
        return JobDatabase::copyConsistent(source, target, &error, progress, [&](QString *why) {
            // A second copy of the same jobs would only take room.
            same = sameBytes(target + QStringLiteral(".partial"), target);
            return !same && keepAside(target, &aside, why);
        });
    });
    if (same) {
        noteMadeFrom(source, target);
        return ExitCopyResult::AlreadyMade;
    }
    if (!copied || !wholeSqliteFile(target)) {
        if (detail)
            *detail = copied ? QStringLiteral("%1 is not whole").arg(target) : error;
        return ExitCopyResult::Failed;
    }
    noteMadeFrom(source, target);
    // Older copies are dropped only once the new one is whole in its place and the one it pushed
    // aside was read back whole.
    if (!aside.isEmpty())
        pruneCopiesLike(hurried ? aside : compressCopiesLike(aside, progress));
    return ExitCopyResult::Written;
}

std::optional<FoundCopy> newestCopyWithJobs(const QString &identity)
{
    struct Candidate {
        Copy copy;
        JobDatabase::Holding held;
    };
    const QDir folder = QFileInfo(exitCopyPath()).dir();
    QList<Candidate> candidates;
    for (const QDir &dir : {folder, QDir(exitCopyBackupsFolder())}) {
        for (const QFileInfo &file :
             dir.entryInfoList({QStringLiteral("*.mdb"), QStringLiteral("*.mdb.zst")}, QDir::Files)) {
            if (sameFile(file.absoluteFilePath(), databasePath()))
                continue;
            const Copy copy{file.absoluteFilePath(), rotationStamp(file.fileName()).value_or(file.lastModified())};
            if (JobDatabase::Holding held = holdingOf(copy.path); held.jobs > 0)
                candidates << Candidate{copy, held};
        }
    }
    const auto newest = [](const Candidate &a, const Candidate &b) { return a.copy.made > b.copy.made; };
    std::sort(candidates.begin(), candidates.end(), newest);
    // Without an identity, the newest copy's database is taken for the one in use.
    const QString own = !identity.isEmpty() || candidates.isEmpty() ? identity : candidates.first().held.identity;
    const auto isOwn = [&own](const Candidate &c) { return !own.isEmpty() && c.held.identity == own; };
    std::stable_sort(candidates.begin(), candidates.end(), [&](const Candidate &a, const Candidate &b) {
        if (isOwn(a) != isOwn(b))
            return isOwn(a);
        if (!isOwn(a))
            return false; // other databases' copies stay newest first
        if (a.held.newestChange != b.held.newestChange)
            return a.held.newestChange > b.held.newestChange;
        return a.held.jobs > b.held.jobs;
    });
    for (const Candidate &candidate : candidates) {
        // Torn copies read a count as well as whole ones.
        if (const qint64 jobs = checkedJobs(candidate.copy.path); jobs > 0)
            return FoundCopy{candidate.copy.path, candidate.copy.made, jobs,
                             !identity.isEmpty() && candidate.held.identity == identity};
    }
    return std::nullopt;
}

int removeStalePartialCopies()
{
    // This program holds the data folder, so whatever is half-written there is from an earlier run.
    const QDir data(Program::dataFolder());
    int removed = removeMatching(data,
                                 {QStringLiteral("*.mdb.partial"), QStringLiteral("*.mdb.partial-journal"),
                                  QStringLiteral("*.mdb.restoring"), QStringLiteral("*.mdb.restoring.partial"),
                                  QStringLiteral("*.mdb.restoring.partial-journal"), QStringLiteral("*.mdb.expanding"),
                                  QStringLiteral("*.mdb.expanding-journal"), QStringLiteral("*.mdb.importing"),
                                  QStringLiteral("*.mdb.importing-journal")},
                                 0);
    // What an earlier run of this data folder was writing elsewhere when it was stopped.
    for (const QString &partial : unfinishedCopies()) {
        for (const QString &path : {partial, partial + QStringLiteral("-journal")})
            removed += QFile::remove(path) ? 1 : 0;
    }
    writeUnfinishedCopies({});
    // Other data folders share the exit copy's folder: leave what may be being written right now.
    const qint64 tenMinutes = 600;
    const QStringList partials = {QStringLiteral("*.partial"), QStringLiteral("*.partial-journal")};
    removed += removeMatching(QFileInfo(exitCopyPath()).dir(), partials, tenMinutes);
    removed += removeMatching(QDir(exitCopyBackupsFolder()), partials, tenMinutes);
    return removed;
}

} // namespace DatabaseCopies
