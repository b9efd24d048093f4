// SPDX-License-Identifier: GPL-3.0-or-later
#include "solardate/Clock.h"
#include "solardate/PropertyBag.h"
#include "solardate/Shamsi.h"
#include "ui_ShamsiForm.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using Sorvan::Clock;
using Sorvan::PropertyBag;
using Sorvan::Shamsi;

class TestShamsi : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { Clock::reset(); }

    void newControlHoldsTodayAtOnce();
    void refreshFillsTexts_data();
    void refreshFillsTexts();
    void dateIsKeptPastMidnightUntilRefreshed();
    void writingRoozChangesOnlyRooz();
    void writingTarikhEmitsChange();
    void propertiesByName_data();
    void propertiesByName();
    void unacceptableLookIsRefused();
    void writesByNameThatCannotBeTakenReturnFalse_data();
    void writesByNameThatCannotBeTakenReturnFalse();
    void clickAndMouseMove();
    void savedStateLeavesDefaultsOut();
    void savedStateRoundTrip();
    void readingAppliesKeysInOrder();
    void missingKeysReadAsDefaults();
    void formFileHoldsControl();
};

static QString text(const Shamsi &control, const char *name)
{
    return control.property(name).toString();
}

void TestShamsi::newControlHoldsTodayAtOnce()
{
    // Read before any event is processed, as a program does right after creating it.
    Clock::setNow(QDateTime(QDate(2013, 4, 28), QTime(10, 0)));
    Shamsi control;
    QCOMPARE(text(control, "Tarikh"), QStringLiteral("1392/02/08"));
    QCOMPARE(text(control, "Rooz"), QStringLiteral("08"));
    QCOMPARE(text(control, "Mah"), QStringLiteral("02"));
    QCOMPARE(text(control, "Sal"), QStringLiteral("1392"));
    QCOMPARE(text(control, "Emrooz"), QStringLiteral("1"));
    QCOMPARE(control.date(), QDate(2013, 4, 28));

    auto *label = control.findChild<QLabel *>(QStringLiteral("Label1"));
    QVERIFY(label);
    QCOMPARE(label->alignment(), Qt::AlignCenter);
    QCOMPARE(control.FontName(), QStringLiteral("Times New Roman"));
    QCOMPARE(control.FontSize(), 11.25f);
    QVERIFY(label->font().bold());
    QCOMPARE(control.ForeColor(), QColor(Qt::black));
    for (const char *name : {"day", "mont", "year", "roozi"})
        QVERIFY2(control.findChild<QLabel *>(QLatin1String(name))->isHidden(), name);
    auto *timer = control.findChild<QTimer *>(QStringLiteral("Timer1"));
    QVERIFY(timer && timer->isActive());
    QCOMPARE(timer->interval(), 1);
}

void TestShamsi::refreshFillsTexts_data()
{
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QStringList>("expected"); // Tarikh, Sal, Mah, Rooz, Emrooz
    QTest::newRow("Saturday") << QDate(2004, 10, 9) << QStringList{"1383/07/18", "1383", "07", "18", "0"};
    QTest::newRow("Tuesday") << QDate(2012, 9, 18) << QStringList{"1391/06/28", "1391", "06", "28", "3"};
    QTest::newRow("Sunday") << QDate(2013, 4, 28) << QStringList{"1392/02/08", "1392", "02", "08", "1"};
    QTest::newRow("Friday, new year") << QDate(2025, 3, 21) << QStringList{"1404/01/01", "1404", "01", "01", "6"};
}

void TestShamsi::refreshFillsTexts()
{
    QFETCH(QDate, today);
    QFETCH(QStringList, expected);
    Clock::setNow(QDateTime(today, QTime(10, 0)));
    Shamsi control;
    QTRY_VERIFY(!control.findChild<QTimer *>(QStringLiteral("Timer1"))->isActive());
    QCOMPARE(text(control, "Tarikh"), expected.at(0));
    QCOMPARE(text(control, "Sal"), expected.at(1));
    QCOMPARE(text(control, "Mah"), expected.at(2));
    QCOMPARE(text(control, "Rooz"), expected.at(3));
    QCOMPARE(text(control, "Emrooz"), expected.at(4));
    QCOMPARE(control.date(), today);
}

