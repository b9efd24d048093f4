#include "reports/ReportPrinter.h"

#include "receipts/PrintSurface.h"

namespace
{

const int columnXs[ReportPrinter::columnCount] = {1000, 1500, 3000, 4000, 5000, 6000, 7000, 8000, 9000, 10000};

const double tableLeft = 800;
const double tableRight = 11000;
const double firstTableY = 4000;
const double pageTableY = 1000;
const double lastRowY = 15700; // a row that would start below this goes to the next page

} // namespace

int ReportPrinter::columnX(int column)
{
    return columnXs[column];
}

QString ReportPrinter::heading(int column)
{
    static const QString headings[columnCount] = {
        QStringLiteral("رسيد"),         QStringLiteral("نام مشتري"),   QStringLiteral("مدل دستگاه"),
        QStringLiteral("تاريخ ورود"),   QStringLiteral("تاريخ تحويل"), QStringLiteral("تعميرکار"),
        QStringLiteral("قطعات"),        QStringLiteral("هزينه قطعات"), QStringLiteral("هزينه نهايي"),
        QStringLiteral("وضعيت دستگاه"),
    };
    return headings[column];
}

ReportPrinter::ReportPrinter(PrintSurface &surface, const Header &header, const ReportTotals &totals)
    : m_surface(surface), m_header(header), m_totals(totals)
{
}

void ReportPrinter::setRows(int count, CellSource cells)
{
    m_rowCount = qMax(0, count);
    m_cells = std::move(cells);
}

void ReportPrinter::setProgress(Progress progress, int everyRows)
{
    m_progress = std::move(progress);
    m_progressEvery = qMax(1, everyRows);
}

ReportPrinter::Outcome ReportPrinter::print()
{
    m_error.clear();
    m_pages = 1;
    if (!m_surface.setFontSize(10)) {
        fail();
        return Outcome::Failed;
    }
    if (!printHeader())
        return Outcome::Failed;

    double y = firstTableY;
    bool headingDue = true;
    for (int row = 0; row < m_rowCount; ++row) {
        if (m_progress && row % m_progressEvery == 0 && !m_progress(row, m_rowCount)) {
            // The surface cannot take a job back: what is drawn so far goes out as a job of its
            // own, so the next print starts on a clean page.
            if (!m_surface.endDoc()) {
                fail();
                return Outcome::Failed;
            }
            return Outcome::Cancelled;
        }
        if (headingDue) {
            if (!printHeadings(y))
                return Outcome::Failed;
            y += 400;
        }
        if (!printRow(row, y))
            return Outcome::Failed;
        y += 300;
        headingDue = y > lastRowY;
        // No page is started after the last row: the surface would not print it anyway, and the
        // page count stays honest.
        if (headingDue && row + 1 < m_rowCount) {
            y = pageTableY;
            if (!m_surface.newPage()) {
                fail();
                return Outcome::Failed;
            }
            ++m_pages;
        }
    }
    if (m_progress && m_rowCount > 0)
        m_progress(m_rowCount, m_rowCount);
    if (!m_surface.endDoc()) {
        fail();
        return Outcome::Failed;
    }
    return Outcome::Printed;
}

bool ReportPrinter::printHeader()
{
    const ReportTotals &t = m_totals;
    if (!text(8500, 600, QStringLiteral("تاريخ گزارش گيري : ") + m_header.reportDate))
        return false;
    if (!m_surface.setFontSize(18) || !text(4900, 400, QStringLiteral("به نام خدا ")))
        return fail();
    if (!m_surface.setFontSize(10))
        return fail();
    const struct {
        int x, y;
        QString text;
    } lines[] = {
        {1000, 1200, QStringLiteral("  از تاريخ :") + m_header.fromDigits},
        {1000, 1600, QStringLiteral("  تا تاريخ :") + m_header.toDigits},
        {1000, 2000, QStringLiteral("  نام تعميرکار :") + m_header.technician},
        {1000, 2400, QStringLiteral("  وضعيت دستگاه ها:") + m_header.status},
        {1000, 2800,
         QStringLiteral("  مبلغ مربوط به تعميرکار(شامل ") + t.technicianPercentText() +
             QStringLiteral(" درصد از هزينه تعمير):") + ReportTotals::numberText(t.technicianShare())},
        {1000, 3200,
         QStringLiteral("  مبلغ مربوط به تعميرگاه(شامل ") + t.shopPercentText() +
             QStringLiteral(" درصد از هزينه تعمير):") + ReportTotals::numberText(double(t.shopShare()))},
        {6000, 1200, QStringLiteral("  تعداد تعميرات :") + QString::number(t.repairCount())},
        {6000, 1600, QStringLiteral("  هزينه قطعات :") + ReportTotals::numberText(t.partsTotal())},
        {6000, 2000, QStringLiteral("  هزينه تعمير :") + ReportTotals::numberText(t.repairTotal())},
        {6000, 2400, QStringLiteral("   هزينه تعمير و قطعات :") + ReportTotals::numberText(t.finalTotal())},
    };
    for (const auto &entry : lines) {
        if (!text(entry.x, entry.y, entry.text))
            return false;
    }
    return line(800, 1000, 800, 3600) && line(11000, 1000, 11000, 3600) && line(800, 1000, 11000, 1000) &&
           line(11000, 3600, 800, 3600);
}

bool ReportPrinter::printHeadings(double y)
{
    if (!m_surface.setFontSize(10))
        return fail();
    if (!line(tableRight, y - 50, tableLeft, y - 50))
        return false;
    for (int column = 0; column < columnCount; ++column) {
        if (!text(columnXs[column], y, heading(column)))
            return false;
    }
    return line(tableRight, y - 50, tableRight, y + 350) && line(tableLeft, y - 50, tableLeft, y + 350) &&
           line(tableLeft, y + 350, tableRight, y + 350);
}

bool ReportPrinter::printRow(int row, double y)
{
    if (!m_surface.setFontSize(9))
        return fail();
    for (int column = 0; column < columnCount; ++column) {
        const QString value = ReportTotals::cellText(m_cells ? m_cells(row, column) : QVariant());
        // An empty cell is left blank; its rules are drawn all the same.
        if (!value.isEmpty() && !text(columnXs[column], y, value))
            return false;
        if (column == 0 && !line(tableRight, y + 250, tableLeft, y + 250))
            return false;
    }
    return line(tableRight, y - 50, tableRight, y + 250) && line(tableLeft, y - 50, tableLeft, y + 250);
}

bool ReportPrinter::text(double x, double y, const QString &value)
{
    if (!m_surface.setPosition(x, y) || !m_surface.printText(value))
        return fail();
    return true;
}

bool ReportPrinter::line(double x1, double y1, double x2, double y2)
{
    if (!m_surface.drawLine(QPointF(x1, y1), QPointF(x2, y2)))
        return fail();
    return true;
}

bool ReportPrinter::fail()
{
    m_error = m_surface.lastError();
    return false;
}
