// SPDX-License-Identifier: GPL-3.0-or-later
#include "reports/ReportPrinter.h"

#include "platform/BidiText.h"
#include "receipts/PrintSurface.h"
#include "receipts/TextFit.h"

#include <QFontMetricsF>
#include <QGuiApplication>

#include <cmath>

namespace
{

// Dates and the receipt number need less than their headings; the status heading, the widest,
// gets the room they leave.
const int columnXs[ReportPrinter::columnCount] = {1000, 1500, 3000, 4000, 4900, 5800, 6650, 7500, 8500, 9500};

const double firstTableTop = 3950; // the heading's upper rule; its texts stand 50 lower
const double pageTableTop = 950;
const double pageBottom = 15950; // no rule below this: the lowest row of a full page ends here
const double textInset = 50;     // from a rule to the text of a header line
const double rowPad = 30;        // least room between a row's ink and its rules
const double headingPad = 50;
const double lineSpacing = 1.45; // line to line, in font sizes
const double rowHeight = 300;
const double headingHeight = 400;
const double columnGap = 60; // least room between two values
const double slack = 20;     // so the printer's own measuring never finds a text a hair too big
const double rowPoints = 9;
const double headingPoints = 10; // the most; all headings share the size the widest one fits at
const double footerPoints = 8;
const double totalsGap = 150;
const double totalsPitch = 400;
const double chartGap = 300;
const int rowLines = 3; // a long text wraps over this many lines of the row's size before it shrinks
const int headingLines = 2;

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

bool ReportPrinter::isNumberColumn(int column)
{
    return column == 0 || column == 3 || column == 4 || column == 7 || column == 8;
}

QString ReportPrinter::pageText(int page, int pages)
{
    return QStringLiteral("صفحه %1 از %2").arg(page).arg(pages);
}

QString ReportPrinter::rangeText(const QString &fromDigits, const QString &toDigits)
{
    // yymmdd as the date boxes show it.
    const auto date = [](const QString &digits) {
        if (digits.size() != 6)
            return digits.isEmpty() ? QStringLiteral("-") : digits;
        return digits.left(2) + QLatin1Char('/') + digits.mid(2, 2) + QLatin1Char('/') + digits.right(2);
    };
    return QStringLiteral("گزارش از تاريخ %1 تا تاريخ %2").arg(date(fromDigits), date(toDigits));
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

// Where a line's ink stands in its slot, for the report's face at a size. Fonts for Arabic script
// keep tall room for marks above and below the letters; rows are set by the ink, so a 9 point row
// stays 300 twips high whatever the face.
ReportPrinter::LineInk ReportPrinter::lineInk(double points) const
{
    const int pixels = qMax(1, int(std::lround(points * 20)));
    if (auto found = m_inks.constFind(pixels); found != m_inks.constEnd())
        return *found;
    QFont font(m_family);
    font.setPixelSize(pixels);
    const QFontMetricsF metrics(font);
    // The tallest and deepest letters, joined forms, digits and brackets a report holds.
    const QRectF tight = metrics.tightBoundingRect(QStringLiteral("آلگکطظ(|)0123456789ÅgjyQ")) |
                         metrics.tightBoundingRect(QStringLiteral("قاضي جهانگيري ضصعيني ـيـي"));
    LineInk ink;
    ink.slot = lineSpacing * pixels;
    ink.box = metrics.ascent() + metrics.descent() + qMax(0.0, metrics.leading());
    ink.top = metrics.ascent() + tight.top();
    ink.height = tight.height();
    m_inks.insert(pixels, ink);
    return ink;
}

double ReportPrinter::advance(const QString &text, double points) const
{
    QFont font(m_family);
    font.setPixelSize(qMax(1, int(std::lround(points * 20))));
    return QFontMetricsF(font).horizontalAdvance(isolateLeftToRightRuns(text));
}

FaceItem ReportPrinter::textItem(const QString &text, const QRectF &rect, double points, Qt::Alignment alignment) const
{
    FaceItem item;
    item.kind = FaceItem::Kind::Text;
    item.text = text;
    item.rect = rect;
    item.fontFamily = m_family;
    item.fontPoints = points;
    item.alignment = alignment | Qt::AlignAbsolute | Qt::AlignTop;
    item.rightToLeft = hasRightToLeftLetter(text);
    item.wordWrap = true;
    item.lineSpacing = lineSpacing;
    return item;
}

QStringList ReportPrinter::rowValues(int row) const
{
    QStringList values;
    for (int column = 0; column < columnCount; ++column)
        values << ReportTotals::cellText(m_cells ? m_cells(row, column) : QVariant());
    return values;
}

ReportPrinter::Row ReportPrinter::layOutRow(const QStringList &values, double top, double points, double least,
                                            bool headings) const
{
    struct Placed {
        FaceItem item;
        double inkTop, inkBottom; // from the item's top
    };
    QList<Placed> placed;
    const LineInk ink = lineInk(points);
    const double maxLines = headings ? 1 : rowLines;
    double previousRight = -1e9; // where the value before this one ends
    for (int column = 0; column < columnCount; ++column) {
        const QString &value = values.at(column);
        if (value.isEmpty())
            continue;
        const double left = qMax(double(columnXs[column]), previousRight + columnGap);
        const double ownRight = (column + 1 < columnCount ? columnXs[column + 1] : tableRight) - columnGap;
        // A short text may run on over the empty cells after it, up to the next value.
        double roomRight = tableRight - columnGap;
        for (int next = column + 1; next < columnCount; ++next) {
            if (!values.at(next).isEmpty()) {
                roomRight = columnXs[next] - columnGap;
                break;
            }
        }
        const double width = advance(value, points);
        const bool keepsSize = !headings && isNumberColumn(column);
        if (keepsSize || left + width + slack <= (headings ? ownRight : roomRight)) {
            const double right = qMax(keepsSize ? ownRight : roomRight, left + width + slack);
            placed << Placed{textItem(value, QRectF(left, 0, right - left, ink.slot + slack), points),
                             (ink.slot - ink.box) / 2 + ink.top, (ink.slot - ink.box) / 2 + ink.top + ink.height};
            previousRight = left + width;
            continue;
        }
        // Too long: wrapped inside its own column over a few lines, and smaller if it must be.
        FaceItem item =
            textItem(value, QRectF(left, 0, qMax(ownRight - left, 200.0), maxLines * ink.slot + slack), points);
        const FittedText fitted = WindowFace::layOut(item);
        const LineInk fittedInk = lineInk(fitted.points);
        double first = 0, last = ink.slot;
        if (!fitted.lines.isEmpty()) {
            first = fitted.lines.first().rect.center().y();
            last = fitted.lines.last().rect.center().y();
            // The box the text filled, so drawing it again lays it out the same way.
            item.rect.setHeight(fitted.lines.last().rect.bottom() - fitted.lines.first().rect.top() + slack);
        }
        const double inkTop = first - fittedInk.box / 2 + fittedInk.top;
        placed << Placed{item, inkTop, last - fittedInk.box / 2 + fittedInk.top + fittedInk.height};
        previousRight = item.rect.right();
    }

    // Every value's ink starts on one line, and the row is as high as its tallest value needs.
    double tallest = ink.height;
    for (const Placed &value : placed)
        tallest = qMax(tallest, value.inkBottom - value.inkTop);
    Row row;
    row.height = qMax(least, 2 * (headings ? headingPad : rowPad) + tallest);
    const double inkTop = top + (row.height - tallest) / 2;
    for (Placed &value : placed) {
        value.item.rect.moveTop(inkTop - value.inkTop);
        row.items << value.item;
    }
    return row;
}

QList<FaceItem> ReportPrinter::headerItems() const
{
    const ReportTotals &t = m_totals;
    const auto at = [&](double x, double y, double right, const QString &text, double points = 10) {
        return textItem(text, QRectF(x, y, right - x, lineInk(points).slot + slack), points);
    };
    const double leftEnd = 6000 - columnGap;
    const double rightEnd = tableRight - columnGap;
    return {
        at(8500, 600, 11300, QStringLiteral("تاريخ گزارش گيري : ") + m_header.reportDate),
        at(4900, 400, 8500 - columnGap, QStringLiteral("به نام خدا "), 18),
        at(1000, 1200, leftEnd, QStringLiteral("  از تاريخ :") + m_header.fromDigits),
        at(1000, 1600, leftEnd, QStringLiteral("  تا تاريخ :") + m_header.toDigits),
        at(1000, 2000, leftEnd, QStringLiteral("  نام تعميرکار :") + m_header.technician),
        at(1000, 2400, leftEnd, QStringLiteral("  وضعيت دستگاه ها:") + m_header.status),
        at(1000, 2800, leftEnd,
           QStringLiteral("  مبلغ مربوط به تعميرکار(شامل ") + t.technicianPercentText() +
               QStringLiteral(" درصد از هزينه تعمير):") + ReportTotals::numberText(t.technicianShare())),
        at(1000, 3200, leftEnd,
           QStringLiteral("  مبلغ مربوط به تعميرگاه(شامل ") + t.shopPercentText() +
               QStringLiteral(" درصد از هزينه تعمير):") + ReportTotals::numberText(double(t.shopShare()))),
        at(6000, 1200, rightEnd, QStringLiteral("  تعداد تعميرات :") + QString::number(t.repairCount())),
        at(6000, 1600, rightEnd, QStringLiteral("  هزينه قطعات :") + ReportTotals::numberText(t.partsTotal())),
        at(6000, 2000, rightEnd, QStringLiteral("  هزينه تعمير :") + ReportTotals::numberText(t.repairTotal())),
        at(6000, 2400, rightEnd, QStringLiteral("   هزينه تعمير و قطعات :") + ReportTotals::numberText(t.finalTotal())),
    };
}

double ReportPrinter::totalsHeight() const
{
    return 2 * textInset + 4 * totalsPitch;
}

// The header's totals and shares once more, under the last row, where the accountant adds up.
QList<FaceItem> ReportPrinter::totalsItems(double top) const
{
    QList<FaceItem> header = headerItems();
    QList<FaceItem> items;
    const double shift = top + 2 * textInset - 1200;
    for (int index : {8, 9, 10, 11, 6, 7}) {
        FaceItem item = header.at(index);
        item.rect.translate(0, index >= 8 ? shift : shift - 1600);
        items << item;
    }
    return items;
}

QList<FaceItem> ReportPrinter::footerItems(int page, int pages) const
{
    const double height = lineInk(footerPoints).slot + slack;
    return {
        textItem(pageText(page, pages), QRectF(7000, footerY, tableRight - 7000, height), footerPoints, Qt::AlignRight),
        textItem(rangeText(m_header.fromDigits, m_header.toDigits),
                 QRectF(tableLeft, footerY, 7000 - columnGap - tableLeft, height), footerPoints),
    };
}

QStringList ReportPrinter::headingTexts()
{
    QStringList headings;
    for (int column = 0; column < columnCount; ++column)
        headings << heading(column);
    return headings;
}

double ReportPrinter::headingPointSize() const
{
    // One size for every heading, so no heading reads as the small print of its neighbour.
    const QStringList headings = headingTexts();
    double headingSize = headingPoints;
    for (int column = 0; column < columnCount; ++column) {
        const double room =
            (column + 1 < columnCount ? columnXs[column + 1] : tableRight) - columnGap - columnXs[column] - 2 * slack;
        headingSize =
            qMin(headingSize, std::floor(headingPoints * room / advance(headings.at(column), headingPoints) * 10) / 10);
    }
    return headingSize;
}

void ReportPrinter::beginPlan()
{
    if (m_family.isEmpty())
        m_family = QGuiApplication::font().family();
    m_plan = Plan{};
    m_plan->headingHeight = layOutRow(headingTexts(), 0, headingPointSize(), headingHeight, true).height;
    m_plan->top = firstTableTop + m_plan->headingHeight;
}

void ReportPrinter::planRow(const QVector<QVariant> &cells)
{
    QStringList values;
    for (int column = 0; column < columnCount; ++column)
        values << ReportTotals::cellText(cells.value(column));
    planValues(values);
}

void ReportPrinter::planValues(const QStringList &values)
{
    Plan &plan = *m_plan;
    const double height = layOutRow(values, 0, rowPoints, rowHeight, false).height;
    if (plan.top + height > pageBottom && plan.rowsOnPage > 0) {
        plan.pageStarts << plan.rows;
        plan.top = pageTableTop + plan.headingHeight;
        plan.rowsOnPage = 0;
    }
    plan.top += height;
    ++plan.rowsOnPage;
    ++plan.rows;
}

ReportPrinter::Outcome ReportPrinter::print()
{
    m_error.clear();
    m_pages = 1;
    if (m_family.isEmpty())
        m_family = QGuiApplication::font().family();

    const QStringList headings = headingTexts();
    const double headingSize = headingPointSize();
    // Where the pages break, so each footer can say how many there are; measured here unless planned.
    if (!m_plan || m_plan->rows != m_rowCount) {
        beginPlan();
        for (int row = 0; row < m_rowCount; ++row)
            planValues(rowValues(row));
    }
    const Plan plan = *std::exchange(m_plan, std::nullopt);
    const QList<int> &pageStarts = plan.pageStarts;
    double top = plan.top;
    const bool totalsOnOwnPage = m_rowCount > 0 && top + totalsGap + totalsHeight() > pageBottom;
    const double totalsEnd = (totalsOnOwnPage ? pageTableTop : top + totalsGap) + totalsHeight();
    const bool chartDue = m_rowCount > 0 && !m_chart.isNull();
    const bool chartOnOwnPage = chartDue && totalsEnd + chartGap + chartSize().height() > pageBottom;
    const int pages = 1 + int(pageStarts.size()) + (totalsOnOwnPage ? 1 : 0) + (chartOnOwnPage ? 1 : 0);

    if (!m_surface.setFontSize(10)) {
        fail();
        return Outcome::Failed;
    }
    if (!items(headerItems()) || !box(1000, 3600))
        return Outcome::Failed;

    top = firstTableTop;
    int page = 1;
    bool headingDue = true;
    const auto nextPage = [&]() {
        if (!items(footerItems(page, pages)))
            return false;
        if (!m_surface.newPage())
            return fail();
        ++page;
        ++m_pages;
        top = pageTableTop;
        headingDue = true;
        return true;
    };
    qsizetype nextStart = 0;
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
        if (nextStart < pageStarts.size() && pageStarts.at(nextStart) == row) {
            ++nextStart;
            if (!nextPage())
                return Outcome::Failed;
        }
        if (headingDue) {
            const Row headingsHere = layOutRow(headings, top, headingSize, headingHeight, true);
            if (!line(tableRight, top, tableLeft, top) || !printRuled(headingsHere, top) ||
                !line(tableLeft, top + headingsHere.height, tableRight, top + headingsHere.height))
                return Outcome::Failed;
            // A rule between each two headings: a word space apart, "هزينه نهايي" and "هزينه قطعات"
            // read as one phrase.
            for (int column = 1; column < columnCount; ++column) {
                const double x = columnXs[column] - columnGap / 2;
                if (!line(x, top, x, top + headingsHere.height))
                    return Outcome::Failed;
            }
            top += headingsHere.height;
            headingDue = false;
        }
        const Row printed = layOutRow(rowValues(row), top, rowPoints, rowHeight, false);
        if (!items(printed.items) || !line(tableRight, top + printed.height, tableLeft, top + printed.height) ||
            !printRuled(Row{{}, printed.height}, top))
            return Outcome::Failed;
        top += printed.height;
    }
    if (m_rowCount > 0) {
        if (m_progress)
            m_progress(m_rowCount, m_rowCount);
        if (totalsOnOwnPage) {
            if (!nextPage())
                return Outcome::Failed;
        } else {
            top += totalsGap;
        }
        if (!items(totalsItems(top)) || !box(top, top + totalsHeight()))
            return Outcome::Failed;
        top += totalsHeight();
    }
    if (chartDue) {
        if (chartOnOwnPage) {
            if (!nextPage())
                return Outcome::Failed;
        } else {
            top += chartGap;
        }
        FaceItem chart;
        chart.kind = FaceItem::Kind::Picture;
        chart.name = QStringLiteral("IncomeChart");
        chart.rect = QRectF(QPointF(tableLeft, top), chartSize());
        chart.picture = m_chart;
        if (!items({chart}))
            return Outcome::Failed;
    }
    if (!items(footerItems(page, pages)))
        return Outcome::Failed;
    if (!m_surface.endDoc()) {
        fail();
        return Outcome::Failed;
    }
    return Outcome::Printed;
}

// A row's texts and its two sides; the rules above and below are the caller's.
bool ReportPrinter::printRuled(const Row &row, double top)
{
    if (!row.items.isEmpty() && !items(row.items))
        return false;
    return line(tableRight, top, tableRight, top + row.height) && line(tableLeft, top, tableLeft, top + row.height);
}

bool ReportPrinter::items(const QList<FaceItem> &items)
{
    if (!m_surface.drawItems(items))
        return fail();
    return true;
}

bool ReportPrinter::box(double top, double bottom)
{
    return line(tableLeft, top, tableLeft, bottom) && line(tableRight, top, tableRight, bottom) &&
           line(tableLeft, top, tableRight, top) && line(tableRight, bottom, tableLeft, bottom);
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
