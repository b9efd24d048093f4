// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/ProgramValues.h"
#include "platform/BidiText.h"
#include "platform/ErrorLog.h"
#include "platform/LatinDigits.h"
#include "platform/RunOptions.h"
#include "receipts/DeviceLabel.h"
#include "receipts/PForm.h"
#include "receipts/PrintSurface.h"
#include "receipts/ReceiptPrinting.h"
#include "receipts/ReceiptSettings.h"
#include "receipts/RecordingSurface.h"
#include "receipts/RollReceipt.h"
#include "receipts/TextFit.h"
#include "solardate/Clock.h"
#include "solardate/Shamsi.h"
#include "support/Seams.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using Kind = RecordingSurface::Operation::Kind;

class tst_ReceiptPrinting : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void wholeNumbers_data();
    void wholeNumbers();
    void dateText_data();
    void dateText();
    void contents();
    void emptyNameAndDeviceLeaveTheDesignTexts();
    void dateComesFromTheMainWindow();
    void copies_data();
    void copies();
    void settingsAreReadOnEveryPrint();
    void longTextsStayWhole_data();
    void longTextsStayWhole();
    void rollReceipt();
    void deviceLabel_data();
    void deviceLabel();
    void printerFailure_data();
    void printerFailure();
    void pdfPerCopyWithExtractableText();
    void persianLinesAreRightToLeftOnPaper_data();
    void persianLinesAreRightToLeftOnPaper();
    void numbersKeepTheirOrderOnPaper_data();
    void numbersKeepTheirOrderOnPaper();

