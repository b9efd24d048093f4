#pragma once

#include "reports/ReportTotals.h"

#include <QPointF>
#include <QString>
#include <QVariant>
#include <functional>

class PrintSurface;

// Lays the accounting report out on a print surface: the header block with the filters and totals
// on the first page, then the ruled table of rows, 38 on the first page and 48 on each further one,
// each page's table under its boxed column headings. The whole report is one print job.
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

    ReportPrinter(PrintSurface &surface, const Header &header, const ReportTotals &totals);

    void setRows(int count, CellSource cells);
    void setProgress(Progress progress, int everyRows = 50);

    Outcome print();
    QString lastError() const { return m_error; }
    int pagesStarted() const { return m_pages; }

private:
    bool printHeader();
    bool printHeadings(double y);
    bool printRow(int row, double y);
    bool text(double x, double y, const QString &value);
    bool line(double x1, double y1, double x2, double y2);
    bool fail();

    PrintSurface &m_surface;
    Header m_header;
    ReportTotals m_totals;
    int m_rowCount = 0;
    CellSource m_cells;
    Progress m_progress;
    int m_progressEvery = 50;
    int m_pages = 0;
    QString m_error;
};
