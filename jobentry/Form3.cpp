// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobentry/Form3.h"
#include "ui_Form3.h"

#include "jobentry/HistoryForm.h"
#include "jobentry/JobFieldText.h"
#include "jobstore/Adodc.h"
#include "jobstore/JobQueries.h"
#include "jobstore/JobTable.h"
#include "jobstore/NumericText.h"
#include "jobstore/ProgramValues.h"
#include "jobstore/Queries.h"
#include "jobstore/Recordset.h"
#include "platform/KeyboardLayout.h"
#include "platform/ListRefresh.h"
#include "platform/MaskEdBox.h"
#include "platform/MessageBox.h"
#include "platform/System.h"
#include "platform/Twips.h"
#include "receipts/DeviceLabel.h"
#include "receipts/ReceiptPrinting.h"
#include "solardate/ShamsiFactory.h"
#include "solardate/SolarCalendar.h"

#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QTimer>
#include <QValidator>

#include <algorithm>

namespace
{

const int windowWidth = 6000;
const int windowHeight = 9650;
const int rowTop = 240;
const int rowStep = 480;
const int boxWidth = 1935;
const int boxHeight = 375;
const int labelRight = 240; // from the window's right edge
const int labelWidth = 1900;
const int boxRight = labelRight + labelWidth + 60;
const int buttonTop = 8880;

// Box texts are written as typed; a box never emptied may hold a null text, which would store null.
QString asStored(const QString &text)
{
    return JobFieldText::storedText(text);
}

double numberOf(const QString &text)
{
    return NumericText::numericValue(NumericText::toAsciiDigits(text));
}

bool isAmountColumn(int column)
{
    return column == JobTable::MinP || column == JobTable::Deposit || column == JobTable::PanelP ||
           column == JobTable::EndP;
}

const QString amountMessage = QStringLiteral("براي فيلد هزينه فقط مقدار عددي مجاز است. لطفا تصحيح فرماييد");

// An amount box counts its digits, not its separators, against its limit; what else it holds is
// judged when the job is saved.
class AmountDigitsValidator : public QValidator
{
public:
    using QValidator::QValidator;

    State validate(QString &input, int &) const override
    {
        const auto digits = std::count_if(input.cbegin(), input.cend(), [](QChar ch) { return ch.isDigit(); });
        return digits > JobFieldText::amountDigits ? Invalid : Acceptable;
    }
};

} // namespace

Form3::Form3(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::Form3>()), m_adodc1(new Adodc(this)), m_timer1(new QTimer(this))
{
    ui->setupUi(this);
    createControls();
    placeControls();
    connectControls();
    loadJob();
}

Form3::~Form3() = default;

void Form3::createControls()
{
    m_text1 = {ui->Text1_0,  ui->Text1_1,  ui->Text1_2,  ui->Text1_3, ui->Text1_4,  ui->Text1_5,
               ui->Text1_6,  ui->Text1_7,  ui->Text1_8,  ui->Text1_9, ui->Text1_10, ui->Text1_11,
               ui->Text1_12, ui->Text1_13, ui->Text1_14, ui->Text1_15};
    for (int i = 0; i < int(m_text1.size()); ++i) {
        m_text1[i]->setObjectName(QStringLiteral("Text1(%1)").arg(i));
        m_text1[i]->installEventFilter(this);
        // A box at its limit says so instead of dropping keys quietly.
        connect(m_text1[i], &QLineEdit::inputRejected, this, &System::beep);
        if (isAmountColumn(i))
            m_text1[i]->setValidator(new AmountDigitsValidator(m_text1[i]));
    }
    // The date numbers behind the date boxes; a placeholder whose numeric value is 0 until a date arrives.
    for (QLineEdit *number : {ui->Text1_5, ui->Text1_6}) {
        number->hide();
        number->setFocusPolicy(Qt::NoFocus);
        number->setText(QStringLiteral("0"));
    }
    for (MaskEdBox *box : {ui->Mask1, ui->Mask2}) {
        box->setMask(QStringLiteral("##/##/##"));
        box->setPromptChar(u'_');
        box->installEventFilter(this);
    }
    ui->Combo1->addItems(JobTable::statusTexts());
    ui->Combo1->setCurrentText(JobTable::statusUnderRepair());
    ui->Combo1->installEventFilter(this);

    m_sh = Sorvan::createObject(Sorvan::ShamsiClassId, this);
    if (m_sh) {
        m_sh->setObjectName(QStringLiteral("Sh"));
        m_sh->hide();
    }
    m_adodc1->setObjectName(QStringLiteral("Adodc1"));
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(600);
    m_timer1->setSingleShot(true);

    // Enter (and Down, except in the status list) moves on in the rows' order; the technician's box
    // is reached here in its row even though Tab visits it last.
    const QList<QWidget *> rows = {ui->Text1_0,  ui->Text1_1,  ui->Text1_2,  ui->Text1_3, ui->Text1_4,  ui->Mask1,
                                   ui->Mask2,    ui->Text1_7,  ui->Text1_8,  ui->Text1_9, ui->Text1_10, ui->Text1_11,
                                   ui->Text1_12, ui->Text1_13, ui->Text1_14, ui->Combo1,  ui->Text1_15, ui->printCmd};
    for (int i = 0; i + 1 < rows.size(); ++i)
        m_enterMoves.insert(rows[i], rows[i + 1]);
}

