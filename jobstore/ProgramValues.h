// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The values every window shares for the whole run. No job record crosses windows: a window hands
// another at most a receipt number, and the other re-reads the row.
namespace Program
{

inline QString DatabaseConnection;
// 1: the job window registers a new job; 0: it opens CurrentReceiptNumber.
inline int NewJobMode = 0;
// Receipt numbers are 32-bit everywhere; a busy shop passes 32767 in a few years.
inline qint32 CurrentReceiptNumber = 0;

QString dataFolder();
void setDataFolder(const QString &folder);

QString databaseFileName();
QString databasePath();

// The shop's database server (postgresql://...), or empty for the job file in the data folder.
QString databaseServer();
// True when a Data Source names a database server rather than a job file.
bool isServer(const QString &dataSource);
void setDatabaseServer(const QString &url);

// The connection text keeps the shape shops have always seen; only its Data Source is used. With
// a database server set, the Data Source is the server's address instead of the file.
QString connectionTextFor(const QString &folder);
QString dataSourceOf(const QString &connectionText);

} // namespace Program
