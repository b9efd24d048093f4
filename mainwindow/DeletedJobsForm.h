// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QPushButton;
class QTableWidget;

// The deleted jobs not yet brought back, newest first, each with its number, customer, model, the
// date of its deletion and the counter that deleted it; "برگرداندن" puts the chosen one back.
class DeletedJobsForm : public QDialog
{
    Q_OBJECT

public:
    explicit DeletedJobsForm(QWidget *parent = nullptr);

    // Puts the job the history row `deletionId` deleted back, says so when it got a new number or
    // could not come back, and asks the job lists to show it. True when it is back.
    static bool bringBack(QWidget *parent, qint64 deletionId);

private:
    void load();
    void bringBackChosen();

    QTableWidget *m_list;     // one deleted job a row; its history row's id in the first cell's data
    QPushButton *m_returnCmd; // "برگرداندن"
};
