// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/AppSetup.h"
#include "platform/RunOptions.h"
#include "receipts/PagePrintSurface.h"
#include "receipts/RecordingSurface.h"
#include "receipts/TextFit.h"
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
    int group; // which drawing of the surface it came in: 0 the header, 1 the first headings, 2 the first row...
};

QList<PrintedText> textsOf(const RecordingSurface &surface)
{
    QList<PrintedText> texts;
    int page = 1;
    int group = 0;
    for (const Op &op : surface.operations) {
        if (op.kind == Op::Kind::NewPage)
            ++page;
        for (const FaceItem &item : op.face)
            texts << PrintedText{page, item.rect.topLeft(), item.fontPoints, item.text, group};
        group += op.kind == Op::Kind::Items ? 1 : 0;
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

// A month of a busy shop as a new user typed it: long names, long Latin models, a long parts text,
// amounts up to 12,500,000 and empty cells.
QVariant realisticCell(int row, int column)
{
    static const QStringList names = {QStringLiteral("محمدرضا عبدالحسين زاده قاضي جهانگيري"),
                                      QStringLiteral("علي رضايي"), QStringLiteral("فاطمه سادات موسوي خوانساري"),
                                      QStringLiteral("Reza"), QStringLiteral("سيد ابوالفضل")};
    static const QStringList models = {QStringLiteral("Samsung Galaxy S23 Ultra 512GB Phantom Black"),
                                       QStringLiteral("Huawei P30"), QStringLiteral("نوکيا 1100"),
                                       QStringLiteral("iPhone 13 Pro Max"), QStringLiteral("شيائومي ردمي نوت 12")};
    static const QStringList parts = {QStringLiteral("ال سي دي اورجينال با فريم و باتري جديد و فلت شارژ و اسپيکر"),
                                      QString(), QStringLiteral("LCD"), QStringLiteral("سوکت شارژ"),
                                      QStringLiteral("-2+3")};
    switch (column) {
    case 0:
        return double(1200 + row * 211);
    case 1:
        return names.at(row % names.size());
    case 2:
        return models.at(row % models.size());
    case 3:
        return double(50810 + row % 20);
    case 4:
        return double(1050903 + row % 20);
    case 5:
        return row % 3 ? QStringLiteral("حسين محمدي نژاد") : QStringLiteral("Ali");
    case 6:
        return parts.at(row % parts.size()).isNull() ? QVariant() : QVariant(parts.at(row % parts.size()));
    case 7:
        return row % 4 ? double(850000 + row * 1000) : 12500000.0;
    case 8:
        return row % 4 ? double(1450000 + row * 1000) : 12500000.0;
    default:
        return row % 2 ? QStringLiteral("غير قابل تعمير") : QStringLiteral("تحويل شده");
    }
}

struct Ink {
    int page;
    int item; // which value it belongs to
    QRectF rect;
    QString text;
};

// Where each printed value's lines go, as the surface lays them out.
QList<Ink> inkOf(const RecordingSurface &surface)
{
    QList<Ink> ink;
    int page = 1;
    int item = 0;
    for (const Op &op : surface.operations) {
        if (op.kind == Op::Kind::NewPage)
            ++page;
        for (const FaceItem &value : op.face) {
            ++item;
            for (const QRectF &rect : WindowFace::layOut(value).inkRects())
                ink << Ink{page, item, rect, value.text};
        }
    }
    return ink;
}

// The words pdftotext finds on each page, with their boxes in points.
QList<QList<QRectF>> pdfWords(const QString &fileName)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), fileName, QStringLiteral("-")});
    process.waitForFinished(60000);
    const QString html = QString::fromUtf8(process.readAllStandardOutput());
    QList<QList<QRectF>> pages;
    static const QRegularExpression tag(
        QStringLiteral("<page |<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\""));
    for (auto match = tag.globalMatch(html); match.hasNext();) {
        const QRegularExpressionMatch m = match.next();
        if (m.captured(0).startsWith(QStringLiteral("<page"))) {
            pages << QList<QRectF>();
            continue;
        }
        if (!pages.isEmpty())
            pages.last() << QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                                   QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()));
    }
    return pages;
}

} // namespace

class tst_ReportPrinter : public QObject
{
    Q_OBJECT

private slots:
    // The program's own face, whose tall room for marks the rows must allow for.
    void initTestCase() { AppSetup::applyLookAndFeel(*qApp); }
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
    void noValueCoversAnother();
    void printedWordsNeverOverlap();
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
    QTest::newRow("footer page") << "صفحه" << QPointF(7000, ReportPrinter::footerY) << 8.0 << "صفحه 1 از 1";
    QTest::newRow("footer range") << "گزارش" << QPointF(800, ReportPrinter::footerY) << 8.0
                                  << "گزارش از تاريخ 91/06/01 تا تاريخ 91/06/31";
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
    QCOMPARE(textsOf(surface).size(), 14); // the header and the footer
    // Both shares at 50 print "50" as their percentage.
    QVERIFY(find(textsOf(surface), QStringLiteral("  مبلغ مربوط به تعميرکار(شامل 50 درصد")));
    QVERIFY(find(textsOf(surface), QStringLiteral("  مبلغ مربوط به تعميرگاه(شامل 50 درصد")));
}

