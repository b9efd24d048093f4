// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "receipts/WindowFace.h"

#include <QList>
#include <QSizeF>

class QWidget;

// The receipt for an 80 mm roll printer: what the receipt window shows, in one column 72 mm wide,
// with the shop name and receipt number large at the top and the number's Code 128 barcode under
// them. Every text wraps to the column and the page is as long as the receipt.
namespace RollReceipt
{

constexpr double PageWidthTwips = 80 / 25.4 * 1440;
constexpr double ColumnTwips = 72 / 25.4 * 1440;

struct Layout {
    QList<FaceItem> items; // in twips from the page's top left
    QSizeF page;           // twips
};

// Lays out the receipt window's face as it stands; receiptNumber goes into the barcode.
Layout layOut(QWidget *receiptWindow, qint64 receiptNumber);

// The dark bars of a Code 128 barcode of the text, centred in a column starting at `left`; empty
// when the text cannot be encoded.
FaceItem barcode(const QString &text, double left, double top, double width, double height);

} // namespace RollReceipt
