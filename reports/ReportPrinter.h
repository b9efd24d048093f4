// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "receipts/WindowFace.h"
#include "reports/ReportTotals.h"

#include <QFont>
#include <QHash>
#include <QImage>
#include <QList>
#include <QPointF>
#include <QSizeF>
#include <QString>
#include <QVariant>
#include <functional>
#include <optional>

class PrintSurface;

// Lays the accounting report out on a print surface: the header block with the filters and totals
// on the first page, then the ruled table of rows, each page's table under its boxed column
// headings, the totals again after the last row, and on every page a footer with the page number
// and the date range. A row is 300 twips high, 38 on the first page and 48 on each further one,
// unless a long text in it wraps: a text never covers another value, it is fitted into its own
// column (wrapped, its row grown, then shrunk down to 6 points); numbers and dates keep the row's
// size. The chart of the months ends the report, under the totals or on a page of its own. The whole
// report is one print job.
class ReportPrinter
{
public:
    struct Header {
        QString reportDate; // today's solar date text
        QString fromDigits; // the date boxes' digits as they read at print time
        QString toDigits;
        QString technician; // the technician filter of the report that ran
        QString status;     // the status box as it reads at print time
    };
    // Column `column` (0 to 9) of result row `row`.
    using CellSource = std::function<QVariant(int row, int column)>;
    // Told how many rows are printed so far; returns false to stop printing.
    using Progress = std::function<bool(int printed, int total)>;

    enum class Outcome { Printed, Failed, Cancelled };

    static constexpr int columnCount = 10;
    static int columnX(int column);
    static QString heading(int column);
    // Receipt number, dates and amounts: printed at the row's size, never shrunk.
    static bool isNumberColumn(int column);
    // "صفحه 2 از 3".
    static QString pageText(int page, int pages);
    // The date range the footer names, from the date boxes' digits.
    static QString rangeText(const QString &fromDigits, const QString &toDigits);

    static constexpr double tableLeft = 800;
    static constexpr double tableRight = 11000;
    static constexpr double footerY = 15980;

    ReportPrinter(PrintSurface &surface, const Header &header, const ReportTotals &totals);

    void setRows(int count, CellSource cells);
    void setProgress(Progress progress, int everyRows = 50);
    // The picture that ends the report, drawn at chartSize(); none when null.
    void setChart(const QImage &picture) { m_chart = picture; }
    // In twips: as wide as the table.
    static QSizeF chartSize() { return QSizeF(tableRight - tableLeft, 4500); }
    // The face texts are printed in; the program's font unless set.
    void setFontFamily(const QString &family) { m_family = family; }

    // Where the pages break, measured row by row in the report's order before print(): a long
    // report's rows are read and measured away from the window, where nothing is drawn. print()
    // measures the rows itself unless as many were planned as it prints.
    void beginPlan();
    void planRow(const QVector<QVariant> &cells);
    int plannedRows() const { return m_plan ? m_plan->rows : 0; }

    Outcome print();
    QString lastError() const { return m_error; }
    int pagesStarted() const { return m_pages; }

private:
    struct Row {
        QList<FaceItem> items;
        double height = 0; // from its upper rule to its lower one
    };
    struct LineInk {
        double slot = 0;   // from one line to the next
        double box = 0;    // the font's own line height
        double top = 0;    // from the top of that line box to the ink
        double height = 0; // of the ink
    };

    struct Plan {
        QList<int> pageStarts; // the first row of each page after the first
        double top = 0;        // where the last row ends
        double headingHeight = 0;
        int rowsOnPage = 0;
        int rows = 0;
    };

    static QStringList headingTexts();
    void planValues(const QStringList &values);
    double headingPointSize() const;
    Row layOutRow(const QStringList &values, double top, double points, double least, bool headings) const;
    QStringList rowValues(int row) const;
    double totalsHeight() const;
    QList<FaceItem> totalsItems(double top) const;
    FaceItem textItem(const QString &text, const QRectF &rect, double points,
                      Qt::Alignment alignment = Qt::AlignLeft) const;
    QList<FaceItem> headerItems() const;
    QList<FaceItem> footerItems(int page, int pages) const;
    LineInk lineInk(double points) const;
    double advance(const QString &text, double points) const;

    bool printRuled(const Row &row, double top);
    bool items(const QList<FaceItem> &items);
    bool line(double x1, double y1, double x2, double y2);
    bool box(double top, double bottom);
    bool fail();

    PrintSurface &m_surface;
    Header m_header;
    ReportTotals m_totals;
    int m_rowCount = 0;
    CellSource m_cells;
    Progress m_progress;
    int m_progressEvery = 50;
    int m_pages = 0;
    QString m_family;
    QImage m_chart;
    std::optional<Plan> m_plan;
    mutable QHash<int, LineInk> m_inks; // by pixel size
    QString m_error;
};
