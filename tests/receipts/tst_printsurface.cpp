#include "platform/RunOptions.h"
#include "platform/Twips.h"
#include "receipts/PagePrintSurface.h"
#include "receipts/RecordingSurface.h"
#include "receipts/RoundedShape.h"
#include "receipts/WindowFace.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
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

QTEST_MAIN(tst_PrintSurface)
#include "tst_printsurface.moc"
