// SPDX-License-Identifier: GPL-3.0-or-later
#include "receipts/PrintPreview.h"

#include "platform/RunOptions.h"
#include "receipts/PagePrintSurface.h"

#include <QGuiApplication>
#include <QPaintEngine>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScreen>

namespace PrintPreview
{

QPrintPreviewDialog *open(QWidget *owner, const Draw &draw, QSizeF rollPage)
{
    // The dialog owns its printer; it starts as the default printer with the direct print's page.
    auto *dialog = new QPrintPreviewDialog(owner);
    dialog->setObjectName(QStringLiteral("PrintPreview"));
    dialog->setWindowTitle(QStringLiteral("پيش نمايش چاپ"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // Large enough to read a page at once.
    if (const QScreen *screen = owner ? owner->screen() : QGuiApplication::primaryScreen())
        dialog->resize(screen->availableSize() * 0.85);
    QPrinter *printer = dialog->printer();
    printer->setResolution(1200);
    if (!RunOptions::printToPdfFolder.isEmpty()) {
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(PagePrintSurface::nextPdfFileName(RunOptions::printToPdfFolder));
    }
    PagePrintSurface::setReceiptMargins(*printer);
    if (rollPage.isValid())
        PagePrintSurface::setRollPage(*printer, rollPage);

    QObject::connect(dialog, &QPrintPreviewDialog::paintRequested, dialog, [draw](QPrinter *target) {
        // The preview records its pages through a picture engine; its print button, through the printer's.
        const bool previewing = target->paintEngine() && target->paintEngine()->type() == QPaintEngine::Picture;
        PagePrintSurface surface(target);
        draw(surface, previewing);
        surface.endDoc();
    });
    dialog->open();
    return dialog;
}

} // namespace PrintPreview
