// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/DeletedJobsForm.h"

#include "jobentry/HistoryForm.h"
#include "jobentry/JobFieldText.h"
#include "jobstore/JobTable.h"
#include "jobstore/ProgramValues.h"
#include "jobstore/history/JobHistory.h"
#include "platform/BidiText.h"
#include "platform/ListRefresh.h"
#include "platform/MessageBox.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

DeletedJobsForm::DeletedJobsForm(QWidget *parent)
    : QDialog(parent), m_list(new QTableWidget(this)), m_returnCmd(new QPushButton(QStringLiteral("برگرداندن"), this))
{
    setObjectName(QStringLiteral("DeletedJobsForm"));
    setWindowTitle(QStringLiteral("کارهاي حذف شده"));
    setLayoutDirection(Qt::RightToLeft);
    m_list->setObjectName(QStringLiteral("List1"));
    m_returnCmd->setObjectName(QStringLiteral("returnCmd"));
    m_list->setColumnCount(5);
    m_list->setHorizontalHeaderLabels({QStringLiteral("شماره رسيد"), QStringLiteral("نام مشتري"),
                                       QStringLiteral("مدل دستگاه"), QStringLiteral("تاريخ حذف"),
                                       QStringLiteral("محل حذف")});
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->verticalHeader()->hide();
    m_list->horizontalHeader()->setStretchLastSection(true);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addWidget(m_returnCmd, 0, Qt::AlignLeading);
    resize(720, 400);
    connect(m_returnCmd, &QPushButton::clicked, this, &DeletedJobsForm::bringBackChosen);
    load();
}

void DeletedJobsForm::load()
{
    JobHistory::Session session(Program::dataSourceOf(Program::DatabaseConnection));
    const QList<JobHistory::DeletedJob> jobs = JobHistory::deletedJobs(session.db());
    m_list->setRowCount(int(jobs.size()));
    for (int row = 0; row < jobs.size(); ++row) {
        const JobHistory::DeletedJob &job = jobs.at(row);
        const auto text = [&job](int column) {
            const QVariant value = job.values.value(column);
            return value.isNull() ? QString() : JobFieldText::cellText(value);
        };
        const QStringList texts = {text(JobTable::Num), text(JobTable::Name), text(JobTable::NamePh),
                                   HistoryForm::whenText(job.at), JobHistory::signedBy(job.counter, job.login)};
        for (int column = 0; column < texts.size(); ++column)
            m_list->setItem(row, column, new QTableWidgetItem(texts.at(column)));
        m_list->item(row, 0)->setData(Qt::UserRole, job.id);
    }
    m_list->resizeColumnsToContents();
    if (!jobs.isEmpty())
        m_list->setCurrentCell(0, 0);
    m_returnCmd->setEnabled(!jobs.isEmpty());
}

void DeletedJobsForm::bringBackChosen()
{
    const int row = m_list->currentRow();
    if (row < 0)
        return;
    bringBack(this, m_list->item(row, 0)->data(Qt::UserRole).toLongLong());
    load();
}

bool DeletedJobsForm::bringBack(QWidget *parent, qint64 deletionId)
{
    JobHistory::Session session(Program::dataSourceOf(Program::DatabaseConnection));
    const JobHistory::Return back = JobHistory::bringBack(session.db(), deletionId);
    if (!back.ok) {
        MessageBox::failure(parent, QStringLiteral("کار حذف شده برگردانده نشد."),
                            session.error().isEmpty() ? back.error : session.error());
        return false;
    }
    // The list shows it while the clerk reads the message.
    ListRefresh::request();
    // Said every time: Ctrl+Z pressed where the clerk did not expect it must not bring a job back unseen.
    const QString job = back.name.trimmed().isEmpty() ? QString() : QStringLiteral(" (%1)").arg(back.name.trimmed());
    MessageBox::information(
        parent, back.renumbered
                    ? QStringLiteral("شماره رسيد قبلي اين کار گرفته شده است؛ کار%1 با شماره %2 "
                                     "برگردانده شد.")
                          .arg(job, isolated(back.number.toString()))
                    : QStringLiteral("کار شماره %1%2 برگردانده شد.").arg(isolated(back.number.toString()), job));
    return true;
}
