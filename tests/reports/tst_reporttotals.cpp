// SPDX-License-Identifier: GPL-3.0-or-later
#include "reports/ReportTotals.h"

#include <QtTest>

using Prices = QList<QPair<QVariant, QVariant>>;
Q_DECLARE_METATYPE(Prices)

class tst_ReportTotals : public QObject
{
    Q_OBJECT

private slots:
    void totals_data();
    void totals();
    void percentTexts_data();
    void percentTexts();
    void numberText_data();
    void numberText();
};

void tst_ReportTotals::totals_data()
{
    QTest::addColumn<QString>("percent");
    QTest::addColumn<Prices>("rows");
    QTest::addColumn<int>("count");
    QTest::addColumn<double>("parts");
    QTest::addColumn<double>("final");
    QTest::addColumn<qint64>("shop");
    QTest::addColumn<double>("technician");

    const QVariant null;
    QTest::newRow("empty") << "50" << Prices{} << 0 << 0.0 << 0.0 << qint64(0) << 0.0;
    QTest::newRow("half of 1001 goes to even")
        << "50" << Prices{{0.0, 1001.0}} << 1 << 0.0 << 1001.0 << qint64(500) << 501.0;
    QTest::newRow("half of 1003 goes to even")
        << "50" << Prices{{0.0, 1003.0}} << 1 << 0.0 << 1003.0 << qint64(502) << 501.0;
    QTest::newRow("33 of 100000") << "33" << Prices{{50000.0, 150000.0}} << 1 << 50000.0 << 150000.0 << qint64(33000)
                                  << 67000.0;
    QTest::newRow("null parts price still a repair")
        << "50" << Prices{{null, 2000.0}, {500.0, 1500.0}} << 2 << 500.0 << 3500.0 << qint64(1500) << 1500.0;
    QTest::newRow("null final price") << "50" << Prices{{300.0, null}, {null, null}} << 2 << 300.0 << 0.0
                                      << qint64(-150) << -150.0;
    QTest::newRow("decimals") << "10" << Prices{{0.5, 100.25}} << 1 << 0.5 << 100.25 << qint64(10) << 89.75;
    QTest::newRow("percent with text after it")
        << "25 درصد" << Prices{{0.0, 1000.0}} << 1 << 0.0 << 1000.0 << qint64(250) << 750.0;
    QTest::newRow("no percent typed") << "" << Prices{{0.0, 1000.0}} << 1 << 0.0 << 1000.0 << qint64(0) << 1000.0;
    QTest::newRow("persian digits") << "۵۰" << Prices{{0.0, 1001.0}} << 1 << 0.0 << 1001.0 << qint64(500) << 501.0;
}

void tst_ReportTotals::totals()
{
    QFETCH(QString, percent);
    QFETCH(Prices, rows);
    ReportTotals totals;
    totals.clear();
    for (const auto &row : rows)
        totals.addRow(row.first, row.second);
    totals.finish(ReportTotals::shopFractionFromText(percent));

    QTEST(totals.repairCount(), "count");
    QTEST(totals.partsTotal(), "parts");
    QTEST(totals.finalTotal(), "final");
    QCOMPARE(totals.repairTotal(), totals.finalTotal() - totals.partsTotal());
    QTEST(totals.shopShare(), "shop");
    QTEST(totals.technicianShare(), "technician");
}

void tst_ReportTotals::percentTexts_data()
{
    QTest::addColumn<QString>("percent");
    QTest::addColumn<QString>("shopText");
    QTest::addColumn<QString>("technicianText");
    QTest::newRow("50") << "50"
                        << "50"
                        << "50";
    QTest::newRow("12.5") << "12.5"
                          << "12.5"
                          << "87.5";
    QTest::newRow("33") << "33"
                        << "33"
                        << "67";
    QTest::newRow("0") << ""
                       << "0"
                       << "100";
}

void tst_ReportTotals::percentTexts()
{
    QFETCH(QString, percent);
    ReportTotals totals;
    totals.finish(ReportTotals::shopFractionFromText(percent));
    QTEST(totals.shopPercentText(), "shopText");
    QTEST(totals.technicianPercentText(), "technicianText");
}

void tst_ReportTotals::numberText_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("null") << QVariant() << "";
    QTest::newRow("whole double") << QVariant(910628.0) << "910628";
    QTest::newRow("large whole, no exponent or grouping") << QVariant(123456789012.0) << "123456789012";
    QTest::newRow("decimal") << QVariant(12.5) << "12.5";
    QTest::newRow("negative") << QVariant(-150.0) << "-150";
    QTest::newRow("text") << QVariant(QStringLiteral("LCD, 2 عدد")) << "LCD, 2 عدد";
}

void tst_ReportTotals::numberText()
{
    QFETCH(QVariant, value);
    QTEST(ReportTotals::cellText(value), "text");
}

QTEST_GUILESS_MAIN(tst_ReportTotals)
#include "tst_reporttotals.moc"
