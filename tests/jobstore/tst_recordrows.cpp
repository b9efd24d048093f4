// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/RecordRows.h"

#include <QtTest>

class TestRecordRows : public QObject
{
    Q_OBJECT

private slots:
    void rowsKeepTheirPlaces_data();
    void rowsKeepTheirPlaces();
};

// Rows read here and there in a long list keep their places, and unread rows stay unread, through
// a removal or a cut that crosses pages read and pages never made.
void TestRecordRows::rowsKeepTheirPlaces_data()
{
    QTest::addColumn<QList<int>>("read");
    QTest::addColumn<QString>("change"); // "remove" the row at `at`, or "cut" to `at` rows and grow back
    QTest::addColumn<int>("at");
    QTest::newRow("remove in the first page") << QList<int>{0, 11, 255, 256, 700, 999} << "remove" << 10;
    QTest::newRow("remove a page's last row, the next page read") << QList<int>{254, 255, 256, 257} << "remove" << 255;
    QTest::newRow("remove a page's last row, the next page unread") << QList<int>{254, 255, 600} << "remove" << 255;
    QTest::newRow("remove in a page never read") << QList<int>{600, 768, 999} << "remove" << 100;
    QTest::newRow("remove the last row") << QList<int>{998, 999} << "remove" << 999;
    QTest::newRow("cut inside a read page") << QList<int>{500, 504, 505, 510, 999} << "cut" << 505;
}

void TestRecordRows::rowsKeepTheirPlaces()
{
    QFETCH(QList<int>, read);
    QFETCH(QString, change);
    QFETCH(int, at);
    constexpr int rows = 1000;
    RecordRows store;
    store.resize(rows);
    QList<int> expected(rows, -1); // the row read at each place, -1 for none
    for (int row : read) {
        store.set(row, {row});
        expected[row] = row;
    }
    if (change == QLatin1String("remove")) {
        store.remove(at);
        expected.remove(at);
    } else {
        store.resize(at);
        store.resize(rows);
        for (int row = at; row < rows; ++row)
            expected[row] = -1;
    }
    QCOMPARE(store.size(), expected.size());
    QList<int> held;
    for (int row = 0; row < store.size(); ++row)
        held << (store[row].isEmpty() ? -1 : store[row].first().toInt());
    QCOMPARE(held, expected);
}

QTEST_MAIN(TestRecordRows)
#include "tst_recordrows.moc"
