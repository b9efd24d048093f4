// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/BidiText.h"
#include "platform/OrderedLineEdit.h"
#include "platform/OwnDirectionDelegate.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QTextLayout>
#include <QtTest>

namespace
{

// Where the caret stands after each character of `shown` on a right-to-left line.
QList<qreal> carets(const QString &shown)
{
    QTextLayout layout(shown, QApplication::font());
    QTextOption option;
    option.setTextDirection(Qt::RightToLeft);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setLineWidth(10000);
    layout.endLayout();
    QList<qreal> xs;
    for (int i = 0; i <= shown.size(); ++i)
        xs << line.cursorToX(i);
    return xs;
}

// The characters of `part` inside `shown` stand left to right in their typed order: the caret
// moves right between each two of them. (At the run's ends the caret's place is ambiguous.)
bool readsLeftToRight(const QString &shown, const QString &part)
{
    const qsizetype at = shown.indexOf(part);
    if (at < 0)
        return false;
    const QList<qreal> xs = carets(shown);
    for (qsizetype i = at + 2; i < at + part.size(); ++i) {
        if (xs[i] <= xs[i - 1])
            return false;
    }
    return true;
}

// The lines a box as narrow as `width` wraps `shown` onto, and the line each character of `shown` takes.
QList<int> linesOf(const QString &shown, qreal width)
{
    QTextLayout layout(shown, QApplication::font());
    QTextOption option;
    option.setTextDirection(Qt::RightToLeft);
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine())
        line.setLineWidth(width);
    layout.endLayout();
    QList<int> lines;
    for (int i = 0; i < shown.size(); ++i)
        lines << layout.lineForTextPosition(i).lineNumber();
    return lines;
}

// What a clerk who copies the message gets back: the text as written.
QString asWritten(QString shown)
{
    shown = withoutIsolates(shown);
    shown.remove(QChar(0x2060));
    shown.replace(QChar(0x00A0), u' ');
    return shown;
}

} // namespace

// Numbers and Latin runs inside Persian lines, and cells of a right-to-left grid, keep their own
// left-to-right order on screen.
class TestBidiText : public QObject
{
    Q_OBJECT

private slots:
    void keepsItsOrder_data();
    void keepsItsOrder();
    void gridCells_data();
    void gridCells();
    void cutLatinTextEndsWithTheEllipsisOnItsRight();
    void pathsStayOnOneLine_data();
    void pathsStayOnOneLine();
};

void TestBidiText::keepsItsOrder_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("part");
    QTest::newRow("phone") << QStringLiteral("تلفن:021-66000000") << "021-66000000";
    QTest::newRow("two phones") << QStringLiteral("تلفن:021-66110000-021-66110001") << "021-66110000-021-66110001";
    QTest::newRow("mobile") << QStringLiteral("همراه +98 912 123 4567 آقاي رضايي") << "+98 912 123 4567";
    QTest::newRow("model") << QStringLiteral("گوشي Samsung Galaxy S23 Ultra را آورد") << "Samsung Galaxy S23 Ultra";
    QTest::newRow("date") << QStringLiteral("تاريخ تحويل:8/2/92") << "8/2/92";
    QTest::newRow("phone in a description") << QStringLiteral("تماس 0912-1234567 عصر") << "0912-1234567";
    QTest::newRow("warranty phone") << QStringLiteral("گارانتي 021-66000000") << "021-66000000";
    QTest::newRow("path in a message") << QStringLiteral("فايل edit.txt در /home/shop/Velmora ساخته شد")
                                       << "/home/shop/Velmora";
}

void TestBidiText::keepsItsOrder()
{
    QFETCH(QString, text);
    QFETCH(QString, part);
    const QString shown = isolateLeftToRightRuns(text);
    QVERIFY2(readsLeftToRight(shown, part), qPrintable(shown));
    QCOMPARE(withoutIsolates(shown), text);
    if (part.contains(u'-'))
        QVERIFY2(!readsLeftToRight(text, part), "the plain text reads reversed: nothing was tested");

    // A job window's boxes, one line and wrapping, draw it so while holding the text as typed.
    OrderedLineEdit line;
    WrappingLineEdit wrapping;
    for (OrderedLineEdit *box : {&line, static_cast<OrderedLineEdit *>(&wrapping)}) {
        box->setLayoutDirection(Qt::RightToLeft);
        box->setAlignment(Qt::AlignRight | Qt::AlignAbsolute | Qt::AlignVCenter);
        box->resize(2000, 60);
        box->setText(text);
        QCOMPARE(box->text(), text);
        const qsizetype at = text.indexOf(part);
        for (qsizetype i = at + 2; i < at + part.size(); ++i)
            QVERIFY2(box->cursorX(int(i)) > box->cursorX(int(i - 1)), qPrintable(QString::number(i)));
    }
}

