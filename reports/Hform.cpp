// SPDX-License-Identifier: GPL-3.0-or-later
#include "reports/Hform.h"
#include "ui_Hform.h"

#include "jobstore/Adodc.h"
#include "jobstore/NumericText.h"
#include "jobstore/ProgramValues.h"
#include "jobstore/ReportQueries.h"
#include "jobstore/ReportReader.h"
#include "platform/BackgroundWork.h"
#include "platform/BidiText.h"
#include "platform/FileDialog.h"
#include "platform/MaskEdBox.h"
#include "platform/MessageBox.h"
#include "platform/OwnDirectionDelegate.h"
#include "platform/System.h"
#include "platform/Twips.h"
#include "receipts/PrintPreview.h"
#include "receipts/PrintSurface.h"
#include "reports/IncomeChart.h"
#include "reports/ReportCsv.h"
#include "reports/ReportPrinter.h"
#include "solardate/Shamsi.h"
#include "solardate/ShamsiFactory.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPrintPreviewDialog>
#include <QProgressDialog>
#include <QTimer>

namespace
{

const QString allStatuses = QStringLiteral("همه موارد");

const QStringList gridCaptions = {
    QStringLiteral("رسيد"),         QStringLiteral("نام مشتري"),    QStringLiteral("مدل دستگاه"),
    QStringLiteral("تاريخ ورود"),   QStringLiteral(" تاريخ تحويل"), QStringLiteral("تعميرکار"),
    QStringLiteral("قطعات"),        QStringLiteral("هزينه قطعات"),  QStringLiteral("قيمت نهايي"),
    QStringLiteral("وضعيت دستگاه"),
};
const int gridWidths[] = {600, 1000, 1000, 1000, 1000, 1000, 1000, 1100, 1000, 1000};

// The longest number each numeric column must show whole: a receipt number as large as the job
// file holds, a date, a nine-digit amount. Text columns give up the width the numbers need, so the
// ten columns still fit the grid.
const QString widestNumbers[] = {QStringLiteral("2147483647"), {}, {}, QStringLiteral("1031229"),
                                 QStringLiteral("1031229"),    {}, {}, QStringLiteral("999999999"),
                                 QStringLiteral("999999999"),  {}};

// Result columns after the hidden row id: num ... status.
const int partsPriceColumn = 7;
const int finalPriceColumn = 8;

// Cells show as the printed report prints them: amounts in plain decimal, never as 1e+06 or
// rounded to six digits as the grid would by default.
class AmountDelegate : public OwnDirectionDelegate
{
public:
    using OwnDirectionDelegate::OwnDirectionDelegate;

protected:
    QString cellText(const QVariant &value) const override { return ReportTotals::cellText(value); }
};

// Reports this long show their printing progress and can be stopped.
const int progressFromRows = 200;
// A long report's preview shows its first page of rows: each page costs the window about 30 ms.
const int previewRows = 38;

} // namespace

Hform::Hform(QWidget *parent) : QDialog(parent), ui(std::make_unique<Ui::Hform>()), m_adodc1(new Adodc(this))
{
    ui->setupUi(this);
    createControls();
    placeControls();
    connectCommands();
}

Hform::~Hform() = default;

void Hform::createControls()
{
    m_adodc1->setObjectName(QStringLiteral("Adodc1"));
    m_shamsi1 = qobject_cast<Sorvan::Shamsi *>(Sorvan::createObject(Sorvan::ShamsiClassId, this));
    if (m_shamsi1) {
        m_shamsi1->setObjectName(QStringLiteral("Shamsi1"));
        QFont font(QStringLiteral("Times New Roman"));
        font.setPointSizeF(11.25);
        font.setBold(true);
        m_shamsi1->setFont(font);
        // Its corner place is under the grid and too narrow for the date: it only holds the date
        // the printed report shows.
        m_shamsi1->hide();
    }
    ui->Combo1->setCurrentText(allStatuses);
    ui->Combo1->setCurrentIndex(ui->Combo1->findText(allStatuses));
    for (QWidget *box :
         {static_cast<QWidget *>(ui->Mask1), static_cast<QWidget *>(ui->Mask2), static_cast<QWidget *>(ui->Text1),
          static_cast<QWidget *>(ui->Combo1), static_cast<QWidget *>(ui->Text2)})
        box->installEventFilter(this);
    if (ui->Combo1->lineEdit())
        ui->Combo1->lineEdit()->installEventFilter(this);
    ui->Command2->installEventFilter(this);
    ui->DataGrid1->setItemDelegate(new AmountDelegate(ui->DataGrid1));
    setGridColumns();
    m_chart = new IncomeChart(this);
    m_chart->setObjectName(QStringLiteral("IncomeChart"));
    // The window opens on the first date, so a date typed at once lands there.
    ui->Mask1->setFocus(Qt::OtherFocusReason);
}

