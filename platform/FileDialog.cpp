#include "platform/FileDialog.h"

#include <QFileDialog>

namespace
{
FileDialog::Handler &handlerSlot()
{
    static FileDialog::Handler handler;
    return handler;
}
} // namespace

QString FileDialog::getOpenFileName(QWidget *parent, const QString &caption, const QString &directory,
                                    const QString &filter)
{
    if (handlerSlot())
        return handlerSlot()({Mode::Open, caption, directory, filter});
    return QFileDialog::getOpenFileName(parent, caption, directory, filter);
}

QString FileDialog::getSaveFileName(QWidget *parent, const QString &caption, const QString &directory,
                                    const QString &filter)
{
    if (handlerSlot())
        return handlerSlot()({Mode::Save, caption, directory, filter});
    return QFileDialog::getSaveFileName(parent, caption, directory, filter);
}

void FileDialog::setHandler(Handler handler)
{
    handlerSlot() = std::move(handler);
}
