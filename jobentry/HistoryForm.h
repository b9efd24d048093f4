// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QStringList>
#include <QVariant>

class QTableWidget;

// The changes of one job, newest first: when (solar date and time), at which counter, which box,
// and its old and new value. It only reads: no history row is changed from here.
class HistoryForm : public QDialog
{
    Q_OBJECT

public:
    // `captions` are the job window's box captions in table1's column order.
    HistoryForm(const QVariant &receiptNumber, const QStringList &captions, QWidget *parent = nullptr);

    // A solar date and time as the windows show them.
    static QString whenText(const QDateTime &at);

private:
    void load(const QVariant &receiptNumber, const QStringList &captions);

    QTableWidget *m_list; // one change a row
};