void Hform::placeControls()
{
    // Sized in twips as the window always was; the client area takes the height so the export
    // button fits under the totals, and the chart of the months under the grid.
    resize(Twips::toPixels(14950 - 120), Twips::toPixels(10250));
    Twips::place(ui->DataGrid1, 270, 195, 10455, 6285);
    Twips::place(ui->Frame1, 10920, 120, 3735, 3615);
    Twips::place(ui->Mask1, 240, 360, 1695, 375);
    Twips::place(ui->Mask2, 240, 840, 1695, 375);
    Twips::place(ui->Text1, 240, 1320, 1695, 375);
    Twips::place(ui->Combo1, 240, 1800, 1695, 330);
    Twips::place(ui->Text2, 240, 2280, 1695, 375);
    Twips::place(ui->Label1, 2040, 400, 1575, 300);
    Twips::place(ui->Label2, 2040, 880, 1575, 300);
    Twips::place(ui->Label3, 2040, 1360, 1575, 300);
    Twips::place(ui->Label13, 2040, 1830, 1575, 300);
    Twips::place(ui->Label14, 2040, 2320, 1650, 300);
    Twips::place(ui->Command2, 11160, 3000, 1215, 495);
    Twips::place(ui->Command3, 12480, 3000, 855, 495);
    Twips::place(ui->Command1, 13440, 3000, 975, 495);
    Twips::place(ui->Frame2, 10920, 3840, 3735, 2655);
    Twips::place(ui->Label7, 240, 360, 3255, 255);
    Twips::place(ui->Label8, 240, 720, 3255, 255);
    Twips::place(ui->Label10, 240, 1080, 3255, 255);
    Twips::place(ui->Label9, 240, 1440, 3255, 255);
    Twips::place(ui->Label11, 240, 1800, 3255, 255);
    Twips::place(ui->Label12, 240, 2160, 3255, 255);
    // The report's extras share the row under the totals: saving as CSV and the print preview.
    Twips::place(ui->Command4, 12840, 6600, 1815, 420);
    Twips::place(ui->Command5, 10920, 6600, 1815, 420);
    Twips::place(m_chart, 270, 6600, 10455, 3450);
    if (m_shamsi1)
        Twips::place(m_shamsi1, 0, 0, 615, 375);
}

void Hform::connectCommands()
{
    connect(ui->Command2, &QPushButton::clicked, this, &Hform::runReport);
    connect(ui->Command3, &QPushButton::clicked, this, &Hform::printReport);
    connect(ui->Command1, &QPushButton::clicked, this, &Hform::close);
    connect(ui->Command4, &QPushButton::clicked, this, &Hform::exportCsv);
    connect(ui->Command5, &QPushButton::clicked, this, &Hform::previewReport);
}

void Hform::setGridColumns()
{
    // The header's least width follows the font's widest glyph, which for Arabic script is wider
    // than the receipt column; the report's own widths stand instead.
    ui->DataGrid1->horizontalHeader()->setMinimumSectionSize(Twips::toPixels(300));
    ui->DataGrid1->setCaptions(gridCaptions);
    const QList<int> widths = columnWidths();
    for (int column = 0; column < 10; ++column)
        ui->DataGrid1->setColumnWidth(column, widths[column]);
}

