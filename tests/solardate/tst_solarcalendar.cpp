// SPDX-License-Identifier: GPL-3.0-or-later
#include "solardate/SolarCalendar.h"

#include <QTest>

namespace Sorvan
{
char *toString(const SolarDate &date)
{
    return QTest::toString(QStringLiteral("%1/%2/%3").arg(date.year).arg(date.month).arg(date.day));
}
} // namespace Sorvan

using namespace Sorvan;

class TestSolarCalendar : public QObject
{
    Q_OBJECT

private slots:
    void text_data();
    void text();
    void weekdayMarkersOverAWeek();
    void leapYears();
    void everyDayOfYears1300To1500();
    void addDays_data();
    void addDays();
    void invalidDates();
    void dateNumber_data();
    void dateNumber();
    void monthNames();
};

void TestSolarCalendar::text_data()
{
    QTest::addColumn<QDate>("gregorian");
    QTest::addColumn<QString>("expected");
    QTest::newRow("new year 1383, a Gregorian leap year") << QDate(2004, 3, 20) << "1383/01/01 k0";
    QTest::newRow("day after it") << QDate(2004, 3, 21) << "1383/01/02 k1";
    QTest::newRow("last day of leap 1383") << QDate(2005, 3, 20) << "1383/12/30 k1";
    QTest::newRow("new year 1384") << QDate(2005, 3, 21) << "1384/01/01 k2";
    QTest::newRow("new year 1403") << QDate(2024, 3, 20) << "1403/01/01 k4";
    QTest::newRow("new year 1404") << QDate(2025, 3, 21) << "1404/01/01 k6";
    QTest::newRow("new year 1405") << QDate(2026, 3, 21) << "1405/01/01 k0";
    QTest::newRow("new year 1408, drifted a day") << QDate(2029, 3, 20) << "1408/01/01 k3";
    QTest::newRow("new year 1409") << QDate(2030, 3, 21) << "1409/01/01 k5";
    QTest::newRow("mid-year") << QDate(2004, 10, 9) << "1383/07/18 k0";
    QTest::newRow("one-digit month") << QDate(2012, 9, 18) << "1391/06/28 k3";
    QTest::newRow("one-digit day and month") << QDate(2013, 4, 28) << "1392/02/08 k1";
    QTest::newRow("last 31-day month ends") << QDate(2005, 9, 22) << "1384/06/31 k5";
    QTest::newRow("first 30-day month starts") << QDate(2005, 9, 23) << "1384/07/01 k6";
    QTest::newRow("Gregorian year ends") << QDate(2005, 12, 31) << "1384/10/10 k0";
    QTest::newRow("Gregorian year starts") << QDate(2006, 1, 1) << "1384/10/11 k1";
    QTest::newRow("29 February") << QDate(2000, 2, 29) << "1378/12/10 k3";
    QTest::newRow("December") << QDate(2026, 12, 7) << "1405/09/16 k2";
}

void TestSolarCalendar::text()
{
    QFETCH(QDate, gregorian);
    QFETCH(QString, expected);
    QCOMPARE(GregorianToSolar(gregorian), expected);
    // The time of day is no part of the date.
    QCOMPARE(GregorianToSolar(QDateTime(gregorian, QTime(23, 59, 59)).date()), expected);
}

void TestSolarCalendar::weekdayMarkersOverAWeek()
{
    const QDate saturday(2004, 10, 9);
    for (int i = 0; i < 7; ++i)
        QCOMPARE(GregorianToSolar(saturday.addDays(i)).right(3), QStringLiteral(" k%1").arg(i));
}

void TestSolarCalendar::leapYears()
{
    const QList<int> expected{1395, 1399, 1403, 1408, 1412, 1416, 1420, 1424, 1428, 1432, 1436};
    QList<int> found;
    for (int year = 1395; year <= 1440; ++year) {
        if (isSolarLeapYear(year))
            found.append(year);
    }
    QCOMPARE(found, expected);
}

