// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/Seams.h"

#include "platform/System.h"

Seams::Seams()
{
    MessageBox::setHandler([this](const MessageBox::Request &request) {
        messages << request;
        if (!answers.isEmpty())
            return answers.takeFirst();
        return request.buttons == MessageBox::Buttons::YesNo ? MessageBox::Answer::No : MessageBox::Answer::Ok;
    });
    FileDialog::setHandler([this](const FileDialog::Request &request) {
        dialogs << request;
        return fileNames.isEmpty() ? QString() : fileNames.takeFirst();
    });
    System::setBeepHandler([this] { ++beeps; });
    System::setQuitHandler([this] { ++quits; });
}

Seams::~Seams()
{
    MessageBox::setHandler({});
    FileDialog::setHandler({});
    System::setBeepHandler({});
    System::setQuitHandler({});
}

QStringList Seams::messageTexts() const
{
    QStringList texts;
    for (const MessageBox::Request &request : messages)
        texts << request.text;
    return texts;
}
