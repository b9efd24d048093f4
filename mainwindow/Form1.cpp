// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/Form1.h"
#include "ui_Form1.h"

#include "jobentry/Form3.h"
#include "jobentry/JobFieldText.h"
#include "jobstore/Adodc.h"
#include "jobstore/JobQueries.h"
#include "jobstore/JobTable.h"
#include "jobstore/NumericText.h"
#include "jobstore/ProgramValues.h"
#include "jobstore/file/JobDatabase.h"
#include "jobstore/history/JobHistory.h"
#include "jobstore/server/JobChanges.h"
#include "jobstore/server/ServerWatch.h"
#include "mainwindow/AccessImports.h"
#include "mainwindow/DatabaseCopies.h"
#include "mainwindow/DeletedJobsForm.h"
#include "mainwindow/ProgramEnd.h"
#include "platform/AppSetup.h"
#include "platform/BidiText.h"
#include "platform/ErrorLog.h"
#include "platform/KeyboardLayout.h"
#include "platform/ListRefresh.h"
#include "platform/MessageBox.h"
#include "platform/System.h"
#include "platform/Twips.h"
#include "receipts/PForm.h"
#include "reminders/warning.h"
#include "reports/Hform.h"

#include <QCloseEvent>
#include <QDir>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLocale>
#include <QScreen>
#include <QStyle>
#include <QTimer>

#include <cmath>
#include <limits>
#include <utility>

namespace
{

const QStringList gridCaptions = {
    QStringLiteral("شماره رسيد"),   QStringLiteral("نام مشتري"), QStringLiteral("مدل دستگاه"),
    QStringLiteral("وضعيت دستگاه"), QStringLiteral("توضيحات"),
};
const int gridWidths[] = {1000, 1800, 1200, 1300, 2300};

// While the server does not answer, a job window could neither find its number nor save: the
// clerk is told so instead.
bool toldServerAway(QWidget *parent)
{
    if (ServerWatch::answering())
        return false;
    MessageBox::information(parent,
                            QStringLiteral("سرور پايگاه داده از ساعت %1 پاسخ نمي دهد؛ تا وقتي پاسخ ندهد کاري "
                                           "باز يا ثبت نمي شود.\nچند لحظه بعد دوباره امتحان کنيد.")
                                .arg(QLocale::system().toString(ServerWatch::since().time(), QLocale::ShortFormat)));
    return true;
}

} // namespace

Form1::Form1(QWidget *parent)
    : QMainWindow(parent), ui(std::make_unique<Ui::Form1>()), m_adodc1(new Adodc(this)), m_timer1(new QTimer(this)),
      m_tim(new QTimer(this)), m_timer4(new QTimer(this)), m_adodc2(new Adodc(this)), m_changes(new JobChanges(this))
{
    ui->setupUi(this);
    createControls();
    loadDatabase();
    connectCommands();
    createHousekeeping();
}

Form1::~Form1() = default;

void Form1::createControls()
{
    // "delete" is a C++ keyword, so the action's member has a different name from the item.
    ui->delete_->setObjectName(QStringLiteral("delete"));
    m_adodc1->setObjectName(QStringLiteral("Adodc1"));
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(20);
    m_timer1->setSingleShot(true);
    AppSetup::initResources();
    setWindowIcon(QIcon(QStringLiteral(":/velmora/icon.png")));

    ui->Command4->setIcon(style()->standardIcon(QStyle::SP_MediaSkipBackward));
    ui->Command2->setIcon(style()->standardIcon(QStyle::SP_MediaSeekBackward));
    ui->Command1->setIcon(style()->standardIcon(QStyle::SP_MediaSeekForward));
    ui->Command3->setIcon(style()->standardIcon(QStyle::SP_MediaSkipForward));
    ui->Command5->setIcon(style()->standardIcon(QStyle::SP_TrashIcon));
    // Reached by its key alone: the Edit menu offers every deleted job instead.
    addAction(ui->undoDelete);

    for (QLineEdit *box : {ui->Text1, ui->Text2, ui->Text3}) {
        box->installEventFilter(this);
        box->setAutoFillBackground(true);
    }
    ui->DataGrid1->installEventFilter(this);
    ui->Label11->installEventFilter(this);
    ui->Label12->installEventFilter(this);
    markActiveBox(ui->Text1);
    createImportItem();
}