void Form3::placeControls()
{
    // The window has no title; an empty one would show the program's name instead.
    setWindowTitle(QStringLiteral(" "));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(Twips::toPixels(windowWidth), Twips::toPixels(windowHeight));
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }

    // Right to left: a twips offset from the window's right edge becomes a left position.
    const auto placeFromRight = [](QWidget *widget, int right, int top, int width, int height) {
        Twips::place(widget, windowWidth - right - width, top, width, height);
    };
    const QList<QPair<QLabel *, QWidget *>> rows = {
        {ui->Label1, ui->Text1_0},   {ui->Label2, ui->Text1_1},   {ui->Label3, ui->Text1_2},
        {ui->Label4, ui->Text1_3},   {ui->Label5, ui->Text1_4},   {ui->Label6, ui->Mask1},
        {ui->Label7, ui->Mask2},     {ui->Label8, ui->Text1_7},   {ui->Label9, ui->Text1_8},
        {ui->Label10, ui->Text1_9},  {ui->Label11, ui->Text1_10}, {ui->Label12, ui->Text1_11},
        {ui->Label13, ui->Text1_12}, {ui->Label14, ui->Text1_13}, {ui->Label15, ui->Text1_14},
        {ui->Label16, ui->Combo1},
    };
    int top = rowTop;
    for (const auto &[label, box] : rows) {
        placeFromRight(label, labelRight, top, labelWidth, boxHeight);
        label->setAlignment(Qt::AlignLeading | Qt::AlignVCenter);
        label->setBuddy(box);
        placeFromRight(box, boxRight, top, boxWidth, boxHeight);
        top += rowStep;
    }
    placeFromRight(ui->Label17, labelRight, top, labelWidth, boxHeight);
    ui->Label17->setAlignment(Qt::AlignLeading | Qt::AlignVCenter);
    placeFromRight(ui->Text1_15, boxRight, top, 3495, 855);
    // Text, digits and dates alike hug the caption, whatever the direction of what was typed.
    for (QLineEdit *box : m_text1)
        box->setAlignment(Qt::AlignRight | Qt::AlignAbsolute | Qt::AlignVCenter);
    for (MaskEdBox *box : {ui->Mask1, ui->Mask2})
        box->setAlignment(Qt::AlignRight | Qt::AlignAbsolute | Qt::AlignVCenter);
    ui->Text1_15->setAlignment(Qt::AlignRight | Qt::AlignAbsolute | Qt::AlignTop);

    // Right to left along the bottom: leave, save, save and print the receipt, print the label.
    int right = labelRight;
    for (const auto &[button, width] : {std::pair<QPushButton *, int>{ui->Command1, 1000},
                                        {ui->Command3, 1000},
                                        {ui->printCmd, 1800},
                                        {ui->labelCmd, 1300}}) {
        placeFromRight(button, right, buttonTop, width, 450);
        right += width + 120;
    }
    // Beside the top rows, where the boxes leave the window's left side free.
    placeFromRight(ui->historyCmd, windowWidth - labelRight - 1300, rowTop, 1300, 450);
}

