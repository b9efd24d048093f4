// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSizeF>
#include <functional>

class PrintSurface;
class QPrintPreviewDialog;
class QWidget;

// Qt's print preview over the program's own drawing: the pages a print command would send, where
// the clerk can also choose the printer and paper and print. It opens over its owner without
// waiting, so nothing blocks on it; it deletes itself when closed.
namespace PrintPreview
{

// Draws the document onto the surface; false when drawing failed. `previewing`: for the preview's
// pages, not for its print button.
using Draw = std::function<bool(PrintSurface &, bool previewing)>;

// rollPage: the page of a roll receipt in twips; empty for the printer's paper.
QPrintPreviewDialog *open(QWidget *owner, const Draw &draw, QSizeF rollPage = QSizeF());

} // namespace PrintPreview
