// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/ProgramValues.h"
#include "platform/RunOptions.h"
#include "platform/Twips.h"
#include "receipts/PForm.h"
#include "receipts/PagePrintSurface.h"
#include "receipts/PrintPreview.h"
#include "receipts/ReceiptPrinting.h"
#include "receipts/RecordingSurface.h"
#include "receipts/RoundedShape.h"
#include "receipts/WindowFace.h"
#include "reports/ReportPrinter.h"

#include <QDir>
#include <QFile>
#include <QGraphicsItem>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinterInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace
{

int pageCount(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray bytes = file.readAll();
    return int(bytes.count("/Type /Page\n") + bytes.count("/Type /Page ") + bytes.count("/Type /Page/") +
               bytes.count("/Type /Page>"));
}

QString pdfText(const QString &fileName)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), fileName, QStringLiteral("-")});
    process.waitForFinished(20000);
    return QString::fromUtf8(process.readAllStandardOutput()).normalized(QString::NormalizationForm_KC);
}

// One page of a PDF as pdftoppm draws it, in grey.
QImage pdfPage(const QString &fileName, int page, int dpi)
{
    const QString base = fileName + QStringLiteral("-page");
    QProcess process;
    process.start(QStringLiteral("pdftoppm"), {QStringLiteral("-gray"), QStringLiteral("-r"), QString::number(dpi),
                                               QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
                                               QString::number(page), QStringLiteral("-singlefile"), fileName, base});
    process.waitForFinished(60000);
    return QImage(base + QStringLiteral(".pgm")).convertToFormat(QImage::Format_Grayscale8);
}

// One page of a print preview as the clerk sees it, drawn at the size of `like`.
QImage previewPage(QPrintPreviewDialog *dialog, int page, QSize size)
{
    auto *view = dialog ? dialog->findChild<QGraphicsView *>() : nullptr;
    if (!view || !view->scene())
        return QImage();
    QList<QGraphicsItem *> pages = view->scene()->items(Qt::AscendingOrder);
    std::sort(pages.begin(), pages.end(), [](QGraphicsItem *a, QGraphicsItem *b) { return a->y() < b->y(); });
    if (page > pages.size())
        return QImage();
    QGraphicsItem *item = pages.at(page - 1);
    // The page item's box holds its shadow around the paper.
    const QRectF bounds = item->boundingRect();
    const double shadow = -bounds.left();
    const QRectF paper(item->pos(), bounds.size() - QSizeF(2 * shadow, 2 * shadow));
    QImage image(size, QImage::Format_Grayscale8);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
    view->scene()->render(&painter, QRectF(QPointF(0, 0), QSizeF(size)), paper);
    painter.end();
    return image;
}

// The share of one image's dark pixels with no dark pixel within a pixel of them in the other:
// edges drawn a shade apart by two rasterisers do not count, a character on the other side does.
double unmatched(const QImage &from, const QImage &to)
{
    qint64 ink = 0, alone = 0;
    for (int y = 0; y < from.height(); ++y) {
        const uchar *a = from.constScanLine(y);
        for (int x = 0; x < from.width(); ++x) {
            if (a[x] >= 96)
                continue;
            ++ink;
            bool matched = false;
            for (int dy = -1; dy <= 1 && !matched; ++dy) {
                if (y + dy < 0 || y + dy >= to.height())
                    continue;
                const uchar *b = to.constScanLine(y + dy);
                for (int dx = -1; dx <= 1 && !matched; ++dx)
                    matched = x + dx >= 0 && x + dx < to.width() && b[x + dx] < 160;
            }
            alone += matched ? 0 : 1;
        }
    }
    return ink ? double(alone) / double(ink) : 1.0;
}

double mismatch(const QImage &paper, const QImage &shown)
{
    return qMax(unmatched(paper, shown), unmatched(shown, paper));
}

QVariant reportCell(int row, int column)
{
    switch (column) {
    case 0:
        return double(row + 1);
    case 1:
        return QStringLiteral("نام: علي رضايي");
    case 2:
        return QStringLiteral("Huawei P30");
    case 6:
        return QStringLiteral("- ال سي دي (اصلي) :");
    case 7:
        return 12500000.0;
    default:
        return QStringLiteral("تحويل شده");
    }
}

} // namespace

class tst_PrintSurface : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { RunOptions::printToPdfFolder.clear(); }

    void pdfNumbering_data();
    void pdfNumbering();
    void eachJobIsItsOwnFile();
    void endingRightAfterNewPageAddsNoPage();
    void persianTextIsExtractable();
    void noPrinterIsAFailureNotAWait();
    void unwritableFolderFails();
    void faceFollowsControls();
    void recorderFailsFromTheGivenCall();
    void previewShowsThePaper_data();
    void previewShowsThePaper();
};

void tst_PrintSurface::pdfNumbering_data()
{
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QString>("next");
    QTest::newRow("empty folder") << QStringList() << "0001.pdf";
    QTest::newRow("numbering goes on") << QStringList{"0001.pdf", "0003.pdf"} << "0004.pdf";
    QTest::newRow("other files ignored") << QStringList{"report.pdf", "0002.txt", "12.pdf"} << "0013.pdf";
    QTest::newRow("past four digits") << QStringList{"9999.pdf"} << "10000.pdf";
}