void TestBidiText::pathsStayOnOneLine_data()
{
    QTest::addColumn<QString>("message"); // %1 stands for the path
    QTest::addColumn<QString>("path");
    QTest::newRow("hyphen and slashes") << QStringLiteral("برنامه Velmora هم اکنون روي پوشه %1 در حال اجراست.")
                                        << "/tmp/hs-run/d2";
    QTest::newRow("blank in a folder") << QStringLiteral("پشتيبان در %1 نوشته شد.")
                                       << "/home/shop/velmora data/db1.mdb";
    QTest::newRow("Persian folder") << QStringLiteral("در پوشه %1 فايل اطلاعات پيدا نشد.")
                                    << QStringLiteral("/home/علي/اسناد/velmora-data");
    QTest::newRow("trailing slash") << QStringLiteral("پوشه: %1") << "/media/usb-stick/copies/";
    QTest::newRow("Windows drive") << QStringLiteral("نسخه قبلي در %1 دست نخورده ماند.")
                                   << "d:\\db1-before-restore.mdb";
}

void TestBidiText::pathsStayOnOneLine()
{
    QFETCH(QString, message);
    QFETCH(QString, path);
    const QString text = message.arg(isolated(path));
    const QString shown = withPathsUnbroken(isolateLeftToRightRuns(text));
    QCOMPARE(asWritten(shown), asWritten(text));
    // A box a little wider than the path: the sentence wraps around it, the path stays whole.
    const qreal width = QFontMetricsF(QApplication::font()).horizontalAdvance(path) + 20;
    const qsizetype pathStart = message.indexOf(QStringLiteral("%1"));
    const auto pathLines = [&](const QString &drawn) {
        const QList<int> lines = linesOf(drawn, width);
        QSet<int> taken;
        for (qsizetype i = 0, written = 0; i < drawn.size(); ++i) {
            if (asWritten(drawn.at(i)).isEmpty())
                continue;
            if (written >= pathStart && written < pathStart + path.size())
                taken << lines[i];
            ++written;
        }
        return taken;
    };
    QCOMPARE(pathLines(shown).size(), 1);
    QVERIFY(linesOf(shown, width).last() > 0);
    // Left as the message was written, the same box breaks the path.
    QVERIFY2(pathLines(isolateLeftToRightRuns(text)).size() > 1, "nothing was tested");
}

void TestBidiText::gridCells_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("sum") << QVariant(QStringLiteral("-2+3")) << "-2+3";
    QTest::newRow("phone") << QVariant(QStringLiteral("+98 912 123 4567")) << "+98 912 123 4567";
    QTest::newRow("Persian with a number") << QVariant(QStringLiteral("تلفن:021-66000000")) << "021-66000000";
    QTest::newRow("whole number") << QVariant(1234) << "1234";
    QTest::newRow("amount") << QVariant(12500000.0) << "12500000";
    QTest::newRow("typed in Persian digits") << QVariant(QStringLiteral("نوت ۱۲ پرو")) << "12";
}

void TestBidiText::gridCells()
{
    QFETCH(QVariant, value);
    QFETCH(QString, text);
    OwnDirectionDelegate delegate;
    // A Persian system shows numbers in its own digits; the grid keeps the program's Latin ones.
    const QString shown = delegate.displayText(value, QLocale(QLocale::Persian, QLocale::Iran));
    QVERIFY2(readsLeftToRight(shown, text), qPrintable(shown));
}

void TestBidiText::cutLatinTextEndsWithTheEllipsisOnItsRight()
{
    OwnDirectionDelegate delegate;
    const QString shown =
        delegate.displayText(QStringLiteral("Samsung Galaxy S23 Ultra 512GB Phantom Black"), QLocale());
    const QFontMetricsF metrics(QApplication::font());
    const QString cut =
        metrics.elidedText(shown, Qt::ElideRight, metrics.horizontalAdvance(QStringLiteral("Samsung Gal")));
    QVERIFY(cut.contains(QChar(0x2026)));
    QVERIFY2(readsLeftToRight(cut, cut.mid(cut.indexOf(u'S'), cut.indexOf(QChar(0x2026)) - cut.indexOf(u'S') + 1)),
             qPrintable(cut));
}

QTEST_MAIN(TestBidiText)
#include "tst_biditext.moc"