void Form3::connectControls()
{
    connect(ui->Command3, &QPushButton::clicked, this, &Form3::save);
    connect(ui->printCmd, &QPushButton::clicked, this, &Form3::printCommand);
    connect(ui->labelCmd, &QPushButton::clicked, this, &Form3::labelCommand);
    connect(ui->historyCmd, &QPushButton::clicked, this, &Form3::showHistory);
    connect(ui->Command1, &QPushButton::clicked, this, &Form3::reject);
    connect(m_timer1, &QTimer::timeout, this, &Form3::newJobDefaults);
    connect(ui->Text1_5, &QLineEdit::textChanged, this, [this] { dateNumberChanged(ui->Text1_5, ui->Mask1); });
    connect(ui->Text1_6, &QLineEdit::textChanged, this, [this] { dateNumberChanged(ui->Text1_6, ui->Mask2); });
}

void Form3::loadJob()
{
    ui->Text1_0->setFocus();
    m_newJob = Program::NewJobMode == 1;
    m_adodc1->setConnectionString(Program::DatabaseConnection);
    m_adodc1->setRecordSource(Queries::jobNumbered(Program::CurrentReceiptNumber));
    // A failure ends the loading quietly: the window opens with what it has, and no defaults follow.
    if (!m_adodc1->Refresh())
        return;
    // Another program may have taken the number since the check: the save itself refuses it then.
    m_adodc1->recordset()->setUniqueColumn(JobTable::Num);
    if (!m_newJob) {
        Recordset *recordset = m_adodc1->recordset();
        if (!recordset->Find(QStringLiteral("num='%1'").arg(Program::CurrentReceiptNumber)) || recordset->IsEOF())
            return;
        for (int column = 0; column < JobTable::ColumnCount; ++column) {
            const QVariant value = recordset->Fields(column);
            if (!value.isNull())
                showColumn(column, value);
        }
        rememberStored();
    }
    m_timer1->start();
}

void Form3::rememberStored()
{
    const Recordset *recordset = m_adodc1->recordset();
    m_loadedNumber = recordset->Fields(JobTable::Num);
    for (int column = 0; column < JobTable::ColumnCount; ++column) {
        m_shown[column] = JobFieldText::shownAsStored(boxValue(column), recordset->Fields(column));
        m_atLoad[column] = boxValue(column);
    }
}

void Form3::showColumn(int column, const QVariant &value)
{
    // Digits in Latin, as the list, the report and the receipt show them; the stored text is kept
    // until the clerk edits the box.
    const QString text = value.isNull() ? QString() : NumericText::toAsciiDigits(JobFieldText::cellText(value));
    if (column == JobTable::Status) {
        ui->Combo1->setCurrentText(text);
        if (QLineEdit *status = ui->Combo1->lineEdit())
            status->setCursorPosition(0);
        return;
    }
    showStored(column == JobTable::Desc ? ui->Text1_15 : m_text1[column], text);
    // A stored 0 equals the placeholder, so no change shows it by itself.
    if (column == JobTable::DateIn)
        dateNumberChanged(ui->Text1_5, ui->Mask1);
    else if (column == JobTable::DateOut)
        dateNumberChanged(ui->Text1_6, ui->Mask2);
}

QString Form3::boxCaption(int column) const
{
    const auto *label = findChild<QLabel *>(QStringLiteral("Label%1").arg(column + 1));
    return label ? label->text().remove(u':').remove(u'*').trimmed() : QString();
}

void Form3::showStored(QLineEdit *box, const QString &text)
{
    // A stored text longer than the box allows is kept whole rather than cut on the next save.
    if (text.size() > box->maxLength())
        box->setMaxLength(text.size());
    box->setText(text);
    box->setCursorPosition(0);
}

void Form3::newJobDefaults()
{
    m_timer1->stop();
    if (!m_newJob)
        return;
    // No number is offered past the highest one: the box stays empty for the clerk's own.
    if (Program::CurrentReceiptNumber > 0)
        ui->Text1_0->setText(QString::number(Program::CurrentReceiptNumber));
    // The clerk is usually in this box already: the next key replaces the number, not extends it.
    if (ui->Text1_0->hasFocus())
        ui->Text1_0->selectAll();
    ui->Combo1->setCurrentText(JobTable::statusUnderRepair());
    const Sorvan::SolarDate day = today();
    if (!Sorvan::isValidSolarDate(day))
        return;
    ui->Text1_5->setText(JobFieldText::dateNumberText(day));
    // Three real days on, across month and year ends.
    ui->Text1_6->setText(JobFieldText::dateNumberText(Sorvan::addSolarDays(day, 3)));
}

