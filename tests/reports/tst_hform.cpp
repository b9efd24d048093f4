// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/Adodc.h"
#include "jobstore/JobTable.h"
#include "platform/BackgroundWork.h"
#include "platform/BidiText.h"
#include "platform/DataGrid.h"
#include "platform/MaskEdBox.h"
#include "receipts/RecordingSurface.h"
#include "reports/Hform.h"
#include "reports/IncomeChart.h"
#include "support/Seams.h"
#include "support/TempJobFolder.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChartView>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QStackedBarSeries>
#include <QStyledItemDelegate>
#include <QtTest>

using Op = RecordingSurface::Operation;

namespace
{

const QString all = QStringLiteral("همه موارد");

void addFixture(TempJobFolder &folder)
{
    const QString repair = JobTable::statusUnderRepair();
    const QString repaired = JobTable::statusRepaired();
    const QString delivered = JobTable::statusDelivered();
    folder.addJob(
        {{"num", 1}, {"datein", 910601}, {"status", repair}, {"service", "Ali"}, {"panelp", 100}, {"endp", 1000}});
    folder.addJob({{"num", 2}, {"datein", 910615}, {"status", repaired}, {"service", "Reza 50%"}, {"endp", 2000}});
    folder.addJob({{"num", 3}, {"datein", 910701}, {"status", delivered}, {"service", "O'Brien"}, {"panelp", 300}});
    folder.addJob({{"num", 4}, {"datein", 105}, {"service", "Ali"}, {"panelp", 5}, {"endp", 500}});
    folder.addJob({{"num", 5},
                   {"datein", 910620},
                   {"status", JobTable::statusUnrepairable()},
                   {"service", "Alix"},
                   {"panelp", 10},
                   {"endp", 20}});
    folder.addJob({{"num", 6}, {"status", repair}, {"service", "Ali"}, {"endp", 7}});
    folder.addJob(
        {{"num", 7}, {"datein", 910610}, {"status", "X " + delivered + " Y"}, {"service", "ali"}, {"endp", 1}});
    folder.addJob({{"num", 8}, {"datein", 910602}, {"status", repaired}, {"service", "Ali_x"}, {"endp", 3}});
    folder.addJob({{"num", 9}, {"datein", 910603}, {"status", repaired}, {"service", "Alibx 50 tomans"}, {"endp", 4}});
}

QList<int> listed(Hform &form)
{
    QList<int> nums;
    Recordset *rows = form.adodc1()->recordset();
    for (int row = 0; row < rows->RecordCount(); ++row)
        nums << rows->value(row, 0).toInt();
    return nums;
}

template <typename T> T *child(QWidget &w, const char *name)
{
    T *found = w.findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qFatal("no control %s", name);
    return found;
}

void setFilters(Hform &form, const QString &from, const QString &to, const QString &technician, const QString &status,
                const QString &percent = QStringLiteral("50"))
{
    child<MaskEdBox>(form, "Mask1")->setMaskedText(from);
    child<MaskEdBox>(form, "Mask2")->setMaskedText(to);
    child<QLineEdit>(form, "Text1")->setText(technician);
    child<QComboBox>(form, "Combo1")->setCurrentText(status);
    child<QLineEdit>(form, "Text2")->setText(percent);
}

DataGrid *showWholeReport(Hform &form)
{
    form.show();
    setFilters(form, "", "", "", all);
    child<QPushButton>(form, "Command2")->click();
    return child<DataGrid>(form, "DataGrid1");
}

// Saves the report shown as CSV under `path` (".csv" added) as the clerk does; the file's bytes.
QByteArray savedCsv(Hform &form, Seams &seams, const QString &path)
{
    seams.fileNames << path;
    child<QPushButton>(form, "Command4")->click();
    QFile file(path + QStringLiteral(".csv"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The chart's bars as drawn: the parts, shop and technician values of each month, right to left.
QList<QBarSet *> chartBars(Hform &form)
{
    const QList<QAbstractSeries *> series = child<QChartView>(form, "IncomeChartView")->chart()->series();
    return series.size() == 1 ? qobject_cast<QStackedBarSeries *>(series[0])->barSets() : QList<QBarSet *>();
}

QStringList chartMonths(Hform &form)
{
    const auto axes = child<QChartView>(form, "IncomeChartView")->chart()->axes(Qt::Horizontal);
    return axes.size() == 1 ? qobject_cast<QBarCategoryAxis *>(axes[0])->categories() : QStringList();
}

// The bars add up to the report's totals: parts, shop's share, technician's share, final prices.
void verifyChartMatchesTotals(Hform &form)
{
    const QList<QBarSet *> bars = chartBars(form);
    QCOMPARE(bars.size(), 3);
    double sums[3] = {};
    for (int set = 0; set < 3; ++set) {
        QCOMPARE(bars[set]->count(), chartMonths(form).size());
        for (int month = 0; month < bars[set]->count(); ++month)
            sums[set] += bars[set]->at(month);
    }
    const ReportTotals &totals = form.totals();
    QCOMPARE(sums[0], totals.partsTotal());
    QCOMPARE(sums[1], double(totals.shopShare()));
    QCOMPARE(sums[2], totals.technicianShare());
    QCOMPARE(sums[0] + sums[1] + sums[2], totals.finalTotal());
    int repairs = 0;
    for (const MonthlyIncome::Month &month : child<IncomeChart>(form, "IncomeChart")->income().months())
        repairs += month.repairs;
    QCOMPARE(repairs, totals.repairCount());
}

} // namespace

class tst_Hform : public QObject
{
    Q_OBJECT

private slots:
    void filters_data();
    void filters();
    void acrossNewCenturyAndLetterForms_data();
    void acrossNewCenturyAndLetterForms();
    void percentage_data();
    void percentage();
    void totalLabels();
    void emptyResultShowsZeros();
    void failedQueryLeavesNoStaleTotals();
    void enterChain();
    void printsThroughTheSurface();
    void printerFailureIsReported();
    void longPrintCanBeCancelled();
    void exportsCsv();
    void longReportIsSavedWholeAndStaysListed();
    void cancelLeavesReportAndFileAsTheyWere();
    void gridShowsAmountsAsPrinted_data();
    void gridShowsAmountsAsPrinted();
    void widestValuesShowWhole_data();
    void widestValuesShowWhole();
    void csvCellsCannotRunFormulas_data();
    void csvCellsCannotRunFormulas();
    void previewShowsThePrintedPages_data();
    void previewShowsThePrintedPages();
};

void tst_Hform::filters_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("technician");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QList<int>>("nums");

    // Null statuses (4) and null entry dates (6) never appear.
    QTest::newRow("both masks empty") << ""
                                      << ""
                                      << "" << all << QList<int>{1, 2, 3, 5, 7, 8, 9};
    QTest::newRow("to date all zeros") << ""
                                       << "00/00/00"
                                       << "" << all << QList<int>{1, 2, 3, 5, 7, 8, 9};
    QTest::newRow("range") << "91/06/03"
                           << "91/06/20"
                           << "" << all << QList<int>{2, 5, 7, 9};
    QTest::newRow("from only") << "91/06/15"
                               << ""
                               << "" << all << QList<int>{2, 3, 5};
    QTest::newRow("to 1400 takes in 1391") << ""
                                           << "00/01/05"
                                           << "" << all << QList<int>{1, 2, 3, 5, 7, 8, 9};
    QTest::newRow("status substring") << ""
                                      << ""
                                      << "" << JobTable::statusDelivered() << QList<int>{3, 7};
    QTest::newRow("technician substring, any case") << ""
                                                    << ""
                                                    << "Ali" << all << QList<int>{1, 5, 7, 8, 9};
    QTest::newRow("underscore is literal") << ""
                                           << ""
                                           << "i_x" << all << QList<int>{8};
    QTest::newRow("percent is literal") << ""
                                        << ""
                                        << "50%" << all << QList<int>{2};
    QTest::newRow("apostrophe") << ""
                                << ""
                                << "O'Brien" << all << QList<int>{3};
    QTest::newRow("percent status matches nothing") << ""
                                                    << ""
                                                    << ""
                                                    << "%" << QList<int>{};
    QTest::newRow("both filters") << ""
                                  << ""
                                  << "Ali" << JobTable::statusRepaired() << QList<int>{8, 9};
}

void tst_Hform::filters()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, technician);
    QFETCH(QString, status);
    TempJobFolder folder;
    Seams seams;
    addFixture(folder);
    Hform form;
    setFilters(form, from, to, technician, status);
    child<QPushButton>(form, "Command2")->click();
    QTEST(listed(form), "nums");
    QVERIFY(seams.messages.isEmpty());
    QVERIFY(child<QPushButton>(form, "Command3")->isEnabled());
    verifyChartMatchesTotals(form);
}

