// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "receipts/ReceiptJob.h"
#include "receipts/WindowFace.h"

#include <QList>
#include <QSizeF>

class QWidget;

// The label the shop sticks on a device it keeps: the receipt number as a Code 128 barcode with its
// digits under it, then the customer's name, the model and the date in, on a page of the label's
// own size. A scanner reading the barcode into the main window's receipt box opens the job.
namespace DeviceLabel
{

struct Layout {
    QList<FaceItem> items; // in twips from the label's top left
    QSizeF page;           // twips
};

Layout layOut(const ReceiptJob &job, QSizeF millimetres);

// Prints one label of the size chosen in the receipt settings window, as a job of its own. False
// when the printer failed; the clerk has then been told "خطاي ارسال به پرينتر".
bool print(QWidget *owner, const ReceiptJob &job);

} // namespace DeviceLabel
