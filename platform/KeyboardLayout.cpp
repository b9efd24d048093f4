// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/KeyboardLayout.h"

#include <QStringList>

#if defined(Q_OS_WIN)
#include <windows.h>
#elif defined(VELMORA_HAVE_X11)
#include <QGuiApplication>
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#undef Bool
#undef None
#undef Status
#undef KeyPress
#undef KeyRelease
#undef FocusIn
#undef FocusOut
#endif

namespace
{

KeyboardLayout::Handler &handlerSlot()
{
    static KeyboardLayout::Handler handler;
    return handler;
}

#if !defined(Q_OS_WIN) && defined(VELMORA_HAVE_X11)

Display *x11Display()
{
    if (!qGuiApp)
        return nullptr;
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->display() : nullptr;
}

// The layout list setxkbmap and the desktops record on the root window: rules, model, layout,
// variant and options as consecutive nul-terminated strings.
QString configuredLayouts(Display *display)
{
    const Atom rulesNames = XInternAtom(display, "_XKB_RULES_NAMES", True);
    if (rulesNames == 0)
        return QString();
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char *data = nullptr;
    const int status = XGetWindowProperty(display, DefaultRootWindow(display), rulesNames, 0, 1024, False, XA_STRING,
                                          &type, &format, &items, &after, &data);
    QString layouts;
    if (status == Success && data && format == 8) {
        const QList<QByteArray> parts = QByteArray(reinterpret_cast<const char *>(data), int(items)).split('\0');
        if (parts.size() > 2)
            layouts = QString::fromLatin1(parts.at(2));
    }
    if (data)
        XFree(data);
    return layouts;
}

void lockX11Group(const QString &layout)
{
    Display *display = x11Display();
    if (!display)
        return;
    const int group = KeyboardLayout::groupOf(configuredLayouts(display), layout);
    // XKB has four groups at most.
    if (group < 0 || group >= XkbNumKbdGroups)
        return;
    XkbLockGroup(display, XkbUseCoreKbd, unsigned(group));
    XFlush(display);
}

#endif

} // namespace

void KeyboardLayout::activate(const QString &layoutId)
{
    if (handlerSlot()) {
        handlerSlot()(layoutId);
        return;
    }
#if defined(Q_OS_WIN)
    LoadKeyboardLayoutW(reinterpret_cast<LPCWSTR>(layoutId.utf16()), KLF_ACTIVATE);
#elif defined(VELMORA_HAVE_X11)
    const QString layout = xkbLayoutFor(layoutId);
    if (!layout.isEmpty())
        lockX11Group(layout);
#endif
}

void KeyboardLayout::setHandler(Handler handler)
{
    handlerSlot() = std::move(handler);
}

QString KeyboardLayout::xkbLayoutFor(const QString &layoutId)
{
    if (layoutId == Persian)
        return QStringLiteral("ir");
    if (layoutId == UsEnglish)
        return QStringLiteral("us");
    return QString();
}

int KeyboardLayout::groupOf(const QString &layoutList, const QString &layout)
{
    const QStringList layouts = layoutList.split(u',');
    for (int group = 0; group < layouts.size(); ++group) {
        // A layout may carry a variant in parentheses, as in "ir(pes_keypad)".
        if (layouts.at(group).section(u'(', 0, 0).trimmed() == layout)
            return group;
    }
    return -1;
}
