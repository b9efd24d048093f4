// SPDX-License-Identifier: GPL-3.0-or-later
#include "receipts/ReceiptJob.h"

#include "jobstore/NumericText.h"

qint64 ReceiptJob::wholeNumber(const QString &boxText)
{
    return NumericText::roundHalfEven(NumericText::numericValue(NumericText::toAsciiDigits(boxText)));
}

QString ReceiptJob::dateText(qint64 dateNumber)
{
    const qint64 day = dateNumber % 100;
    const qint64 month = (dateNumber % 10000) / 100;
    const qint64 year = dateNumber / 10000;
    return QStringLiteral("%1/%2/%3").arg(day).arg(month).arg(year);
}
