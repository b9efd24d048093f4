// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Technical detail that the clerk's message leaves out: written to standard error and appended to
// velmora.log in the data folder, whose previous megabyte is kept as velmora.log.1.
namespace ErrorLog
{

constexpr qint64 RotateAtBytes = 1024 * 1024;

QString filePath();
// Records what the clerk was told and why it happened.
void record(const QString &message, const QString &detail);

} // namespace ErrorLog
