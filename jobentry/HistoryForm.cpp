// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobentry/HistoryForm.h"

#include "jobentry/JobFieldText.h"
#include "jobstore/JobTable.h"
#include "jobstore/ProgramValues.h"
#include "jobstore/history/JobHistory.h"
#include "platform/BidiText.h"
#include "solardate/SolarCalendar.h"

#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

namespace
{

// What a registration stored: each box that was given a value, after its caption.
QStringList registeredValues(const QVariantList &values, const QStringList &captions)
{
    QStringList given;
    for (qsizetype column = 0; column < values.size() && column < captions.size(); ++column) {
        const QString text = values.at(column).isNull() ? QString() : JobFieldText::cellText(values.at(column));
        if (!text.trimmed().isEmpty())
            given << QStringLiteral("%1: %2").arg(captions.at(column), ownDirectionIsolated(text));
    }
    return given;
}

} // namespace

HistoryForm::HistoryForm(const QVariant &receiptNumber, const QStringList &captions, QWidget *parent)
    : QDialog(parent), m_list(new QTableWidget(this))
{
    setObjectName(QStringLiteral("HistoryForm"));
    setWindowTitle(QStringLiteral("تاريخچه کار %1").arg(receiptNumber.toString()));
    setLayoutDirection(Qt::RightToLeft);
    m_list->setObjectName(QStringLiteral("List1"));
    m_list->setColumnCount(4);
    m_list->setHorizontalHeaderLabels({QStringLiteral("تاريخ و ساعت"), QStringLiteral("محل ثبت"),
                                       QStringLiteral("خانه"), QStringLiteral("قبلي ← جديد")});
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->verticalHeader()->hide();
    m_list->horizontalHeader()->setStretchLastSection(true);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    resize(720, 400);
    load(receiptNumber, captions);
}

QString HistoryForm::whenText(const QDateTime &at)
{
    const QDateTime local = at.toLocalTime();
    const Sorvan::SolarDate day = Sorvan::solarFromGregorian(local.date());
    return QStringLiteral("%1/%2/%3 %4")
        .arg(day.year)
        .arg(day.month, 2, 10, QLatin1Char('0'))
        .arg(day.day, 2, 10, QLatin1Char('0'))
        .arg(local.time().toString(QStringLiteral("HH:mm")));
}

void HistoryForm::load(const QVariant &receiptNumber, const QStringList &captions)
{
    // Each value keeps its own direction: a Latin model would otherwise turn the arrow around.
    const auto cell = [](const QVariant &value) {
        return ownDirectionIsolated(value.isNull() ? QString() : JobFieldText::cellText(value));
    };
    JobHistory::Session session(Program::dataSourceOf(Program::DatabaseConnection));
    const QList<JobHistory::Change> changes = JobHistory::jobChanges(session.db(), receiptNumber);
    m_list->setRowCount(int(changes.size()));
    for (int row = 0; row < changes.size(); ++row) {
        const JobHistory::Change &change = changes.at(row);
        QString what;
        QString values;
        QStringList registered;
        if (change.action == QLatin1String("insert")) {
            what = QStringLiteral("ثبت کار");
            registered = registeredValues(JobHistory::jobValues(change.newValue), captions);
            values = registered.join(QStringLiteral("، "));
        } else if (change.action == QLatin1String("delete")) {
            what = QStringLiteral("حذف کار");
        } else if (change.action == QLatin1String("return")) {
            what = QStringLiteral("برگرداندن کار");
        } else {
            const qsizetype column = JobTable::columnNames().indexOf(change.column);
            what = column >= 0 && column < captions.size() ? captions.at(column) : change.column;
            // Read right to left, the arrow points from the old value to the new one.
            values = cell(change.oldValue) + QStringLiteral(" ← ") + cell(change.newValue);
        }
        const QStringList texts = {whenText(change.at), JobHistory::signedBy(change.counter, change.login), what,
                                   values};
        for (int column = 0; column < texts.size(); ++column)
            m_list->setItem(row, column, new QTableWidgetItem(texts.at(column)));
        // The whole registration, a box a line, where the cell is too narrow for it.
        if (!registered.isEmpty())
            m_list->item(row, int(texts.size()) - 1)->setToolTip(registered.join(u'\n'));
    }
    m_list->resizeColumnsToContents();
}
