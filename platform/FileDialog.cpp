// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileDialog.h"

#include "platform/FileListColumns.h"
#include "platform/OwnDirectionDelegate.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLayout>
#include <QLineEdit>
#include <QListView>
#include <QSplitter>
#include <QTimer>
#include <QTreeView>

namespace
{
FileDialog::Handler &handlerSlot()
{
    static FileDialog::Handler handler;
    return handler;
}

// A path reads from its leading slash on the left, whatever the layout around it; the date column
// is as wide as its dates, which are unreadable cut in the middle.
void fitToRightToLeft(QFileDialog &dialog)
{
    for (const char *name : {"treeView", "listView"}) {
        if (auto *view = dialog.findChild<QAbstractItemView *>(QLatin1String(name)))
            view->setItemDelegate(new OwnDirectionDelegate(view));
    }
    if (auto *details = dialog.findChild<QTreeView *>(QStringLiteral("treeView")))
        details->header()->setSectionResizeMode(3, QHeaderView::ResizeToContents);
    // Wide enough for every column: scrolled from the right, the date would be cut at the left.
    dialog.resize(qMax(dialog.width(), 760), qMax(dialog.height(), 460));
    if (auto *lookIn = dialog.findChild<QComboBox *>(QStringLiteral("lookInCombo")))
        lookIn->setLayoutDirection(Qt::LeftToRight);
    if (auto *name = dialog.findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
        name->setLayoutDirection(Qt::LeftToRight);
    // Room between the labels and the window's edge, and a sidebar wide enough for its places.
    if (dialog.layout())
        dialog.layout()->setContentsMargins(12, 12, 12, 12);
    if (auto *sidebar = dialog.findChild<QListView *>(QStringLiteral("sidebar"))) {
        const int width = qMax(sidebar->sizeHintForColumn(0) + 2 * sidebar->frameWidth() + 24,
                               sidebar->fontMetrics().averageCharWidth() * 18);
        sidebar->setMinimumWidth(width);
        sidebar->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        if (auto *splitter = dialog.findChild<QSplitter *>(QStringLiteral("splitter")))
            splitter->setSizes({width, qMax(splitter->width() - width, width)});
    }
    // A filter such as "*.jpg" has no letter to set its direction and read "jpg.*".
    if (auto *types = dialog.findChild<QComboBox *>(QStringLiteral("fileTypeCombo")))
        types->setLayoutDirection(Qt::LeftToRight);
}

QString ask(QWidget *parent, const FileDialog::Request &request)
{
    QFileDialog dialog(parent, request.caption, request.directory, request.filter);
    if (request.mode == FileDialog::Mode::Save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    dialog.setProxyModel(new FileListColumns(&dialog));
    // Qt builds its own dialog's controls only as it is shown.
    QTimer::singleShot(0, &dialog, [&dialog] { fitToRightToLeft(dialog); });
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.selectedFiles().value(0);
}

} // namespace

QString FileDialog::getOpenFileName(QWidget *parent, const QString &caption, const QString &directory,
                                    const QString &filter)
{
    const Request request{Mode::Open, caption, directory, filter};
    if (handlerSlot())
        return handlerSlot()(request);
    return ask(parent, request);
}

QString FileDialog::getSaveFileName(QWidget *parent, const QString &caption, const QString &directory,
                                    const QString &filter)
{
    const Request request{Mode::Save, caption, directory, filter};
    if (handlerSlot())
        return handlerSlot()(request);
    return ask(parent, request);
}

void FileDialog::setHandler(Handler handler)
{
    handlerSlot() = std::move(handler);
}
