// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace BackgroundWork
{

// Told now and then how far the work is; called on the working thread.
using Progress = std::function<void(qint64 done, qint64 total)>;

// Runs `work` on a thread of its own while a modal progress dialog labelled `label` keeps the
// window painting: a busy shop's jobs take many seconds to copy, check or import, and a server's
// statements must not hold the window. Returns what `work` returned.
bool run(QWidget *owner, const QString &label, const std::function<bool(const Progress &)> &work,
         const QString &objectName = QString());

} // namespace BackgroundWork
