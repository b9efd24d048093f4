// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/Adodc.h"
#include "jobstore/NumericText.h"
#include "jobstore/ProgramValues.h"
#include "jobstore/Queries.h"
#include "support/TempJobFolder.h"

#include <QtTest>

using Queries::SearchField;

class TestQueries : public QObject
{
    Q_OBJECT

private slots:
    void searchMatchesTypedTextLiterally_data();
    void searchMatchesTypedTextLiterally();
    void dueByLeavesDeliveredAndEmptyOut();
    void numericValueOfText_data();
    void numericValueOfText();
    void roundsHalfToEven();
};

namespace
{
QList<int> listed(const SqlText &query)
{
    Adodc control;
    control.setConnectionString(Program::DatabaseConnection);
    control.setRecordSource(query);
    if (!control.Refresh())
        qFatal("query failed: %s", qPrintable(control.lastError()));
    QList<int> numbers;
    Recordset *rs = control.recordset();
    for (rs->MoveFirst(); !rs->IsEOF(); rs->MoveNext())
        numbers << rs->Fields(0).toInt();
    return numbers;
}
} // namespace

void TestQueries::searchMatchesTypedTextLiterally_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QList<int>>("expected");
    const int number = int(SearchField::ReceiptNumber), name = int(SearchField::CustomerName),
              model = int(SearchField::DeviceModel);
    QTest::newRow("number as text") << number << "12" << QList<int>{12, 112, 120, 1012};
    QTest::newRow("persian digits") << number << QStringLiteral("۱۲") << QList<int>{12, 112, 120, 1012};
    QTest::newRow("empty lists rows with a value") << name << "" << QList<int>{3, 12, 112, 120, 1012};
    QTest::newRow("apostrophe") << name << "O'Hara" << QList<int>{112};
    QTest::newRow("percent") << name << "50%" << QList<int>{120};
    QTest::newRow("underscore") << model << "_" << QList<int>{1012};
    QTest::newRow("backslash") << model << "a\\b" << QList<int>{3};
    QTest::newRow("persian yeh finds arabic yeh") << name << QStringLiteral("علی") << QList<int>{12};
    QTest::newRow("arabic kaf finds keheh") << model << QStringLiteral("نوكيا") << QList<int>{120};
    QTest::newRow("persian digits in a model") << model << QStringLiteral("۵۱۰") << QList<int>{120};
}

void TestQueries::searchMatchesTypedTextLiterally()
{
    QFETCH(int, field);
    QFETCH(QString, typed);
    QFETCH(QList<int>, expected);
    TempJobFolder folder;
    folder.addJob({{"num", 12}, {"name", QStringLiteral("علي رضايي")}, {"nameph", "X1"}});
    folder.addJob({{"num", 112}, {"name", "Sean O'Hara"}, {"nameph", "50 percent"}});
    folder.addJob({{"num", 120}, {"name", "Shop 50% off"}, {"nameph", QStringLiteral("نوکيا 510")}});
    folder.addJob({{"num", 1012}, {"name", "plain"}, {"nameph", "a_b"}});
    folder.addJob({{"num", 3}, {"name", "other"}, {"nameph", "a\\b"}});
    folder.addJob({{"num", 4}}); // no name, no model: never listed by those boxes
    QCOMPARE(listed(Queries::jobListSearch(SearchField(field), typed)), expected);
}

void TestQueries::dueByLeavesDeliveredAndEmptyOut()
{
    TempJobFolder folder;
    folder.addJob({{"num", 1}, {"dateout", 910628}, {"status", QStringLiteral("در حال تعمير")}});
    folder.addJob({{"num", 2}, {"dateout", 910627}, {"status", QStringLiteral("تعمير شده")}});
    folder.addJob({{"num", 3}, {"dateout", 910628}, {"status", QStringLiteral("گوشي تحويل شده به مشتري")}});
    folder.addJob({{"num", 4}, {"dateout", 910629}, {"status", QStringLiteral("در حال تعمير")}});
    folder.addJob({{"num", 5}, {"status", QStringLiteral("در حال تعمير")}});
    folder.addJob({{"num", 6}, {"dateout", 910601}});
    folder.addJob({{"num", 7}, {"dateout", 910601}, {"status", ""}});
    QCOMPARE(listed(Queries::dueBy(910628)), (QList<int>{1, 2}));
}

void TestQueries::numericValueOfText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("plain") << "1500" << 1500.0;
    QTest::newRow("leading blanks and sign") << "  -12.5kg" << -12.5;
    QTest::newRow("stops at a comma") << "1,500" << 1.0;
    QTest::newRow("letters") << "abc" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("persian digits") << QStringLiteral("۱۲۳") << 123.0;
    QTest::newRow("arabic-indic digits") << QStringLiteral("٤٥") << 45.0;
    QTest::newRow("point first") << ".5" << 0.5;
}

void TestQueries::numericValueOfText()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(NumericText::numericValue(text), value);
}

void TestQueries::roundsHalfToEven()
{
    QCOMPARE(NumericText::roundHalfEven(1500.5), 1500);
    QCOMPARE(NumericText::roundHalfEven(2500.5), 2500);
    QCOMPARE(NumericText::roundHalfEven(1501.5), 1502);
    QCOMPARE(NumericText::roundHalfEven(500.5), 500);
    QCOMPARE(NumericText::roundHalfEven(-0.5), 0);
}

QTEST_GUILESS_MAIN(TestQueries)
#include "tst_queries.moc"