private:
    void writeEditFile(const QByteArray &bytes)
    {
        QFile file(QDir(m_dir->path()).filePath(QStringLiteral("edit.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    static ReceiptJob sampleJob()
    {
        ReceiptJob job;
        job.number = 57;
        job.name = QStringLiteral("علي رضايي");
        job.device = QStringLiteral("Nokia 1100");
        job.dateIn = 920208;
        job.dateOut = 920211;
        job.minimumCharge = 1500;
        job.deposit = 200;
        job.accessories = QStringLiteral("شارژر");
        job.description = QStringLiteral("صفحه شکسته");
        return job;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Seams> m_seams;
    RecordingSurface *m_recorder = nullptr;
};

void tst_ReceiptPrinting::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    Program::setDataFolder(m_dir->path());
    m_seams = std::make_unique<Seams>();
    m_recorder = new RecordingSurface;
    Printer::setSurface(m_recorder);
}

void tst_ReceiptPrinting::cleanup()
{
    Printer::setSurface(nullptr);
    delete m_recorder;
    m_recorder = nullptr;
    m_seams.reset();
    m_dir.reset();
    RunOptions::printToPdfFolder.clear();
    Sorvan::Clock::reset();
}

void tst_ReceiptPrinting::wholeNumbers_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<qint64>("value");
    QTest::newRow("1500.5") << "1500.5" << qint64(1500);
    QTest::newRow("2500.5") << "2500.5" << qint64(2500);
    QTest::newRow("1501.5") << "1501.5" << qint64(1502);
    QTest::newRow("empty") << "" << qint64(0);
    QTest::newRow("text after the number") << "12abc" << qint64(12);
    QTest::newRow("persian digits") << QStringLiteral("۹۲۰۲۰۸") << qint64(920208);
    QTest::newRow("beyond 32 bits") << "5000000000" << qint64(5000000000);
}

void tst_ReceiptPrinting::wholeNumbers()
{
    QFETCH(QString, box);
    QFETCH(qint64, value);
    QCOMPARE(ReceiptJob::wholeNumber(box), value);
}

void tst_ReceiptPrinting::dateText_data()
{
    QTest::addColumn<qint64>("number");
    QTest::addColumn<QString>("text");
    QTest::newRow("920208") << qint64(920208) << "8/2/92";
    QTest::newRow("empty box") << qint64(0) << "0/0/0";
    QTest::newRow("year 1400") << qint64(105) << "5/1/0";
    QTest::newRow("month end") << qint64(921231) << "31/12/92";
}

void tst_ReceiptPrinting::dateText()
{
    QFETCH(qint64, number);
    QFETCH(QString, text);
    QCOMPARE(ReceiptJob::dateText(number), text);
}

void tst_ReceiptPrinting::contents()
{
    writeEditFile("1\r\nMy shop\r\n");
    ReceiptJob job = sampleJob();
    job.minimumCharge = ReceiptJob::wholeNumber(QStringLiteral("1501.5"));
    job.dateOut = 0;
    QVERIFY(ReceiptPrinting::print(nullptr, job));
    const QList<RecordingSurface::Operation> forms = m_recorder->forms();
    QCOMPARE(forms.size(), 1);
    const RecordingSurface::Operation &page = forms.first();
    QCOMPARE(page.windowName, QStringLiteral("PForm"));
    const QList<QPair<QString, QString>> expected{
        {"Text2", QStringLiteral("شماره:57")},
        {"Text5", QStringLiteral("نام:علي رضايي")},
        {"Text6", QStringLiteral("نام و مدل دستگاه:Nokia 1100")},
        {"Text10", QStringLiteral("تاريخ ورود به تعميرگاه:8/2/92")},
        {"Text11", QStringLiteral("تاريخ تحويل:0/0/0")},
        {"Text7", QStringLiteral("لوازم جانبي:شارژر")},
        {"Text8", QStringLiteral("حداقل هزينه:1502")},
        {"Text9", QStringLiteral("بيعانه:200")},
        {"Text13", QStringLiteral("توضيحات:صفحه شکسته")},
        {"Text1", QStringLiteral("My shop")},
        {"Text3", QStringLiteral("رسيد تعمير دستگاه")},
        {"Label3", QStringLiteral("ساعت:")},
    };
    for (const auto &[name, text] : expected)
        QCOMPARE(RecordingSurface::textOf(page, name), text);
    QVERIFY(RecordingSurface::textOf(page, "Label1").startsWith(QStringLiteral("تاريخ:")));
    QVERIFY(!RecordingSurface::textOf(page, "Label2").isEmpty());
    // The date control and the copies group stay off the paper.
    for (const QString &hidden : {"Frame1", "Option1", "Option2", "Option3", "Shamsi1", "Shamsi1.Label1"})
        QVERIFY2(!RecordingSurface::itemOf(page, hidden), qPrintable(hidden));
    QVERIFY(RecordingSurface::itemOf(page, "Shape1"));
    QVERIFY(RecordingSurface::itemOf(page, "Shape2"));
    QCOMPARE(m_recorder->operations.last().kind, Kind::EndDoc);
}

void tst_ReceiptPrinting::emptyNameAndDeviceLeaveTheDesignTexts()
{
    writeEditFile("1\r\n");
    ReceiptJob job = sampleJob();
    job.name.clear();
    job.device.clear();
    QVERIFY(ReceiptPrinting::print(nullptr, job));
    const RecordingSurface::Operation page = m_recorder->forms().first();
    QCOMPARE(RecordingSurface::textOf(page, "Text5"), QStringLiteral("نام:"));
    QCOMPARE(RecordingSurface::textOf(page, "Text6"), QStringLiteral("نام و مدل دستگاه:"));
}

void tst_ReceiptPrinting::dateComesFromTheMainWindow()
{
    writeEditFile("1\r\n");
    // Without a main window the receipt window's own control gives today's date.
    Sorvan::Clock::setNow(QDateTime(QDate(2013, 4, 28), QTime(9, 0)));
    QVERIFY(ReceiptPrinting::print(nullptr, sampleJob()));
    QCOMPARE(RecordingSurface::textOf(m_recorder->forms().last(), "Label1"), QStringLiteral("تاريخ:1392/02/08"));

    QWidget mainWindow;
    auto *shams = new Sorvan::Shamsi(&mainWindow);
    shams->setObjectName(QStringLiteral("Shams"));
    shams->setTarikh(QStringLiteral("1392/02/07")); // a main window left open past midnight
    QVERIFY(ReceiptPrinting::print(nullptr, sampleJob()));
    QCOMPARE(RecordingSurface::textOf(m_recorder->forms().last(), "Label1"), QStringLiteral("تاريخ:1392/02/07"));
}

void tst_ReceiptPrinting::copies_data()
{
    QTest::addColumn<QByteArray>("file"); // empty: no edit.txt at all
    QTest::addColumn<int>("copies");
    QTest::addColumn<QString>("message"); // how the clerk is told nothing prints; empty: not told
    // A fresh data folder: edit.txt is made from the settings window's texts and the clerk told so.
    QTest::newRow("no file") << QByteArray() << 0 << QStringLiteral("فايل تنظيمات رسيد (");
    QTest::newRow("empty copies line") << QByteArray("\r\nshop\r\n") << 0
                                       << QStringLiteral("در تنظيمات رسيد تعداد نسخه انتخاب نشده است");
    QTest::newRow("one") << QByteArray("1\r\n") << 1 << QString();
    QTest::newRow("three") << QByteArray("3\r\nshop\r\n") << 3 << QString();
    QTest::newRow("garbled") << QByteArray("\xD1\xD3\r\nshop\r\n") << 0
                             << QStringLiteral("سطر اول فايل edit.txt (تعداد نسخه) «رس»");
    // The number still prints as many copies as it says; the clerk is told it is out of range.
    QTest::newRow("four") << QByteArray("4\r\n") << 4
                          << QStringLiteral("سطر اول فايل edit.txt (تعداد نسخه) «4» است و بايد 1، 2 يا 3 باشد؛ 4 نسخه");
    QTest::newRow("utf-8 without a mark") << QStringLiteral("2\r\nفروشگاه\r\n").toUtf8() << 2 << QString();
}

void tst_ReceiptPrinting::copies()
{
    QFETCH(QByteArray, file);
    QFETCH(int, copies);
    QFETCH(QString, message);
    if (!file.isEmpty())
        writeEditFile(file);
    QVERIFY(ReceiptPrinting::print(nullptr, sampleJob()));
    // Each copy is a job of its own: its page, then the end of the document.
    QList<Kind> expected;
    for (int copy = 0; copy < copies; ++copy)
        expected << Kind::Form << Kind::EndDoc;
    QList<Kind> kinds;
    for (const RecordingSurface::Operation &operation : m_recorder->operations)
        kinds << operation.kind;
    QCOMPARE(kinds, expected);
    if (message.isEmpty()) {
        QVERIFY(m_seams->messages.isEmpty());
    } else {
        QCOMPARE(m_seams->messages.size(), 1);
        QVERIFY2(m_seams->messages[0].text.startsWith(message), qPrintable(m_seams->messages[0].text));
    }
    if (copies == 2)
        QCOMPARE(RecordingSurface::textOf(m_recorder->forms().first(), "Text1"), QStringLiteral("فروشگاه"));
    if (file.isEmpty()) {
        ReceiptSettings made;
        QVERIFY(made.read(ReceiptSettings::defaultFileName()));
        QCOMPARE(made.count(), int(ReceiptSettings::FieldCount));
        QCOMPARE(made.value(ReceiptSettings::Title), QStringLiteral("رسيد تعمير دستگاه"));
        QVERIFY(m_seams->messages[0].text.contains(QDir::toNativeSeparators(m_dir->path())));
    }
}

void tst_ReceiptPrinting::settingsAreReadOnEveryPrint()
{
    writeEditFile("1\r\nFirst shop\r\n");
    QVERIFY(ReceiptPrinting::print(nullptr, sampleJob()));
    writeEditFile("2\r\nSecond shop\r\n");
    QVERIFY(ReceiptPrinting::print(nullptr, sampleJob()));
    const QList<RecordingSurface::Operation> forms = m_recorder->forms();
    QCOMPARE(forms.size(), 3);
    QCOMPARE(RecordingSurface::textOf(forms.at(0), "Text1"), QStringLiteral("First shop"));
    QCOMPARE(RecordingSurface::textOf(forms.at(2), "Text1"), QStringLiteral("Second shop"));
}

namespace
{

ReceiptJob realisticJob()
{
    ReceiptJob job;
    job.number = 1234;
    job.name = QStringLiteral("محمدرضا عبدالحسين زاده قاضي جهانگيري");
    job.device = QStringLiteral("گوشی سامسونگ گلکسی اس ۲۳ اولترا");
    job.dateIn = 1050917;
    job.dateOut = 1050920;
    job.minimumCharge = 450000;
    job.deposit = 200000;
    job.accessories = QStringLiteral("شارژر، قاب، کارت حافظه، سیم کارت");
    job.description = QStringLiteral("صفحه نمايش شکسته و دکمه پاور کار نمي کند؛ باتري");
    return job;
}

QString withoutBlanks(QString text)
{
    text.remove(QRegularExpression(QStringLiteral("\\s")));
    return text;
}

// Every character of the control's text is on one of its lines, every line inside the box.
void verifyWhole(const FaceItem &item)
{
    const FittedText fitted = WindowFace::layOut(item);
    QVERIFY2(fitted.fits, qPrintable(item.name));
    QVERIFY(fitted.points >= TextFit::SmallestPoints);
    QVERIFY(fitted.points <= item.fontPoints);
    QString drawn;
    for (const FittedText::Line &line : fitted.lines) {
        drawn += line.text;
        // Qt places a right-aligned line to within a fraction of a point.
        QVERIFY2(item.rect.adjusted(-5, -5, 5, 5).contains(line.rect),
                 qPrintable(QStringLiteral("%1: %2").arg(item.name, line.text)));
    }
    QCOMPARE(withoutBlanks(withoutIsolates(drawn)), withoutBlanks(LatinDigits::of(item.text)));
}

} // namespace

void tst_ReceiptPrinting::longTextsStayWhole_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("expected"); // after the control's label
    const ReceiptJob job = realisticJob();
    QTest::newRow("name") << "Text5" << job.name;
    QTest::newRow("device") << "Text6" << job.device;
    QTest::newRow("accessories") << "Text7" << job.accessories;
    QTest::newRow("description") << "Text13" << job.description;
    QTest::newRow("terms") << "Text12" << QStringLiteral("مشتري انجام مي دهد");
    QTest::newRow("short text keeps its size") << "Text8" << QStringLiteral("450000");
}

void tst_ReceiptPrinting::longTextsStayWhole()
{
    QFETCH(QString, control);
    QFETCH(QString, expected);
    writeEditFile("1\r\n");
    QVERIFY(ReceiptPrinting::print(nullptr, realisticJob()));
    const FaceItem *item = RecordingSurface::itemOf(m_recorder->forms().first(), control);
    QVERIFY(item);
    QVERIFY(item->text.contains(expected));
    verifyWhole(*item);
    if (control == QLatin1String("Text8"))
        QCOMPARE(WindowFace::layOut(*item).points, item->fontPoints);
}

void tst_ReceiptPrinting::rollReceipt()
{
    writeEditFile("1\r\n");
    QFile choice(QDir(m_dir->path()).filePath(QStringLiteral("receipt-layout.txt")));
    QVERIFY(choice.open(QIODevice::WriteOnly));
    choice.write("80mm\r\n");
    choice.close();
    QVERIFY(ReceiptPrinting::print(nullptr, realisticJob()));
    QCOMPARE(m_recorder->count(Kind::Roll), 1);
    QCOMPARE(m_recorder->count(Kind::Form), 0);
    const RecordingSurface::Operation roll = m_recorder->forms().first();

    // 80 mm paper, a 72 mm column centred on it, and the page as long as what is on it.
    QCOMPARE(qRound(roll.page.width() / 1440 * 25.4), 80);
    const QRectF column((roll.page.width() - RollReceipt::ColumnTwips) / 2, 0, RollReceipt::ColumnTwips,
                        roll.page.height());
    QCOMPARE(qRound(column.width() / 1440 * 25.4), 72);
    double bottom = 0;
    for (const FaceItem &item : roll.face) {
        QVERIFY2(column.adjusted(-1, 0, 1, 0).contains(item.rect), qPrintable(item.name));
        bottom = qMax(bottom, item.rect.bottom());
        if (item.kind == FaceItem::Kind::Text)
            verifyWhole(item);
    }
    QVERIFY(roll.page.height() > bottom && roll.page.height() < bottom + 1000);

    // The shop name and number large at the top, then the number's barcode.
    QCOMPARE(roll.face[0].name, QStringLiteral("Text1"));
    const FaceItem *number = RecordingSurface::itemOf(roll, "Text2");
    QCOMPARE(number->text, QStringLiteral("شماره:1234"));
    QVERIFY(number->fontPoints >= 14 && number->bold);
    const FaceItem *bars = RecordingSurface::itemOf(roll, "Barcode");
    QVERIFY(bars);
    QCOMPARE(bars->kind, FaceItem::Kind::Bars);
    QCOMPARE(bars->text, QStringLiteral("1234"));
    QVERIFY(bars->rect.top() > number->rect.bottom());
    // Code 128: start, two digit pairs, check and stop symbols, three bars each, the stop four.
    QCOMPARE(bars->bars.size(), 3 * 4 + 4);
    double narrowest = bars->rect.width();
    for (const QRectF &bar : bars->bars) {
        QVERIFY(bars->rect.adjusted(-0.5, -0.5, 0.5, 0.5).contains(bar));
        narrowest = qMin(narrowest, bar.width());
    }
    QCOMPARE(qRound(narrowest), 20);
    for (const QString &name : {"Text5", "Text6", "Text7", "Text13", "Text12", "Text18"})
        QVERIFY2(RecordingSurface::itemOf(roll, name), qPrintable(name));
}

void tst_ReceiptPrinting::deviceLabel_data()
{
    QTest::addColumn<QByteArray>("sizeFile"); // label-size.txt; empty: none
    QTest::addColumn<QSizeF>("millimetres");
    QTest::addColumn<bool>("longTexts");
    QTest::addColumn<int>("bars"); // Code 128: three bars a symbol, the stop four
    QTest::newRow("no choice: 50 x 30") << QByteArray() << QSizeF(50, 30) << false << 3 * 3 + 4;
    QTest::newRow("40 x 25, long name and model") << QByteArray("40x25\r\n") << QSizeF(40, 25) << true << 3 * 4 + 4;
    QTest::newRow("60 x 40") << QByteArray("60x40\r\n") << QSizeF(60, 40) << true << 3 * 4 + 4;
    QTest::newRow("unknown size") << QByteArray("70x50\r\n") << QSizeF(50, 30) << false << 3 * 3 + 4;
}

void tst_ReceiptPrinting::deviceLabel()
{
    QFETCH(QByteArray, sizeFile);
    QFETCH(QSizeF, millimetres);
    QFETCH(bool, longTexts);
    QFETCH(int, bars);
    if (!sizeFile.isEmpty()) {
        QFile choice(QDir(m_dir->path()).filePath(QStringLiteral("label-size.txt")));
        QVERIFY(choice.open(QIODevice::WriteOnly));
        choice.write(sizeFile);
    }
    const ReceiptJob job = longTexts ? realisticJob() : sampleJob();
    QVERIFY(DeviceLabel::print(nullptr, job));
    QCOMPARE(m_recorder->count(Kind::Roll), 1);
    QCOMPARE(m_recorder->operations.last().kind, Kind::EndDoc);
    const RecordingSurface::Operation label = m_recorder->forms().first();
    QCOMPARE(QSizeF(label.page / 1440 * 25.4).toSize(), millimetres.toSize());

    // The barcode reads the receipt number, with room for a scanner's quiet zone on both sides.
    const FaceItem *barcode = RecordingSurface::itemOf(label, "Barcode");
    QVERIFY(barcode);
    QCOMPARE(barcode->text, QString::number(job.number));
    QCOMPARE(barcode->bars.size(), bars);
    QVERIFY(barcode->rect.left() >= 300 && label.page.width() - barcode->rect.right() >= 300);
    QVERIFY(barcode->rect.height() >= 5 * 1440 / 25.4);
    for (const QRectF &bar : barcode->bars)
        QVERIFY(bar.width() >= 15); // two dots of a 203 dpi head at the least

    // The number under it, then name, model and the whole date in; nothing off the label.
    QCOMPARE(RecordingSurface::textOf(label, "Number"), QString::number(job.number));
    QCOMPARE(RecordingSurface::textOf(label, "Name"), job.name);
    QCOMPARE(RecordingSurface::textOf(label, "Device"), job.device);
    QCOMPARE(RecordingSurface::textOf(label, "DateIn"),
             QStringLiteral("ورود: ") + (longTexts ? QStringLiteral("1405/09/17") : QStringLiteral("1392/02/08")));
    const QRectF page(QPointF(0, 0), label.page);
    for (const FaceItem &item : label.face) {
        QVERIFY2(page.adjusted(100, 100, -100, -100).contains(item.rect), qPrintable(item.name));
        if (item.kind == FaceItem::Kind::Text) {
            QVERIFY(item.rect.top() >= barcode->rect.bottom());
            verifyWhole(item);
        }
    }
}

void tst_ReceiptPrinting::printerFailure_data()
{
    QTest::addColumn<int>("failFrom");
    QTest::addColumn<int>("printedJobs");
    QTest::newRow("no printer") << 0 << 0;
    QTest::newRow("second copy refused") << 2 << 1;
    QTest::newRow("first job not sent") << 1 << 0;
}

void tst_ReceiptPrinting::printerFailure()
{
    QFETCH(int, failFrom);
    QFETCH(int, printedJobs);
    writeEditFile("3\r\n");
    m_recorder->failFromCall(failFrom);
    QVERIFY(!ReceiptPrinting::print(nullptr, sampleJob()));
    QCOMPARE(m_seams->messageTexts(), QStringList{QStringLiteral("خطاي ارسال به پرينتر")});
    QFile log(ErrorLog::filePath());
    QVERIFY(log.open(QIODevice::ReadOnly));
    QVERIFY(log.readAll().contains("The printer is not ready."));
    QCOMPARE(m_recorder->count(Kind::EndDoc), printedJobs);
    // The remaining copies were skipped: one failed call and nothing after it.
    QCOMPARE(m_recorder->callCount(), failFrom + 1);
}

void tst_ReceiptPrinting::pdfPerCopyWithExtractableText()
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext is not installed");
    Printer::setSurface(nullptr);
    QTemporaryDir pdfs;
    RunOptions::printToPdfFolder = pdfs.path();
    writeEditFile("2\r\nMy shop\r\n");
    QVERIFY(ReceiptPrinting::print(nullptr, sampleJob()));
    QCOMPARE(QDir(pdfs.path()).entryList(QDir::Files), (QStringList{"0001.pdf", "0002.pdf"}));

    QProcess process;
    process.start(QStringLiteral("pdftotext"), {pdfs.filePath("0002.pdf"), QStringLiteral("-")});
    QVERIFY(process.waitForFinished(20000));
    const QString text = QString::fromUtf8(process.readAllStandardOutput()).normalized(QString::NormalizationForm_KC);
    for (const QString &expected : {QStringLiteral("My shop"), QStringLiteral("علي رضايي"), QStringLiteral("8/2/92"),
                                    QStringLiteral("رسيد تعمير دستگاه")})
        QVERIFY2(text.contains(expected.normalized(QString::NormalizationForm_KC)), qPrintable(expected));
}

