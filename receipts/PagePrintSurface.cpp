// SPDX-License-Identifier: GPL-3.0-or-later
#include "receipts/PagePrintSurface.h"

#include "platform/BidiText.h"
#include "platform/RunOptions.h"
#include "receipts/WindowFace.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>

namespace
{

// The page is addressed from the top left of the printable area; a receipt is 11685 twips wide
// and its drawn part ends at 11295, so a PDF keeps narrow margins to hold it on A4.
constexpr double PdfMarginMillimetres = 5;
constexpr double TwipsPerInch = 1440;
constexpr double LinePenTwips = 10;

} // namespace

PagePrintSurface::PagePrintSurface() = default;

PagePrintSurface::PagePrintSurface(QPrinter *printer) : m_external(printer) {}

PagePrintSurface::~PagePrintSurface()
{
    abandonJob();
}

QString PagePrintSurface::nextPdfFileName(const QString &folder)
{
    static const QRegularExpression numbered(QStringLiteral("^(\\d+)\\.pdf$"),
                                             QRegularExpression::CaseInsensitiveOption);
    int highest = 0;
    const QStringList names = QDir(folder).entryList({QStringLiteral("*.pdf"), QStringLiteral("*.PDF")}, QDir::Files);
    for (const QString &name : names) {
        const QRegularExpressionMatch match = numbered.match(name);
        if (match.hasMatch())
            highest = qMax(highest, match.captured(1).toInt());
    }
    return QDir(folder).filePath(QStringLiteral("%1.pdf").arg(highest + 1, 4, 10, QLatin1Char('0')));
}

void PagePrintSurface::setReceiptMargins(QPrinter &printer)
{
    if (printer.outputFormat() == QPrinter::PdfFormat) {
        printer.setPageMargins(
            QMarginsF(PdfMarginMillimetres, PdfMarginMillimetres, PdfMarginMillimetres, PdfMarginMillimetres),
            QPageLayout::Millimeter);
    } else {
        const QMarginsF least = printer.pageLayout().minimumMargins();
        printer.setPageMargins(least, printer.pageLayout().units());
    }
}

void PagePrintSurface::setRollPage(QPrinter &printer, QSizeF pageTwips)
{
    const QSizeF millimetres = pageTwips / TwipsPerInch * 25.4;
    printer.setPageSize(
        QPageSize(millimetres, QPageSize::Millimeter, QStringLiteral("Receipt"), QPageSize::ExactMatch));
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

bool PagePrintSurface::fail(const QString &error)
{
    m_lastError = error;
    return false;
}

void PagePrintSurface::abandonJob()
{
    if (m_painter.isActive())
        m_painter.end();
    m_printer.reset();
    m_newPagePending = false;
}

bool PagePrintSurface::beginOutput(QSizeF rollPage)
{
    if (m_painter.isActive()) {
        if (m_newPagePending) {
            m_newPagePending = false;
            if (!(m_external ? m_external : m_printer.get())->newPage()) {
                abandonJob();
                return fail(QStringLiteral("The printer refused a new page."));
            }
        }
        return true;
    }

    QPrinter *target = m_external;
    if (!target) {
        const QString pdfFolder = RunOptions::printToPdfFolder;
        if (!pdfFolder.isEmpty()) {
            m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
            m_printer->setOutputFormat(QPrinter::PdfFormat);
            m_fileName = nextPdfFileName(pdfFolder);
            m_printer->setOutputFileName(m_fileName);
        } else {
            const QPrinterInfo info = QPrinterInfo::defaultPrinter();
            if (info.isNull())
                return fail(QStringLiteral("No default printer is installed."));
            m_printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
            m_fileName.clear();
        }
        setReceiptMargins(*m_printer);
        m_printer->setCreator(QApplication::applicationDisplayName());
        m_printer->setDocName(QApplication::applicationDisplayName());
        m_printer->setFullPage(false);
        target = m_printer.get();
    }
    if (rollPage.isValid())
        setRollPage(*target, rollPage);

    if (!m_painter.begin(target)) {
        const QString error = m_fileName.isEmpty()
                                  ? QStringLiteral("The printer %1 did not accept the job.").arg(target->printerName())
                                  : QStringLiteral("Cannot write %1.").arg(m_fileName);
        m_printer.reset();
        return fail(error);
    }
    const double scale = target->resolution() / TwipsPerInch;
    m_painter.scale(scale, scale);
    m_newPagePending = false;
    return true;
}

QFont PagePrintSurface::textFont() const
{
    QFont font = QApplication::font();
    font.setPixelSize(qMax(1, qRound(m_fontPoints * 20)));
    return font;
}

bool PagePrintSurface::printForm(QWidget *window)
{
    if (!window)
        return fail(QStringLiteral("No window to print."));
    if (!beginOutput())
        return false;
    WindowFace::paint(m_painter, WindowFace::describe(window));
    return true;
}

bool PagePrintSurface::printRoll(const QList<FaceItem> &items, QSizeF pageTwips)
{
    // A roll receipt is a job of its own: its page size is set before the job starts.
    if (m_painter.isActive() && !endDoc())
        return false;
    if (!beginOutput(pageTwips))
        return false;
    WindowFace::paint(m_painter, items);
    return true;
}

bool PagePrintSurface::drawItems(const QList<FaceItem> &items)
{
    if (!beginOutput())
        return false;
    WindowFace::paint(m_painter, items);
    return true;
}

bool PagePrintSurface::setFontSize(double points)
{
    if (points <= 0)
        return fail(QStringLiteral("Invalid font size."));
    m_fontPoints = points;
    return true;
}

bool PagePrintSurface::setPosition(double x, double y)
{
    m_position = QPointF(x, y);
    return true;
}

bool PagePrintSurface::printText(const QString &text)
{
    if (!beginOutput())
        return false;
    const QFont font = textFont();
    m_painter.setFont(font);
    m_painter.setPen(Qt::black);
    const QFontMetricsF metrics(font);
    // Every text starts at the position and runs to the right, whatever its language, so columns
    // set at the same x line up; a text with Persian in it still reads right to left within itself.
    const int direction = hasRightToLeftLetter(text) ? Qt::TextForceRightToLeft : Qt::TextForceLeftToRight;
    const QRectF box(m_position.x(), m_position.y(), 1e6, metrics.height());
    m_painter.drawText(
        box, Qt::AlignLeft | Qt::AlignAbsolute | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip | direction,
        text);
    m_position = QPointF(0, m_position.y() + metrics.height());
    return true;
}

bool PagePrintSurface::drawLine(QPointF from, QPointF to)
{
    if (!beginOutput())
        return false;
    m_painter.setPen(QPen(Qt::black, LinePenTwips, Qt::SolidLine, Qt::FlatCap));
    m_painter.drawLine(from, to);
    return true;
}

bool PagePrintSurface::newPage()
{
    // The page is only begun when something is printed on it, so ending the job right after
    // leaves no empty page.
    if (m_painter.isActive())
        m_newPagePending = true;
    return true;
}

bool PagePrintSurface::endDoc()
{
    if (!m_painter.isActive())
        return true;
    const bool ended = m_painter.end();
    const QString fileName = m_fileName;
    m_printer.reset();
    m_newPagePending = false;
    m_position = QPointF();
    if (!ended)
        return fail(QStringLiteral("The print job could not be sent."));
    if (!fileName.isEmpty() && !QFileInfo::exists(fileName))
        return fail(QStringLiteral("Cannot write %1.").arg(fileName));
    return true;
}
