// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobentry/Form3.h"
#include "jobstore/Adodc.h"
#include "mainwindow/Form1.h"
#include "platform/ListRefresh.h"
#include "solardate/Clock.h"
#include "support/MainWindowDriver.h"
#include "support/PrivateHome.h"
#include "support/Seams.h"
#include "support/TempJobFolder.h"

#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

// Two main windows on one job database, as two counters of a shop. On the server the second stands
// for another program: it hears nothing of the first's own list refresh, only the server's word.
class TestTwoCounters : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void changeAtOneReachesTheOther_data();
    void changeAtOneReachesTheOther();
    void sameNumberAtBothIsStoredOnce();

private:
    PrivateHome m_home;
};

using namespace MainWindowDriver;

namespace
{

QString countCaption(int count)
{
    return QStringLiteral(" تحويل امروز:  %1 مورد").arg(count);
}

QString countOf(Form1 &form)
{
    return form.findChild<QPushButton *>(QStringLiteral("Command9"))->text();
}

// Presses F1 at `form` and hands its job window, once the defaults are in, to `inside`.
void registerAt(Form1 &form, const std::function<void(Form3 *)> &inside)
{
    QTimer::singleShot(0, &form, [inside] {
        Form3 *window = nullptr;
        const bool ready = QTest::qWaitFor(
            [&window] {
                window = qobject_cast<Form3 *>(QApplication::activeModalWidget());
                return window && !window->findChild<QLineEdit *>(QStringLiteral("Text1(0)"))->text().isEmpty();
            },
            3000);
        QVERIFY2(ready, "no job window with its defaults");
        inside(window);
        // A failed check must not leave a modal window waiting for ever.
        if (QTest::currentTestFailed() && window->isVisible())
            window->reject();
    });
    form.registerJob();
}

void fillAndSave(Form3 *window, const QString &name)
{
    typeText(window->findChild<QLineEdit *>(QStringLiteral("Text1(1)")), name);
    typeText(window->findChild<QLineEdit *>(QStringLiteral("Text1(2)")), QStringLiteral("Galaxy"));
    // Due today: the delivery date number that the date box shows and the save stores.
    window->findChild<QLineEdit *>(QStringLiteral("Text1(6)"))->setText(QStringLiteral("910628"));
    window->findChild<QPushButton *>(QStringLiteral("Command3"))->click();
}

struct Counters {
    TempJobFolder folder;
    Seams seams;
    Form1 first;
    Form1 second;
    Counters()
    {
        folder.addJob({{"num", 1}, {"name", "x"}, {"dateout", 910628}, {"status", QStringLiteral("در حال تعمير")}});
        if (TempJobFolder::onServer())
            QObject::disconnect(ListRefresh::instance(), nullptr, &second, nullptr);
        first.show();
        second.show();
    }
};

} // namespace

void TestTwoCounters::init()
{
    Sorvan::Clock::setNow(QDateTime(QDate(2012, 9, 18), QTime(10, 0)));
}

void TestTwoCounters::cleanup()
{
    Sorvan::Clock::reset();
}

void TestTwoCounters::changeAtOneReachesTheOther_data()
{
    QTest::addColumn<bool>("deleting");
    QTest::addColumn<QList<int>>("listed");
    QTest::newRow("registered") << false << QList<int>{1, 2};
    QTest::newRow("deleted") << true << QList<int>{2};
}

void TestTwoCounters::changeAtOneReachesTheOther()
{
    QFETCH(bool, deleting);
    QFETCH(QList<int>, listed);
    if (deleting && !TempJobFolder::onServer())
        QSKIP("a job file serves one program, whose other lists are closed while its main window deletes");
    Counters counters;
    QTRY_COMPARE(countOf(counters.second), countCaption(1));
    registerAt(counters.first, [](Form3 *window) { fillAndSave(window, QStringLiteral("رضا")); });
    QTRY_COMPARE_WITH_TIMEOUT(listedNumbers(counters.second), (QList<int>{1, 2}), 2000);
    QTRY_COMPARE_WITH_TIMEOUT(countOf(counters.second), countCaption(2), 2000);
    if (deleting) {
        counters.seams.answers << MessageBox::Answer::Yes;
        counters.first.adodc1()->recordset()->MoveFirst();
        counters.first.findChild<QToolButton *>(QStringLiteral("Command5"))->click();
    }
    QTRY_COMPARE_WITH_TIMEOUT(listedNumbers(counters.second), listed, 2000);
    QTRY_COMPARE_WITH_TIMEOUT(countOf(counters.second), countCaption(listed.size()), 2000);
}

void TestTwoCounters::sameNumberAtBothIsStoredOnce()
{
    Counters counters;
    const QString taken = QStringLiteral("شماره رسيد 2 قبلا براي کار ديگري ثبت شده است. لطفا شماره ديگري وارد کنيد"
                                         "،\nيا اين کار با شماره 3، شماره آزاد بعدي، ذخيره شود؟");
    bool secondStayed = false;
    registerAt(counters.first, [&](Form3 *atFirst) {
        registerAt(counters.second, [&](Form3 *atSecond) {
            QCOMPARE(atSecond->findChild<QLineEdit *>(QStringLiteral("Text1(0)"))->text(), QStringLiteral("2"));
            QCOMPARE(atFirst->findChild<QLineEdit *>(QStringLiteral("Text1(0)"))->text(), QStringLiteral("2"));
            fillAndSave(atFirst, QStringLiteral("رضا"));
            fillAndSave(atSecond, QStringLiteral("مريم"));
            QCOMPARE(counters.seams.messageTexts(), QStringList{taken});
            secondStayed =
                atSecond->isVisible() && atSecond->findChild<QLineEdit *>(QStringLiteral("Text1(1)"))->text() == "مريم";
            // Offered again, the clerk takes the next free number.
            counters.seams.answers << MessageBox::Answer::Yes;
            atSecond->findChild<QPushButton *>(QStringLiteral("Command3"))->click();
        });
    });
    QVERIFY(secondStayed);
    QCOMPARE(counters.folder.rows(QStringLiteral("select num, name from table1 where num>=2 order by num")),
             (QList<QVariantList>{{2, QStringLiteral("رضا")}, {3, QStringLiteral("مريم")}}));
    QTRY_COMPARE_WITH_TIMEOUT(listedNumbers(counters.second), (QList<int>{1, 2, 3}), 2000);
}

QTEST_MAIN(TestTwoCounters)
#include "tst_twocounters.moc"