Sorvan::SolarDate Form3::today() const
{
    if (!m_sh)
        return {};
    return {m_sh->property("Sal").toString().trimmed().toInt(), m_sh->property("Mah").toString().trimmed().toInt(),
            m_sh->property("Rooz").toString().trimmed().toInt()};
}

void Form3::CheckFields()
{
    m_fieldsOk = 0;
    if (ui->Text1_1->text().isEmpty() && !refuse(ui->Text1_1, QStringLiteral("لطفا فيلد نام صاحب دستگاه را پر کنيد")))
        return;
    if (ui->Text1_2->text().isEmpty() && !refuse(ui->Text1_2, QStringLiteral("لطفا فيلد نام و مدل دستگاه را پر کنيد")))
        return;
    if (!JobFieldText::isDigitsOnly(ui->Text1_3->text()) &&
        !refuse(ui->Text1_3, QStringLiteral("براي فيلد سريال فقط مقدار عددي مجاز است. لطفا تصحيح فرماييد")))
        return;
    if (!JobFieldText::isDigitsOnly(ui->Text1_4->text()) &&
        !refuse(ui->Text1_4, QStringLiteral("براي فيلد تلفن فقط مقدار عددي مجاز است. لطفا تصحيح فرماييد")))
        return;
    const QList<QPair<MaskEdBox *, QString>> dates = {{ui->Mask1, QStringLiteral("تاريخ ورود")},
                                                      {ui->Mask2, QStringLiteral("تاريخ خروج")}};
    for (const auto &[box, caption] : dates) {
        if (!JobFieldText::isStorableDate(box->digits(), today()) &&
            !refuse(box, QStringLiteral("براي فيلد %1 يک تاريخ شمسي کامل و درست لازم است: ماه از 1 تا 12، روز در "
                                        "حد همان ماه و تا يک سال پس از امروز. لطفا تصحيح فرماييد")
                             .arg(caption)))
            return;
    }
    for (QLineEdit *amount : {ui->Text1_8, ui->Text1_9, ui->Text1_13, ui->Text1_14}) {
        if (!amount->text().isEmpty() && !JobFieldText::amountValue(amount->text()) && !refuse(amount, amountMessage))
            return;
    }
    if (!JobFieldText::receiptNumber(ui->Text1_0->text()) &&
        !refuse(ui->Text1_0,
                QStringLiteral("براي فيلد شماره رسيد فقط عدد صحيح از 1 به بالا مجاز است. لطفا تصحيح فرماييد")))
        return;
    // A second job under the same number could never be opened again: the first one always answers.
    // A number that cannot be looked up is not taken as free: it may be another customer's.
    const std::optional<bool> taken = receiptNumberTaken();
    if (!taken) {
        const QString reason = storageFaultSentence(m_checkFault);
        MessageBox::failure(this, QStringLiteral("خطاي شماره 1") + (reason.isEmpty() ? QString() : u'\n' + reason),
                            m_checkError, MessageBox::Icon::None);
        return;
    }
    if (*taken && !offerFreeNumber(NumericText::toAsciiDigits(ui->Text1_0->text())))
        return;
    m_fieldsOk = 1;
}

bool Form3::refuse(QWidget *box, const QString &message)
{
    MessageBox::show(this, message);
    box->setFocus();
    return false;
}

QVariant Form3::boxValue(int column) const
{
    switch (column) {
    case JobTable::Num:
        return JobFieldText::receiptNumber(ui->Text1_0->text()).value_or(0);
    case JobTable::Serial:
    case JobTable::Tel:
        return asStored(NumericText::toAsciiDigits(m_text1[column]->text()));
    case JobTable::DateIn:
    case JobTable::DateOut:
    case JobTable::MinP:
    case JobTable::Deposit:
    case JobTable::PanelP:
    case JobTable::EndP: {
        // An empty box leaves the stored number as it was.
        const QString text = m_text1[column]->text();
        if (text.isEmpty())
            return QVariant();
        const double value = isAmountColumn(column) ? JobFieldText::amountValue(text).value_or(0) : numberOf(text);
        return JobFieldText::storedNumber(value);
    }
    case JobTable::Status:
        return asStored(ui->Combo1->currentText());
    case JobTable::Desc:
        return asStored(ui->Text1_15->text());
    default:
        return asStored(m_text1[column]->text());
    }
}

void Form3::save()
{
    if (!store())
        return;
    ListRefresh::request();
    accept();
}