void tst_PrintSurface::pdfNumbering()
{
    QFETCH(QStringList, existing);
    QFETCH(QString, next);
    QTemporaryDir dir;
    for (const QString &name : existing) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QCOMPARE(QFileInfo(PagePrintSurface::nextPdfFileName(dir.path())).fileName(), next);
}

void tst_PrintSurface::eachJobIsItsOwnFile()
{
    QTemporaryDir dir;
    RunOptions::printToPdfFolder = dir.path();
    PagePrintSurface surface;
    QVERIFY(surface.endDoc()); // nothing printed: no job, no file
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 0);

    for (int job = 0; job < 2; ++job) {
        QVERIFY(surface.setFontSize(10));
        QVERIFY(surface.setPosition(1000, 1000));
        QVERIFY(surface.printText(QStringLiteral("copy %1").arg(job + 1)));
        QVERIFY(surface.drawLine({800, 1000}, {11000, 1000}));
        QVERIFY(surface.endDoc());
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), (QStringList{"0001.pdf", "0002.pdf"}));
    QCOMPARE(pageCount(dir.filePath("0001.pdf")), 1);
}

void tst_PrintSurface::endingRightAfterNewPageAddsNoPage()
{
    QTemporaryDir dir;
    RunOptions::printToPdfFolder = dir.path();
    PagePrintSurface surface;
    QVERIFY(surface.printText(QStringLiteral("page one")));
    QVERIFY(surface.newPage());
    QVERIFY(surface.printText(QStringLiteral("page two")));
    QVERIFY(surface.newPage());
    QVERIFY(surface.endDoc());
    QCOMPARE(pageCount(dir.filePath("0001.pdf")), 2);
}

void tst_PrintSurface::persianTextIsExtractable()
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext is not installed");
    QTemporaryDir dir;
    RunOptions::printToPdfFolder = dir.path();
    PagePrintSurface surface;
    const QString persian = QStringLiteral("تاريخ گزارش گيري");
    QVERIFY(surface.setPosition(1000, 1000));
    QVERIFY(surface.printText(persian));
    QVERIFY(surface.setPosition(1000, 2000));
    QVERIFY(surface.printText(QStringLiteral("Receipt 1500")));
    QVERIFY(surface.endDoc());
    const QString text = pdfText(dir.filePath("0001.pdf"));
    QVERIFY2(text.contains(persian.normalized(QString::NormalizationForm_KC)), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("Receipt 1500")), qPrintable(text));
}

void tst_PrintSurface::noPrinterIsAFailureNotAWait()
{
    if (!QPrinterInfo::defaultPrinter().isNull())
        QSKIP("this machine has a default printer");
    PagePrintSurface surface;
    QVERIFY(!surface.printText(QStringLiteral("x")));
    QVERIFY(!surface.lastError().isEmpty());
    QVERIFY(!surface.printForm(nullptr));
    QVERIFY(surface.endDoc()); // nothing was begun
}

void tst_PrintSurface::unwritableFolderFails()
{
    QTemporaryDir dir;
    RunOptions::printToPdfFolder = dir.filePath(QStringLiteral("missing/deeper"));
    PagePrintSurface surface;
    QLabel window(QStringLiteral("x"));
    QVERIFY(!surface.printForm(&window));
    QVERIFY(!surface.lastError().isEmpty());
}

void tst_PrintSurface::faceFollowsControls()
{
    QWidget window;
    window.setLayoutDirection(Qt::RightToLeft);
    auto *shown = new QLineEdit(QStringLiteral("نام:علي"), &window);
    shown->setObjectName(QStringLiteral("Text5"));
    shown->setAlignment(Qt::AlignRight | Qt::AlignAbsolute);
    QFont font = shown->font();
    font.setPointSizeF(11.25);
    shown->setFont(font);
    Twips::place(shown, 7560, 2715, 3375, 360);
    auto *hidden = new QLabel(QStringLiteral("hidden"), &window);
    hidden->setObjectName(QStringLiteral("Label9"));
    hidden->hide();
    auto *leading = new QLabel(QStringLiteral("ساعت:"), &window);
    leading->setObjectName(QStringLiteral("Label3"));
    leading->setAlignment(Qt::AlignLeft); // leading edge: the right in a right-to-left window
    auto *shape = new RoundedShape(&window);
    shape->setObjectName(QStringLiteral("Shape1"));
    Twips::place(shape, 360, 240, 10935, 1575);

    const QList<FaceItem> face = WindowFace::describe(&window);
    QStringList names;
    for (const FaceItem &item : face)
        names << item.name;
    QCOMPARE(names, (QStringList{"Text5", "Label3", "Shape1"}));

    const FaceItem &text = face.at(0);
    QCOMPARE(text.text, QStringLiteral("نام:علي"));
    QCOMPARE(text.fontPoints, 11.25);
    QVERIFY(text.alignment & Qt::AlignRight);
    QVERIFY(text.rightToLeft);
    const double pixel = Twips::fromPixels(1);
    QVERIFY(qAbs(text.rect.top() - 2715) <= pixel);
    QVERIFY(qAbs(text.rect.right() - (7560 + 3375)) <= pixel + 30);
    QVERIFY(face.at(1).alignment & Qt::AlignRight);
    QCOMPARE(face.at(2).kind, FaceItem::Kind::Outline);
    QVERIFY(qAbs(face.at(2).rect.width() - 10935) <= pixel);
}