void tst_Hform::acrossNewCenturyAndLetterForms_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("technician");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QList<int>>("nums");
    QTest::addColumn<QStringList>("months"); // the chart's, right to left

    // Typed on a Persian keyboard: Persian yeh (U+06CC), Arabic kaf (U+0643) and Persian digits.
    const QString persianAli = QStringLiteral("\u0639\u0644\u06CC");
    const QString persianDelivered = QStringLiteral("\u062A\u062D\u0648\u06CC\u0644 \u0634\u062F\u0647");
    const QString none;
    const QString azar = QStringLiteral("آذر 1399");
    const QString bahman = QStringLiteral("بهمن 1399");
    const QString farvardin = QStringLiteral("فروردين 1400");
    const QString khordad = QStringLiteral("خرداد 1400");
    QTest::newRow("99/10/01 to 00/03/01") << QStringLiteral("99/10/01") << QStringLiteral("00/03/01") << none << all
                                          << QList<int>{2, 3, 4} << QStringList{khordad, farvardin, bahman};
    QTest::newRow("from 1400 on") << QStringLiteral("00/01/01") << none << none << all << QList<int>{3, 4, 5}
                                  << QStringList{khordad, farvardin};
    QTest::newRow("up to 1399") << none << QStringLiteral("99/12/30") << none << all << QList<int>{1, 2}
                                << QStringList{bahman, azar};
    QTest::newRow("Persian yeh technician")
        << none << none << persianAli << all << QList<int>{1, 3} << QStringList{farvardin, azar};
    QTest::newRow("Arabic kaf technician")
        << none << none << QStringLiteral("\u0643\u0631\u064A\u0645") << all << QList<int>{4} << QStringList{khordad};
    QTest::newRow("Persian yeh status") << none << none << none << persianDelivered << QList<int>{2, 4}
                                        << QStringList{khordad, bahman};
    QTest::newRow("Persian digits in the technician")
        << none << none << QStringLiteral("\u06F2") << all << QList<int>{3} << QStringList{farvardin};
}