void Form3::showHistory()
{
    QStringList captions;
    for (int column = 0; column < JobTable::ColumnCount; ++column)
        captions << boxCaption(column);
    auto *history = new HistoryForm(m_loadedNumber, captions, this);
    history->setAttribute(Qt::WA_DeleteOnClose);
    history->open();
}

void Form3::printCommand()
{
    CheckFields();
    if (m_fieldsOk != 1)
        return;
    // Printed only once stored, with the number stored: a receipt for a number the save did not
    // keep would be handed over for a number another counter then gives another customer.
    if (!store())
        return;
    printReceipt();
    ListRefresh::request();
    accept();
}

void Form3::labelCommand()
{
    // As with the receipt, a label only ever carries a number the job is stored under.
    if (!store())
        return;
    // The window stays open on the job now stored, so the receipt can follow; a job just
    // registered is from here on the stored job, which the next save changes rather than adds.
    m_newJob = false;
    rememberStored();
    DeviceLabel::print(this, shownJob());
}

bool Form3::printReceipt()
{
    // A date typed just before the click reaches its hidden number first.
    if (auto *dateBox = qobject_cast<MaskEdBox *>(focusWidget()))
        dateBoxLeft(dateBox);
    // A printer failure has been told to the clerk; the job is stored all the same.
    ReceiptPrinting::print(this, shownJob());
    return true;
}

ReceiptJob Form3::shownJob() const
{
    ReceiptJob job;
    job.number = ReceiptJob::wholeNumber(ui->Text1_0->text());
    job.name = ui->Text1_1->text();
    job.device = ui->Text1_2->text();
    job.dateIn = ReceiptJob::wholeNumber(ui->Text1_5->text());
    job.dateOut = ReceiptJob::wholeNumber(ui->Text1_6->text());
    // Amounts as stored, separators and all: "15,000,000" is fifteen million, not 15.
    job.minimumCharge = NumericText::roundHalfEven(JobFieldText::amountValue(ui->Text1_8->text()).value_or(0));
    job.deposit = NumericText::roundHalfEven(JobFieldText::amountValue(ui->Text1_9->text()).value_or(0));
    job.accessories = ui->Text1_10->text();
    job.description = ui->Text1_15->text();
    return job;
}

void Form3::reject()
{
    ListRefresh::request();
    QDialog::reject();
}

bool Form3::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::FocusIn:
        // The box's own focus handling first, so the selection made here is the one that stays.
        watched->event(event);
        boxFocused(watched);
        return true;
    case QEvent::FocusOut:
        if (auto *dateBox = qobject_cast<MaskEdBox *>(watched))
            dateBoxLeft(dateBox);
        return false;
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Escape) {
            reject();
            return true;
        }
        return moveOn(watched, key);
    }
    default:
        return QDialog::eventFilter(watched, event);
    }
}

void Form3::boxFocused(QObject *box)
{
    if (auto *dateBox = qobject_cast<MaskEdBox *>(box)) {
        dateBox->setSelection(0, 8);
        return;
    }
    auto *text = qobject_cast<QLineEdit *>(box);
    if (!text || !std::count(m_text1.begin(), m_text1.end(), text))
        return;
    // The model is typed in English; every other box in Persian.
    KeyboardLayout::activate(text == ui->Text1_2 ? KeyboardLayout::UsEnglish : KeyboardLayout::Persian);
    text->selectAll();
}

bool Form3::moveOn(QObject *box, int key)
{
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    // Down keeps its list behaviour in the status box.
    if (!enter && !(key == Qt::Key_Down && box != ui->Combo1))
        return false;
    QWidget *next = m_enterMoves.value(box);
    if (!next)
        return false;
    next->setFocus(Qt::OtherFocusReason);
    return true;
}

void Form3::dateNumberChanged(QLineEdit *number, MaskEdBox *box)
{
    const QString text = number->text();
    if (text.size() < 6) {
        // Restoring the leading zeros changes the text again, and that change shows it.
        number->setText(text.rightJustified(6, u'0'));
        return;
    }
    box->setMaskedText(text);
}

void Form3::dateBoxLeft(MaskEdBox *box)
{
    QLineEdit *number = box == ui->Mask1 ? ui->Text1_5 : ui->Text1_6;
    number->setText(QString::number(qint64(NumericText::numericValue(box->digits()))));
}
