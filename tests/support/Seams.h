// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/FileDialog.h"
#include "platform/MessageBox.h"

#include <QList>
#include <QStringList>

// Answers the program's message boxes, file dialogs, beeps and quit for the length of a test,
// and records what was asked.
class Seams
{
public:
    Seams();
    ~Seams();
    Seams(const Seams &) = delete;
    Seams &operator=(const Seams &) = delete;

    QList<MessageBox::Request> messages;
    QList<MessageBox::Answer> answers; // taken from the front; Ok or No when empty
    QList<FileDialog::Request> dialogs;
    QStringList fileNames; // taken from the front; empty (cancelled) when none left
    int beeps = 0;
    int quits = 0;

    QStringList messageTexts() const;
};
