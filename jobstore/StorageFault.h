// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QSqlError;

// Why the job database refused a read or a write, as far as a clerk can act on it.
enum class StorageFault {
    None,
    ReadOnly,         // the file or its folder cannot be written
    DiskFull,         // no room left on the disk
    Busy,             // another program holds the file
    NumberTaken,      // another job already carries the receipt number
    ChangedElsewhere, // another counter changed the row since it was read; nothing was written
    Gone,             // the row was deleted, or replaced by a restore, since it was read
    NoAnswer,         // the database server did not answer in time, or dropped the connection
    Other,
};

StorageFault storageFaultOf(const QSqlError &error);

// One Persian sentence for the clerk; empty for None and Other.
QString storageFaultSentence(StorageFault fault);