void Form1::loadDatabase()
{
    Program::DatabaseConnection = Program::connectionTextFor(Program::dataFolder());

    resize(Twips::toPixels(11300), Twips::toPixels(8320));
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->geometry();
        move(available.x() + int((available.width() - frameGeometry().width()) / 2.0),
             available.y() + int((available.height() - frameGeometry().height()) / 2.0));
    }

    DatabaseCopies::removeStalePartialCopies();
    const QString path = Program::dataSourceOf(Program::DatabaseConnection);
    m_adodc1->setConnectionString(Program::DatabaseConnection);
    m_adodc1->setRecordSource(Queries::jobList());
    // Waits for the check the splash began, whatever the file turns out to be.
    const JobDatabase::Check check = JobDatabase::ensure(path);
    if (check.state == JobDatabase::State::NotAJobDatabase && offerAccessImport(path)) {
        m_storeRefused = true;
        SetGridColumns();
        return;
    }
    if (check.state == JobDatabase::State::Created && Program::databaseServer().isEmpty()) {
        // A clerk whose file went missing must notice now, not after the next exit.
        QTimer::singleShot(0, this, [this] { offerNewestCopy(QString()); });
    } else if (check.state != JobDatabase::State::Ready && check.state != JobDatabase::State::Created) {
        QString text;
        if (check.state == JobDatabase::State::Unreachable)
            text = QStringLiteral("پايگاه داده %1 در دسترس نيست.\nفهرست خالي نمايش داده مي شود.");
        else if (check.state == JobDatabase::State::NotAJobDatabase)
            text = QStringLiteral("فايل %1 يک پايگاه داده معتبر تعميرگاه نيست.\n"
                                  "اين فايل تغيير داده نشد و فهرست خالي نمايش داده مي شود.");
        else if (check.state == JobDatabase::State::Unreadable)
            text = QStringLiteral("فايل %1 خوانده نمي شود: اين حساب کاربري اجازه خواندن آن را ندارد.\n"
                                  "اين فايل تغيير داده نشد و فهرست خالي نمايش داده مي شود.");
        else if (check.state == JobDatabase::State::Busy)
            text = QStringLiteral("فايل %1 در دست برنامه ديگري است و خوانده نشد.\n"
                                  "فهرست خالي نمايش داده مي شود؛ برنامه را ببنديد و بعد دوباره باز کنيد.");
        else if (check.state != JobDatabase::State::Damaged)
            text = QStringLiteral("فايل %1 وجود ندارد و ساخته نشد.\nفهرست خالي نمايش داده مي شود.");
        const QString where = isolated(QDir::toNativeSeparators(path));
        // Shown once the window is up, so the clerk sees which window it belongs to.
        if (check.state == JobDatabase::State::Damaged) {
            ErrorLog::record(QStringLiteral("damaged job database %1").arg(path), check.detail);
            QTimer::singleShot(0, this, [this, where] {
                offerNewestCopy(QStringLiteral("فايل اطلاعات %1 آسيب ديده است. برنامه چيزي در آن ننوشت و آن را "
                                               "تغيير نداد.")
                                    .arg(where));
            });
        } else {
            QTimer::singleShot(0, this, [this, message = text.arg(where), detail = check.detail] {
                MessageBox::failure(this, message, detail);
            });
        }
        // Nothing must touch the file: the list stays empty, with its captions, whatever the clerk
        // types into the search boxes, until a restore or an import puts a sound file in its place.
        m_storeRefused = true;
        SetGridColumns();
        return;
    }
    ui->DataGrid1->setDataSource(m_adodc1);
    SetGridColumns();
}

