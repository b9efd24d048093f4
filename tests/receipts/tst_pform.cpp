// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/ProgramValues.h"
#include "platform/Twips.h"
#include "receipts/PForm.h"
#include "receipts/PrintSurface.h"
#include "receipts/ReceiptLayout.h"
#include "receipts/ReceiptSettings.h"
#include "receipts/RecordingSurface.h"
#include "receipts/TextFit.h"
#include "support/Seams.h"

#include <QAction>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPageLayout>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

namespace
{

const QString TitleDesign = QStringLiteral("رسيد تعمير دستگاه");

QByteArray fileBytes(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class tst_PForm : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void layout_data();
    void layout();
    void missingFileShowsDesignTextsAndIsCreatedAtClose();
    void copiesLine_data();
    void copiesLine();
    void shortFileKeepsLaterBoxes();
    void termsRoundTrip();
    void textsRoundTrip_data();
    void textsRoundTrip();
    void logoPickedKeptAndEmptied();
    void missingLogoStopsQuietly();
    void failedWriteIsToldAndTheWindowCloses();
    void focusSelectsTheWholeText();
    void ctrlQClosesAndSaves();
    void printMenuPrintsTheFaceWithTheCopies();
    void rollChoiceIsKeptBesideEditTxt();
    void previewShowsTheChosenReceipt_data();
    void previewShowsTheChosenReceipt();

private:
    QString editFile() const { return m_dir->filePath(QStringLiteral("edit.txt")); }
    void writeEditFile(const QByteArray &bytes)
    {
        QFile file(editFile());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Seams> m_seams;
};

void tst_PForm::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    Program::setDataFolder(m_dir->path());
    m_seams = std::make_unique<Seams>();
}

void tst_PForm::cleanup()
{
    Printer::setSurface(nullptr);
    m_seams.reset();
    m_dir.reset();
}

void tst_PForm::layout_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("twips");
    QTest::addColumn<double>("points");
    QTest::newRow("Shape1") << "Shape1" << QRect(360, 240, 10935, 1575) << 0.0;
    QTest::newRow("Text2") << "Text2" << QRect(500, 360, 1770, 375) << 9.0;
    QTest::newRow("Shamsi1") << "Shamsi1" << QRect(2520, 360, 1095, 375) << 0.0;
    QTest::newRow("Text1") << "Text1" << QRect(4080, 360, 3855, 495) << 15.75;
    QTest::newRow("Image1") << "Image1" << QRect(9120, 360, 1935, 1335) << 0.0;
    QTest::newRow("Text4") << "Text4" << QRect(480, 1920, 10695, 495) << 14.25;
    QTest::newRow("Text11") << "Text11" << QRect(7530, 3800, 3375, 360) << 9.0;
    QTest::newRow("Text12") << "Text12" << QRect(480, 4680, 4935, 1215) << 8.25;
    QTest::newRow("Frame1") << "Frame1" << QRect(480, 7080, 2055, 1000) << 8.25;
    QTest::newRow("Option3") << "Option3" << QRect(720, 7800, 1215, 255) << 8.25;
    QTest::newRow("Text18") << "Text18" << QRect(0, 7560, 11295, 500) << 11.25;
}

void tst_PForm::layout()
{
    QFETCH(QString, name);
    QFETCH(QRect, twips);
    QFETCH(double, points);
    PForm form;
    auto *control = form.findChild<QWidget *>(name);
    QVERIFY(control);
    QWidget *client = control->parentWidget();
    QCOMPARE(control->geometry(), Twips::rect(twips.x(), twips.y(), twips.width(), twips.height()));
    QCOMPARE(client->size(), Twips::rect(0, 0, 11685, 8220).size());
    if (points > 0)
        QCOMPARE(control->font().pointSizeF(), points);
    QCOMPARE(form.windowTitle(), QStringLiteral("Velmora 1.6"));
}

void tst_PForm::missingFileShowsDesignTextsAndIsCreatedAtClose()
{
    {
        PForm form;
        QCOMPARE(form.findChild<QLineEdit *>("Text3")->text(), TitleDesign);
        QCOMPARE(form.copiesOption(), 0);
        QCOMPARE(form.logoPath(), QString());
        form.show();
        form.close();
    }
    ReceiptSettings saved;
    QVERIFY(saved.read(editFile()));
    QCOMPARE(saved.count(), int(ReceiptSettings::FieldCount));
    QCOMPARE(saved.value(ReceiptSettings::Copies), QString());
    QCOMPARE(saved.value(ReceiptSettings::Title), TitleDesign);
    // The seven design lines of the terms each end with " - " and a line feed.
    const QString terms = saved.value(ReceiptSettings::Terms);
    QCOMPARE(terms.count(QStringLiteral(" - \n")), 7);
    QVERIFY(!terms.contains(QLatin1Char('\r')));
    QVERIFY(fileBytes(editFile()).endsWith("\r\n\r\n")); // empty logo path, then the line end
}