QList<int> Hform::columnWidths() const
{
    // The cell's text margins, as the item delegate draws them, and the grid line.
    const int margins = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, ui->DataGrid1) + 1) + 1;
    const QFontMetrics metrics(ui->DataGrid1->font());
    int widestDigit = 0;
    for (char16_t digit = u'0'; digit <= u'9'; ++digit)
        widestDigit = qMax(widestDigit, metrics.horizontalAdvance(QChar(digit)));
    QList<int> widths;
    int total = 0;
    int textWidth = 0;
    int reportWidth = 0;
    for (int column = 0; column < 10; ++column) {
        const QString &number = widestNumbers[column];
        // Every digit measured as the font's widest, whichever digits the number has.
        int needed = 0;
        for (const QChar ch : number)
            needed += ch.isDigit() ? widestDigit : metrics.horizontalAdvance(ch);
        if (needed > 0)
            needed += margins;
        widths << qMax(Twips::toPixels(gridWidths[column]), needed);
        total += widths.last();
        reportWidth += Twips::toPixels(gridWidths[column]);
        if (number.isEmpty())
            textWidth += widths.last();
    }
    // The grid's room, less a scroll bar that a long report brings, and never less than the report's
    // own widths; the text columns give up what the numbers take beyond it, in proportion.
    const QTableView *grid = ui->DataGrid1;
    const int room =
        qMax(reportWidth, grid->width() - 2 * grid->frameWidth() -
                              (grid->verticalHeader()->isHidden() ? 0 : grid->verticalHeader()->sizeHint().width()) -
                              style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, grid));
    const int wanted = total - room;
    for (int column = 0; column < 10 && wanted > 0 && textWidth > 0; ++column) {
        if (widestNumbers[column].isEmpty())
            widths[column] -= (wanted * widths[column] + textWidth - 1) / textWidth;
    }
    return widths;
}

void Hform::runReport()
{
    // Shares of a percentage outside 0 to 100 would be no shares at all.
    const std::optional<double> percent = NumericText::plainNumber(ui->Text2->text());
    if (!percent || *percent > 100) {
        MessageBox::show(this, QStringLiteral("براي فيلد درصد تعرفه تعميرگاه فقط عددي از 0 تا 100 مجاز است. "
                                              "لطفا تصحيح فرماييد"));
        ui->Text2->setFocus();
        return;
    }
    // A date cut short would be read as another date and give an empty report without a word.
    for (MaskEdBox *box : {ui->Mask1, ui->Mask2}) {
        const qsizetype digits = box->digits().size();
        if (digits > 0 && digits < 6) {
            MessageBox::show(this, QStringLiteral("تاريخ گزارش را کامل وارد کنيد (سال، ماه و روز هر کدام دو رقم) "
                                                  "يا خالي بگذاريد."));
            box->setFocus();
            return;
        }
    }
    ui->Command3->setEnabled(true);
    if (Program::DatabaseConnection.isEmpty())
        Program::DatabaseConnection = Program::connectionTextFor(Program::dataFolder());
    m_adodc1->setConnectionString(Program::DatabaseConnection);

    const double fromDate = NumericText::numericValue(ui->Mask1->digits());
    qint64 toDate = qint64(NumericText::numericValue(ui->Mask2->digits()));
    if (toDate == 0)
        toDate = Queries::openEnd;
    QString statusFilter = ui->Combo1->currentText();
    if (statusFilter == allStatuses)
        statusFilter.clear();
    const float shopFraction = float(*percent) / 100.0f;
    const QString technicianFilter = ui->Text1->text();

    const SqlText report = Queries::report(fromDate, toDate, statusFilter, technicianFilter);
    // Summed away from the window: over every job of a big shop the sums take a second or more.
    QVector<QVariant> sums;
    std::optional<MonthlyIncome> income;
    QString incomeError;
    bool cancelled = false;
    BackgroundWork::runCancellable(
        this, QStringLiteral("در حال گزارش گيري ..."),
        [&, connection = m_adodc1->ConnectionString()](const BackgroundWork::Progress &,
                                                       const BackgroundWork::Cancelled &stop) {
            ReportReader reader(connection);
            sums = reader.firstRow(Queries::reportTotals(report));
            if (stop())
                return false;
            income = MonthlyIncome::read(reader, report, shopFraction, &incomeError);
            return !stop();
        },
        &cancelled, QStringLiteral("ReportProgress"));
    // Stopped: the report on screen stays as it was, its totals with it.
    if (cancelled)
        return;
    m_adodc1->setRecordSource(report);
    const bool ok = m_adodc1->Refresh();
    if (ui->DataGrid1->dataSource() != m_adodc1)
        ui->DataGrid1->setDataSource(m_adodc1);
    if (!ok) {
        // Totals of an earlier report must not stand beside a report that did not run.
        m_hasReport = false;
        clearTotals();
        m_chart->clear();
        ui->Command3->setEnabled(false);
        ui->Command4->setEnabled(false);
        ui->Command5->setEnabled(false);
        setGridColumns();
        MessageBox::failure(this, QStringLiteral("گزارش گيري انجام نشد؛ پايگاه داده خوانده نشد."),
                            m_adodc1->lastError());
        return;
    }
    setGridColumns();

    m_technicianFilter = technicianFilter;
    m_totals.clear();
    if (sums.size() == 4) {
        m_totals.setSums(sums[1].toInt(), sums[2], sums[3]);
    } else {
        const ReportPrinter::CellSource cells = passingCells();
        for (int row = 0; row < m_adodc1->recordset()->RecordCount(); ++row)
            m_totals.addRow(cells(row, partsPriceColumn), cells(row, finalPriceColumn));
    }
    m_totals.finish(shopFraction);
    m_chart->showRead(income, incomeError);
    m_hasReport = true;
    ui->Command4->setEnabled(true);
    ui->Command5->setEnabled(true);
    showTotals();
    System::returnFreedMemory();
}