void tst_Hform::acrossNewCenturyAndLetterForms()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, technician);
    QFETCH(QString, status);
    TempJobFolder folder;
    Seams seams;
    const QString delivered = JobTable::statusDelivered();
    folder.addJob({{"num", 1}, {"datein", 990915}, {"status", "x"}, {"service", QStringLiteral("علي")}});
    folder.addJob({{"num", 2}, {"datein", 991120}, {"status", delivered}, {"service", "Reza"}});
    folder.addJob({{"num", 3}, {"datein", 105}, {"status", "x"}, {"service", QStringLiteral("علي 2")}});
    folder.addJob({{"num", 4}, {"datein", 301}, {"status", "X " + delivered}, {"service", QStringLiteral("کريم")}});
    folder.addJob({{"num", 5}, {"datein", 302}, {"status", "x"}, {"service", "Reza"}});
    Hform form;
    setFilters(form, from, to, technician, status);
    child<QPushButton>(form, "Command2")->click();
    QTEST(listed(form), "nums");
    QTEST(chartMonths(form), "months");
    QVERIFY(seams.messages.isEmpty());
}

void tst_Hform::percentage_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<qint64>("shopShare"); // -1: refused

    // Rows 1 2 3 5 7 8 9 of the fixture: a repair total of 2618.
    QTest::newRow("50") << "50" << qint64(1309);
    QTest::newRow("0") << "0" << qint64(0);
    QTest::newRow("100") << "100" << qint64(2618);
    QTest::newRow("decimal") << "12.5" << qint64(327);
    QTest::newRow("Persian digits") << QStringLiteral("۲۵") << qint64(654);
    QTest::newRow("above 100") << "101" << qint64(-1);
    QTest::newRow("negative") << "-5" << qint64(-1);
    QTest::newRow("23 digits") << "12345678901234567890123" << qint64(-1);
    QTest::newRow("SQL text") << "1' OR '1'='1" << qint64(-1);
    QTest::newRow("empty") << "" << qint64(-1);
}

void tst_Hform::percentage()
{
    QFETCH(QString, typed);
    QFETCH(qint64, shopShare);
    TempJobFolder folder;
    Seams seams;
    addFixture(folder);
    Hform form;
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    setFilters(form, "", "", "", all, typed);
    child<QPushButton>(form, "Command2")->click();
    if (shopShare < 0) {
        QCOMPARE(seams.messageTexts(), QStringList{QStringLiteral("براي فيلد درصد تعرفه تعميرگاه فقط عددي از 0 تا 100 "
                                                                  "مجاز است. لطفا تصحيح فرماييد")});
        QTRY_COMPARE(QApplication::focusWidget(), child<QWidget>(form, "Text2"));
        QVERIFY(!form.hasReport());
        QVERIFY(!child<QPushButton>(form, "Command3")->isEnabled());
        return;
    }
    QVERIFY(seams.messages.isEmpty());
    QVERIFY(form.hasReport());
    QCOMPARE(form.totals().shopShare(), shopShare);
    verifyChartMatchesTotals(form);
}

