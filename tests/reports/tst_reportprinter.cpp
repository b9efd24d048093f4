#include "receipts/RecordingSurface.h"
#include "reports/ReportPrinter.h"

#include <QtTest>

using Op = RecordingSurface::Operation;

namespace
{

struct PrintedText {
    int page;
    QPointF at;
    double size;
    QString text;
};

QList<PrintedText> textsOf(const RecordingSurface &surface)
{
    QList<PrintedText> texts;
    int page = 1;
    for (const Op &op : surface.operations) {
        if (op.kind == Op::Kind::NewPage)
            ++page;
        else if (op.kind == Op::Kind::Text)
            texts << PrintedText{page, op.position, op.fontSize, op.text};
    }
    return texts;
}

QList<QPair<QPointF, QPointF>> linesOf(const RecordingSurface &surface)
{
    QList<QPair<QPointF, QPointF>> lines;
    for (const Op &op : surface.operations) {
        if (op.kind == Op::Kind::Line)
            lines << qMakePair(op.from, op.to);
    }
    return lines;
}

const PrintedText *find(const QList<PrintedText> &texts, const QString &start)
{
    for (const PrintedText &t : texts) {
        if (t.text.startsWith(start))
            return &t;
    }
    return nullptr;
}

ReportTotals totalsOf(int rows, double parts, double final, const QString &percent)
{
    ReportTotals totals;
    for (int i = 0; i < rows; ++i)
        totals.addRow(i == 0 ? QVariant(parts) : QVariant(0.0), i == 0 ? QVariant(final) : QVariant(0.0));
    totals.finish(ReportTotals::shopFractionFromText(percent));
    return totals;
}

ReportPrinter::Header header()
{
    return {QStringLiteral("1391/06/28"), QStringLiteral("910601"), QStringLiteral("910631"), QStringLiteral("Ali"),
            QStringLiteral("همه موارد")};
}

// Row r: num r+1, a name, a null panel on odd rows, prices.
QVariant cell(int row, int column)
{
    switch (column) {
    case 0:
        return double(row + 1);
    case 1:
        return QStringLiteral("customer %1").arg(row + 1);
    case 6:
        return row % 2 ? QVariant() : QVariant(QStringLiteral("LCD"));
    case 7:
        return 12.5;
    default:
        return QStringLiteral("c%1").arg(column);
    }
}

} // namespace

class tst_ReportPrinter : public QObject
{
    Q_OBJECT

private slots:
    void header_data();
    void header();
    void headerBox();
    void emptyReportIsOnePageWithHeaderOnly();
    void pages_data();
    void pages();
    void rowsAndRules();
    void nullCellKeepsRules();
    void failureStopsAndReports_data();
    void failureStopsAndReports();
    void cancelEndsTheJob();
};

void tst_ReportPrinter::header_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QPointF>("at");
    QTest::addColumn<double>("size");
    QTest::addColumn<QString>("text");

    QTest::newRow("date") << "تاريخ" << QPointF(8500, 600) << 10.0 << "تاريخ گزارش گيري : 1391/06/28";
    QTest::newRow("title") << "به نام" << QPointF(4900, 400) << 18.0 << "به نام خدا ";
    QTest::newRow("from") << "  از" << QPointF(1000, 1200) << 10.0 << "  از تاريخ :910601";
    QTest::newRow("to") << "  تا" << QPointF(1000, 1600) << 10.0 << "  تا تاريخ :910631";
    QTest::newRow("technician") << "  نام" << QPointF(1000, 2000) << 10.0 << "  نام تعميرکار :Ali";
    QTest::newRow("status") << "  وضعيت" << QPointF(1000, 2400) << 10.0 << "  وضعيت دستگاه ها:همه موارد";
    QTest::newRow("technician share") << "  مبلغ مربوط به تعميرکار" << QPointF(1000, 2800) << 10.0
                                      << "  مبلغ مربوط به تعميرکار(شامل 87.5 درصد از هزينه تعمير):875";
    QTest::newRow("shop share") << "  مبلغ مربوط به تعميرگاه" << QPointF(1000, 3200) << 10.0
                                << "  مبلغ مربوط به تعميرگاه(شامل 12.5 درصد از هزينه تعمير):125";
    QTest::newRow("count") << "  تعداد" << QPointF(6000, 1200) << 10.0 << "  تعداد تعميرات :3";
    QTest::newRow("parts") << "  هزينه قطعات" << QPointF(6000, 1600) << 10.0 << "  هزينه قطعات :500";
    QTest::newRow("repair") << "  هزينه تعمير :" << QPointF(6000, 2000) << 10.0 << "  هزينه تعمير :1000";
    QTest::newRow("final") << "   هزينه" << QPointF(6000, 2400) << 10.0 << "   هزينه تعمير و قطعات :1500";
}

