// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/BackgroundWork.h"

#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <climits>
#include <thread>

namespace BackgroundWork
{

namespace
{

std::function<bool(const QString &)> &cancelHandler()
{
    static std::function<bool(const QString &)> handler;
    return handler;
}

bool runWith(QWidget *owner, const QString &label, const std::function<bool(const Progress &)> &work,
             const QString &objectName, std::atomic<bool> *cancel)
{
    std::atomic<qint64> done = 0;
    std::atomic<qint64> total = 0;
    std::atomic<bool> finished = false;
    bool ok = false;
    QProgressDialog dialog(label, QString(), 0, 0, owner);
    dialog.setObjectName(objectName);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setAutoReset(false);
    dialog.setAutoClose(false);
    if (cancel) {
        dialog.setCancelButtonText(QStringLiteral("انصراف"));
        // The dialog stays until the work has undone what it began, saying so.
        QObject::connect(&dialog, &QProgressDialog::canceled, &dialog, [&dialog, cancel] {
            *cancel = true;
            dialog.setCancelButton(nullptr);
            dialog.setLabelText(QStringLiteral("کار نيمه تمام برگردانده مي شود..."));
            dialog.show();
        });
        if (cancelHandler() && cancelHandler()(label))
            *cancel = true;
    } else {
        dialog.setCancelButton(nullptr);
    }
    dialog.setMinimumDuration(300);
    dialog.setLayoutDirection(Qt::RightToLeft);
    QEventLoop loop;
    std::thread worker([&] {
        ok = work([&](qint64 doneNow, qint64 totalNow) {
            done = doneNow;
            total = totalNow;
        });
        finished = true;
        // Work done in a moment (a month's report) returns at once, not at the next poll.
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (total > 0 && !(cancel && *cancel)) {
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

bool run(QWidget *owner, const QString &label, const std::function<bool(const Progress &)> &work,
         const QString &objectName)
{
    return runWith(owner, label, work, objectName, nullptr);
}

bool runCancellable(QWidget *owner, const QString &label,
                    const std::function<bool(const Progress &, const Cancelled &)> &work, bool *cancelled,
                    const QString &objectName)
{
    std::atomic<bool> cancel = false;
    const bool ok = runWith(
        owner, label, [&](const Progress &progress) { return work(progress, [&cancel] { return bool(cancel); }); },
        objectName, &cancel);
    if (cancelled)
        *cancelled = cancel && !ok;
    return ok;
}

void setCancelHandler(std::function<bool(const QString &label)> press)
{
    cancelHandler() = std::move(press);
}

} // namespace BackgroundWork
