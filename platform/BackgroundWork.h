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

// Asked now and then by the work: true once the clerk pressed Cancel.
using Cancelled = std::function<bool()>;

// The same with a Cancel button: the work stops at its next safe point, leaves everything as it was
// and returns false; `cancelled` tells whether the clerk asked for it.
bool runCancellable(QWidget *owner, const QString &label,
                    const std::function<bool(const Progress &, const Cancelled &)> &work, bool *cancelled,
                    const QString &objectName = QString());

// For tests: each cancellable run asks `press`, with its label, whether Cancel is pressed at once.
void setCancelHandler(std::function<bool(const QString &label)> press);

} // namespace BackgroundWork