void TestShamsi::dateIsKeptPastMidnightUntilRefreshed()
{
    Clock::setNow(QDateTime(QDate(2024, 3, 19), QTime(23, 59)));
    Shamsi control;
    QCOMPARE(text(control, "Tarikh"), QStringLiteral("1402/12/29"));
    QTRY_VERIFY(!control.findChild<QTimer *>(QStringLiteral("Timer1"))->isActive());
    Clock::setNow(QDateTime(QDate(2024, 3, 20), QTime(0, 1)));
    QTest::qWait(20);
    QCOMPARE(text(control, "Tarikh"), QStringLiteral("1402/12/29"));
    control.refresh();
    QCOMPARE(text(control, "Tarikh"), QStringLiteral("1403/01/01"));
    QCOMPARE(text(control, "Emrooz"), QStringLiteral("4"));
}

void TestShamsi::writingRoozChangesOnlyRooz()
{
    Clock::setNow(QDateTime(QDate(2004, 10, 9), QTime(10, 0)));
    Shamsi control;
    QTRY_COMPARE(text(control, "Rooz"), QStringLiteral("18"));
    QSignalSpy changed(&control, &Shamsi::Change);
    QVERIFY(control.setProperty("Rooz", QStringLiteral("19")));
    QCOMPARE(text(control, "Rooz"), QStringLiteral("19"));
    QCOMPARE(text(control, "Tarikh"), QStringLiteral("1383/07/18"));
    QCOMPARE(text(control, "Mah"), QStringLiteral("07"));
    QCOMPARE(changed.count(), 0);
}

void TestShamsi::writingTarikhEmitsChange()
{
    Shamsi control;
    const QString day = control.Rooz();
    QSignalSpy changed(&control, &Shamsi::Change);
    QVERIFY(control.setProperty("Tarikh", QStringLiteral("not a date")));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(control.findChild<QLabel *>(QStringLiteral("Label1"))->text(), QStringLiteral("not a date"));
    QCOMPARE(text(control, "Rooz"), day);
    QVERIFY(!control.date().isValid());
    for (const char *written : {"1402/12/30", "1403/1/01", "۱۴۰۳/۰۱/۰۱"}) {
        control.setTarikh(QString::fromUtf8(written));
        QVERIFY2(!control.date().isValid(), written);
    }
    control.setTarikh(QStringLiteral("1403/12/30")); // a leap year's last day
    QCOMPARE(control.date(), QDate(2025, 3, 20));
}

void TestShamsi::propertiesByName_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QVariant>("value");
    QTest::newRow("BackColor") << QByteArray("BackColor") << QVariant(QColor(Qt::yellow));
    QTest::newRow("BorderStyle") << QByteArray("BorderStyle") << QVariant::fromValue(short(1));
    QTest::newRow("Font") << QByteArray("Font") << QVariant(QFont(QStringLiteral("Tahoma"), 9));
    QTest::newRow("FontName") << QByteArray("FontName") << QVariant(QStringLiteral("Tahoma"));
    QTest::newRow("FontSize") << QByteArray("FontSize") << QVariant(14.5f);
    QTest::newRow("ForeColor") << QByteArray("ForeColor") << QVariant(QColor(Qt::red));
    QTest::newRow("Tarikh") << QByteArray("Tarikh") << QVariant(QStringLiteral("1404/01/02"));
    QTest::newRow("Rooz") << QByteArray("Rooz") << QVariant(QStringLiteral("02"));
    QTest::newRow("Mah") << QByteArray("Mah") << QVariant(QStringLiteral("01"));
    QTest::newRow("Sal") << QByteArray("Sal") << QVariant(QStringLiteral("1404"));
    QTest::newRow("Emrooz") << QByteArray("Emrooz") << QVariant(QStringLiteral("6"));
    QTest::newRow("Visible") << QByteArray("Visible") << QVariant(false);
}