void tst_ReportPrinter::header()
{
    QFETCH(QString, start);
    RecordingSurface surface;
    ReportPrinter printer(surface, ::header(), totalsOf(3, 500, 1500, QStringLiteral("12.5")));
    printer.setRows(3, cell);
    QCOMPARE(printer.print(), ReportPrinter::Outcome::Printed);

    const QList<PrintedText> texts = textsOf(surface);
    const PrintedText *t = find(texts, start);
    QVERIFY2(t, qPrintable(start));
    QCOMPARE(t->page, 1);
    QTEST(t->at, "at");
    QTEST(t->size, "size");
    QTEST(t->text, "text");
}

void tst_ReportPrinter::headerBox()
{
    RecordingSurface surface;
    ReportPrinter printer(surface, ::header(), totalsOf(0, 0, 0, QStringLiteral("50")));
    QCOMPARE(printer.print(), ReportPrinter::Outcome::Printed);
    const auto lines = linesOf(surface);
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines[0], qMakePair(QPointF(800, 1000), QPointF(800, 3600)));
    QCOMPARE(lines[1], qMakePair(QPointF(11000, 1000), QPointF(11000, 3600)));
    QCOMPARE(lines[2], qMakePair(QPointF(800, 1000), QPointF(11000, 1000)));
    QCOMPARE(lines[3], qMakePair(QPointF(11000, 3600), QPointF(800, 3600)));
}

void tst_ReportPrinter::emptyReportIsOnePageWithHeaderOnly()
{
    RecordingSurface surface;
    ReportPrinter printer(surface, ::header(), totalsOf(0, 0, 0, QStringLiteral("50")));
    QCOMPARE(printer.print(), ReportPrinter::Outcome::Printed);
    QCOMPARE(surface.count(Op::Kind::NewPage), 0);
    QCOMPARE(surface.count(Op::Kind::EndDoc), 1);
    QCOMPARE(surface.operations.last().kind, Op::Kind::EndDoc);
    QCOMPARE(textsOf(surface).size(), 12);
    // Both shares at 50 print "50" as their percentage.
    QVERIFY(find(textsOf(surface), QStringLiteral("  مبلغ مربوط به تعميرکار(شامل 50 درصد")));
    QVERIFY(find(textsOf(surface), QStringLiteral("  مبلغ مربوط به تعميرگاه(شامل 50 درصد")));
}

void tst_ReportPrinter::pages_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("pages");
    QTest::newRow("one row") << 1 << 1;
    QTest::newRow("38 fill page one") << 38 << 1;
    QTest::newRow("39th starts page two") << 39 << 2;
    QTest::newRow("38 + 48 fill page two") << 86 << 2;
    QTest::newRow("87th starts page three") << 87 << 3;
    QTest::newRow("busy shop") << 32767 << 683;
}

void tst_ReportPrinter::pages()
{
    QFETCH(int, rows);
    QFETCH(int, pages);
    RecordingSurface surface;
    ReportPrinter printer(surface, ::header(), totalsOf(rows, 0, 0, QStringLiteral("50")));
    printer.setRows(rows, cell);
    QCOMPARE(printer.print(), ReportPrinter::Outcome::Printed);
    QCOMPARE(surface.count(Op::Kind::NewPage), pages - 1);
    QCOMPARE(printer.pagesStarted(), pages);
    QCOMPARE(surface.count(Op::Kind::EndDoc), 1);

    // Every page's table opens with its ten headings; page one's at 4000, the others' at 1000.
    const QList<PrintedText> texts = textsOf(surface);
    QList<int> headingPages;
    for (const PrintedText &t : texts) {
        if (t.text == ReportPrinter::heading(0)) {
            QCOMPARE(t.at.y(), t.page == 1 ? 4000.0 : 1000.0);
            QCOMPARE(t.size, 10.0);
            headingPages << t.page;
        }
    }
    QCOMPARE(headingPages.size(), pages);

    // The first cell of each row: y 4400 + 300 r on page one, 1400 + 300 r after.
    int printedRows = 0;
    for (const PrintedText &t : texts) {
        if (t.at.x() != 1000 || t.text == ReportPrinter::heading(0) || t.page == 1 && t.at.y() < 4000)
            continue;
        const int row = printedRows++;
        const int onPage = row < 38 ? row : (row - 38) % 48;
        const int page = row < 38 ? 1 : 2 + (row - 38) / 48;
        QCOMPARE(t.page, page);
        QCOMPARE(t.at.y(), (page == 1 ? 4400.0 : 1400.0) + 300 * onPage);
        QCOMPARE(t.text, QString::number(row + 1));
        QCOMPARE(t.size, 9.0);
    }
    QCOMPARE(printedRows, rows);
}

