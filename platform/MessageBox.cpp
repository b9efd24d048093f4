// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/MessageBox.h"

#include "platform/BidiText.h"
#include "platform/ErrorLog.h"

#include <QMessageBox>

namespace
{
MessageBox::Handler &handlerSlot()
{
    static MessageBox::Handler handler;
    return handler;
}
} // namespace

MessageBox::Answer MessageBox::show(QWidget *parent, const QString &text, Icon icon, Buttons buttons,
                                    const QString &title, Answer preferred)
{
    const Request request{text, title, icon, buttons,
                          buttons == Buttons::Ok    ? Answer::Ok
                          : preferred == Answer::No ? Answer::No
                                                    : Answer::Yes};
    if (handlerSlot())
        return handlerSlot()(request);

    QMessageBox box(parent);
    // An empty title would be filled in with the program's name by the window system: a blank
    // keeps it empty.
    box.setWindowTitle(title.isEmpty() ? QStringLiteral(" ") : title);
    box.setText(withPathsUnbroken(isolateLeftToRightRuns(text)));
    box.setLayoutDirection(Qt::RightToLeft);
    switch (icon) {
    case Icon::None:
        break;
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case Icon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case Icon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case Icon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    }
    if (buttons == Buttons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(request.preferred == Answer::No ? QMessageBox::No : QMessageBox::Yes);
        switch (box.exec()) {
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        default:
            return Answer::None;
        }
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return Answer::Ok;
}

void MessageBox::failure(QWidget *parent, const QString &text, const QString &detail, Icon icon)
{
    ErrorLog::record(text, detail);
    show(parent, text, icon, Buttons::Ok);
}

void MessageBox::setHandler(Handler handler)
{
    handlerSlot() = std::move(handler);
}