void Form1::connectCommands()
{
    connect(ui->Command6, &QPushButton::clicked, this, &Form1::exitCommand);
    connect(ui->exit, &QAction::triggered, this, &Form1::exitCommand);

    connect(ui->Command4, &QToolButton::clicked, this, &Form1::moveFirst);
    connect(ui->Command2, &QToolButton::clicked, this, &Form1::movePrevious);
    connect(ui->Command1, &QToolButton::clicked, this, &Form1::moveNext);
    connect(ui->Command3, &QToolButton::clicked, this, &Form1::moveLast);
    connect(ui->Command5, &QToolButton::clicked, this, &Form1::deleteCurrent);

    for (QLineEdit *box : {ui->Text1, ui->Text2, ui->Text3})
        connect(box, &QLineEdit::textChanged, this, [this, box] { searchChanged(box); });
    connect(m_timer1, &QTimer::timeout, this, &Form1::listRefresh);
    connect(ListRefresh::instance(), &ListRefresh::requested, this, &Form1::startListRefresh);

    connect(ui->Command10, &QPushButton::clicked, this, &Form1::registerJob);
    connect(ui->newphone, &QAction::triggered, this, &Form1::registerJob);
    connect(ui->Command11, &QPushButton::clicked, this, &Form1::openCurrentJob);
    connect(ui->estelam, &QAction::triggered, this, &Form1::openCurrentJob);
    connect(ui->DataGrid1, &DataGrid::dblClick, this, &Form1::openCurrentJob);
    connect(ui->Command13, &QPushButton::clicked, this, &Form1::showModal<PForm>);
    connect(ui->pforms, &QAction::triggered, this, &Form1::showModal<PForm>);
    connect(ui->Command18, &QPushButton::clicked, this, &Form1::showModal<Hform>);
    connect(ui->hesab, &QAction::triggered, this, &Form1::showModal<Hform>);
    connect(ui->Command9, &QPushButton::clicked, this, &Form1::showModal<warning>);
    connect(ui->warn, &QAction::triggered, this, &Form1::showModal<warning>);
    connect(ui->deletedJobs, &QAction::triggered, this, &Form1::showModal<DeletedJobsForm>);
    connect(ui->undoDelete, &QAction::triggered, this, &Form1::bringBackLastDeleted);
}

void Form1::SetGridColumns()
{
    ui->DataGrid1->setRowHeightTwips(270);
    ui->DataGrid1->setCaptions(gridCaptions);
    for (int column = 0; column < 5; ++column)
        ui->DataGrid1->setColumnWidthTwips(column, gridWidths[column]);
}

int Form1::position() const
{
    return ui->DataGrid1->dataSource() ? m_adodc1->recordset()->AbsolutePosition() : 0;
}

void Form1::moveFirst()
{
    if (position() > 0 || onDeletedRow())
        m_adodc1->recordset()->MoveFirst();
}

void Form1::moveLast()
{
    if (position() > 0 || onDeletedRow())
        m_adodc1->recordset()->MoveLastWhenCounted();
}

bool Form1::onDeletedRow()
{
    return ui->DataGrid1->dataSource() && m_adodc1->recordset()->isCurrentDeleted();
}

void Form1::moveNext()
{
    if (position() <= 0 && !onDeletedRow())
        return;
    Recordset *recordset = m_adodc1->recordset();
    recordset->MoveNext();
    if (recordset->IsEOF()) {
        System::beep();
        recordset->MovePrevious();
    }
}

void Form1::movePrevious()
{
    if (position() <= 0 && !onDeletedRow())
        return;
    Recordset *recordset = m_adodc1->recordset();
    recordset->MovePrevious();
    if (recordset->IsBOF()) {
        System::beep();
        recordset->MoveNext();
    }
}

void Form1::deleteCurrent()
{
    if (position() <= 0)
        return;
    if (!MessageBox::askYesNo(this, QStringLiteral("رکورد مورد نظر حذف شود ؟"), QStringLiteral(" ")))
        return;
    Recordset *recordset = m_adodc1->recordset();
    if (!recordset->Delete()) {
        const QString reason = storageFaultSentence(recordset->lastFault());
        MessageBox::failure(this,
                            QStringLiteral("حذف رکورد انجام نشد.") + (reason.isEmpty() ? QString() : u'\n' + reason),
                            recordset->lastError());
        return;
    }
    JobHistory::Session session(Program::dataSourceOf(Program::DatabaseConnection));
    m_lastDeletion = JobHistory::lastDeletionHere(session.db());
}

void Form1::bringBackLastDeleted()
{
    if (m_lastDeletion > 0)
        DeletedJobsForm::bringBack(this, std::exchange(m_lastDeletion, 0));
}