void TestShamsi::propertiesByName()
{
    QFETCH(QByteArray, name);
    QFETCH(QVariant, value);
    QWidget window;
    Shamsi control(&window);
    QVERIFY(control.property(name) != value);
    QVERIFY(control.setProperty(name, value));
    QCOMPARE(control.property(name), value);
}

void TestShamsi::unacceptableLookIsRefused()
{
    Shamsi control;
    QVERIFY(!control.setBorderStyle(5));
    QCOMPARE(control.BorderStyle(), short(0));
    QVERIFY(!control.setFontSize(0));
    QVERIFY(!control.setFontName(QString()));
    QCOMPARE(control.FontSize(), 11.25f);
    QCOMPARE(control.FontName(), QStringLiteral("Times New Roman"));
}

void TestShamsi::writesByNameThatCannotBeTakenReturnFalse_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QVariant>("value");
    QTest::newRow("BorderStyle 2") << QByteArray("BorderStyle") << QVariant::fromValue(short(2));
    QTest::newRow("BorderStyle -1 as int") << QByteArray("BorderStyle") << QVariant(-1);
    QTest::newRow("negative FontSize") << QByteArray("FontSize") << QVariant(-3.0f);
    QTest::newRow("FontSize 0 as double") << QByteArray("FontSize") << QVariant(0.0);
    QTest::newRow("empty FontName") << QByteArray("FontName") << QVariant(QString());
    // Colours as the saved state holds them, 0x00BBGGRR.
    QTest::newRow("BackColor as stored number") << QByteArray("BackColor") << QVariant(quint32(0x0000C8));
    QTest::newRow("ForeColor as stored number") << QByteArray("ForeColor") << QVariant(quint32(0xFF0000));
    QTest::newRow("ForeColor as int") << QByteArray("ForeColor") << QVariant(255);
}

void TestShamsi::writesByNameThatCannotBeTakenReturnFalse()
{
    QFETCH(QByteArray, name);
    QFETCH(QVariant, value);
    QWidget window;
    Shamsi control(&window);
    const QVariant before = control.property(name);
    QVERIFY(!control.setProperty(name, value));
    QCOMPARE(control.property(name), before);
    QVERIFY(control.dynamicPropertyNames().isEmpty());
}

void TestShamsi::clickAndMouseMove()
{
    Shamsi control;
    control.show();
    QVERIFY(QTest::qWaitForWindowExposed(&control));
    auto *label = control.findChild<QLabel *>(QStringLiteral("Label1"));
    QSignalSpy clicked(&control, &Shamsi::Click);
    QSignalSpy moved(&control, &Shamsi::MouseMove);

    QTest::mouseClick(label, Qt::RightButton);
    QCOMPARE(clicked.count(), 0);
    QTest::mouseClick(label, Qt::LeftButton);
    QCOMPARE(clicked.count(), 1);

    const QPointF at(6, 3);
    QMouseEvent move(QEvent::MouseMove, at, label->mapToGlobal(at), Qt::NoButton, Qt::RightButton,
                     Qt::ShiftModifier | Qt::AltModifier);
    QApplication::sendEvent(label, &move);
    QCOMPARE(moved.count(), 1);
    const QList<QVariant> args = moved.first();
    QCOMPARE(args.at(0).value<short>(), short(2));
    QCOMPARE(args.at(1).value<short>(), short(5));
    QCOMPARE(args.at(2).toFloat(), float(6 * 1440.0 / label->logicalDpiX()));
    QCOMPARE(args.at(3).toFloat(), float(3 * 1440.0 / label->logicalDpiY()));
}

