// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "reports/ReportPrinter.h"
#include "reports/ReportTotals.h"

#include <QDialog>
#include <memory>
#include <optional>

class Adodc;
class IncomeChart;
class PrintSurface;
class QPrintPreviewDialog;

namespace Sorvan
{
class Shamsi;
}

namespace Ui
{
class Hform;
}

// The accounting report: the jobs that entered in a date range, narrowed by status and technician,
// with the repair income split between the shop and the technician; printed or saved as CSV.
class Hform : public QDialog
{
    Q_OBJECT

public:
    explicit Hform(QWidget *parent = nullptr);
    ~Hform() override;

    // Commands, reachable from the buttons.
    void runReport();
    void printReport();
    // The printed report in Qt's print preview, where a printer and paper can be chosen.
    QPrintPreviewDialog *previewReport();
    void exportCsv();

    const ReportTotals &totals() const { return m_totals; }
    Adodc *adodc1() const { return m_adodc1; }
    bool hasReport() const { return m_hasReport; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    void placeControls();
    void connectCommands();
    void setGridColumns();
    // In pixels: the report's widths, widened where a column's longest number would be cut.
    QList<int> columnWidths() const;
    void showTotals();
    void clearTotals();
    QString labelCaption(int index) const;
    int reportRowCount() const;
    ReportPrinter::Header printHeader() const;
    // The report's rows read in order, letting go of those passed long ago.
    ReportPrinter::CellSource passingCells() const;
    void setPrinterRows(ReportPrinter &printer) const;
    // False when the clerk stopped it or the rows could not be read (told).
    bool planPages(ReportPrinter &printer, int rowCount);
    // Prints every row behind a progress over `owner`, and says how it ended; nothing when the
    // measuring before it was stopped or failed (and said so).
    std::optional<ReportPrinter::Outcome> printAll(ReportPrinter &printer, QWidget *owner);
    bool eachRowAway(const QString &label, const QString &progressName, qint64 limit,
                     const std::function<bool(const QVector<QVariant> &, QString *)> &row,
                     const std::function<bool(QString *)> &done, QString *error, bool *cancelled);

    std::unique_ptr<Ui::Hform> ui;
    Adodc *m_adodc1;
    Sorvan::Shamsi *m_shamsi1 = nullptr; // today's date for the printed report
    IncomeChart *m_chart = nullptr;      // the report's months, under the grid
    ReportTotals m_totals;
    QString m_technicianFilter; // as it was when the report ran
    bool m_hasReport = false;
    bool m_printing = false;
};
