// SPDX-License-Identifier: GPL-3.0-or-later
#include "solardate/Clock.h"
#include "solardate/Shamsi.h"
#include "solardate/ShamsiFactory.h"

#include <QTest>

using Sorvan::Clock;
using Sorvan::Shamsi;

class TestShamsiFactory : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        Clock::reset();
        Sorvan::unregisterServer();
    }

    void createsWorkingControlById();
    void refusesUnknownId_data();
    void refusesUnknownId();
    void unloadOnlyWithoutLiveControls();
    void registration();
};

void TestShamsiFactory::createsWorkingControlById()
{
    Clock::setNow(QDateTime(QDate(2024, 3, 20), QTime(9, 0)));
    QWidget window;
    QWidget *created = Sorvan::createObject(QStringLiteral("Sorvan.Shamsi"), &window);
    auto *control = qobject_cast<Shamsi *>(created);
    QVERIFY(control);
    QCOMPARE(control->parentWidget(), &window);
    QTRY_COMPARE(control->property("Tarikh").toString(), QStringLiteral("1403/01/01"));
    QCOMPARE(control->property("Emrooz").toString(), QStringLiteral("4"));
}

void TestShamsiFactory::refusesUnknownId_data()
{
    QTest::addColumn<QString>("classId");
    QTest::newRow("empty") << QString();
    QTest::newRow("other case") << QStringLiteral("sorvan.shamsi");
    QTest::newRow("bare class name") << QStringLiteral("Shamsi");
    QTest::newRow("other class") << QStringLiteral("Sorvan.Clock");
}

void TestShamsiFactory::refusesUnknownId()
{
    QFETCH(QString, classId);
    QWidget window;
    QCOMPARE(Sorvan::createObject(classId, &window), nullptr);
    QVERIFY(window.children().isEmpty());
}

void TestShamsiFactory::unloadOnlyWithoutLiveControls()
{
    QVERIFY(Sorvan::canUnloadNow());
    {
        QWidget window;
        Sorvan::createObject(Sorvan::ShamsiClassId, &window);
        QVERIFY(!Sorvan::canUnloadNow());
    }
    QVERIFY(Sorvan::canUnloadNow());
}

void TestShamsiFactory::registration()
{
    QVERIFY(!Sorvan::isRegistered(Sorvan::ShamsiClassId));
    QVERIFY(Sorvan::registerServer());
    QVERIFY(Sorvan::registerServer());
    QVERIFY(Sorvan::isRegistered(Sorvan::ShamsiClassId));
    QVERIFY(Sorvan::unregisterServer());
    QVERIFY(!Sorvan::isRegistered(Sorvan::ShamsiClassId));
}

QTEST_MAIN(TestShamsiFactory)
#include "tst_shamsifactory.moc"
