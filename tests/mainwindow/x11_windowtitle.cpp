// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/Form1.h"
#include "platform/AppSetup.h"
#include "platform/MessageBox.h"
#include "support/TempJobFolder.h"

#include <QApplication>
#include <QTimer>
#include <QtTest>

#include <X11/Xlib.h>
#undef Bool
#undef None
#undef Status
#undef KeyPress
#undef KeyRelease
#undef FocusIn
#undef FocusOut

// The title the window manager is given is the window's caption, with nothing appended.
class TestX11WindowTitle : public QObject
{
    Q_OBJECT

private slots:
    void titlesAreTheCaptions();
};

static QString netWmName(QWidget *window)
{
    Display *display = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->display();
    Atom type = 0;
    int format = 0;
    unsigned long length = 0, after = 0;
    unsigned char *data = nullptr;
    XGetWindowProperty(display, window->winId(), XInternAtom(display, "_NET_WM_NAME", 0), 0, 1024, 0,
                       XInternAtom(display, "UTF8_STRING", 0), &type, &format, &length, &after, &data);
    const QString title = data ? QString::fromUtf8(reinterpret_cast<const char *>(data), int(length)) : QString();
    if (data)
        XFree(data);
    return title;
}

void TestX11WindowTitle::titlesAreTheCaptions()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X server");
    QStandardPaths::setTestModeEnabled(true);
    AppSetup::setIdentity(*qApp);
    TempJobFolder folder;
    Form1 main;
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    QTRY_COMPARE(netWmName(&main), QStringLiteral("Velmora 1.6"));

    // The delete question's title is blank; the real box is read while it waits for an answer.
    QString seen;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&seen, &poll] {
        if (QWidget *box = QApplication::activeModalWidget(); box && box->isVisible()) {
            seen = netWmName(box);
            poll.stop();
            box->close();
        }
    });
    poll.start(10);
    MessageBox::askYesNo(&main, QStringLiteral("رکورد مورد نظر حذف شود ؟"), QStringLiteral(" "));
    QCOMPARE(seen, QStringLiteral(" "));
}

QTEST_MAIN(TestX11WindowTitle)
#include "x11_windowtitle.moc"
