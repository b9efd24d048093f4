// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "receipts/WindowFace.h"

#include <QList>
#include <QPointF>
#include <QSizeF>
#include <QString>

class QWidget;

// The page a receipt or report is printed on, in twips (1440 per inch) from the top left of the
// printable area. Every operation reports failure (no printer, a refused job) by returning false;
// lastError() then says why.
class PrintSurface
{
public:
    virtual ~PrintSurface() = default;

    // Draws the window's visible controls at real size from the top left of the page.
    virtual bool printForm(QWidget *window) = 0;
    // Draws a receipt laid out for a roll printer, or a device label, on a page of its own of the
    // given size (in twips): as wide as the roll and as long as the receipt, or the label's size.
    virtual bool printRoll(const QList<FaceItem> &items, QSizeF pageTwips) = 0;
    // Draws laid-out texts, outlines and pictures (in twips) on the current page.
    virtual bool drawItems(const QList<FaceItem> &items) = 0;
    virtual bool setFontSize(double points) = 0;
    virtual bool setPosition(double x, double y) = 0;
    // Prints the text at the position, then moves the position to the next line.
    virtual bool printText(const QString &text) = 0;
    virtual bool drawLine(QPointF from, QPointF to) = 0;
    virtual bool newPage() = 0;
    // Sends what was printed as one job; right after newPage() it adds no empty page.
    virtual bool endDoc() = 0;

    virtual QString lastError() const = 0;
};

// The surface every print goes to: the default printer, the --print-to-pdf folder, or what a
// test installed.
namespace Printer
{

PrintSurface &surface();
// A test installs a surface of its own (not owned); nullptr returns to the real one.
void setSurface(PrintSurface *surface);

} // namespace Printer