void tst_Hform::totalLabels()
{
    TempJobFolder folder;
    Seams seams;
    addFixture(folder);
    Hform form;
    QVERIFY(!child<QPushButton>(form, "Command3")->isEnabled());
    setFilters(form, "", "", "", all);
    child<QPushButton>(form, "Command2")->click();
    // Rows 1 2 3 5 7 8 9: parts 100 + 300 + 10 = 410; final 1000 + 2000 + 20 + 1 + 3 + 4 = 3028.
    QCOMPARE(child<QLabel>(form, "Label7")->text(), QStringLiteral("تعداد تعميرات :7"));
    QCOMPARE(child<QLabel>(form, "Label8")->text(), QStringLiteral("هزينه قطعات :410"));
    QCOMPARE(child<QLabel>(form, "Label10")->text(), QStringLiteral("هزينه تعمير :2618"));
    QCOMPARE(child<QLabel>(form, "Label9")->text(), QStringLiteral("هزينه تعمير و قطعات :3028"));
    QCOMPARE(child<QLabel>(form, "Label11")->text(), QStringLiteral("مبلغ مربوط به تعميرگاه :1309"));
    QCOMPARE(child<QLabel>(form, "Label12")->text(), QStringLiteral("مبلغ مربوط به تعميرکار :1309"));

    setFilters(form, "", "", "", JobTable::statusRepaired(), "33");
    child<QPushButton>(form, "Command2")->click();
    // 2, 8, 9: final 2007; 0.33 of it is 662.31.
    QCOMPARE(child<QLabel>(form, "Label11")->text(), QStringLiteral("مبلغ مربوط به تعميرگاه :662"));
    QCOMPARE(child<QLabel>(form, "Label12")->text(), QStringLiteral("مبلغ مربوط به تعميرکار :1345"));
}

void tst_Hform::emptyResultShowsZeros()
{
    TempJobFolder folder;
    Seams seams;
    addFixture(folder);
    Hform form;
    setFilters(form, "", "", "nobody", all);
    child<QPushButton>(form, "Command2")->click();
    QVERIFY(listed(form).isEmpty());
    for (const char *name : {"Label7", "Label8", "Label9", "Label10", "Label11", "Label12"})
        QVERIFY2(child<QLabel>(form, name)->text().endsWith(u":0"), name);
}

void tst_Hform::failedQueryLeavesNoStaleTotals()
{
    TempJobFolder folder;
    Seams seams;
    addFixture(folder);
    Hform form;
    setFilters(form, "", "", "", all);
    child<QPushButton>(form, "Command2")->click();
    QVERIFY(child<QLabel>(form, "Label7")->text().endsWith(u'7'));

    folder.value(QStringLiteral("drop table table1"));
    child<QPushButton>(form, "Command2")->click();
    QCOMPARE(seams.messages.size(), 1);
    QCOMPARE(seams.messages[0].icon, MessageBox::Icon::Critical);
    QVERIFY(seams.messages[0].text.startsWith(QStringLiteral("گزارش گيري انجام نشد")));
    QCOMPARE(child<QLabel>(form, "Label7")->text(), QStringLiteral("تعداد تعميرات :"));
    QCOMPARE(chartMonths(form), QStringList());
    QVERIFY(!child<QPushButton>(form, "Command3")->isEnabled());
    QVERIFY(!child<QPushButton>(form, "Command4")->isEnabled());
}

void tst_Hform::enterChain()
{
    TempJobFolder folder;
    Hform form;
    form.show();
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    const QList<QWidget *> chain = {child<QWidget>(form, "Mask1"), child<QWidget>(form, "Mask2"),
                                    child<QWidget>(form, "Text1"), child<QWidget>(form, "Combo1"),
                                    child<QWidget>(form, "Text2"), child<QWidget>(form, "Command2")};
    // It opens on the first date: digits typed at once fill it.
    QTRY_VERIFY(chain[0]->hasFocus());
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("910601"));
    QCOMPARE(child<MaskEdBox>(form, "Mask1")->digits(), QStringLiteral("910601"));
    child<MaskEdBox>(form, "Mask1")->setMaskedText(QString());
    for (int i = 0; i + 1 < chain.size(); ++i) {
        QWidget *focused = QApplication::focusWidget();
        QTest::keyClick(focused, Qt::Key_Return);
        QTRY_VERIFY2(chain[i + 1]->hasFocus() || chain[i + 1]->isAncestorOf(QApplication::focusWidget()),
                     qPrintable(chain[i + 1]->objectName()));
    }
    // Enter on the way did not press a button or close the window.
    QVERIFY(form.isVisible());
    QVERIFY(!form.hasReport());
    // Enter on the report button runs the report, as Space and a click do.
    QTest::keyClick(chain.last(), Qt::Key_Return);
    QVERIFY(form.hasReport());
    QVERIFY(form.isVisible());

    // Focus entering a date box selects all of it.
    auto *mask1 = child<MaskEdBox>(form, "Mask1");
    mask1->setMaskedText("91/06/01");
    mask1->setFocus();
    QTRY_COMPARE(mask1->selectedText(), QStringLiteral("91/06/01"));
    QCOMPARE(mask1->digits(), QStringLiteral("910601"));
}