QString Hform::labelCaption(int index) const
{
    switch (index) {
    case 7:
        return QStringLiteral("تعداد تعميرات :");
    case 8:
        return QStringLiteral("هزينه قطعات :");
    case 9:
        return QStringLiteral("هزينه تعمير و قطعات :");
    case 10:
        return QStringLiteral("هزينه تعمير :");
    case 11:
        return QStringLiteral("مبلغ مربوط به تعميرگاه :");
    case 12:
        return QStringLiteral("مبلغ مربوط به تعميرکار :");
    }
    return QString();
}

void Hform::showTotals()
{
    ui->Label7->setText(labelCaption(7) + QString::number(m_totals.repairCount()));
    ui->Label8->setText(labelCaption(8) + ReportTotals::numberText(m_totals.partsTotal()));
    ui->Label10->setText(labelCaption(10) + ReportTotals::numberText(m_totals.repairTotal()));
    ui->Label9->setText(labelCaption(9) + ReportTotals::numberText(m_totals.finalTotal()));
    ui->Label12->setText(labelCaption(12) + ReportTotals::numberText(m_totals.technicianShare()));
    ui->Label11->setText(labelCaption(11) + ReportTotals::numberText(double(m_totals.shopShare())));
}

void Hform::clearTotals()
{
    for (int index : {7, 8, 9, 10, 11, 12}) {
        if (auto *label = findChild<QLabel *>(QStringLiteral("Label%1").arg(index)))
            label->setText(labelCaption(index));
    }
}

int Hform::reportRowCount() const
{
    return qMin(m_totals.repairCount(), m_adodc1->recordset()->RecordCount());
}

ReportPrinter::Header Hform::printHeader() const
{
    ReportPrinter::Header header;
    header.reportDate = m_shamsi1 ? m_shamsi1->Tarikh() : QString();
    header.fromDigits = ui->Mask1->digits();
    header.toDigits = ui->Mask2->digits();
    header.technician = m_technicianFilter;
    header.status = ui->Combo1->currentText();
    return header;
}

ReportPrinter::CellSource Hform::passingCells() const
{
    // A report over every job of a big shop, read whole, would hold each of its rows.
    return [rows = m_adodc1->recordset(), kept = 0](int row, int column) mutable {
        constexpr int behind = 1024;
        if (row < kept)
            kept = row; // read again from the top
        else if (row - kept >= 2 * behind) {
            rows->forgetRows(kept, row - behind);
            kept = row - behind;
        }
        return rows->value(row, column);
    };
}

void Hform::setPrinterRows(ReportPrinter &printer) const
{
    printer.setRows(reportRowCount(), passingCells());
    printer.setChart(m_chart->picture(ReportPrinter::chartSize()));
}

