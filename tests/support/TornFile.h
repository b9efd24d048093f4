// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// A job database torn as a power cut or a failing disk leaves one: the pages of an older and a newer
// version of the same file mixed. Its schema and row count still read.
namespace TornFile
{

void write(const QString &path);
QByteArray bytes(const QString &path);

} // namespace TornFile
