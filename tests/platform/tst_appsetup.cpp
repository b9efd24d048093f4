#include "platform/AppSetup.h"
#include "platform/BidiText.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QtTest>

// Qt's own texts speak Persian once the program has set itself up.
class TestAppSetup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void standardButtonsArePersian_data();
    void standardButtonsArePersian();
};

void TestAppSetup::initTestCase()
{
    QVERIFY2(AppSetup::installQtTranslation(*qApp), "qtbase_fa.qm is missing (qt6-translations-l10n)");
}

void TestAppSetup::standardButtonsArePersian_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("english");
    QTest::newRow("OK") << int(QDialogButtonBox::Ok) << "OK";
    QTest::newRow("Yes") << int(QDialogButtonBox::Yes) << "&Yes";
    QTest::newRow("No") << int(QDialogButtonBox::No) << "&No";
    QTest::newRow("Cancel") << int(QDialogButtonBox::Cancel) << "Cancel";
}

void TestAppSetup::standardButtonsArePersian()
{
    QFETCH(int, button);
    QFETCH(QString, english);
    QDialogButtonBox box{QDialogButtonBox::StandardButton(button)};
    const QString text = box.button(QDialogButtonBox::StandardButton(button))->text();
    QVERIFY2(text != english && hasRightToLeftLetter(text), qPrintable(text));
}

QTEST_MAIN(TestAppSetup)
#include "tst_appsetup.moc"
