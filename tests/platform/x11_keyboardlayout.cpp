// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobentry/Form3.h"
#include "jobstore/ProgramValues.h"
#include "platform/KeyboardLayout.h"
#include "support/Seams.h"
#include "support/TempJobFolder.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#if __has_include(<X11/XKBlib.h>)
#include <X11/XKBlib.h>
#undef Bool
#undef None
#undef Status
#undef KeyPress
#undef KeyRelease
#undef FocusIn
#undef FocusOut
#define HAVE_XKB 1
#endif

// The real keyboard group switch on an X server with US English and Persian configured.
class TestX11KeyboardLayout : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void activateLocksTheGroup_data();
    void activateLocksTheGroup();
    void missingLayoutLeavesTheGroup();
    void jobWindowBoxesSwitchTheGroup();

private:
    bool setLayouts(const QString &layouts);
    int currentGroup() const;
};

#ifdef HAVE_XKB
static Display *display()
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->display() : nullptr;
}
#endif

bool TestX11KeyboardLayout::setLayouts(const QString &layouts)
{
    QProcess setxkbmap;
    setxkbmap.start(QStringLiteral("setxkbmap"), {QStringLiteral("-layout"), layouts});
    return setxkbmap.waitForFinished(10000) && setxkbmap.exitCode() == 0;
}

int TestX11KeyboardLayout::currentGroup() const
{
#ifdef HAVE_XKB
    XkbStateRec state{};
    XSync(display(), False);
    if (XkbGetState(display(), XkbUseCoreKbd, &state) != 0)
        return -1;
    return state.locked_group;
#else
    return -1;
#endif
}

void TestX11KeyboardLayout::initTestCase()
{
#ifndef HAVE_XKB
    QSKIP("built without the X11 keyboard headers");
#else
    if (QGuiApplication::platformName() != QStringLiteral("xcb") || !display())
        QSKIP("needs an X server");
    if (QStandardPaths::findExecutable(QStringLiteral("setxkbmap")).isEmpty())
        QSKIP("needs setxkbmap");
#endif
}

void TestX11KeyboardLayout::activateLocksTheGroup_data()
{
    QTest::addColumn<QString>("layouts");
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("group");
    QTest::newRow("us,ir to Persian") << "us,ir" << KeyboardLayout::Persian << 1;
    QTest::newRow("us,ir back to US") << "us,ir" << KeyboardLayout::UsEnglish << 0;
    QTest::newRow("ir,us to US") << "ir,us" << KeyboardLayout::UsEnglish << 1;
    QTest::newRow("ir,us to Persian") << "ir,us" << KeyboardLayout::Persian << 0;
}

void TestX11KeyboardLayout::activateLocksTheGroup()
{
    QFETCH(QString, layouts);
    QFETCH(QString, id);
    QFETCH(int, group);
    QVERIFY(setLayouts(layouts));
    // Start from the other group so the switch is seen.
    KeyboardLayout::activate(id == KeyboardLayout::Persian ? KeyboardLayout::UsEnglish : KeyboardLayout::Persian);
    QTRY_COMPARE(currentGroup(), 1 - group);
    KeyboardLayout::activate(id);
    QTRY_COMPARE(currentGroup(), group);
}

void TestX11KeyboardLayout::missingLayoutLeavesTheGroup()
{
    QVERIFY(setLayouts(QStringLiteral("us")));
    KeyboardLayout::activate(KeyboardLayout::Persian);
    QTest::qWait(50);
    QCOMPARE(currentGroup(), 0);
}

void TestX11KeyboardLayout::jobWindowBoxesSwitchTheGroup()
{
    QVERIFY(setLayouts(QStringLiteral("us,ir")));
    TempJobFolder folder;
    Seams seams;
    Program::NewJobMode = 1;
    Program::CurrentReceiptNumber = 1;
    Form3 form;
    form.show();
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    auto *owner = form.findChild<QLineEdit *>(QStringLiteral("Text1(1)"));
    auto *model = form.findChild<QLineEdit *>(QStringLiteral("Text1(2)"));
    QTest::keyClick(owner, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), model);
    QTRY_COMPARE(currentGroup(), 0);
    owner->setFocus();
    QTRY_COMPARE(currentGroup(), 1);
    form.reject();
}

QTEST_MAIN(TestX11KeyboardLayout)
#include "x11_keyboardlayout.moc"