void tst_PrintSurface::recorderFailsFromTheGivenCall()
{
    RecordingSurface recorder;
    recorder.failFromCall(2, QStringLiteral("jammed"));
    QVERIFY(recorder.setFontSize(18));
    QVERIFY(recorder.printText(QStringLiteral("a")));
    QVERIFY(!recorder.endDoc());
    QCOMPARE(recorder.lastError(), QStringLiteral("jammed"));
    QCOMPARE(recorder.operations.size(), 2);
    QCOMPARE(recorder.operations.at(1).fontSize, 18.0);
}

void tst_PrintSurface::previewShowsThePaper_data()
{
    QTest::addColumn<QString>("document");
    QTest::addColumn<int>("pages");
    QTest::newRow("page receipt") << "page" << 1;
    QTest::newRow("80 mm receipt") << "roll" << 1;
    QTest::newRow("report") << "report" << 2;
}

void tst_PrintSurface::previewShowsThePaper()
{
    QFETCH(QString, document);
    QFETCH(int, pages);
    if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty())
        QSKIP("pdftoppm is not installed");
    QTemporaryDir data;
    Program::setDataFolder(data.path());
    QFile settings(QDir(data.path()).filePath(QStringLiteral("edit.txt")));
    QVERIFY(settings.open(QIODevice::WriteOnly));
    // Neutral characters at the edges of Persian runs: what a picture replay used to move.
    settings.write(QStringLiteral("1\r\nموبايل نگين\r\nرسيد تعمير دستگاه\r\nبه فروشگاه ما خوش آمديد\r\n"
                                  "- آموزش :\r\n- آموزش نرم افزار\r\n\r\n\r\n- دارنده اين قبض صاحب گوشي است\r\n"
                                  "آدرس تعميرگاه: تهران تلفن:021-66000000\r\n")
                       .toUtf8());
    settings.close();
    QTemporaryDir pdfs;
    RunOptions::printToPdfFolder = pdfs.path();

    PForm form;
    ReceiptJob job;
    job.number = 1234;
    job.name = QStringLiteral("علي رضايي");
    job.device = QStringLiteral("Huawei P30");
    job.dateIn = 1050917;
    job.minimumCharge = 450000;
    ReceiptPrinting::fill(form, job);
    form.setRollReceipt(document == QLatin1String("roll"));
    ReportTotals totals;
    for (int row = 0; row < 60; ++row)
        totals.addRow(12500000.0, 12500000.0);
    totals.finish(0.5f);
    const ReportPrinter::Header header{QStringLiteral("1405/09/18"), QStringLiteral("050901"), QStringLiteral("050930"),
                                       QStringLiteral("علي"), QStringLiteral("همه موارد")};
    const PrintPreview::Draw draw = [&](PrintSurface &surface, bool) {
        if (document != QLatin1String("report"))
            return form.printOn(surface);
        ReportPrinter printer(surface, header, totals);
        printer.setRows(60, reportCell);
        return printer.print() == ReportPrinter::Outcome::Printed;
    };

    // On paper, through the same drawing the print commands use.
    {
        PagePrintSurface paper;
        QVERIFY(draw(paper, false));
        QVERIFY(paper.endDoc());
    }
    const QString pdf = pdfs.filePath(QStringLiteral("0001.pdf"));
    QVERIFY(QFile::exists(pdf));
    // The preview the clerk opens: the receipt window's own, and the report's drawn alike.
    QPrintPreviewDialog *dialog =
        document == QLatin1String("report") ? PrintPreview::open(nullptr, draw) : form.previewFace();
    QVERIFY(dialog);
    for (int page = 1; page <= pages; ++page) {
        const QImage paper = pdfPage(pdf, page, 100);
        QVERIFY(!paper.isNull());
        const QImage shown = previewPage(dialog, page, paper.size());
        QVERIFY(!shown.isNull());
        const double differ = mismatch(paper, shown);
        if (!qEnvironmentVariableIsEmpty("VELMORA_KEEP_PREVIEW")) {
            paper.save(QStringLiteral("%1/%2-paper-%3.png")
                           .arg(qEnvironmentVariable("VELMORA_KEEP_PREVIEW"), document)
                           .arg(page));
            shown.save(QStringLiteral("%1/%2-preview-%3.png")
                           .arg(qEnvironmentVariable("VELMORA_KEEP_PREVIEW"), document)
                           .arg(page));
        }
        QVERIFY2(differ < 0.02, qPrintable(QStringLiteral("page %1: %2 of the ink differs").arg(page).arg(differ)));
    }
    dialog->close();
    RunOptions::printToPdfFolder.clear();
}

QTEST_MAIN(tst_PrintSurface)
#include "tst_printsurface.moc"
