#include "mainwindow/Form1.h"
#include "platform/AppSetup.h"
#include "platform/MessageBox.h"
#include "receipts/PForm.h"
#include "support/TempJobFolder.h"

#include <QApplication>
#include <QTimer>
#include <QtTest>

#if __has_include(<X11/Xlib.h>)
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#undef Bool
#undef None
#undef Status
#undef KeyPress
#undef KeyRelease
#undef FocusIn
#undef FocusOut
#define HAVE_XLIB 1
#endif

// The title the window manager is given is the window's caption, with nothing appended.
class TestX11WindowTitle : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void titleIsTheCaption_data();
    void titleIsTheCaption();
};

enum class Shown { Main, ReceiptSettings, DeleteQuestion };
Q_DECLARE_METATYPE(Shown)

#ifdef HAVE_XLIB
static QString netWmName(QWidget *window)
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    Display *display = x11 ? x11->display() : nullptr;
    if (!display)
        return QStringLiteral("(no display)");
    const Atom name = XInternAtom(display, "_NET_WM_NAME", 0);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", 0);
    Atom type = 0;
    int format = 0;
    unsigned long length = 0, after = 0;
    unsigned char *data = nullptr;
    XGetWindowProperty(display, window->winId(), name, 0, 1024, 0, utf8, &type, &format, &length, &after, &data);
    const QString title = data ? QString::fromUtf8(reinterpret_cast<const char *>(data), int(length)) : QString();
    if (data)
        XFree(data);
    return title;
}
#endif

void TestX11WindowTitle::initTestCase()
{
#ifndef HAVE_XLIB
    QSKIP("built without Xlib");
#endif
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X server");
    QStandardPaths::setTestModeEnabled(true);
    AppSetup::setIdentity(*qApp);
}

void TestX11WindowTitle::titleIsTheCaption_data()
{
    QTest::addColumn<Shown>("window");
    QTest::addColumn<QString>("title");
    QTest::newRow("main window") << Shown::Main << "Velmora 1.6";
    QTest::newRow("receipt settings") << Shown::ReceiptSettings << "Velmora 1.6";
    QTest::newRow("delete question") << Shown::DeleteQuestion << " ";
}

void TestX11WindowTitle::titleIsTheCaption()
{
#ifdef HAVE_XLIB
    QFETCH(Shown, window);
    QFETCH(QString, title);
    TempJobFolder folder;
    Form1 main;
    switch (window) {
    case Shown::Main:
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        QTRY_COMPARE(netWmName(&main), title);
        break;
    case Shown::ReceiptSettings: {
        PForm settings(&main);
        settings.show();
        QVERIFY(QTest::qWaitForWindowExposed(&settings));
        QTRY_COMPARE(netWmName(&settings), title);
        break;
    }
    case Shown::DeleteQuestion: {
        // The real box, read while it waits for an answer.
        QString seen;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&seen, &poll, title] {
            QWidget *box = QApplication::activeModalWidget();
            if (!box || !box->isVisible())
                return;
            seen = netWmName(box);
            if (seen == title || poll.property("ticks").toInt() > 200) {
                poll.stop();
                box->close();
            }
            poll.setProperty("ticks", poll.property("ticks").toInt() + 1);
        });
        poll.start(10);
        MessageBox::askYesNo(&main, QStringLiteral("رکورد مورد نظر حذف شود ؟"), QStringLiteral(" "));
        QCOMPARE(seen, title);
        break;
    }
    }
#endif
}

QTEST_MAIN(TestX11WindowTitle)
#include "x11_windowtitle.moc"
