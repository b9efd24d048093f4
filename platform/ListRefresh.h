// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

// Leaving the job window (saved or not) asks every open job list to requery itself: the main
// window's list and the reminder window's.
class ListRefresh : public QObject
{
    Q_OBJECT

public:
    static ListRefresh *instance();
    static void request() { emit instance()->requested(); }

signals:
    void requested();
};