void tst_ReportPrinter::rowsAndRules()
{
    RecordingSurface surface;
    ReportPrinter printer(surface, ::header(), totalsOf(1, 0, 0, QStringLiteral("50")));
    printer.setRows(1, cell);
    QCOMPARE(printer.print(), ReportPrinter::Outcome::Printed);

    const auto lines = linesOf(surface);
    // Box (4), heading (4), row rule and its two sides (3).
    QCOMPARE(lines.size(), 11);
    QCOMPARE(lines[4], qMakePair(QPointF(11000, 3950), QPointF(800, 3950)));
    QCOMPARE(lines[5], qMakePair(QPointF(11000, 3950), QPointF(11000, 4350)));
    QCOMPARE(lines[6], qMakePair(QPointF(800, 3950), QPointF(800, 4350)));
    QCOMPARE(lines[7], qMakePair(QPointF(800, 4350), QPointF(11000, 4350)));
    QCOMPARE(lines[8], qMakePair(QPointF(11000, 4650), QPointF(800, 4650)));
    QCOMPARE(lines[9], qMakePair(QPointF(11000, 4350), QPointF(11000, 4650)));
    QCOMPARE(lines[10], qMakePair(QPointF(800, 4350), QPointF(800, 4650)));

    const QList<PrintedText> texts = textsOf(surface);
    QStringList headings, cells;
    for (const PrintedText &t : texts) {
        if (t.at.y() == 4000)
            headings << t.text;
        if (t.at.y() == 4400) {
            cells << t.text;
            QCOMPARE(t.at.x(), double(ReportPrinter::columnX(int(cells.size()) - 1)));
        }
    }
    QStringList expected;
    for (int column = 0; column < ReportPrinter::columnCount; ++column)
        expected << ReportPrinter::heading(column);
    QCOMPARE(headings, expected);
    QCOMPARE(cells, (QStringList{"1", "customer 1", "c2", "c3", "c4", "c5", "LCD", "12.5", "c8", "c9"}));
}

void tst_ReportPrinter::nullCellKeepsRules()
{
    RecordingSurface surface;
    ReportPrinter printer(surface, ::header(), totalsOf(2, 0, 0, QStringLiteral("50")));
    printer.setRows(2, cell);
    QCOMPARE(printer.print(), ReportPrinter::Outcome::Printed);
    int atParts = 0;
    for (const PrintedText &t : textsOf(surface)) {
        if (t.at.y() == 4700 && t.at.x() == 7000)
            ++atParts;
    }
    QCOMPARE(atParts, 0); // row 2 has a null panel
    const auto lines = linesOf(surface);
    QCOMPARE(lines.size(), 14);
    QCOMPARE(lines[11], qMakePair(QPointF(11000, 4950), QPointF(800, 4950)));
}

void tst_ReportPrinter::failureStopsAndReports_data()
{
    QTest::addColumn<int>("failFrom");
    QTest::newRow("first call") << 0;
    QTest::newRow("in the header") << 5;
    QTest::newRow("in the rows") << 200;
    QTest::newRow("at the new page") << -1;
}

void tst_ReportPrinter::failureStopsAndReports()
{
    QFETCH(int, failFrom);
    RecordingSurface counting;
    {
        ReportPrinter printer(counting, ::header(), totalsOf(40, 0, 0, QStringLiteral("50")));
        printer.setRows(40, cell);
        printer.print();
    }
    if (failFrom < 0) {
        int call = 0;
        for (const Op &op : counting.operations) {
            if (op.kind == Op::Kind::NewPage)
                break;
            ++call;
        }
        failFrom = call;
    }
    RecordingSurface surface;
    surface.failFromCall(failFrom, QStringLiteral("no printer"));
    ReportPrinter printer(surface, ::header(), totalsOf(40, 0, 0, QStringLiteral("50")));
    printer.setRows(40, cell);
    QCOMPARE(printer.print(), ReportPrinter::Outcome::Failed);
    QCOMPARE(printer.lastError(), QStringLiteral("no printer"));
    // It stops at the first failure instead of trying every remaining operation.
    QCOMPARE(surface.callCount(), failFrom + 1);
}

void tst_ReportPrinter::cancelEndsTheJob()
{
    RecordingSurface surface;
    ReportPrinter printer(surface, ::header(), totalsOf(500, 0, 0, QStringLiteral("50")));
    printer.setRows(500, cell);
    QList<int> seen;
    printer.setProgress(
        [&seen](int printed, int total) {
            seen << printed;
            return total == 500 && printed < 100;
        },
        50);
    QCOMPARE(printer.print(), ReportPrinter::Outcome::Cancelled);
    QCOMPARE(seen, (QList<int>{0, 50, 100}));
    QCOMPARE(surface.count(Op::Kind::EndDoc), 1);
    QCOMPARE(surface.operations.last().kind, Op::Kind::EndDoc);
}

QTEST_GUILESS_MAIN(tst_ReportPrinter)
#include "tst_reportprinter.moc"
