// SPDX-License-Identifier: GPL-3.0-or-later
#include "reports/MonthlyIncome.h"
#include "reports/ReportTotals.h"

#include <QtTest>

using Prices = QList<QPair<QVariant, QVariant>>;
Q_DECLARE_METATYPE(Prices)
using Days = QList<QPair<QVariant, double>>; // an entry date number and a final price
Q_DECLARE_METATYPE(Days)

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
    void months_data();
    void months();
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

void tst_ReportTotals::months_data()
{
    QTest::addColumn<Days>("days");
    QTest::addColumn<QStringList>("labels");
    QTest::addColumn<QList<qint64>>("shops"); // at 50 percent

    QTest::newRow("no date first, 1399 before 1400")
        << Days{{105, 10}, {991230, 20}, {0, 30}, {QVariant(), 40}, {991201, 50}, {-3, 60}}
        << QStringList{QStringLiteral("بدون تاريخ"), QStringLiteral("اسفند 1399"), QStringLiteral("فروردين 1400")}
        << QList<qint64>{65, 35, 5};
    QTest::newRow("a month no calendar has")
        << Days{{911305, 4}} << QStringList{QStringLiteral("1391/13")} << QList<qint64>{2};
    // Each month's half of 1 alone rounds to 0: the months take 0, 1 and 1 so they add up to the
    // half of 3 rounded, 2.
    QTest::newRow("shares add up to the rounded total")
        << Days{{910601, 1}, {910701, 1}, {910801, 1}}
        << QStringList{QStringLiteral("شهريور 1391"), QStringLiteral("مهر 1391"), QStringLiteral("آبان 1391")}
        << QList<qint64>{0, 1, 1};
}

void tst_ReportTotals::months()
{
    QFETCH(Days, days);
    MonthlyIncome income;
    for (const auto &day : days)
        income.add(day.first, 1, QVariant(), day.second);
    income.finish(0.5f);
    QStringList labels;
    QList<qint64> shops;
    for (const MonthlyIncome::Month &month : income.months()) {
        labels << month.label();
        shops << month.shop;
        QCOMPARE(month.technician, month.final - double(month.shop));
    }
    QTEST(labels, "labels");
    QTEST(shops, "shops");
}

QTEST_GUILESS_MAIN(tst_ReportTotals)
#include "tst_reporttotals.moc"
