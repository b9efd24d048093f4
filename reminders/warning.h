// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "solardate/SolarCalendar.h"

#include <QDialog>
#include <memory>

class Adodc;
class QTimer;

namespace Sorvan
{
class Shamsi;
}

namespace Ui
{
class warning;
}

// The devices to hand back by today, tomorrow or the day after, with every overdue device not yet
// delivered; a double-click opens one in the job window.
class warning : public QDialog
{
    Q_OBJECT

public:
    explicit warning(QWidget *parent = nullptr);
    ~warning() override;

    // Rebuilds the list for the chosen day; runs on Timer1's tick.
    void refreshList();
    void openCurrentJob();

    // The date number the list was last built for (0 before the first refresh).
    int targetDateNumber() const { return m_targetDate; }
    Adodc *adodc1() const { return m_adodc1; }

private:
    void createControls();
    void placeControls();
    void connectCommands();
    void setGridColumns();
    Sorvan::SolarDate today() const;

    std::unique_ptr<Ui::warning> ui;
    Adodc *m_adodc1;
    Sorvan::Shamsi *m_shams = nullptr; // scratch holder of the target date
    QTimer *m_timer1;                  // one-shot refresh 100 ms after each choice
    int m_targetDate = 0;
};
