// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <functional>

class QWidget;

// Open and save dialogs; an empty name means the clerk cancelled. A test answers through a handler.
class FileDialog
{
public:
    enum class Mode { Open, Save };
    struct Request {
        Mode mode;
        QString caption;
        QString directory;
        QString filter;
    };
    using Handler = std::function<QString(const Request &)>;

    static QString getOpenFileName(QWidget *parent, const QString &caption = QString(),
                                   const QString &directory = QString(), const QString &filter = QString());
    static QString getSaveFileName(QWidget *parent, const QString &caption = QString(),
                                   const QString &directory = QString(), const QString &filter = QString());

    static void setHandler(Handler handler);
};
