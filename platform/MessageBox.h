// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <functional>

class QWidget;

// Every message box of the program goes through here, so a test answers it instead of a person.
class MessageBox
{
public:
    enum class Icon { None, Information, Exclamation, Critical, Question };
    enum class Buttons { Ok, YesNo };
    // None: the box went away unanswered, as when the program ends under it; it is never a No.
    enum class Answer { Ok, Yes, No, None };

    struct Request {
        QString text;
        QString title;
        Icon icon;
        Buttons buttons;
        Answer preferred; // the default button, which Enter presses
    };
    using Handler = std::function<Answer(const Request &)>;

    // A Yes/No box presses Yes on Enter unless `preferred` is No.
    static Answer show(QWidget *parent, const QString &text, Icon icon = Icon::None, Buttons buttons = Buttons::Ok,
                       const QString &title = QString(), Answer preferred = Answer::Yes);
    static void information(QWidget *parent, const QString &text, const QString &title = QString())
    {
        show(parent, text, Icon::Information, Buttons::Ok, title);
    }
    static void critical(QWidget *parent, const QString &text, const QString &title = QString())
    {
        show(parent, text, Icon::Critical, Buttons::Ok, title);
    }
    // A Yes/No question with the critical icon, as the program's confirmations have always had.
    static bool askYesNo(QWidget *parent, const QString &text, const QString &title = QString())
    {
        return show(parent, text, Icon::Critical, Buttons::YesNo, title) == Answer::Yes;
    }

    // A failure told to the clerk as a Persian sentence; the technical detail (driver text, system
    // error) goes to the error log, never into the box.
    static void failure(QWidget *parent, const QString &text, const QString &detail, Icon icon = Icon::Critical);

    // A test installs a handler; an empty handler returns to real boxes.
    static void setHandler(Handler handler);
};