void TestShamsi::savedStateLeavesDefaultsOut()
{
    Shamsi control;
    control.readProperties(PropertyBag());
    PropertyBag bag;
    control.writeProperties(bag);
    QCOMPARE(bag.keys(), (QStringList{"Font", "FontName", "FontSize"}));

    Clock::setNow(QDateTime(QDate(2013, 4, 28), QTime(10, 0)));
    control.refresh();
    control.writeProperties(bag);
    QCOMPARE(bag.keys(), (QStringList{"Font", "FontName", "FontSize", "Tarikh", "Rooz", "Mah", "Sal", "Emrooz"}));
    QCOMPARE(bag.read("Emrooz").toString(), QStringLiteral("1"));

    // Saving again into the same bag drops a value that is back at its default.
    control.setTarikh(QStringLiteral("1383/07/18"));
    control.writeProperties(bag);
    QVERIFY(!bag.contains("Tarikh"));
    QCOMPARE(bag.keys().first(), QStringLiteral("Font"));
}

void TestShamsi::savedStateRoundTrip()
{
    Shamsi saved;
    saved.setBackColor(QColor(10, 20, 30));
    saved.setBorderStyle(1);
    saved.setFont(QFont(QStringLiteral("Tahoma"), 9));
    saved.setForeColor(QColor(200, 0, 0));
    saved.setTarikh(QStringLiteral("1404/12/29"));
    saved.setRooz(QStringLiteral("29"));
    saved.setMah(QStringLiteral("12"));
    saved.setSal(QStringLiteral("1404"));
    saved.setEmrooz(QStringLiteral("5"));
    PropertyBag bag;
    saved.writeProperties(bag);
    QCOMPARE(bag.keys(), (QStringList{"BackColor", "BorderStyle", "Font", "FontName", "FontSize", "ForeColor", "Tarikh",
                                      "Rooz", "Mah", "Sal", "Emrooz"}));
    QCOMPARE(bag.read("ForeColor").toUInt(), 0x0000C8u); // 0x00BBGGRR

    Shamsi loaded;
    QSignalSpy changed(&loaded, &Shamsi::Change);
    loaded.readProperties(bag);
    QCOMPARE(changed.count(), 1);
    for (const char *name : {"BackColor", "BorderStyle", "Font", "FontName", "FontSize", "ForeColor", "Tarikh", "Rooz",
                             "Mah", "Sal", "Emrooz"})
        QVERIFY2(loaded.property(name) == saved.property(name), name);
}

void TestShamsi::readingAppliesKeysInOrder()
{
    PropertyBag bag;
    bag.write("Font", QFont(QStringLiteral("Arial"), 20));
    bag.write("FontName", QStringLiteral("Tahoma"));
    bag.write("FontSize", 9.0f);
    Shamsi control;
    control.readProperties(bag);
    QCOMPARE(control.FontName(), QStringLiteral("Tahoma"));
    QCOMPARE(control.FontSize(), 9.0f);
}

void TestShamsi::missingKeysReadAsDefaults()
{
    QWidget window;
    window.setFont(QFont(QStringLiteral("Tahoma"), 8));
    Shamsi control(&window);
    const QColor buttonFace = control.BackColor();
    control.setBackColor(Qt::green);
    control.setForeColor(Qt::blue);
    control.setBorderStyle(1);
    control.setTarikh(QStringLiteral("1404/01/01"));
    control.setEmrooz(QStringLiteral("6"));

    control.readProperties(PropertyBag());
    QCOMPARE(control.BackColor(), buttonFace);
    QCOMPARE(control.ForeColor(), QColor(Qt::black));
    QCOMPARE(control.BorderStyle(), short(0));
    QCOMPARE(control.Font(), window.font());
    QCOMPARE(control.Tarikh(), QStringLiteral("1383/07/18"));
    QCOMPARE(control.Emrooz(), QStringLiteral("0"));
}

void TestShamsi::formFileHoldsControl()
{
    Clock::setNow(QDateTime(QDate(2026, 12, 7), QTime(10, 0)));
    QWidget form;
    Ui::ShamsiForm ui;
    ui.setupUi(&form);
    QCOMPARE(ui.Shams->parentWidget(), &form);
    QTRY_COMPARE(ui.Shams->Tarikh(), QStringLiteral("1405/09/16"));
    QCOMPARE(ui.Shams->Emrooz(), QStringLiteral("2"));
}

QTEST_MAIN(TestShamsi)
#include "tst_shamsi.moc"
