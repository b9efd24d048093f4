// SPDX-License-Identifier: GPL-3.0-or-later
// How the job window stores its job: the number check, the write, and what it does when another
// counter took the number or changed the job in the meantime.
#include "jobentry/Form3.h"
#include "ui_Form3.h"

#include "jobentry/JobFieldText.h"
#include "jobstore/Adodc.h"
#include "jobstore/JobQueries.h"
#include "jobstore/NumericText.h"
#include "jobstore/ProgramValues.h"
#include "jobstore/Queries.h"
#include "jobstore/Recordset.h"
#include "platform/MessageBox.h"

std::optional<bool> Form3::receiptNumberTaken()
{
    const double number = NumericText::numericValue(NumericText::toAsciiDigits(ui->Text1_0->text()));
    // An opened job may keep its own number, even one it already shared before.
    if (!m_newJob && m_loadedNumber.isValid() && m_loadedNumber.toDouble() == number)
        return false;
    Adodc lookup;
    lookup.setConnectionString(Program::DatabaseConnection);
    lookup.setRecordSource(JobQueries::jobsNumbered(number));
    if (!lookup.Refresh()) {
        m_checkFault = lookup.lastFault();
        m_checkError = lookup.lastError();
        return std::nullopt;
    }
    return lookup.recordset()->RecordCount() > 0;
}

std::optional<qint64> Form3::nextNumber()
{
    Adodc highest;
    highest.setConnectionString(Program::DatabaseConnection);
    highest.setRecordSource(Queries::highestNumber());
    if (!highest.Refresh())
        return std::nullopt;
    return qint64(highest.recordset()->Fields(0).toDouble()) + 1;
}

bool Form3::offerFreeNumber(const QString &taken)
{
    const QString refusal =
        QStringLiteral("شماره رسيد %1 قبلا براي کار ديگري ثبت شده است. لطفا شماره ديگري وارد کنيد").arg(taken);
    const std::optional<qint64> next = nextNumber();
    if (!next)
        return refuse(ui->Text1_0, refusal);
    // Yes is Enter: the clerk at a busy counter most often wants the next number, as F1 gives it.
    if (MessageBox::show(this,
                         refusal + QStringLiteral("،\nيا اين کار با شماره %1، شماره آزاد بعدي، ذخيره شود؟").arg(*next),
                         MessageBox::Icon::Question, MessageBox::Buttons::YesNo) != MessageBox::Answer::Yes) {
        ui->Text1_0->setFocus();
        return false;
    }
    ui->Text1_0->setText(QString::number(*next));
    return true;
}

bool Form3::writeJob()
{
    Recordset *recordset = m_adodc1->recordset();
    if (m_newJob) {
        if (!recordset->AddNew())
            return false;
    } else if (recordset->IsEOF() || recordset->IsBOF()) {
        return false;
    }
    bool ok = true;
    for (int column = 0; ok && column < JobTable::ColumnCount; ++column) {
        const QVariant value = boxValue(column);
        // An opened job stores only the boxes changed in this window: another counter's change to
        // any other box stays.
        if (!value.isValid() || (!m_newJob && value == m_shown[column]))
            continue;
        ok = recordset->setField(column, value);
    }
    // Nothing half-written stays behind: the next attempt starts again from the boxes.
    if (!ok || !recordset->Update()) {
        recordset->CancelUpdate();
        return false;
    }
    return true;
}

bool Form3::store()
{
    // A date typed just before the click reaches its hidden number first.
    if (auto *dateBox = qobject_cast<MaskEdBox *>(focusWidget()))
        dateBoxLeft(dateBox);
    CheckFields();
    if (m_fieldsOk != 1)
        return false;
    bool saved = writeJob();
    // A window open across a server outage, or a restart, carries on over a fresh connection.
    if (!saved && m_adodc1->recordset()->lastFault() == StorageFault::NoAnswer && m_adodc1->reconnect())
        saved = writeJob();
    // Another counter took the number between the check and the save.
    if (!saved && m_adodc1->recordset()->lastFault() == StorageFault::NumberTaken) {
        if (!offerFreeNumber(NumericText::toAsciiDigits(ui->Text1_0->text())))
            return false;
        saved = writeJob();
    }
    if (!saved && !settleChangedElsewhere()) {
        const StorageFault fault = m_adodc1->recordset()->lastFault();
        if (fault == StorageFault::ChangedElsewhere || fault == StorageFault::Gone)
            return false; // the clerk has chosen to look again, or not to save
        // The window stays with everything typed, so the job can be saved again or abandoned.
        const QString reason = storageFaultSentence(m_adodc1->recordset()->lastFault());
        MessageBox::failure(this, QStringLiteral("خطاي شماره 1") + (reason.isEmpty() ? QString() : u'\n' + reason),
                            m_adodc1->recordset()->lastError(), MessageBox::Icon::None);
        return false;
    }
    return true;
}

