// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/AppSetup.h"
#include "platform/BidiText.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QImage>
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
    void mnemonicsDrawNoUnderline();
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

// An underlined letter is drawn on its own and breaks Persian joining ("بـله"): a caption with a
// mnemonic looks exactly like the same caption without one.
void TestAppSetup::mnemonicsDrawNoUnderline()
{
    AppSetup::applyLookAndFeel(*qApp);
    const auto face = [](const QString &caption) {
        QPushButton button(caption);
        button.resize(160, 40);
        return button.grab().toImage();
    };
    QCOMPARE(face(QStringLiteral("&بله")), face(QStringLiteral("بله")));
    QCOMPARE(face(QStringLiteral("&تنظيمات")), face(QStringLiteral("تنظيمات")));
}

QTEST_MAIN(TestAppSetup)
#include "tst_appsetup.moc"
