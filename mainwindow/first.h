// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTimer>
#include <QWidget>

class Form1;
class QLabel;
class QProgressBar;

// The splash window: shown first, opens the main window three seconds later and hides itself.
class first : public QWidget
{
    Q_OBJECT

public:
    explicit first(QWidget *parent = nullptr);

    Form1 *mainWindow() const { return m_form1; }

private:
    void onTimer1();

    QTimer *m_timer1;
    Form1 *m_form1 = nullptr;
    QProgressBar *m_checking = nullptr; // shown while the start's check outlasts the splash
    QLabel *m_checkingLabel = nullptr;  // what the check is doing: reading the file or building its indexes
};
