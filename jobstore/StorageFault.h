#pragma once

#include <QString>

class QSqlError;

// Why the job database refused a read or a write, as far as a clerk can act on it.
enum class StorageFault {
    None,
    ReadOnly,    // the file or its folder cannot be written
    DiskFull,    // no room left on the disk
    Busy,        // another program holds the file
    NumberTaken, // another job already carries the receipt number
    Other,
};

StorageFault storageFaultOf(const QSqlError &error);

// One Persian sentence for the clerk; empty for None and Other.
QString storageFaultSentence(StorageFault fault);