// A million jobs take many seconds: the rows the totals counted (at most `limit`) are read on a thread,
// on a connection of its own, behind a progress with a cancel. `row` takes each and says a failure in
// `error`; `done` ends the work once every row was taken.
bool Hform::eachRowAway(const QString &label, const QString &progressName, qint64 limit,
                        const std::function<bool(const QVector<QVariant> &, QString *)> &row,
                        const std::function<bool(QString *)> &done, QString *error, bool *cancelled)
{
    const QString connection = m_adodc1->ConnectionString();
    const SqlText report = m_adodc1->RecordSource();
    return BackgroundWork::runCancellable(
        this, label,
        [&](const BackgroundWork::Progress &progress, const BackgroundWork::Cancelled &stop) {
            ReportReader reader(connection);
            qint64 taken = 0;
            bool failed = false;
            const bool read = reader.eachRow(report, [&](const QVector<QVariant> &cells) {
                if (taken >= limit)
                    return false;
                failed = !row(cells, error);
                if (++taken % 1024 == 0)
                    progress(taken, limit);
                return !failed && !stop();
            });
            if (stop() || failed)
                return false;
            if (!reader.ok() || (!read && taken < limit)) {
                *error = reader.lastError();
                return false;
            }
            return done(error);
        },
        cancelled, progressName);
}

bool Hform::planPages(ReportPrinter &printer, int rowCount)
{
    // Every row is measured before a page is drawn, so a print stopped here prints nothing.
    QString error;
    bool cancelled = false;
    printer.beginPlan();
    const bool ok = eachRowAway(
        QStringLiteral("در حال آماده کردن چاپ گزارش ..."), QStringLiteral("PrintPlanProgress"), rowCount,
        [&printer](const QVector<QVariant> &cells, QString *) {
            printer.planRow(cells);
            return true;
        },
        [](QString *) { return true; }, &error, &cancelled);
    if (!ok && !cancelled)
        MessageBox::failure(this, QStringLiteral("گزارش براي چاپ خوانده نشد."), error);
    return ok;
}

QPrintPreviewDialog *Hform::previewReport()
{
    if (!m_hasReport)
        return nullptr;
    const int rowCount = reportRowCount();
    QPrintPreviewDialog *dialog = PrintPreview::open(this, [this](PrintSurface &surface, bool previewing) {
        // The report as it stands when the preview draws its pages.
        if (!m_hasReport)
            return false;
        ReportPrinter printer(surface, printHeader(), m_totals);
        setPrinterRows(printer);
        if (!previewing)
            return printAll(printer, QApplication::activeWindow()) == ReportPrinter::Outcome::Printed;
        // The preview keeps every page as a picture of each stroke, megabytes a page: a long report
        // shows its first pages, then its totals and chart; its print button prints every row.
        printer.setRows(std::min(reportRowCount(), previewRows), passingCells());
        return printer.print() == ReportPrinter::Outcome::Printed;
    });
    if (rowCount > previewRows)
        dialog->setWindowTitle(QStringLiteral("پيش نمايش چاپ: %1 رديف اول از %2 رديف؛ چاپ، همه را چاپ مي کند")
                                   .arg(previewRows)
                                   .arg(rowCount));
    return dialog;
}

std::optional<ReportPrinter::Outcome> Hform::printAll(ReportPrinter &printer, QWidget *owner)
{
    const int rowCount = reportRowCount();
    if (rowCount >= progressFromRows && !planPages(printer, rowCount))
        return std::nullopt;

    std::unique_ptr<QProgressDialog> progress;
    if (rowCount >= progressFromRows) {
        progress = std::make_unique<QProgressDialog>(QStringLiteral("در حال چاپ گزارش ..."), QStringLiteral("انصراف"),
                                                     0, rowCount, owner ? owner : this);
        progress->setObjectName(QStringLiteral("PrintProgress"));
        progress->setWindowTitle(windowTitle());
        progress->setWindowModality(Qt::WindowModal);
        progress->setMinimumDuration(0);
        progress->setAutoClose(false);
        progress->setAutoReset(false);
        printer.setProgress([&progress](int printed, int) {
            // A modal progress window handles the pending events here, so the program stays live.
            progress->setValue(printed);
            return !progress->wasCanceled();
        });
        progress->show();
    }

    const ReportPrinter::Outcome outcome = printer.print();
    progress.reset();
    System::returnFreedMemory();
    if (outcome == ReportPrinter::Outcome::Failed)
        MessageBox::failure(this, QStringLiteral("خطاي ارسال به پرينتر"), printer.lastError());
    else if (outcome == ReportPrinter::Outcome::Cancelled)
        MessageBox::information(this, QStringLiteral("چاپ گزارش متوقف شد؛ صفحه هاي چاپ شده تا اين لحظه ارسال شدند."));
    return outcome;
}

