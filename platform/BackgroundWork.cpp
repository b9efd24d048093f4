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

bool run(QWidget *owner, const QString &label, const std::function<bool(const Progress &)> &work,
         const QString &objectName)
{
    std::atomic<qint64> done = 0;
    std::atomic<qint64> total = 0;
    std::atomic<bool> finished = false;
    bool ok = false;
    QProgressDialog dialog(label, QString(), 0, 0, owner);
    dialog.setObjectName(objectName);
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

} // namespace BackgroundWork
