// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "jobstore/file/JobDatabase.h"
#include "jobstore/server/Dialect.h"

#include <QString>

#include <memory>

class DataFolderLock;
class QApplication;
class first;

// What the program does once its window system is up, before its event loop: the data folder, the
// database server's check, the folder's lock, the session's end, and the splash that goes on to
// the main window. A test starts the program through here as main does.
namespace Start
{

struct Started {
    Started();
    Started(Started &&) noexcept;
    Started &operator=(Started &&) noexcept;
    ~Started();

    std::unique_ptr<DataFolderLock> lock;
    std::unique_ptr<first> splash; // null when the start ended; then exitCode says how
    int exitCode = 0;
};

// What the clerk is told when the database server named by `address` cannot serve, the start
// having found it in `state`; `detail` is the check's own (a column, the repeated numbers).
QString serverRefusal(JobDatabase::State state, const Dialect::ServerAddress &address, const QString &detail);

// `databaseOption` is --database's address (empty: velmora.ini's or none), `printToPdf` the folder
// print jobs are written to instead of a printer (empty: the printer).
Started begin(QApplication &app, const QString &dataFolder, const QString &databaseOption, const QString &printToPdf);

} // namespace Start
