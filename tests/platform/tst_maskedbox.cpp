// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/MaskEdBox.h"

#include <QTest>

class TestMaskEdBox : public QObject
{
    Q_OBJECT

private slots:
    void setMaskedText_data();
    void setMaskedText();
    void typedDigits_data();
    void typedDigits();
};

void TestMaskEdBox::setMaskedText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("digits");

    QTest::newRow("six digits") << "850712"
                                << "85/07/12"
                                << "850712";
    QTest::newRow("with separators") << "85/07/12"
                                     << "85/07/12"
                                     << "850712";
    QTest::newRow("short") << "105"
                           << "10/5_/__"
                           << "105";
    QTest::newRow("too long") << "12345678"
                              << "12/34/56"
                              << "123456";
    QTest::newRow("Persian digits") << "۰۰۰۱۰۵"
                                    << "00/01/05"
                                    << "000105";
    QTest::newRow("empty") << ""
                           << "__/__/__"
                           << "";
}

void TestMaskEdBox::setMaskedText()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QFETCH(QString, digits);

    MaskEdBox box;
    box.setMaskedText(text);
    QCOMPARE(box.displayText(), shown);
    QCOMPARE(box.digits(), digits);
}

void TestMaskEdBox::typedDigits_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("digits");

    QTest::newRow("ASCII") << "921230"
                           << "92/12/30"
                           << "921230";
    QTest::newRow("Persian") << "۸۵۰۷"
                             << "۸۵/۰۷/__"
                             << "8507";
    QTest::newRow("Arabic-Indic") << "٩٢"
                                  << "٩٢/__/__"
                                  << "92";
    QTest::newRow("letters refused") << "a1b2"
                                     << "12/__/__"
                                     << "12";
}

void TestMaskEdBox::typedDigits()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QString, digits);

    MaskEdBox box;
    box.show();
    box.setFocus();
    box.setCursorPosition(0);
    for (QChar ch : typed)
        QTest::sendKeyEvent(QTest::Click, &box, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    QCOMPARE(box.displayText(), shown);
    QCOMPARE(box.digits(), digits);
}

QTEST_MAIN(TestMaskEdBox)
#include "tst_maskedbox.moc"
