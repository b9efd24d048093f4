// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/Adodc.h"
#include "jobstore/JobTable.h"
#include "jobstore/ProgramValues.h"
#include "platform/DataGrid.h"
#include "platform/ListRefresh.h"
#include "reminders/warning.h"
#include "solardate/Clock.h"
#include "solardate/SolarCalendar.h"
#include "support/Seams.h"
#include "support/TempJobFolder.h"

#include <QComboBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

using namespace Sorvan;

namespace
{

void setSolarToday(int year, int month, int day)
{
    const QDate date = gregorianFromSolar(SolarDate{year, month, day});
    QVERIFY(date.isValid());
    Sorvan::Clock::setNow(QDateTime(date, QTime(10, 0)));
}

QList<int> listed(warning &w)
{
    QList<int> nums;
    Recordset *rows = w.adodc1()->recordset();
    for (int row = 0; row < rows->RecordCount(); ++row)
        nums << rows->value(row, 0).toInt();
    return nums;
}

void choose(warning &w, int index)
{
    auto *combo = w.findChild<QComboBox *>(QStringLiteral("Combo1"));
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

} // namespace

class tst_warning : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { Sorvan::Clock::reset(); }
    void targets_data();
    void targets();
    void listsDueUndelivered();
    void sameChoiceTwiceRefreshesTwice();
    void enterInGridOpensNothing();
    void requeriesOnListRefresh();
    void doubleClickOpensTheJob();
    void backCloses();
};

void tst_warning::targets_data()
{
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("day");
    QTest::addColumn<int>("ahead");
    QTest::addColumn<int>("target");

    QTest::newRow("today") << 1391 << 6 << 28 << 0 << 910628;
    QTest::newRow("tomorrow") << 1391 << 6 << 28 << 1 << 910629;
    QTest::newRow("day after") << 1391 << 6 << 28 << 2 << 910630;
    QTest::newRow("tomorrow after a 31-day month") << 1391 << 6 << 31 << 1 << 910701;
    QTest::newRow("day after from month 6 day 30") << 1391 << 6 << 30 << 2 << 910701;
    QTest::newRow("tomorrow after a 30-day month") << 1391 << 7 << 30 << 1 << 910801;
    QTest::newRow("new year, leap 1391 ends on 30") << 1391 << 12 << 30 << 1 << 920101;
    QTest::newRow("new year after 29 days") << 1392 << 12 << 29 << 2 << 930102;
    QTest::newRow("year 1400") << 1400 << 1 << 5 << 0 << 105;
    QTest::newRow("into 1400") << 1399 << 12 << 30 << 1 << 101;
}

void tst_warning::targets()
{
    QFETCH(int, year);
    QFETCH(int, month);
    QFETCH(int, day);
    QFETCH(int, ahead);
    TempJobFolder folder;
    Seams seams;
    if (!isValidSolarDate(SolarDate{year, month, day}))
        QSKIP("not a date of this calendar");
    setSolarToday(year, month, day);
    warning w;
    QTRY_COMPARE(w.targetDateNumber(), solarDateNumber(SolarDate{year, month, day}));
    choose(w, ahead);
    QTRY_VERIFY(!w.findChild<QTimer *>(QStringLiteral("Timer1"))->isActive());
    QTEST(w.targetDateNumber(), "target");
    QVERIFY(seams.messages.isEmpty());
}

void tst_warning::listsDueUndelivered()
{
    TempJobFolder folder;
    Seams seams;
    const QString delivered = JobTable::statusDelivered();
    folder.addJob({{"num", 1}, {"dateout", 910628}, {"status", JobTable::statusUnderRepair()}});
    folder.addJob({{"num", 2}, {"dateout", 910501}, {"status", JobTable::statusRepaired()}});
    folder.addJob({{"num", 3}, {"dateout", 910628}, {"status", delivered}});
    folder.addJob({{"num", 4}, {"dateout", 910601}, {"status", "X " + delivered + " Y"}});
    folder.addJob({{"num", 5}, {"status", JobTable::statusUnderRepair()}});
    folder.addJob({{"num", 6}, {"dateout", 910629}, {"status", JobTable::statusUnderRepair()}});
    folder.addJob({{"num", 7}, {"dateout", 910701}, {"status", "%"}});
    folder.addJob({{"num", 8}, {"dateout", 910630}});
    folder.addJob({{"num", 9}, {"dateout", 1130}, {"status", JobTable::statusUnderRepair()}});
    folder.addJob({{"num", 10}, {"dateout", 910601}, {"status", ""}});
    // Typed on a Persian keyboard: Persian yeh (U+06CC) where the stored texts have Arabic yeh.
    folder.addJob({{"num", 11},
                   {"dateout", 910601},
                   {"status", QStringLiteral("\u062A\u062D\u0648\u06CC\u0644 \u0634\u062F\u0647")}});
    setSolarToday(1391, 6, 28);
    warning w;
    // 1400/11/30 (1130) is years after 1391, whatever its number.
    QTRY_COMPARE(listed(w), (QList<int>{1, 2}));
    choose(w, 1);
    QTRY_COMPARE(listed(w), (QList<int>{1, 2, 6}));
    // A null status does not contain the delivered text, but the comparison with it is not true
    // either: the row stays out, as it always has; so does the empty status.
    choose(w, 2);
    QTRY_COMPARE(listed(w), (QList<int>{1, 2, 6}));
    setSolarToday(1391, 6, 31);
    choose(w, 1);
    QTRY_COMPARE(listed(w), (QList<int>{1, 2, 6, 7}));
    // From 1400 on, every job due in the 1300s is overdue.
    setSolarToday(1400, 12, 1);
    choose(w, 0);
    QTRY_COMPARE(listed(w), (QList<int>{1, 2, 6, 7, 9}));
    QVERIFY(seams.messages.isEmpty());
}

