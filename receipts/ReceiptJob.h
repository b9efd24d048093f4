// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// What a receipt shows of one job, taken from the job window's boxes.
struct ReceiptJob {
    qint64 number = 0; // receipt number
    QString name;
    QString device;
    qint64 dateIn = 0; // date numbers, yymmdd
    qint64 dateOut = 0;
    qint64 minimumCharge = 0;
    qint64 deposit = 0;
    QString accessories;
    QString description;

    // A box's text as a whole number: its leading number, rounded half to even.
    static qint64 wholeNumber(const QString &boxText);
    // d/m/yy without leading zeros: 920208 gives 8/2/92, 0 gives 0/0/0.
    static QString dateText(qint64 dateNumber);
};