// Walks every day of the solar years 1300 to 1500 and checks each against the plain rules of the calendar.
void TestSolarCalendar::everyDayOfYears1300To1500()
{
    const QDate first = gregorianFromSolar({1300, 1, 1});
    const QDate end = gregorianFromSolar({1501, 1, 1});
    QVERIFY(first.isValid() && end.isValid());

    SolarDate previous = solarFromGregorian(first);
    QCOMPARE(previous, (SolarDate{1300, 1, 1}));
    int lastLeapYear = 0;
    for (QDate day = first.addDays(1); day < end; day = day.addDays(1)) {
        const SolarDate solar = solarFromGregorian(day);
        SolarDate next{previous.year, previous.month, previous.day + 1};
        int monthLength = previous.month <= 6 ? 31 : 30;
        if (previous.month == 12 && !isSolarLeapYear(previous.year))
            monthLength = 29;
        if (next.day > monthLength)
            next = previous.month == 12 ? SolarDate{previous.year + 1, 1, 1}
                                        : SolarDate{previous.year, previous.month + 1, 1};
        QCOMPARE(solar, next);
        QCOMPARE(gregorianFromSolar(solar), day);
        QCOMPARE(addSolarDays(previous, 1), solar);
        QCOMPARE(addSolarDays(solar, -1), previous);
        if (solar.month == 1 && solar.day == 1) {
            QCOMPARE(day.month(), 3);
            QVERIFY2(day.day() >= 20 && day.day() <= 22, qPrintable(day.toString(Qt::ISODate)));
            if (previous.day == 30) {
                QVERIFY2(lastLeapYear == 0 || previous.year - lastLeapYear == 4 || previous.year - lastLeapYear == 5,
                         qPrintable(QString::number(previous.year)));
                lastLeapYear = previous.year;
            }
        }
        previous = solar;
    }
    QCOMPARE(previous, (SolarDate{1500, 12, isSolarLeapYear(1500) ? 30 : 29}));
}

void TestSolarCalendar::addDays_data()
{
    QTest::addColumn<SolarDate>("from");
    QTest::addColumn<int>("days");
    QTest::addColumn<SolarDate>("expected");
    QTest::newRow("month 6 to 7") << SolarDate{1385, 6, 29} << 3 << SolarDate{1385, 7, 1};
    QTest::newRow("day 186 to 187") << SolarDate{1384, 6, 31} << 1 << SolarDate{1384, 7, 1};
    QTest::newRow("back over month 7 to 6") << SolarDate{1385, 7, 1} << -1 << SolarDate{1385, 6, 31};
    QTest::newRow("month 11 to 12") << SolarDate{1403, 11, 29} << 3 << SolarDate{1403, 12, 2};
    QTest::newRow("year end, leap year") << SolarDate{1403, 12, 29} << 3 << SolarDate{1404, 1, 2};
    QTest::newRow("year end, common year") << SolarDate{1404, 12, 29} << 1 << SolarDate{1405, 1, 1};
    QTest::newRow("back over year end, leap") << SolarDate{1404, 1, 2} << -3 << SolarDate{1403, 12, 29};
    QTest::newRow("back over year end, common") << SolarDate{1405, 1, 1} << -1 << SolarDate{1404, 12, 29};
    QTest::newRow("a whole leap year") << SolarDate{1403, 1, 1} << 366 << SolarDate{1404, 1, 1};
    QTest::newRow("nothing") << SolarDate{1400, 1, 5} << 0 << SolarDate{1400, 1, 5};
}

void TestSolarCalendar::addDays()
{
    QFETCH(SolarDate, from);
    QFETCH(int, days);
    QFETCH(SolarDate, expected);
    QCOMPARE(addSolarDays(from, days), expected);
}

void TestSolarCalendar::invalidDates()
{
    QVERIFY(gregorianFromSolar({1403, 12, 30}).isValid());
    QVERIFY(!gregorianFromSolar({1404, 12, 30}).isValid());
    QVERIFY(!gregorianFromSolar({1404, 7, 31}).isValid());
    QVERIFY(!gregorianFromSolar({1404, 13, 1}).isValid());
    QVERIFY(!gregorianFromSolar({1404, 1, 0}).isValid());
    QCOMPARE(addSolarDays({1404, 12, 30}, 1), SolarDate{});
    QCOMPARE(solarFromGregorian(QDate()), SolarDate{});
    QCOMPARE(GregorianToSolar(QDate()), QString());
}

void TestSolarCalendar::dateNumber_data()
{
    QTest::addColumn<SolarDate>("date");
    QTest::addColumn<int>("expected");
    QTest::newRow("1392/02/08") << SolarDate{1392, 2, 8} << 920208;
    QTest::newRow("1400/01/05") << SolarDate{1400, 1, 5} << 105;
    QTest::newRow("1399/12/30") << SolarDate{1399, 12, 30} << 991230;
}

void TestSolarCalendar::dateNumber()
{
    QFETCH(SolarDate, date);
    QFETCH(int, expected);
    QCOMPARE(solarDateNumber(date), expected);
}

void TestSolarCalendar::monthNames()
{
    QCOMPARE(solarMonthName(1), QStringLiteral("فروردين"));
    QCOMPARE(solarMonthName(10), QStringLiteral("دي"));
    QCOMPARE(solarMonthName(12), QStringLiteral("اسفند"));
    QVERIFY(solarMonthName(0).isEmpty());
    QVERIFY(solarMonthName(13).isEmpty());
}

QTEST_MAIN(TestSolarCalendar)
#include "tst_solarcalendar.moc"