void tst_Hform::printsThroughTheSurface()
{
    TempJobFolder folder;
    Seams seams;
    addFixture(folder);
    RecordingSurface surface;
    Printer::setSurface(&surface);
    Hform form;
    setFilters(form, "91/06/01", "", "Ali", all);
    child<QPushButton>(form, "Command2")->click();
    // Boxes changed after the report: the header shows the boxes, the rows the report that ran.
    child<MaskEdBox>(form, "Mask1")->setMaskedText("91/07/01");
    child<QLineEdit>(form, "Text1")->setText("someone else");
    child<QComboBox>(form, "Combo1")->setCurrentText(JobTable::statusRepaired());
    child<QPushButton>(form, "Command3")->click();
    Printer::setSurface(nullptr);

    QVERIFY(seams.messages.isEmpty());
    QCOMPARE(surface.count(Op::Kind::EndDoc), 1);
    QStringList texts;
    QStringList firstCells;
    for (const Op &op : surface.operations) {
        for (const FaceItem &item : op.face) {
            texts << item.text;
            // The rows' first cells; the header's and totals' lines at that x are larger.
            if (item.rect.x() == 1000 && item.fontPoints == 9)
                firstCells << item.text;
        }
    }
    QVERIFY(texts.contains(QStringLiteral("  از تاريخ :910701")));
    QVERIFY(texts.contains(QStringLiteral("  نام تعميرکار :Ali")));
    QVERIFY(texts.contains(QStringLiteral("  وضعيت دستگاه ها:") + JobTable::statusRepaired()));
    QVERIFY(texts.contains(QStringLiteral("  تعداد تعميرات :5")));
    QCOMPARE(firstCells, (QStringList{"1", "5", "7", "8", "9"}));
    // The report ends with the chart, drawn with the bars of its one month in the shop's blue.
    const QList<FaceItem> last = surface.operations.at(surface.operations.size() - 3).face;
    QCOMPARE(last.size(), 1);
    QCOMPARE(last[0].kind, FaceItem::Kind::Picture);
    const QImage chart = last[0].picture;
    QCOMPARE(chart.size(), (ReportPrinter::chartSize() * 300 / 1440).toSize());
    bool blue = false;
    for (int x = 0; x < chart.width() && !blue; x += 4)
        blue = chart.pixelColor(x, chart.height() / 2) == QColor(0x1f, 0x6f, 0xb2);
    QVERIFY(blue);
    // The date of the report comes from the window's date control.
    QVERIFY(texts.first().startsWith(QStringLiteral("تاريخ گزارش گيري : 1")));
}

void tst_Hform::printerFailureIsReported()
{
    TempJobFolder folder;
    Seams seams;
    addFixture(folder);
    RecordingSurface surface;
    surface.failFromCall(30);
    Printer::setSurface(&surface);
    Hform form;
    child<QPushButton>(form, "Command2")->click();
    child<QPushButton>(form, "Command3")->click();
    Printer::setSurface(nullptr);
    QCOMPARE(seams.messageTexts(), QStringList{QStringLiteral("خطاي ارسال به پرينتر")});
    QCOMPARE(surface.callCount(), 31);
}

void tst_Hform::longPrintCanBeCancelled()
{
    TempJobFolder folder;
    Seams seams;
    folder.addJobs(1, 600);
    folder.value(QStringLiteral("update table1 set datein=910601"));
    RecordingSurface surface;
    Printer::setSurface(&surface);
    Hform form;
    form.show();
    child<QPushButton>(form, "Command2")->click();
    QCOMPARE(form.totals().repairCount(), 600);

    // Stopped while its rows are read: nothing reaches the printer, and nothing needs saying.
    BackgroundWork::setCancelHandler([](const QString &) { return true; });
    child<QPushButton>(form, "Command3")->click();
    BackgroundWork::setCancelHandler({});
    QCOMPARE(surface.callCount(), 0);
    QVERIFY(seams.messages.isEmpty());

    // Stopped while its pages are drawn.
    bool sawProgress = false;
    QTimer poll;
    connect(&poll, &QTimer::timeout, &form, [&form, &sawProgress] {
        if (auto *progress = form.findChild<QProgressDialog *>(QStringLiteral("PrintProgress"));
            progress && !sawProgress) {
            sawProgress = progress->isVisible();
            progress->cancel();
        }
    });
    poll.start(0);
    child<QPushButton>(form, "Command3")->click();
    poll.stop();
    Printer::setSurface(nullptr);
    QVERIFY(sawProgress);
    QCOMPARE(seams.messages.size(), 1);
    QVERIFY(seams.messages[0].text.startsWith(QStringLiteral("چاپ گزارش متوقف شد")));
    QCOMPARE(surface.count(Op::Kind::EndDoc), 1);
    QVERIFY(surface.count(Op::Kind::Text) < 12 + 10 + 600 * 10);
    QVERIFY(!form.findChild<QProgressDialog *>(QStringLiteral("PrintProgress")));
}

