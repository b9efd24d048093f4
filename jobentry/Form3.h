// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "jobstore/JobTable.h"
#include "jobstore/StorageFault.h"
#include "receipts/ReceiptJob.h"

#include <QDialog>
#include <QHash>
#include <QList>
#include <QVariant>
#include <array>
#include <memory>
#include <optional>

class Adodc;
class MaskEdBox;
class QLineEdit;
class QTimer;

namespace Ui
{
class Form3;
}

namespace Sorvan
{
struct SolarDate;
}

// The job window: registers a new job (Program::NewJobMode 1) under Program::CurrentReceiptNumber,
// or shows and changes the job with that receipt number (NewJobMode 0). The opener sets both values
// and then runs it modally: `Form3 form(owner); form.exec();`
class Form3 : public QDialog
{
    Q_OBJECT

public:
    explicit Form3(QWidget *parent = nullptr);
    ~Form3() override;

    // 1 when the last check of the boxes passed, 0 otherwise.
    int FieldsOk() const { return m_fieldsOk; }

    // The return action: Command1, Esc and the window's close box all leave without saving.
    void reject() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    void placeControls();
    void connectControls();
    void loadJob();
    void showColumn(int column, const QVariant &value);
    void showStored(QLineEdit *box, const QString &text);
    QVariant boxValue(int column) const;
    QString boxCaption(int column) const;
    void newJobDefaults();
    Sorvan::SolarDate today() const; // from Sh; invalid when it has no date

    void CheckFields();
    bool refuse(QWidget *box, const QString &message);
    // Whether another job holds the typed number; empty when it could not be read (lastFault says why).
    std::optional<bool> receiptNumberTaken();
    // Offers the number after the highest stored one for a number found taken; true when the clerk
    // took it and the box now holds it.
    bool offerFreeNumber(const QString &taken);
    std::optional<qint64> nextNumber();
    void takeStored(int column, const QVariant &stored);
    bool changedHere(int column) const;
    QString valueText(int column, const QVariant &value) const;
    bool writeJob();
    void save();
    // Writes the job, settling a change made elsewhere with the clerk; true when it is stored.
    bool store();
    // After a save found the job changed or gone at another counter; true when it was then saved.
    bool settleChangedElsewhere();
    bool saveAsNewJob();
    void printCommand();
    void showHistory();
    // Prints the job's receipt before it is saved. Returns false only when the job must stay unsaved
    // with the window open; a printer failure shows its own message and still lets the job be saved.
    bool printReceipt();
    // Ctrl+L: stores the job as it stands, then prints its device label; the window stays open.
    void labelCommand();
    // What the receipt and the label show of the job, from the boxes.
    ReceiptJob shownJob() const;
    // The stored row's values as what the boxes now stand for: the next save writes only later changes.
    void rememberStored();

    void boxFocused(QObject *box);
    bool moveOn(QObject *box, int key);
    void dateNumberChanged(QLineEdit *number, MaskEdBox *box);
    void dateBoxLeft(MaskEdBox *box);

    std::unique_ptr<Ui::Form3> ui;
    std::array<QLineEdit *, 16> m_text1{};
    QWidget *m_sh = nullptr; // today's solar date, read through its Sal, Mah and Rooz
    Adodc *m_adodc1;
    QTimer *m_timer1; // the defaults of a new job, 600 ms after loading, once
    QHash<QObject *, QWidget *> m_enterMoves;
    bool m_newJob = false;
    QVariant m_loadedNumber; // the receipt number the opened job had when it was loaded
    // What each box would store as the opened job was shown: a save writes only the boxes changed since.
    std::array<QVariant, JobTable::ColumnCount> m_shown{};
    // What each box held as the opened job was shown or last took a stored value: the boxes the clerk changed.
    std::array<QVariant, JobTable::ColumnCount> m_atLoad{};
    StorageFault m_checkFault = StorageFault::None;
    QString m_checkError;
    int m_fieldsOk = 0;
};
