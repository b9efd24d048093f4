// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <functional>

// Makes a keyboard layout current when the clerk enters a box meant for Persian or for English.
// The layouts are named by their Windows identifiers, as shops have always configured them.
class KeyboardLayout
{
public:
    static inline const QString Persian = QStringLiteral("00000429");
    static inline const QString UsEnglish = QStringLiteral("00000409");

    // On Windows the layout is loaded and activated. On X11 the keyboard group whose layout is
    // "ir" (Persian) or "us" (US English) is locked, when the user has that layout configured.
    // Elsewhere, and for an unknown identifier, nothing happens. The result is not reported:
    // a missing layout must never stop the clerk from typing.
    static void activate(const QString &layoutId);

    // A test installs a handler that receives every request instead of the system; an empty
    // handler returns to the system.
    using Handler = std::function<void(const QString &layoutId)>;
    static void setHandler(Handler handler);

    // The XKB layout name ("ir", "us") of a Windows layout identifier; empty when unknown.
    static QString xkbLayoutFor(const QString &layoutId);
    // The group (0-based) of `layout` in an XKB layout list such as "us,ir"; -1 when absent.
    static int groupOf(const QString &layoutList, const QString &layout);
};
