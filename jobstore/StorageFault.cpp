// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/StorageFault.h"

#include <QSqlError>

StorageFault storageFaultOf(const QSqlError &error)
{
    if (!error.isValid())
        return StorageFault::None;
    // The driver reports SQLite's result code; the low byte is the primary code.
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok) & 0xff;
    if (!ok)
        return StorageFault::Other;
    switch (code) {
    case 3:  // SQLITE_PERM
    case 8:  // SQLITE_READONLY
    case 14: // SQLITE_CANTOPEN: the journal beside the file cannot be made
        return StorageFault::ReadOnly;
    case 13: // SQLITE_FULL
        return StorageFault::DiskFull;
    case 5: // SQLITE_BUSY
    case 6: // SQLITE_LOCKED
        return StorageFault::Busy;
    default:
        return StorageFault::Other;
    }
}

QString storageFaultSentence(StorageFault fault)
{
    switch (fault) {
    case StorageFault::ReadOnly:
        return QStringLiteral("فايل اطلاعات يا پوشه آن فقط خواندني است و نمي توان در آن نوشت.");
    case StorageFault::DiskFull:
        return QStringLiteral("ديسک پر است و جايي براي ذخيره اطلاعات نمانده است.");
    case StorageFault::Busy:
        return QStringLiteral("فايل اطلاعات در دست برنامه ديگري است؛ چند لحظه بعد دوباره ذخيره کنيد.");
    case StorageFault::NumberTaken:
        return QStringLiteral("اين شماره رسيد همين حالا براي کار ديگري ثبت شده است.");
    case StorageFault::NoAnswer:
        return QStringLiteral("سرور پايگاه داده پاسخ نمي دهد؛ شبکه و روشن بودن سرور را بررسي کنيد و چند لحظه بعد "
                              "دوباره امتحان کنيد.");
    case StorageFault::ChangedElsewhere:
    case StorageFault::Gone:
    case StorageFault::None:
    case StorageFault::Other:
        break;
    }
    return QString();
}