void tst_PForm::copiesLine_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("option");
    QTest::newRow("empty") << QByteArray("") << 0;
    QTest::newRow("1") << QByteArray("1") << 1;
    QTest::newRow("2") << QByteArray("2") << 2;
    QTest::newRow("3") << QByteArray("3") << 3;
    QTest::newRow("0") << QByteArray("0") << 0;
    QTest::newRow("4") << QByteArray("4") << 0;
    QTest::newRow("text") << QByteArray("two") << 0;
}

void tst_PForm::copiesLine()
{
    QFETCH(QByteArray, line);
    QFETCH(int, option);
    writeEditFile(line + "\r\nShop\r\n");
    {
        PForm form;
        QCOMPARE(form.copiesOption(), option);
        QCOMPARE(form.findChild<QLineEdit *>("Text1")->text(), QStringLiteral("Shop"));
        form.show();
        form.close();
    }
    ReceiptSettings saved;
    QVERIFY(saved.read(editFile()));
    QCOMPARE(saved.value(ReceiptSettings::Copies), option ? QString::number(option) : QString());
}

void tst_PForm::shortFileKeepsLaterBoxes()
{
    writeEditFile("2\r\nShop\r\nTitle");
    PForm form;
    QCOMPARE(form.copiesOption(), 2);
    QCOMPARE(form.findChild<QLineEdit *>("Text3")->text(), QStringLiteral("Title"));
    QCOMPARE(form.findChild<QLineEdit *>("Text4")->text(), QStringLiteral("دهه فجر بر فجرآفريننان مبارک"));
    QVERIFY(form.findChild<QPlainTextEdit *>("Text12")->toPlainText().startsWith(QStringLiteral("دارنده")));
}

void tst_PForm::termsRoundTrip()
{
    {
        PForm form;
        form.findChild<QPlainTextEdit *>("Text12")->setPlainText(QStringLiteral("a\nb"));
        form.show();
        form.close();
    }
    const QByteArray first = fileBytes(editFile());
    QVERIFY(first.contains("\r\na - \nb\r\n"));
    {
        PForm form;
        QCOMPARE(form.findChild<QPlainTextEdit *>("Text12")->toPlainText(), QStringLiteral("a - \nb"));
        form.show();
        form.close();
    }
    QCOMPARE(fileBytes(editFile()), first); // saving again changes nothing
}

void tst_PForm::textsRoundTrip_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("utf8");
    QTest::newRow("commas and quotes") << "Text19" << QStringLiteral("a, \"b\" ,c") << false;
    QTest::newRow("persian") << "Text1" << QStringLiteral("تعميرگاه موبايل") << false;
    QTest::newRow("persian yeh") << "Text1" << QStringLiteral("تعمیرگاه موبایل") << true;
    QTest::newRow("blanks kept") << "Text15" << QStringLiteral("       آدرس ") << false;
}

void tst_PForm::textsRoundTrip()
{
    QFETCH(QString, box);
    QFETCH(QString, text);
    QFETCH(bool, utf8);
    {
        PForm form;
        form.findChild<QLineEdit *>(box)->setText(text);
        form.show();
        form.close();
    }
    QCOMPARE(fileBytes(editFile()).startsWith("\xEF\xBB\xBF"), utf8);
    PForm form;
    QCOMPARE(form.findChild<QLineEdit *>(box)->text(), text);
}

