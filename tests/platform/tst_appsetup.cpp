#include "platform/AppSetup.h"
#include "platform/BidiText.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QtTest>

// Qt's own texts (standard buttons, the text boxes' context menu) speak Persian once the program
// has set itself up.
class TestAppSetup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void standardButtonsArePersian_data();
    void standardButtonsArePersian();
    void contextMenuIsPersian();
};

void TestAppSetup::initTestCase()
{
    QVERIFY2(AppSetup::installQtTranslation(*qApp), "qtbase_fa.qm is missing (qt6-translations-l10n)");
    QVERIFY(AppSetup::installQtTranslation(*qApp)); // a second call keeps the one translator
}

void TestAppSetup::standardButtonsArePersian_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("english");
    QTest::newRow("OK") << int(QDialogButtonBox::Ok) << "OK";
    QTest::newRow("Yes") << int(QDialogButtonBox::Yes) << "&Yes";
    QTest::newRow("No") << int(QDialogButtonBox::No) << "&No";
    QTest::newRow("Cancel") << int(QDialogButtonBox::Cancel) << "Cancel";
    QTest::newRow("Save") << int(QDialogButtonBox::Save) << "Save";
    QTest::newRow("Open") << int(QDialogButtonBox::Open) << "Open";
}

void TestAppSetup::standardButtonsArePersian()
{
    QFETCH(int, button);
    QFETCH(QString, english);
    QDialogButtonBox box{QDialogButtonBox::StandardButton(button)};
    const QString text = box.button(QDialogButtonBox::StandardButton(button))->text();
    QVERIFY2(text != english && hasRightToLeftLetter(text), qPrintable(text));
}

void TestAppSetup::contextMenuIsPersian()
{
    QLineEdit box(QStringLiteral("text"));
    std::unique_ptr<QMenu> menu(box.createStandardContextMenu());
    int persian = 0;
    for (const QAction *action : menu->actions())
        persian += action->isSeparator() || hasRightToLeftLetter(action->text()) ? 1 : 0;
    QCOMPARE(persian, menu->actions().size());
}

QTEST_MAIN(TestAppSetup)
#include "tst_appsetup.moc"
