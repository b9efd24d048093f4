// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/AccessImports.h"

#include "jobstore/AccessFile.h"
#include "jobstore/AccessImport.h"
#include "jobstore/Adodc.h"
#include "jobstore/JobDatabase.h"
#include "jobstore/ProgramValues.h"
#include "platform/BidiText.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "solardate/Clock.h"
#include "solardate/SolarCalendar.h"

#include <QDir>
#include <QFileInfo>
#include <QProgressDialog>

#include <filesystem>

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

bool moveFile(const QString &from, const QString &to, QString *error)
{
    std::error_code code;
    std::filesystem::rename(std::filesystem::path(from.toStdU16String()), std::filesystem::path(to.toStdU16String()),
                            code);
    if (code)
        *error = QString::fromStdString(code.message());
    return !code;
}

// db1-access-14050918.mdb beside db1.mdb, or -2, -3... when that name is taken.
QString asidePath(const QString &path)
{
    const QFileInfo info(path);
    const QString base = QStringLiteral("%1-access-%2").arg(info.completeBaseName(), solarDateStamp());
    QString aside = info.dir().filePath(base + QStringLiteral(".mdb"));
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = info.dir().filePath(QStringLiteral("%1-%2.mdb").arg(base).arg(n));
    return aside;
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
    const QString aside = asidePath(path);
    const QString question =
        QStringLiteral("فايل %1 فايل اطلاعات Access با %2 کار است.\n"
                       "کارهاي آن به برنامه آورده شود؟\n\n"
                       "فايل Access دست نخورده با نام %3 کنار فايل اطلاعات مي ماند.")
            .arg(shown(path), isolated(QString::number(jobs)), isolated(QFileInfo(aside).fileName()));
    if (MessageBox::show(owner, question, MessageBox::Icon::Question, MessageBox::Buttons::YesNo) !=
        MessageBox::Answer::Yes)
        return false;

    // The due count has been trying the file every second; no connection may stay on it once it is
    // the Access file beside the new job database.
    Adodc::closeAllConnections();
    QString error;
    if (!moveFile(path, aside, &error)) {
        MessageBox::failure(
            owner,
            QStringLiteral("فايل %1 کنار گذاشته نشد و کاري وارد نشد.\nفهرست خالي نمايش داده مي شود.").arg(shown(path)),
            error);
        return false;
    }
    const JobDatabase::Check created = JobDatabase::ensure(path);
    if (created.state != JobDatabase::State::Created || !importWithProgress(owner, aside, path)) {
        // Back as it was: the next start offers the import again.
        QFile::remove(path);
        moveFile(aside, path, &error);
        if (created.state != JobDatabase::State::Created)
            MessageBox::failure(owner,
                                QStringLiteral("فايل اطلاعات تازه %1 ساخته نشد و کاري وارد نشد.\n"
                                               "فايل Access تغيير داده نشد و فهرست خالي نمايش داده مي شود.")
                                    .arg(shown(path)),
                                created.detail);
        return false;
    }
    return true;
}

bool importFromMenu(QWidget *owner)
{
    const QString file = FileDialog::getOpenFileName(owner, QStringLiteral("ورود کارها از فايل Access"),
                                                     QDir::toNativeSeparators(Program::dataFolder()),
                                                     QStringLiteral("فايل Access (*.mdb *.accdb);;همه فايل ها (*)"));
    if (file.isEmpty())
        return false;
    return importWithProgress(owner, file, Program::dataSourceOf(Program::DatabaseConnection));
}

bool importWithProgress(QWidget *owner, const QString &file, const QString &store)
{
    AccessImport::Outcome outcome;
    {
        QProgressDialog progress(QStringLiteral("کارهاي فايل %1 وارد مي شود...").arg(shown(QFileInfo(file).fileName())),
                                 QString(), 0, 0, owner);
        progress.setObjectName(QStringLiteral("importProgress"));
        progress.setWindowTitle(QStringLiteral("ورود کارها از فايل Access"));
        progress.setLayoutDirection(Qt::RightToLeft);
        progress.setWindowModality(Qt::WindowModal);
        progress.setCancelButton(nullptr);
        progress.setMinimumDuration(0);
        progress.setValue(0);
        outcome = AccessImport::run(file, store, [&progress](qint64 done, qint64 total) {
            progress.setMaximum(int(total));
            progress.setValue(int(done)); // a modal dialog paints itself here
        });
    }
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

} // namespace AccessImports