void tst_ReportPrinter::pages_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("tablePages");
    QTest::addColumn<int>("pages");    // with the totals after the last row and the chart after them
    QTest::addColumn<bool>("planned"); // the rows measured ahead, as a long report's are on a thread
    QTest::newRow("one row") << 1 << 1 << 1 << false;
    QTest::newRow("38 fill page one") << 38 << 1 << 2 << false;
    QTest::newRow("39th starts page two") << 39 << 2 << 2 << false;
    QTest::newRow("38 + 48 fill page two") << 86 << 2 << 3 << false;
    QTest::newRow("87th starts page three") << 87 << 3 << 3 << false;
    QTest::newRow("room for the totals, not the chart") << 68 << 2 << 3 << false;
    QTest::newRow("busy shop") << 32767 << 683 << 684 << false;
    QTest::newRow("planned: 38 + 48 fill page two") << 86 << 2 << 3 << true;
    QTest::newRow("planned: 87th starts page three") << 87 << 3 << 3 << true;
    QTest::newRow("planned: room for the totals, not the chart") << 68 << 2 << 3 << true;
}

void tst_ReportPrinter::pages()
{
    QFETCH(int, rows);
    QFETCH(int, tablePages);
    QFETCH(int, pages);
    QFETCH(bool, planned);
    RecordingSurface surface;
    ReportPrinter printer(surface, ::header(), totalsOf(rows, 0, 0, QStringLiteral("50")));
    printer.setRows(rows, cell);
    if (planned) {
        printer.beginPlan();
        for (int row = 0; row < rows; ++row) {
            QVector<QVariant> cells;
            for (int column = 0; column < ReportPrinter::columnCount; ++column)
                cells << cell(row, column);
            printer.planRow(cells);
        }
    }
    printer.setChart(QImage(20, 10, QImage::Format_RGB32));
    QCOMPARE(printer.print(), ReportPrinter::Outcome::Printed);
    QCOMPARE(surface.count(Op::Kind::NewPage), pages - 1);

    // The chart is the last thing printed, on the last page, under every rule and text but the
    // footer's, whole above the footer.
    int page = 1;
    double lowestInk = 0;
    QRectF chart;
    for (const Op &op : surface.operations) {
        page += op.kind == Op::Kind::NewPage ? 1 : 0;
        if (page < pages || op.kind == Op::Kind::EndDoc)
            continue;
        QVERIFY(chart.isNull() || op.face.size() == 2); // only the footer after it
        if (op.kind == Op::Kind::Line)
            lowestInk = qMax(lowestInk, qMax(op.from.y(), op.to.y()));
        for (const FaceItem &item : op.face) {
            if (item.kind == FaceItem::Kind::Picture)
                chart = item.rect;
            else if (chart.isNull())
                lowestInk = qMax(lowestInk, item.rect.bottom());
        }
    }
    QCOMPARE(chart.size(), ReportPrinter::chartSize());
    QVERIFY(chart.top() > lowestInk);
    QVERIFY(chart.bottom() < ReportPrinter::footerY);
    QCOMPARE(printer.pagesStarted(), pages);
    QCOMPARE(surface.count(Op::Kind::EndDoc), 1);

    // Every page says which it is, and the totals follow the last row.
    QList<PrintedText> footers;
    const PrintedText *lastRow = nullptr;
    const PrintedText *repeatedCount = nullptr;
    const QList<PrintedText> all = textsOf(surface);
    for (const PrintedText &t : all) {
        if (t.text.startsWith(QStringLiteral("صفحه ")))
            footers << t;
        else if (t.at.x() == 1000 && t.size == 9.0)
            lastRow = &t;
        else if (t.text.startsWith(QStringLiteral("  تعداد تعميرات :")) && (t.page > 1 || t.at.y() > 4000))
            repeatedCount = &t;
    }
    QCOMPARE(footers.size(), pages);
    for (int page = 1; page <= pages; ++page) {
        QCOMPARE(footers[page - 1].page, page);
        QCOMPARE(footers[page - 1].text, ReportPrinter::pageText(page, pages));
    }
    QVERIFY(repeatedCount && lastRow);
    QCOMPARE(repeatedCount->text, QStringLiteral("  تعداد تعميرات :%1").arg(rows));
    QVERIFY(repeatedCount->page > lastRow->page || repeatedCount->at.y() > lastRow->at.y() + 300);

    // Every page's table opens with its ten headings, in the 400 twips under the rule at 3950 on
    // page one and at 950 on the others; each row takes 300 twips under them.
    const QList<PrintedText> texts = textsOf(surface);
    QList<int> headingPages;
    double headingOffset = -1;
    for (const PrintedText &t : texts) {
        if (t.text == ReportPrinter::heading(0)) {
            const double offset = t.at.y() - (t.page == 1 ? 3950.0 : 950.0);
            if (headingOffset < 0)
                headingOffset = offset;
            QCOMPARE(offset, headingOffset);
            QVERIFY(t.size >= 8 && t.size <= 10);
            headingPages << t.page;
        }
    }
    QCOMPARE(headingPages.size(), tablePages);

    int printedRows = 0;
    double rowOffset = -1;
    for (const PrintedText &t : texts) {
        if (t.at.x() != 1000 || t.size != 9.0 || t.text == ReportPrinter::heading(0))
            continue;
        const int row = printedRows++;
        const int onPage = row < 38 ? row : (row - 38) % 48;
        const int page = row < 38 ? 1 : 2 + (row - 38) / 48;
        QCOMPARE(t.page, page);
        const double offset = t.at.y() - ((page == 1 ? 4350.0 : 1350.0) + 300 * onPage);
        if (rowOffset < 0)
            rowOffset = offset;
        QCOMPARE(offset, rowOffset);
        QCOMPARE(t.text, QString::number(row + 1));
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
    // Box (4), heading (4) with a rule between each two headings (9), row rule and its two sides (3),
    // the totals' box (4).
    QCOMPARE(lines.size(), 24);
    QCOMPARE(lines[4], qMakePair(QPointF(11000, 3950), QPointF(800, 3950)));
    QCOMPARE(lines[5], qMakePair(QPointF(11000, 3950), QPointF(11000, 4350)));
    QCOMPARE(lines[6], qMakePair(QPointF(800, 3950), QPointF(800, 4350)));
    QCOMPARE(lines[7], qMakePair(QPointF(800, 4350), QPointF(11000, 4350)));
    QCOMPARE(lines[17], qMakePair(QPointF(11000, 4650), QPointF(800, 4650)));
    QCOMPARE(lines[18], qMakePair(QPointF(11000, 4350), QPointF(11000, 4650)));
    QCOMPARE(lines[19], qMakePair(QPointF(800, 4350), QPointF(800, 4650)));

    // The headings share one size, and a rule through the heading box stands between each two.
    const QList<Ink> ink = inkOf(surface);
    QSet<double> headingSizes;
    for (const Op &op : surface.operations) {
        for (const FaceItem &item : op.face) {
            if (item.text == ReportPrinter::heading(0) || item.text == ReportPrinter::heading(9))
                headingSizes << WindowFace::layOut(item).points;
        }
    }
    QCOMPARE(headingSizes.size(), 1);
    QVERIFY2(*headingSizes.begin() >= 8, qPrintable(QString::number(*headingSizes.begin())));
    for (int column = 1; column < ReportPrinter::columnCount; ++column) {
        double before = 0, after = 1e9;
        for (const Ink &word : ink) {
            if (word.text == ReportPrinter::heading(column - 1))
                before = qMax(before, word.rect.right());
            if (word.text == ReportPrinter::heading(column))
                after = qMin(after, word.rect.left());
        }
        const QLineF rule(lines[7 + column].first, lines[7 + column].second);
        QVERIFY2(rule.x1() == rule.x2() && rule.y1() == 3950 && rule.y2() == 4350,
                 qPrintable(ReportPrinter::heading(column)));
        QVERIFY2(before < rule.x1() && rule.x1() < after, qPrintable(ReportPrinter::heading(column)));
    }

    const QList<PrintedText> texts = textsOf(surface);
    QStringList headings, cells;
    for (const PrintedText &t : texts) {
        if (t.group == 1)
            headings << t.text;
        if (t.group == 2) {
            cells << t.text;
            QCOMPARE(t.at.x(), double(ReportPrinter::columnX(int(cells.size()) - 1)));
            QVERIFY(t.at.y() > 4350 - 300 && t.at.y() < 4650);
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
        if (t.group == 3 && t.at.x() == ReportPrinter::columnX(6))
            ++atParts;
    }
    QCOMPARE(atParts, 0); // row 2 has a null panel
    const auto lines = linesOf(surface);
    QCOMPARE(lines.size(), 27);
    QCOMPARE(lines[20], qMakePair(QPointF(11000, 4950), QPointF(800, 4950)));
}

void tst_ReportPrinter::failureStopsAndReports_data()
{
    QTest::addColumn<int>("failFrom");
    QTest::newRow("first call") << 0;
    QTest::newRow("in the header") << 5;
    QTest::newRow("in the rows") << 100;
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

void tst_ReportPrinter::noValueCoversAnother()
{
    RecordingSurface surface;
    ReportPrinter printer(surface, ::header(), totalsOf(48, 0, 0, QStringLiteral("50")));
    printer.setRows(48, realisticCell);
    QCOMPARE(printer.print(), ReportPrinter::Outcome::Printed);
    QVERIFY(printer.pagesStarted() >= 2);

    const QList<Ink> ink = inkOf(surface);
    for (qsizetype i = 0; i < ink.size(); ++i) {
        for (qsizetype j = i + 1; j < ink.size(); ++j) {
            if (ink[i].page != ink[j].page || ink[i].item == ink[j].item)
                continue;
            QVERIFY2(!ink[i].rect.adjusted(1, 1, -1, -1).intersects(ink[j].rect),
                     qPrintable(QStringLiteral("page %1: %2,%3 and %4,%5")
                                    .arg(ink[i].page)
                                    .arg(ink[i].rect.x())
                                    .arg(ink[i].rect.y())
                                    .arg(ink[j].rect.x())
                                    .arg(ink[j].rect.y())));
        }
    }
    // No rule through a text: a text stands wholly between the rules above and below it.
    int page = 1;
    for (const Op &op : surface.operations) {
        if (op.kind == Op::Kind::NewPage)
            ++page;
        if (op.kind != Op::Kind::Line)
            continue;
        const QRectF rule = QRectF(op.from, op.to).normalized().adjusted(-5, -5, 5, 5);
        for (const Ink &text : ink)
            QVERIFY2(text.page != page || !rule.intersects(text.rect),
                     qPrintable(QStringLiteral("rule %1,%2 page %3 through %4")
                                    .arg(op.from.x())
                                    .arg(op.from.y())
                                    .arg(page)
                                    .arg(text.text)));
    }
    // Amounts and dates keep the row's size; every heading fits its column.
    for (const Op &op : surface.operations) {
        for (const FaceItem &item : op.face) {
            const FittedText fitted = WindowFace::layOut(item);
            QVERIFY(fitted.points >= TextFit::SmallestPoints);
            for (int column = 0; column < ReportPrinter::columnCount; ++column) {
                const double x = ReportPrinter::columnX(column);
                if (item.fontPoints == 9 && item.rect.x() == x && ReportPrinter::isNumberColumn(column))
                    QCOMPARE(fitted.points, 9.0);
                if (item.text != ReportPrinter::heading(column))
                    continue;
                const double next = column + 1 < ReportPrinter::columnCount ? ReportPrinter::columnX(column + 1)
                                                                            : ReportPrinter::tableRight;
                for (const FittedText::Line &line : fitted.lines)
                    QVERIFY2(line.rect.left() >= x - 5 && line.rect.right() <= next, qPrintable(item.text));
            }
        }
    }
}

void tst_ReportPrinter::printedWordsNeverOverlap()
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext is not installed");
    QTemporaryDir dir;
    RunOptions::printToPdfFolder = dir.path();
    PagePrintSurface surface;
    ReportPrinter printer(surface, ::header(), totalsOf(48, 0, 0, QStringLiteral("50")));
    printer.setRows(48, realisticCell);
    QCOMPARE(printer.print(), ReportPrinter::Outcome::Printed);
    RunOptions::printToPdfFolder.clear();
    const QString pdf = dir.filePath(QStringLiteral("0001.pdf"));
    if (!qEnvironmentVariableIsEmpty("VELMORA_KEEP_REPORT"))
        QFile::copy(pdf, qEnvironmentVariable("VELMORA_KEEP_REPORT"));

    const QList<QList<QRectF>> pages = pdfWords(pdf);
    QCOMPARE(pages.size(), printer.pagesStarted());
    for (const QList<QRectF> &words : pages) {
        QVERIFY(words.size() > 100);
        // A word's box is as tall as the face's line (fonts for Arabic script keep tall room for
        // marks), so only words on one line can overprint: centres less than 4 points apart.
        for (qsizetype i = 0; i < words.size(); ++i) {
            for (qsizetype j = i + 1; j < words.size(); ++j) {
                const bool oneLine = qAbs(words[i].center().y() - words[j].center().y()) < 4;
                // Glyphs of one word may kern into each other by a fraction of a point.
                const bool apart = words[i].right() <= words[j].left() + 1 || words[j].right() <= words[i].left() + 1;
                QVERIFY2(!oneLine || apart, qPrintable(QStringLiteral("%1,%2 and %3,%4")
                                                           .arg(words[i].x())
                                                           .arg(words[i].y())
                                                           .arg(words[j].x())
                                                           .arg(words[j].y())));
            }
        }
    }
}

QTEST_MAIN(tst_ReportPrinter)
#include "tst_reportprinter.moc"