void tst_PForm::logoPickedKeptAndEmptied()
{
    const QString logo = m_dir->filePath(QStringLiteral("logo.jpg"));
    QImage image(40, 20, QImage::Format_RGB32);
    image.fill(Qt::red);
    QVERIFY(image.save(logo, "JPG"));
    m_seams->fileNames << logo;
    {
        PForm form;
        form.show();
        QTest::mouseClick(form.findChild<QLabel *>("Image1"), Qt::LeftButton);
        QCOMPARE(form.logoPath(), logo);
        QVERIFY(!form.findChild<QLabel *>("Image1")->pixmap().isNull());
        form.close();
    }
    QCOMPARE(m_seams->dialogs.size(), 1);
    QVERIFY(m_seams->dialogs.first().filter.startsWith(QStringLiteral("*.jpg")));
    {
        PForm form;
        QCOMPARE(form.logoPath(), logo);
        QVERIFY(!form.findChild<QLabel *>("Image1")->pixmap().isNull());
        form.show();
        form.pickLogo(); // cancelled: the picture stays, the path is gone
        QVERIFY(!form.findChild<QLabel *>("Image1")->pixmap().isNull());
        QCOMPARE(form.logoPath(), QString());
        form.close();
    }
    PForm form;
    QVERIFY(form.findChild<QLabel *>("Image1")->pixmap().isNull());
}

void tst_PForm::missingLogoStopsQuietly()
{
    QByteArray bytes("3\r\n");
    for (int line = 2; line <= 13; ++line)
        bytes += "line" + QByteArray::number(line) + "\r\n";
    bytes += m_dir->filePath("gone.jpg").toUtf8() + "\r\n";
    writeEditFile(bytes);
    PForm form;
    QCOMPARE(form.findChild<QLineEdit *>("Text18")->text(), QStringLiteral("line13"));
    QCOMPARE(form.findChild<QPlainTextEdit *>("Text12")->toPlainText(), QStringLiteral("line9"));
    QVERIFY(form.findChild<QLabel *>("Image1")->pixmap().isNull());
    QVERIFY(m_seams->messages.isEmpty());
}

void tst_PForm::failedWriteIsToldAndTheWindowCloses()
{
    PForm form;
    form.show();
    Program::setDataFolder(m_dir->filePath(QStringLiteral("gone/away")));
    form.close();
    QVERIFY(!form.isVisible());
    QCOMPARE(m_seams->messages.size(), 1);
    QVERIFY(m_seams->messages.first().text.contains(QStringLiteral("edit.txt")));
    QCOMPARE(m_seams->messages.first().icon, MessageBox::Icon::Critical);
}

void tst_PForm::focusSelectsTheWholeText()
{
    PForm form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto *box = form.findChild<QLineEdit *>("Text16");
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, 5));
    QTRY_COMPARE(box->selectedText(), box->text());
    auto *terms = form.findChild<QPlainTextEdit *>("Text12");
    terms->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(terms->textCursor().selectedText().size(), terms->toPlainText().size());
    QCOMPARE(form.findChild<QLineEdit *>("Text5")->focusPolicy(), Qt::ClickFocus);
}

void tst_PForm::ctrlQClosesAndSaves()
{
    PForm form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.findChild<QLineEdit *>("Text3")->setText(QStringLiteral("Receipt"));
    QTest::keyClick(&form, Qt::Key_Q, Qt::ControlModifier);
    QVERIFY(!form.isVisible());
    ReceiptSettings saved;
    QVERIFY(saved.read(editFile()));
    QCOMPARE(saved.value(ReceiptSettings::Title), QStringLiteral("Receipt"));
}

