// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace Program
{

// The shop's database server as this counter is set to reach it: `given` (from --database) or the
// database= line of the velmora.ini at `iniPath`, with the ini's sslmode, sslrootcert, sslcert and
// sslkey lines added where the address does not name them. Empty when neither sets a server.
// `refusal` is set (in Persian) and the address left empty when the ini holds a line the program
// does not read, or a password that other accounts of the machine can read.
QString serverAddress(const QString &given, const QString &iniPath, QString *refusal);

} // namespace Program
