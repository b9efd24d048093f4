// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "receipts/ReceiptJob.h"

class PForm;
class QWidget;

// Prints a job's receipt: the receipt window, refreshed from edit.txt and filled with the job,
// once per copy that edit.txt asks for, each copy a print job of its own.
namespace ReceiptPrinting
{

// Returns false when the printer failed; the clerk has then been told "خطاي ارسال به پرينتر" and
// the copies not yet printed were skipped. No copies asked for is not a failure.
bool print(QWidget *owner, const ReceiptJob &job);

// Writes the job into the receipt window's boxes, with today's date and the time.
void fill(PForm &form, const ReceiptJob &job);

// Today's solar date text: the main window's date control's when there is one.
QString todayText(const PForm &form);

} // namespace ReceiptPrinting
