// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/Form1.h"
#include "ui_Form1.h"

#include "jobstore/ProgramValues.h"
#include "jobstore/server/JobChanges.h"
#include "mainwindow/AccessImports.h"
#include "platform/MessageBox.h"

#include <QTimer>

void Form1::createImportItem()
{
    auto *item = new QAction(QStringLiteral("ورود کارها از فايل Access..."), this);
    item->setObjectName(QStringLiteral("importAccess"));
    // Beside backup and restore, the other commands that bring whole job files in or out.
    const QList<QAction *> items = ui->file->actions();
    const qsizetype restore = items.indexOf(ui->restore);
    ui->file->insertAction(restore >= 0 && restore + 1 < items.size() ? items.at(restore + 1) : nullptr, item);
    connect(item, &QAction::triggered, this, &Form1::importCommand);
}

void Form1::importCommand()
{
    const QString path = Program::dataSourceOf(Program::DatabaseConnection);
    // A damaged or foreign job file takes no jobs; only db1.mdb's own Access jobs may replace it.
    if (m_storeRefused && (Program::isServer(path) || !AccessImports::isAccessFile(path))) {
        MessageBox::critical(this, QStringLiteral("فايل اطلاعات قابل استفاده نيست، پس کاري در آن وارد نمي شود.\n"
                                                  "فايل اطلاعات را با برگرداندن پشتيبان (F7) برگردانيد."));
        return;
    }
    if (!AccessImports::importFromMenu(this))
        return;
    // The jobs may have come into a file that took the Access file's place just now.
    m_storeRefused = false;
    m_changes->watch(Program::dataSourceOf(Program::DatabaseConnection));
    startListRefresh();
}

bool Form1::offerAccessImport(const QString &path)
{
    if (!Program::databaseServer().isEmpty() || !AccessImports::isAccessFile(path))
        return false;
    // Asked once the window is up; until then, and on no, the list stays empty and the file as it is.
    QTimer::singleShot(0, this, [this, path] {
        if (!AccessImports::offerAtStart(this, path))
            return;
        m_storeRefused = false;
        m_changes->watch(path);
        startListRefresh();
    });
    return true;
}