void tst_PForm::printMenuPrintsTheFaceWithTheCopies()
{
    RecordingSurface recorder;
    Printer::setSurface(&recorder);
    PForm form;
    form.setCopiesOption(2);
    form.findChild<QAction *>("print")->trigger();
    QCOMPARE(recorder.operations.size(), 2);
    const RecordingSurface::Operation page = recorder.operations.first();
    QCOMPARE(page.windowName, QStringLiteral("PForm"));
    QCOMPARE(recorder.operations.last().kind, RecordingSurface::Operation::Kind::EndDoc);
    QCOMPARE(RecordingSurface::textOf(page, "Option2"), QStringLiteral("دو نسخه"));
    QVERIFY(RecordingSurface::itemOf(page, "Option2")->checked);
    QCOMPARE(RecordingSurface::textOf(page, "Frame1"), QStringLiteral("تعداد چاپ"));
    // The frame's line stops short of its caption: drawn with the frame or without it, the caption's
    // place on the page looks the same.
    QList<FaceItem> withoutFrame;
    QRectF caption;
    for (const FaceItem &item : page.face) {
        if (item.name == QLatin1String("Frame1") && item.kind == FaceItem::Kind::Text) {
            for (const QRectF &line : WindowFace::layOut(item).inkRects())
                caption |= line;
        }
        if (item.name != QLatin1String("Frame1") || item.kind != FaceItem::Kind::Outline)
            withoutFrame << item;
    }
    QVERIFY(withoutFrame.size() < page.face.size() && !caption.isEmpty());
    const auto drawn = [&caption](const QList<FaceItem> &items) {
        QImage image(caption.size().toSize() / 5, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.scale(0.2, 0.2);
        painter.translate(-caption.topLeft());
        WindowFace::paint(painter, items);
        return image;
    };
    QCOMPARE(drawn(page.face), drawn(withoutFrame));
    QCOMPARE(RecordingSurface::textOf(page, "Text3"), TitleDesign);
    const FaceItem *title = RecordingSurface::itemOf(page, "Text3");
    QVERIFY(qAbs(title->rect.top() - 960) <= Twips::fromPixels(1));
    QCOMPARE(title->fontPoints, 11.25);

    // A failing printer is ignored without a message.
    recorder.failFromCall(recorder.callCount());
    form.findChild<QAction *>("print")->trigger();
    QVERIFY(m_seams->messages.isEmpty());
}

void tst_PForm::rollChoiceIsKeptBesideEditTxt()
{
    const QString choiceFile = m_dir->filePath(QStringLiteral("receipt-layout.txt"));
    {
        PForm form;
        QVERIFY(!form.rollReceipt());
        form.show();
        form.close();
    }
    // An unchanged page receipt leaves no file behind.
    QVERIFY(!QFile::exists(choiceFile));
    {
        PForm form;
        auto *roll = form.findChild<QAction *>("roll80");
        QCOMPARE(roll->text(), QStringLiteral("رسيد 80 ميلي متري"));
        roll->trigger();
        form.show();
        form.close();
    }
    QCOMPARE(fileBytes(choiceFile), QByteArray("80mm\r\n"));
    // edit.txt keeps its fourteen lines.
    ReceiptSettings saved;
    QVERIFY(saved.read(editFile()));
    QCOMPARE(saved.count(), int(ReceiptSettings::FieldCount));
    PForm again;
    QVERIFY(again.rollReceipt());
    QCOMPARE(ReceiptLayout::read(choiceFile), ReceiptLayout::Kind::Roll80);

    // The device label's size, 50 x 30 until another is chosen, in a file of its own.
    const QString labelFile = m_dir->filePath(QStringLiteral("label-size.txt"));
    QCOMPARE(again.labelSize(), ReceiptLayout::LabelSize::Mm50x30);
    QVERIFY(!QFile::exists(labelFile));
    again.findChild<QAction *>("label40x25")->trigger();
    again.show();
    again.close();
    QCOMPARE(fileBytes(labelFile), QByteArray("40x25\r\n"));
    PForm third;
    QCOMPARE(third.labelSize(), ReceiptLayout::LabelSize::Mm40x25);
    QVERIFY(third.findChild<QAction *>("label40x25")->isChecked());
}

void tst_PForm::previewShowsTheChosenReceipt_data()
{
    QTest::addColumn<bool>("roll");
    QTest::newRow("page") << false;
    QTest::newRow("80 mm") << true;
}

void tst_PForm::previewShowsTheChosenReceipt()
{
    QFETCH(bool, roll);
    RecordingSurface recorder;
    Printer::setSurface(&recorder);
    PForm form;
    form.setRollReceipt(roll);
    auto *preview = form.findChild<QAction *>("preview");
    QCOMPARE(preview->text(), QStringLiteral("پيش نمايش چاپ"));
    preview->trigger();
    auto *dialog = form.findChild<QPrintPreviewDialog *>(QStringLiteral("PrintPreview"));
    QVERIFY(dialog);
    auto *pages = dialog->findChild<QPrintPreviewWidget *>();
    QVERIFY(pages);
    pages->updatePreview();
    QCOMPARE(pages->pageCount(), 1);
    const QSizeF paper = dialog->printer()->pageLayout().fullRect(QPageLayout::Millimeter).size();
    if (roll)
        QCOMPARE(qRound(paper.width()), 80);
    else
        QVERIFY(paper.width() > 200);
    // Previewing sends nothing to the printer.
    QVERIFY(recorder.operations.isEmpty());
    dialog->close();
    QTRY_VERIFY(!form.findChild<QPrintPreviewDialog *>());
}

QTEST_MAIN(tst_PForm)
#include "tst_pform.moc"
