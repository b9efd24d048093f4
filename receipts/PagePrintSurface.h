// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "receipts/PrintSurface.h"

#include <QPainter>
#include <memory>

class QPrinter;

// The real page: the system's default printer, or, when the program runs with --print-to-pdf, the
// next numbered PDF file of that folder for each job. A job begins with the first thing printed and
// ends with endDoc().
class PagePrintSurface : public PrintSurface
{
public:
    PagePrintSurface();
    // Draws on a printer set up elsewhere (the print preview's), which stays its owner's.
    explicit PagePrintSurface(QPrinter *printer);
    ~PagePrintSurface() override;

    bool printForm(QWidget *window) override;
    bool printRoll(const QList<FaceItem> &items, QSizeF pageTwips) override;
    bool drawItems(const QList<FaceItem> &items) override;
    bool setFontSize(double points) override;
    bool setPosition(double x, double y) override;
    bool printText(const QString &text) override;
    bool drawLine(QPointF from, QPointF to) override;
    bool newPage() override;
    bool endDoc() override;
    QString lastError() const override { return m_lastError; }

    // The file the next job in the folder is written to: one past the highest number there.
    static QString nextPdfFileName(const QString &folder);
    // The page a job starts with: the least margins the printer allows, or narrow ones in a PDF.
    static void setReceiptMargins(QPrinter &printer);
    // A page as wide as the roll and as long as the receipt.
    static void setRollPage(QPrinter &printer, QSizeF pageTwips);

private:
    // Starts the job on first use and turns a pending new page into a real one.
    bool beginOutput(QSizeF rollPage = QSizeF());
    bool fail(const QString &error);
    void abandonJob();
    QFont textFont() const;

    std::unique_ptr<QPrinter> m_printer;
    QPrinter *m_external = nullptr;
    QPainter m_painter;
    QString m_lastError;
    QString m_fileName;
    double m_fontPoints = 9;
    QPointF m_position;
    bool m_newPagePending = false;
};