void tst_ReceiptPrinting::persianLinesAreRightToLeftOnPaper_data()
{
    QTest::addColumn<int>("line"); // of edit.txt
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("rightToLeft");
    QTest::newRow("centred greeting") << 4 << "Text4" << QStringLiteral("به فروشگاه ما خوش آمدید!") << true;
    QTest::newRow("quoted shop name") << 2 << "Text1" << QStringLiteral("\"موبايل نگين\"") << true;
    QTest::newRow("title starting in Latin") << 3 << "Text3" << QStringLiteral("LG رسيد") << true;
    QTest::newRow("web address") << 13 << "Text18" << QStringLiteral("www.negin.ir/") << false;
}

void tst_ReceiptPrinting::persianLinesAreRightToLeftOnPaper()
{
    QFETCH(int, line);
    QFETCH(QString, control);
    QFETCH(QString, text);
    QFETCH(bool, rightToLeft);
    QStringList lines(13, QString());
    lines[0] = QStringLiteral("1");
    lines[line - 1] = text.replace(QChar(0x06CC), QChar(0x064A)); // edit.txt holds the Arabic yeh
    QStringEncoder encoder("windows-1256");
    writeEditFile(encoder.encode(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")));
    QVERIFY(!encoder.hasError());

    QVERIFY(ReceiptPrinting::print(nullptr, sampleJob()));
    const FaceItem *item = RecordingSurface::itemOf(m_recorder->forms().first(), control);
    QVERIFY(item);
    QCOMPARE(item->text, text);
    QCOMPARE(item->rightToLeft, rightToLeft);
}

void tst_ReceiptPrinting::numbersKeepTheirOrderOnPaper_data()
{
    QTest::addColumn<bool>("roll");
    QTest::addColumn<QString>("line"); // the repair-shop address line of edit.txt
    QTest::addColumn<QString>("number");
    for (const bool roll : {false, true}) {
        const char *kind = roll ? "80 mm" : "page";
        QTest::addRow("%s: phone", kind) << roll << QStringLiteral("تلفن:021-66000000") << "021-66000000";
        QTest::addRow("%s: two phones", kind)
            << roll << QStringLiteral("آدرس: تهران تلفن:021-66110000-021-66110001") << "021-66110000-021-66110001";
        QTest::addRow("%s: mobile", kind)
            << roll << QStringLiteral("همراه: +98 912 123 4567 (آقاي رضايي)") << "+98 912 123 4567";
    }
}

void tst_ReceiptPrinting::numbersKeepTheirOrderOnPaper()
{
    QFETCH(bool, roll);
    QFETCH(QString, line);
    QFETCH(QString, number);
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext is not installed");
    Printer::setSurface(nullptr);
    QTemporaryDir pdfs;
    RunOptions::printToPdfFolder = pdfs.path();
    QStringList lines(10, QString());
    lines[0] = QStringLiteral("1");
    lines[9] = line;
    writeEditFile(lines.join(QStringLiteral("\r\n")).toUtf8() + "\r\n");
    if (roll) {
        QFile choice(QDir(m_dir->path()).filePath(QStringLiteral("receipt-layout.txt")));
        QVERIFY(choice.open(QIODevice::WriteOnly));
        choice.write("80mm\r\n");
    }
    QVERIFY(ReceiptPrinting::print(nullptr, sampleJob()));

    // The words on the page from left to right, as a reader's eye meets them.
    QProcess process;
    process.start(QStringLiteral("pdftotext"),
                  {QStringLiteral("-bbox"), pdfs.filePath("0001.pdf"), QStringLiteral("-")});
    QVERIFY(process.waitForFinished(20000));
    const QString html = QString::fromUtf8(process.readAllStandardOutput());
    static const QRegularExpression word(
        QStringLiteral("<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\"[^>]*>([^<]*)</word>"));
    QMap<QPair<int, double>, QString> byPlace;
    for (auto match = word.globalMatch(html); match.hasNext();) {
        const QRegularExpressionMatch m = match.next();
        byPlace.insert({qRound(m.captured(2).toDouble()), m.captured(1).toDouble()}, m.captured(3));
    }
    QString page;
    int lineY = -1;
    for (auto it = byPlace.cbegin(); it != byPlace.cend(); ++it) {
        page += (it.key().first == lineY ? QStringLiteral(" ") : QStringLiteral("\n")) + it.value();
        lineY = it.key().first;
    }
    QVERIFY2(page.contains(number), qPrintable(page));
}

QTEST_MAIN(tst_ReceiptPrinting)
#include "tst_receiptprinting.moc"