bool Form3::settleChangedElsewhere()
{
    Recordset *recordset = m_adodc1->recordset();
    if (recordset->lastFault() == StorageFault::Gone)
        return saveAsNewJob();
    if (recordset->lastFault() != StorageFault::ChangedElsewhere)
        return false;
    const QVector<int> changed = recordset->changedElsewhere();
    const QVector<QVariant> stored = recordset->storedRow();
    QStringList boxes;
    for (int column : changed)
        boxes << QStringLiteral("%1: پيشخوان ديگر «%2»، اين پنجره «%3»")
                     .arg(boxCaption(column), valueText(column, stored.value(column)),
                          valueText(column, boxValue(column)));
    const MessageBox::Answer answer = MessageBox::show(
        this,
        QStringLiteral("از وقتي اين پنجره باز شد، اين کار در پيشخوان ديگري تغيير کرده است. خانه هاي تغيير کرده:\n"
                       "%1\n\nمقدارهاي پيشخوان ديگر نگه داشته شود؟\n"
                       "بله: مقدارهاي آن پيشخوان در اين خانه ها نشان داده مي شود و تغييرهاي شما در خانه هاي ديگر "
                       "مي ماند؛ پس از ديدن آنها دوباره ذخيره کنيد.\n"
                       "خير: فقط خانه هايي که در اين پنجره تغيير داده ايد روي آنها نوشته مي شود.")
            .arg(boxes.join(u'\n')),
        MessageBox::Icon::Question, MessageBox::Buttons::YesNo);
    // A question nobody answered (the program ended under it) writes nothing.
    if (answer != MessageBox::Answer::Yes && answer != MessageBox::Answer::No)
        return false;
    QList<int> clashing;
    for (int column : changed) {
        if (changedHere(column))
            clashing << column;
    }
    recordset->acceptStoredRow();
    m_loadedNumber = stored.value(JobTable::Num);
    // A box only the other counter changed takes its value either way: writing the window's
    // old value back would undo a change the clerk never saw.
    for (int column : changed) {
        if (answer == MessageBox::Answer::Yes || !clashing.contains(column))
            takeStored(column, stored.value(column));
    }
    return answer == MessageBox::Answer::No && writeJob();
}

bool Form3::changedHere(int column) const
{
    return !JobFieldText::sameValue(boxValue(column), m_atLoad[column]);
}

void Form3::takeStored(int column, const QVariant &stored)
{
    showColumn(column, stored);
    m_shown[column] = JobFieldText::shownAsStored(boxValue(column), stored);
    m_atLoad[column] = boxValue(column);
}

QString Form3::valueText(int column, const QVariant &value) const
{
    if (!value.isValid() || value.isNull())
        return QStringLiteral("خالي");
    if (column == JobTable::DateIn || column == JobTable::DateOut) {
        const QString digits = QString::number(qint64(value.toDouble())).rightJustified(6, u'0');
        return digits == QStringLiteral("000000")
                   ? QStringLiteral("خالي")
                   : QStringLiteral("%1/%2/%3").arg(digits.left(2), digits.mid(2, 2), digits.right(2));
    }
    const QString text = JobFieldText::cellText(value);
    return text.isEmpty() ? QStringLiteral("خالي") : text;
}

bool Form3::saveAsNewJob()
{
    const std::optional<qint64> found = nextNumber();
    if (!found)
        return false;
    const qint64 next = *found;
    if (MessageBox::show(this,
                         QStringLiteral("اين کار از وقتي اين پنجره باز شد در پيشخوان ديگري حذف شده يا با برگرداندن "
                                        "پشتيبان جايگزين شده است.\nآنچه در اين پنجره است به عنوان کار تازه با شماره "
                                        "رسيد %1 ذخيره شود؟")
                             .arg(next),
                         MessageBox::Icon::Question, MessageBox::Buttons::YesNo) != MessageBox::Answer::Yes)
        return false;
    m_newJob = true;
    m_loadedNumber = QVariant();
    ui->Text1_0->setText(QString::number(next));
    return writeJob();
}