void tst_Hform::exportsCsv()
{
    TempJobFolder folder;
    Seams seams;
    addFixture(folder);
    Hform form;
    QVERIFY(!child<QPushButton>(form, "Command4")->isEnabled());
    setFilters(form, "", "", "Reza", all);
    child<QPushButton>(form, "Command2")->click();
    const QByteArray bytes = savedCsv(form, seams, folder.path() + QStringLiteral("/out"));
    QVERIFY(seams.messages.isEmpty());
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
    const QStringList lines = QString::fromUtf8(bytes.mid(3)).split(QStringLiteral("\r\n"));
    QVERIFY(lines[0].startsWith(QStringLiteral("رسيد,نام مشتري,")));
    QCOMPARE(lines[1], QStringLiteral("2,,,910615,,Reza 50%,,,2000,") + JobTable::statusRepaired());
    QCOMPARE(lines[2], QString());
    QCOMPARE(lines[3], QStringLiteral("تعداد تعميرات :,1"));
    QVERIFY(lines.contains(QStringLiteral("مبلغ مربوط به تعميرگاه :,1000")));

    // Cancelling the dialog writes nothing.
    child<QPushButton>(form, "Command4")->click();
    QCOMPARE(seams.dialogs.size(), 2);
    QVERIFY(seams.messages.isEmpty());

    // A file that cannot be made is told, by its name.
    QVERIFY(savedCsv(form, seams, folder.path() + QStringLiteral("/missing/out")).isEmpty());
    QCOMPARE(seams.messages.size(), 1);
    QVERIFY(seams.messages[0].text.contains(QStringLiteral("out.csv")));
    QVERIFY(!QDir(folder.path() + QStringLiteral("/missing")).exists());
}

void tst_Hform::longReportIsSavedWholeAndStaysListed()
{
    // More rows than saving keeps behind it, so the rows it passed are let go and read again.
    constexpr int jobs = 3000;
    TempJobFolder folder;
    Seams seams;
    folder.addJobs(1, jobs);
    folder.value(QStringLiteral("update table1 set datein=910601, endp=num*10"));
    Hform form;
    form.show();
    setFilters(form, "", "", "", all);
    child<QPushButton>(form, "Command2")->click();
    const QByteArray bytes = savedCsv(form, seams, folder.path() + QStringLiteral("/all"));
    QVERIFY(seams.messages.isEmpty());
    const QStringList lines = QString::fromUtf8(bytes.mid(3)).split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 1 + jobs + 1 + 6 + 1);
    for (int row = 1; row <= jobs; ++row)
        QVERIFY2(lines[row].startsWith(QStringLiteral("%1,مشتري %1,Model %1,").arg(row)), qPrintable(lines[row]));
    QCOMPARE(lines[jobs + 2], QStringLiteral("تعداد تعميرات :,%1").arg(jobs));
    QCOMPARE(lines[jobs + 5], QStringLiteral("هزينه تعمير و قطعات :,%1").arg(10 * jobs * (jobs + 1) / 2));

    QList<int> expected;
    for (int n = 1; n <= jobs; ++n)
        expected << n;
    QCOMPARE(listed(form), expected);
}

void tst_Hform::cancelLeavesReportAndFileAsTheyWere()
{
    TempJobFolder folder;
    Seams seams;
    folder.addJobs(1, 3000);
    folder.value(QStringLiteral("update table1 set datein=910601"));
    Hform form;
    form.show();
    setFilters(form, "", "", "", all);
    child<QPushButton>(form, "Command2")->click();
    const QString path = folder.path() + QStringLiteral("/all.csv");
    {
        QFile earlier(path);
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier");
    }
    const QStringList before = QDir(folder.path()).entryList(QDir::Files);

    QString pressedOn;
    BackgroundWork::setCancelHandler([&pressedOn](const QString &label) {
        pressedOn = label;
        return true;
    });
    // Saving stopped: the earlier file of that name stays, and no part of the new one is left.
    seams.fileNames << path;
    child<QPushButton>(form, "Command4")->click();
    QVERIFY(!pressedOn.isEmpty());
    QFile earlier(path);
    QVERIFY(earlier.open(QIODevice::ReadOnly));
    QCOMPARE(earlier.readAll(), QByteArray("earlier"));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), before);

    // A report stopped while it sums leaves the one on screen with its totals.
    pressedOn.clear();
    setFilters(form, "", "", "nobody", all);
    child<QPushButton>(form, "Command2")->click();
    BackgroundWork::setCancelHandler({});
    QVERIFY(!pressedOn.isEmpty());
    QCOMPARE(listed(form).size(), 3000);
    QCOMPARE(child<QLabel>(form, "Label7")->text(), QStringLiteral("تعداد تعميرات :3000"));
    QVERIFY(seams.messages.isEmpty());
}