void Form1::registerJob()
{
    if (toldServerAway(this))
        return;
    if (!ui->DataGrid1->dataSource()) {
        const QString path = Program::dataSourceOf(Program::DatabaseConnection);
        if (!Program::isServer(path) && AccessImports::isAccessFile(path))
            MessageBox::critical(
                this, QStringLiteral("فايل اطلاعات %1 هنوز فايل Access است، پس کار تازه اي در آن ثبت نمي شود.\n"
                                     "کارهاي آن را با «ورود کارها از فايل Access...» در منوي فايل به برنامه "
                                     "بياوريد؛ بعد مي توانيد کار تازه ثبت کنيد.")
                          .arg(isolated(QDir::toNativeSeparators(path))));
        else
            MessageBox::critical(this, QStringLiteral("فايل اطلاعات قابل استفاده نيست، پس کار تازه اي ثبت نمي شود.\n"
                                                      "فايل اطلاعات را با برگرداندن پشتيبان (F7) برگردانيد."));
        return;
    }
    for (QLineEdit *box : {ui->Text1, ui->Text2, ui->Text3})
        box->setText(QString());
    // With every box empty the list after the save is the receipt box's: its count and last row come
    // from the numbers' index, not from reading every job's name or model.
    m_searchBox = ui->Text1;
    // The highest number stored, not the row under the cursor: after a delete or a narrow search the
    // last listed job need not carry it. The list's last row is only asked when that fails.
    qint64 next = 1;
    Adodc highest;
    highest.setConnectionString(Program::DatabaseConnection);
    highest.setRecordSource(Queries::highestNumber());
    if (highest.Refresh() && highest.recordset()->RecordCount() == 1) {
        next = qint64(std::floor(highest.recordset()->Fields(0).toDouble())) + 1;
    } else if (highest.lastFault() == StorageFault::NoAnswer && toldServerAway(this)) {
        return;
    } else if (position() > 0 || onDeletedRow()) {
        Recordset *recordset = m_adodc1->recordset();
        recordset->MoveLast();
        if (recordset->AbsolutePosition() > 0)
            next = qint64(recordset->Fields(0).toDouble()) + 1;
    }
    // The clerk types a free number into the empty, focused box of the window that opens next.
    const bool numberLeft = next <= std::numeric_limits<qint32>::max();
    if (!numberLeft)
        MessageBox::critical(
            this, QStringLiteral("شماره رسيد به بزرگترين عدد ممکن (%1) رسيده است و شماره بعدي ساخته نمي شود.\n"
                                 "لطفا شماره رسيد را در پنجره ثبت خودتان وارد کنيد.")
                      .arg(isolated(QString::number(std::numeric_limits<qint32>::max()))));
    Program::NewJobMode = 1;
    Program::CurrentReceiptNumber = numberLeft ? qint32(next) : 0;
    showModal<Form3>();
}

void Form1::openCurrentJob()
{
    if (position() <= 0 || toldServerAway(this))
        return;
    Program::CurrentReceiptNumber = qint32(m_adodc1->recordset()->Fields(0).toDouble());
    showModal<Form3>();
}

void Form1::openTypedJob()
{
    const QString typed = ui->Text1->text().trimmed();
    if (typed.isEmpty() || m_storeRefused || toldServerAway(this))
        return;
    // A number no receipt can carry (0, past the largest) is no job's either.
    const std::optional<qint32> number = JobFieldText::receiptNumber(typed);
    bool found = false;
    if (number) {
        Adodc lookup;
        lookup.setConnectionString(Program::DatabaseConnection);
        lookup.setRecordSource(JobQueries::jobsNumbered(*number));
        if (!lookup.Refresh()) {
            if (lookup.lastFault() != StorageFault::NoAnswer || !toldServerAway(this))
                MessageBox::failure(this, QStringLiteral("کار شماره %1 خوانده نشد.").arg(*number), lookup.lastError());
            return;
        }
        found = lookup.recordset()->RecordCount() > 0;
    }
    if (found) {
        Program::CurrentReceiptNumber = *number;
        showModal<Form3>();
    } else {
        MessageBox::information(this, QStringLiteral("کاري با شماره رسيد %1 ثبت نشده است.").arg(typed));
    }
    // The next scan replaces the number instead of running on from it.
    ui->Text1->selectAll();
}

template <class Window> void Form1::showModal()
{
    m_lastDeletion = 0;
    Window window(this);
    window.exec();
}

void Form1::exitCommand()
{
    ProgramEnd::finish(this);
}

void Form1::startListRefresh()
{
    m_timer1->start();
}

