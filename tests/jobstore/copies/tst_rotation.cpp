// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/copies/ExitCopy.h"

#include <QtTest>

#include <algorithm>

// Which earlier exit copies the rotation keeps, by the dates they were made.
class TestRotation : public QObject
{
    Q_OBJECT

private slots:
    void retentionSchedule_data();
    void retentionSchedule();
};

void TestRotation::retentionSchedule_data()
{
    QTest::addColumn<QList<QDateTime>>("made");
    QTest::addColumn<QList<int>>("dropped"); // indexes into made
    const QDateTime now(QDate(2026, 12, 9), QTime(23, 30));
    const auto every = [now](int count, qint64 seconds) {
        QList<QDateTime> made;
        for (int i = 0; i < count; ++i)
            made << now.addSecs(-i * seconds);
        return made;
    };
    const auto indexes = [](int from, int to) {
        QList<int> list;
        for (int i = from; i <= to; ++i)
            list << i;
        return list;
    };
    const qint64 hour = 3600, day = 24 * hour;
    QTest::newRow("thirty or fewer") << every(30, day) << QList<int>();
    // The thirty-first of one a day is 30 days old and not the newest of its month.
    QTest::newRow("one a day for 31 days") << every(31, day) << QList<int>{30};
    QTest::newRow("forty in one evening") << every(40, 600) << indexes(30, 39);
    // The newest of 12-08 is among the newest thirty; the newest of 12-07 is kept besides.
    QTest::newRow("every hour for three days") << every(72, hour) << indexes(30, 47) + indexes(49, 71);
    // Thirty exits this evening, then one a month back two years: the eleven months before this one stay.
    QList<QDateTime> monthly = every(30, 60);
    for (int month = 1; month <= 24; ++month)
        monthly << QDateTime(QDate(2026, 12, 5).addMonths(-month), QTime(12, 0));
    QTest::newRow("monthly for two years") << monthly << indexes(41, 53);
}

void TestRotation::retentionSchedule()
{
    QFETCH(QList<QDateTime>, made);
    QFETCH(QList<int>, dropped);
    QList<DatabaseCopies::Copy> copies;
    for (qsizetype i = 0; i < made.size(); ++i)
        copies << DatabaseCopies::Copy{QString::number(i), made.at(i)};
    QStringList expected;
    for (int index : dropped)
        expected << QString::number(index);
    QStringList actual = DatabaseCopies::prunable(copies, QDateTime(QDate(2026, 12, 9), QTime(23, 30)));
    const auto byNumber = [](const QString &a, const QString &b) { return a.toInt() < b.toInt(); };
    std::sort(actual.begin(), actual.end(), byNumber);
    QCOMPARE(actual, expected);
}

QTEST_GUILESS_MAIN(TestRotation)
#include "tst_rotation.moc"