void tst_Hform::gridShowsAmountsAsPrinted_data()
{
    QTest::addColumn<QVariant>("amount");
    QTest::addColumn<QString>("shown");
    QTest::newRow("no exponent") << QVariant(999999.5) << "999999.5";
    QTest::newRow("no rounding") << QVariant(320000.5) << "320000.5";
    QTest::newRow("ten million") << QVariant(12345678.25) << "12345678.25";
    QTest::newRow("whole") << QVariant(2000) << "2000";
    QTest::newRow("null") << QVariant() << "";
}

void tst_Hform::gridShowsAmountsAsPrinted()
{
    QFETCH(QVariant, amount);
    QFETCH(QString, shown);
    TempJobFolder folder;
    Seams seams;
    folder.addJob(
        {{"num", 1}, {"datein", 910601}, {"status", JobTable::statusRepaired()}, {"panelp", amount}, {"endp", amount}});
    // The program's Persian font, whose widest glyph would widen every column.
    const QFont before = QApplication::font();
    QApplication::setFont(QFont(QStringLiteral("Noto Sans Arabic"), 9));
    const auto restore = qScopeGuard([&before] { QApplication::setFont(before); });
    Hform form;
    DataGrid *grid = showWholeReport(form);
    auto *delegate = qobject_cast<QStyledItemDelegate *>(grid->itemDelegate());
    QVERIFY(delegate);
    for (int column : {7, 8})
        QCOMPARE(withoutIsolates(delegate->displayText(grid->model()->index(0, column).data(), QLocale())), shown);

    // All ten columns in view without scrolling.
    QTRY_COMPARE(grid->horizontalScrollBar()->maximum(), 0);
}

void tst_Hform::widestValuesShowWhole_data()
{
    QTest::addColumn<QString>("fontFamily");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("column");

    for (const QString family : {QStringLiteral("Noto Sans Arabic"), QStringLiteral("DejaVu Sans")}) {
        const QByteArray font = family.toLatin1() + ": ";
        QTest::newRow(font + "five-digit receipt") << family << "num" << QVariant(32771) << 0;
        QTest::newRow(font + "ten-digit receipt") << family << "num" << QVariant(2147483647) << 0;
        QTest::newRow(font + "entry date") << family << "datein" << QVariant(991229) << 3;
        QTest::newRow(font + "delivery date") << family << "dateout" << QVariant(1031229) << 4;
        QTest::newRow(font + "nine-digit parts") << family << "panelp" << QVariant(999999999) << 7;
        QTest::newRow(font + "nine-digit final price") << family << "endp" << QVariant(999999999) << 8;
        QTest::newRow(font + "eights") << family << "endp" << QVariant(888888888) << 8;
    }
}

void tst_Hform::widestValuesShowWhole()
{
    QFETCH(QString, fontFamily);
    QFETCH(QString, field);
    QFETCH(QVariant, value);
    QFETCH(int, column);
    TempJobFolder folder;
    Seams seams;
    QVariantMap job{{"num", 1}, {"datein", 910601}, {"status", JobTable::statusRepaired()}};
    job[field] = value;
    folder.addJob(job);
    const QFont before = QApplication::font();
    QApplication::setFont(QFont(fontFamily, 9));
    const auto restore = qScopeGuard([&before] { QApplication::setFont(before); });
    Hform form;
    DataGrid *grid = showWholeReport(form);
    const QModelIndex cell = grid->model()->index(0, column);
    QCOMPARE(cell.data().toString(), value.toString());
    // What the cell needs for its text whole, against the cell (the column less its grid line).
    QStyleOptionViewItem option;
    option.initFrom(grid);
    option.font = grid->font();
    option.features |= QStyleOptionViewItem::HasDisplay;
    const int needed = grid->itemDelegate()->sizeHint(option, cell).width();
    QVERIFY2(
        needed < grid->columnWidth(column),
        qPrintable(
            QStringLiteral("%1 needs %2 px of %3").arg(value.toString()).arg(needed).arg(grid->columnWidth(column))));
    QTRY_COMPARE(grid->horizontalScrollBar()->maximum(), 0);
}