void Form1::closeEvent(QCloseEvent *event)
{
    event->ignore();
    exitCommand();
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease && (watched == ui->Label11 || watched == ui->Label12)) {
        if (watched == ui->Label11)
            backupCommand();
        else
            restoreCommand();
        return true;
    }
    if (event->type() == QEvent::FocusIn) {
        // Focus coming back with the window (after the job window, a menu) is not the clerk
        // entering the box; requerying then would lose the row the list refresh returns to.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        const bool entered = reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
        if (auto *box = qobject_cast<QLineEdit *>(watched); entered && box && fieldOf(box) != Queries::SearchField(-1))
            searchFocused(box);
    } else if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (watched == ui->Text1 && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            openTypedJob();
            return true;
        }
        if (watched == ui->Text1)
            return filterReceiptKey(key);
        if (watched == ui->DataGrid1 && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            openCurrentJob();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

Queries::SearchField Form1::fieldOf(const QLineEdit *box) const
{
    if (box == ui->Text1)
        return Queries::SearchField::ReceiptNumber;
    if (box == ui->Text2)
        return Queries::SearchField::CustomerName;
    if (box == ui->Text3)
        return Queries::SearchField::DeviceModel;
    return Queries::SearchField(-1);
}

void Form1::searchChanged(QLineEdit *box)
{
    m_searchBox = box;
    m_searchText = box->text();
    if (m_storeRefused)
        return;
    m_adodc1->setConnectionString(Program::DatabaseConnection);
    m_adodc1->setRecordSource(Queries::jobListSearch(fieldOf(box), m_searchText));
    ui->DataGrid1->setDataSource(m_adodc1);
    if (!m_adodc1->Refresh())
        return; // a rejected search leaves the list as the query left it, without a message
    SetGridColumns();
}

void Form1::searchFocused(QLineEdit *box)
{
    markActiveBox(box);
    if (box == ui->Text2)
        KeyboardLayout::activate(KeyboardLayout::Persian);
    else if (box == ui->Text3)
        KeyboardLayout::activate(KeyboardLayout::UsEnglish);
    m_savedBoxText = box->text();
    // Entering a box always re-applies its search, even when its text did not change.
    box->setText(QStringLiteral("ed432"));
    box->setText(m_savedBoxText);
}

void Form1::markActiveBox(QLineEdit *box)
{
    m_activeBox = box;
    for (QLineEdit *each : {ui->Text1, ui->Text2, ui->Text3}) {
        QPalette palette = each->palette();
        const QColor colour = each == box ? QGuiApplication::palette().color(QPalette::Active, QPalette::Base)
                                          : QGuiApplication::palette().color(QPalette::Disabled, QPalette::Text);
        palette.setColor(QPalette::Base, colour);
        palette.setColor(QPalette::Window, colour);
        each->setPalette(palette);
    }
}

bool Form1::filterReceiptKey(QKeyEvent *event)
{
    const QString typed = event->text();
    // Navigation and editing keys are not characters, nor are Ctrl+Z and the like, whatever text they carry.
    if (typed.isEmpty() || event->key() == Qt::Key_Backspace || !typed.at(0).isPrint() ||
        event->modifiers().testFlag(Qt::ControlModifier))
        return false;
    const QString ascii = NumericText::toAsciiDigits(typed);
    if (ascii.size() == 1 && ascii.at(0) >= u'0' && ascii.at(0) <= u'9') {
        if (ascii != typed) {
            // A Persian keyboard's number row: the box holds 0-9 all the same.
            ui->Text1->insert(ascii);
            return true;
        }
        return false;
    }
    return true;
}

void Form1::listRefresh()
{
    // Another counter's change heard during the exit copy waits for it: the list is read again
    // only if the program goes on (a session's save), not while the copy holds the server.
    if (ProgramEnd::makingExitCopy()) {
        m_timer1->start();
        return;
    }
    m_timer1->stop();
    const int previous = position() - 1;
    const bool hadCurrent = previous >= 0;
    const bool hadRows = ui->DataGrid1->dataSource() && m_adodc1->recordset()->availableCount() > 0;
    // The search the list shows, whichever box has the focus: a box can take typing without the
    // focus change that marks it (a click into a window not yet active), and another counter's save
    // must not widen the list under the clerk's search.
    searchChanged(m_searchBox ? m_searchBox : ui->Text1);
    Recordset *recordset = m_adodc1->recordset();
    if (Program::NewJobMode == 1) {
        recordset->MoveLastWhenCounted();
        Program::NewJobMode = 0;
    } else if (!hadCurrent && hadRows) {
        // After a delete no job is current until the clerk picks one, however often the list is read.
        if (recordset->AbsolutePosition() > 0)
            recordset->Move(-recordset->AbsolutePosition());
    } else if (recordset->availableCount() > 0) {
        recordset->MoveFirst();
        if (previous > 0 && previous < recordset->availableCount())
            recordset->Move(previous);
        // A row past the first page is gone back to once counted, the count off the window's thread.
        else if (previous > 0)
            recordset->moveWhenCounted(previous);
    }
}
