// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/KeyboardLayout.h"

#include <QTest>

class TestKeyboardLayout : public QObject
{
    Q_OBJECT

private slots:
    void groupOfLayout_data();
    void groupOfLayout();
    void requestsReachTheHandler();
};

void TestKeyboardLayout::groupOfLayout_data()
{
    QTest::addColumn<QString>("layouts");
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("group");

    QTest::newRow("Persian second") << "us,ir" << KeyboardLayout::Persian << 1;
    QTest::newRow("US first") << "us,ir" << KeyboardLayout::UsEnglish << 0;
    QTest::newRow("Persian first") << "ir,us" << KeyboardLayout::Persian << 0;
    QTest::newRow("with a variant") << "us,ir(pes_keypad)" << KeyboardLayout::Persian << 1;
    QTest::newRow("three layouts") << "de,us,ir" << KeyboardLayout::UsEnglish << 1;
    QTest::newRow("Persian missing") << "us" << KeyboardLayout::Persian << -1;
    QTest::newRow("nothing configured") << "" << KeyboardLayout::UsEnglish << -1;
    QTest::newRow("unknown identifier") << "us,ir"
                                        << "00000407" << -1;
}

void TestKeyboardLayout::groupOfLayout()
{
    QFETCH(QString, layouts);
    QFETCH(QString, id);
    QFETCH(int, group);
    QCOMPARE(KeyboardLayout::groupOf(layouts, KeyboardLayout::xkbLayoutFor(id)), group);
}

void TestKeyboardLayout::requestsReachTheHandler()
{
    QStringList requests;
    KeyboardLayout::setHandler([&requests](const QString &id) { requests << id; });
    KeyboardLayout::activate(KeyboardLayout::Persian);
    KeyboardLayout::activate(KeyboardLayout::UsEnglish);
    KeyboardLayout::setHandler({});
    // Without a handler the system is asked, which here changes nothing that is recorded.
    KeyboardLayout::activate(KeyboardLayout::Persian);
    QCOMPARE(requests, (QStringList{"00000429", "00000409"}));
}

QTEST_MAIN(TestKeyboardLayout)
#include "tst_keyboardlayout.moc"