void tst_warning::sameChoiceTwiceRefreshesTwice()
{
    TempJobFolder folder;
    setSolarToday(1391, 6, 28);
    warning w;
    QSignalSpy refreshed(w.adodc1(), &Adodc::refreshed);
    QTRY_COMPARE(refreshed.size(), 1);
    choose(w, 0);
    QTRY_COMPARE(refreshed.size(), 2);
    choose(w, 0);
    QTRY_COMPARE(refreshed.size(), 3);
    // Typing into the list's text starts no refresh.
    w.findChild<QComboBox *>(QStringLiteral("Combo1"))->setEditText(QStringLiteral("x"));
    QTest::qWait(250);
    QCOMPARE(refreshed.size(), 3);
}

void tst_warning::enterInGridOpensNothing()
{
    TempJobFolder folder;
    folder.addJob({{"num", 12}, {"dateout", 910601}, {"status", JobTable::statusUnderRepair()}});
    setSolarToday(1391, 6, 28);
    Program::CurrentReceiptNumber = 0;
    warning w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTRY_COMPARE(listed(w), QList<int>{12});
    auto *grid = w.findChild<DataGrid *>(QStringLiteral("DataGrid1"));
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Return);
    QTest::keyClick(grid, Qt::Key_Enter);
    QCOMPARE(Program::CurrentReceiptNumber, 0);
    QVERIFY(w.isVisible());
}

void tst_warning::requeriesOnListRefresh()
{
    TempJobFolder folder;
    setSolarToday(1391, 6, 28);
    warning w;
    QTRY_COMPARE(listed(w), QList<int>{});
    folder.addJob({{"num", 3}, {"dateout", 910620}, {"status", JobTable::statusUnderRepair()}});
    ListRefresh::request();
    QCOMPARE(listed(w), QList<int>{3});
}

void tst_warning::doubleClickOpensTheJob()
{
    TempJobFolder folder;
    Seams seams;
    folder.addJob({{"num", 12}, {"name", "a"}, {"dateout", 910601}, {"status", JobTable::statusUnderRepair()}});
    folder.addJob({{"num", 31}, {"name", "b"}, {"dateout", 910602}, {"status", JobTable::statusUnderRepair()}});
    setSolarToday(1391, 6, 28);
    Program::NewJobMode = 0;
    warning w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTRY_COMPARE(listed(w), (QList<int>{12, 31}));

    QString opened;
    QWidget *owner = nullptr;
    QTimer::singleShot(0, &w, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal && modal != &w) {
            opened = modal->objectName();
            owner = modal->parentWidget();
            static_cast<QDialog *>(modal)->reject();
        }
    });
    auto *grid = w.findChild<DataGrid *>(QStringLiteral("DataGrid1"));
    const QPoint row2 = grid->visualRect(grid->model()->index(1, 1)).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, row2);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, row2);
    QCOMPARE(Program::CurrentReceiptNumber, 31);
    QCOMPARE(opened, QStringLiteral("Form3"));
    QCOMPARE(owner, &w);
    QCOMPARE(Program::NewJobMode, 0);
    QVERIFY(w.isVisible());
}

void tst_warning::backCloses()
{
    TempJobFolder folder;
    warning w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.findChild<QPushButton *>(QStringLiteral("Command1"))->click();
    QVERIFY(!w.isVisible());
}

QTEST_MAIN(tst_warning)
#include "tst_warning.moc"