void tst_Hform::csvCellsCannotRunFormulas_data()
{
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("written");
    QTest::newRow("equals") << "=HYPERLINK(\"http://x\")"
                            << "\"'=HYPERLINK(\"\"http://x\"\")\"";
    QTest::newRow("plus") << "+cmd"
                          << "'+cmd";
    QTest::newRow("minus text") << "-2+3"
                                << "'-2+3";
    QTest::newRow("at") << "@SUM(A1)"
                        << "'@SUM(A1)";
    QTest::newRow("tab") << "\t=1"
                         << "'\t=1";
    QTest::newRow("carriage return") << "\r=1"
                                     << "\"'\r=1\"";
    QTest::newRow("negative number") << "-1500.5"
                                     << "-1500.5";
    QTest::newRow("signed number") << "+20"
                                   << "+20";
    QTest::newRow("persian name") << QStringLiteral("علي") << QStringLiteral("علي");
    QTest::newRow("equals inside") << "a=b"
                                   << "a=b";
}

void tst_Hform::csvCellsCannotRunFormulas()
{
    QFETCH(QString, cell);
    QFETCH(QString, written);
    TempJobFolder folder;
    Seams seams;
    folder.addJob(
        {{"num", 1}, {"name", cell}, {"datein", 910601}, {"status", JobTable::statusRepaired()}, {"endp", -1500.5}});
    Hform form;
    setFilters(form, "", "", "", all);
    child<QPushButton>(form, "Command2")->click();
    const QString path = folder.path() + QStringLiteral("/out.csv");
    seams.fileNames << path;
    child<QPushButton>(form, "Command4")->click();
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll().mid(3));
    const QString row = text.section(QStringLiteral("\r\n"), 1, 1);
    QCOMPARE(row.section(u',', 0, 0), QStringLiteral("1"));
    // The name cell, then (the number stays a number) the final price.
    QVERIFY2(row.startsWith(QStringLiteral("1,") + written + u','), qPrintable(row));
    QVERIFY2(row.contains(QStringLiteral(",-1500.5,")), qPrintable(row));
}

void tst_Hform::previewShowsThePrintedPages_data()
{
    QTest::addColumn<int>("jobs");
    QTest::addColumn<int>("previewed"); // pages; 0: a long report's, its first rows, totals and chart
    QTest::addColumn<QString>("title");
    // 38 rows fit the first page; 30, and the totals, leave the chart the second.
    QTest::newRow("short report, whole") << 30 << 2 << QStringLiteral("پيش نمايش چاپ");
    QTest::newRow("long report, its first pages") << 400 << 0
                                                  << QStringLiteral("پيش نمايش چاپ: 38 رديف اول از 400 رديف؛ چاپ، همه "
                                                                    "را چاپ مي کند");
}

void tst_Hform::previewShowsThePrintedPages()
{
    QFETCH(int, jobs);
    QFETCH(int, previewed);
    QFETCH(QString, title);
    TempJobFolder folder;
    Seams seams;
    for (int num = 1; num <= jobs; ++num)
        folder.addJob({{"num", num}, {"datein", 910601}, {"status", JobTable::statusRepaired()}});
    Hform form;
    auto *preview = child<QPushButton>(form, "Command5");
    QVERIFY(!preview->isEnabled());
    setFilters(form, "", "", "", all);
    child<QPushButton>(form, "Command2")->click();
    QVERIFY(preview->isEnabled());
    preview->click();
    auto *dialog = form.findChild<QPrintPreviewDialog *>(QStringLiteral("PrintPreview"));
    QVERIFY(dialog);
    QCOMPARE(dialog->windowTitle(), title);
    auto *pages = dialog->findChild<QPrintPreviewWidget *>();
    QVERIFY(pages);
    pages->updatePreview();
    if (previewed > 0)
        QCOMPARE(pages->pageCount(), previewed);
    else
        QVERIFY2(pages->pageCount() >= 2 && pages->pageCount() <= 3, qPrintable(QString::number(pages->pageCount())));
    // The preview's print button prints every row: 400 rows take nine pages.
    const QString pdf = folder.path() + QStringLiteral("/preview-print.pdf");
    dialog->printer()->setOutputFormat(QPrinter::PdfFormat);
    dialog->printer()->setOutputFileName(pdf);
    pages->print();
    QFile printed(pdf);
    QVERIFY(printed.open(QIODevice::ReadOnly));
    const qsizetype printedPages = printed.readAll().count("/Type /Page\n");
    QVERIFY2(printedPages >= (previewed > 0 ? previewed : 9), qPrintable(QString::number(printedPages)));
    dialog->close();
    QTRY_VERIFY(!form.findChild<QPrintPreviewDialog *>());
}

QTEST_MAIN(tst_Hform)
#include "tst_hform.moc"