void Hform::printReport()
{
    if (!m_hasReport || m_printing)
        return;
    m_printing = true;
    ReportPrinter printer(Printer::surface(), printHeader(), m_totals);
    setPrinterRows(printer);
    printAll(printer, this);
    m_printing = false;
}

void Hform::exportCsv()
{
    if (!m_hasReport)
        return;
    QString fileName = FileDialog::getSaveFileName(this, QStringLiteral("ذخيره گزارش"),
                                                   QDir(Program::dataFolder()).filePath(QStringLiteral("report.csv")),
                                                   QStringLiteral("CSV (*.csv)"));
    if (fileName.isEmpty())
        return;
    if (QFileInfo(fileName).suffix().isEmpty())
        fileName += QStringLiteral(".csv");

    QStringList captions;
    for (const QString &caption : gridCaptions)
        captions << caption.trimmed();
    const QList<QPair<QString, QString>> totals = {
        {labelCaption(7), QString::number(m_totals.repairCount())},
        {labelCaption(8), ReportTotals::numberText(m_totals.partsTotal())},
        {labelCaption(10), ReportTotals::numberText(m_totals.repairTotal())},
        {labelCaption(9), ReportTotals::numberText(m_totals.finalTotal())},
        {labelCaption(11), ReportTotals::numberText(double(m_totals.shopShare()))},
        {labelCaption(12), ReportTotals::numberText(m_totals.technicianShare())},
    };
    // A cancelled or failed file leaves nothing under the chosen name; a job saved since the totals
    // were counted is left to the next report.
    QString error;
    bool cancelled = false;
    ReportCsv csv(fileName);
    const bool ok = csv.open(captions) &&
                    eachRowAway(
                        QStringLiteral("گزارش ذخيره مي شود..."), QStringLiteral("CsvProgress"), m_totals.repairCount(),
                        [&csv](const QVector<QVariant> &cells, QString *why) {
                            QStringList fields;
                            for (const QVariant &cell : cells)
                                fields << ReportTotals::cellText(cell);
                            if (csv.addRow(fields))
                                return true;
                            *why = csv.errorString();
                            return false;
                        },
                        [&csv, &totals](QString *why) {
                            if (csv.finish(totals))
                                return true;
                            *why = csv.errorString();
                            return false;
                        },
                        &error, &cancelled);
    if (!ok && error.isEmpty())
        error = csv.errorString();
    System::returnFreedMemory();
    if (!ok && !cancelled)
        MessageBox::failure(
            this, QStringLiteral("فايل %1 ذخيره نشد.").arg(isolated(QDir::toNativeSeparators(fileName))), error);
}

bool Hform::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn && (watched == ui->Mask1 || watched == ui->Mask2 || watched == ui->Text1)) {
        // The box places its cursor after the focus event; select once it has.
        auto *box = static_cast<QLineEdit *>(watched);
        QTimer::singleShot(0, box, [box] {
            if (box->hasFocus())
                box->selectAll();
        });
    } else if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
            return QDialog::eventFilter(watched, event);
        QWidget *next = nullptr;
        if (watched == ui->Mask1)
            next = ui->Mask2;
        else if (watched == ui->Mask2)
            next = ui->Text1;
        else if (watched == ui->Text1)
            next = ui->Combo1;
        else if (watched == ui->Combo1 || watched == ui->Combo1->lineEdit())
            next = ui->Text2;
        else if (watched == ui->Text2)
            next = ui->Command2;
        else if (watched == ui->Command2) {
            // The chain ends on the report button: Enter runs the report, as Space does.
            ui->Command2->click();
            return true;
        }
        if (next) {
            next->setFocus(Qt::OtherFocusReason);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
