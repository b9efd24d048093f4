// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "mainwindow/Form1.h"
#include "platform/DataGrid.h"

#include <QtTest>

// What the main window tests read off the job list, and typing that QTest::keyClicks cannot do.
namespace MainWindowDriver
{

inline DataGrid *grid(Form1 &form)
{
    return form.findChild<DataGrid *>(QStringLiteral("DataGrid1"));
}

inline QList<int> listedNumbers(Form1 &form)
{
    QList<int> numbers;
    QAbstractItemModel *model = grid(form)->model();
    for (int row = 0; row < model->rowCount(); ++row)
        numbers << model->index(row, 0).data().toInt();
    return numbers;
}

// One key event per character, so Persian text can be typed.
inline void typeText(QWidget *box, const QString &text)
{
    for (QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(ch), Qt::NoModifier);
}

} // namespace MainWindowDriver
