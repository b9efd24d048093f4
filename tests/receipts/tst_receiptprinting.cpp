#include "jobstore/ProgramValues.h"
#include "platform/ErrorLog.h"
#include "platform/RunOptions.h"
#include "receipts/PForm.h"
#include "receipts/PrintSurface.h"
#include "receipts/ReceiptPrinting.h"
#include "receipts/RecordingSurface.h"
#include "solardate/Clock.h"
#include "solardate/Shamsi.h"
#include "support/Seams.h"

#include <QDir>
#include <QFile>
#include <QProcess>
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
    void printerFailure_data();
    void printerFailure();
    void pdfPerCopyWithExtractableText();
    void persianLinesAreRightToLeftOnPaper_data();
    void persianLinesAreRightToLeftOnPaper();

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
    QTest::newRow("no file") << QByteArray() << 0;
    QTest::newRow("empty copies line") << QByteArray("\r\nshop\r\n") << 0;
    QTest::newRow("one") << QByteArray("1\r\n") << 1;
    QTest::newRow("three") << QByteArray("3\r\nshop\r\n") << 3;
}

void tst_ReceiptPrinting::copies()
{
    QFETCH(QByteArray, file);
    QFETCH(int, copies);
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
    QVERIFY(m_seams->messages.isEmpty());
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

QTEST_MAIN(tst_ReceiptPrinting)
#include "tst_receiptprinting.moc"
