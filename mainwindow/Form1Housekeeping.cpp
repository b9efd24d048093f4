// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's housekeeping: clock, due-today count, backup and restore, hiding to the tray.
#include "mainwindow/Form1.h"
#include "ui_Form1.h"

#include "jobstore/Adodc.h"
#include "jobstore/ProgramValues.h"
#include "jobstore/Recordset.h"
#include "jobstore/file/JobDatabase.h"
#include "jobstore/server/JobChanges.h"
#include "jobstore/server/ServerWatch.h"
#include "mainwindow/DatabaseCopies.h"
#include "platform/BidiText.h"
#include "platform/LatinDigits.h"
#include "platform/MessageBox.h"
#include "solardate/Clock.h"
#include "solardate/Shamsi.h"
#include "solardate/ShamsiFactory.h"
#include "solardate/SolarCalendar.h"

#include <QDir>
#include <QFileInfo>

#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QSystemTrayIcon>
#include <QTimer>

namespace
{

const QStringList weekdayNames = {
    QStringLiteral("شنبه"),     QStringLiteral("يکشنبه"),  QStringLiteral("دوشنبه"), QStringLiteral("سه شنبه"),
    QStringLiteral("چهارشنبه"), QStringLiteral("پنجشنبه"), QStringLiteral("جمعه"),
};

QString twoDigits(int value)
{
    const QString text = QString::number(value).trimmed();
    return text.size() == 1 ? QStringLiteral("0") + text : text;
}

} // namespace

void Form1::createHousekeeping()
{
    m_shams = qobject_cast<Sorvan::Shamsi *>(Sorvan::createObject(Sorvan::ShamsiClassId, this));
    if (m_shams) {
        m_shams->setObjectName(QStringLiteral("Shams"));
        m_shams->hide();
    }
    m_shamsDay = Sorvan::Clock::today();
    m_adodc2->setObjectName(QStringLiteral("Adodc2"));
    // A file another program holds skips a tick instead of waiting: the next tick counts again.
    m_adodc2->setBusyWait(0);
    // A long list of due jobs is counted on the reading thread, and told when its count comes.
    connect(m_adodc2->recordset(), &Recordset::rowsAppended, this, &Form1::showDueCount);
    connect(m_adodc2, &Adodc::refreshed, this, &Form1::dueRefreshed);

    m_tim->setObjectName(QStringLiteral("Tim"));
    m_tim->setInterval(10);
    connect(m_tim, &QTimer::timeout, this, &Form1::onTim);
    m_tim->start();
    m_timer4->setObjectName(QStringLiteral("Timer4"));
    m_timer4->setInterval(1000);
    connect(m_timer4, &QTimer::timeout, this, &Form1::onTimer4);
    m_timer4->start();
    m_changes->watch(Program::dataSourceOf(Program::connectionTextFor(Program::dataFolder())));
    // Other counters' saves on the server reach this list and count without the clerk asking.
    connect(m_changes, &JobChanges::changed, this, [this] {
        startListRefresh();
        onTimer4();
    });

    // The list keeps the rows it had while the server does not answer; the clerk is told since when.
    auto *serverState = new QLabel(ui->DataGrid1->parentWidget());
    serverState->setObjectName(QStringLiteral("serverState"));
    serverState->setAutoFillBackground(true);
    serverState->setAlignment(Qt::AlignCenter);
    serverState->hide();
    auto *hideState = new QTimer(serverState);
    hideState->setSingleShot(true);
    hideState->setInterval(60000);
    connect(hideState, &QTimer::timeout, serverState, &QWidget::hide);
    connect(ServerWatch::instance(), &ServerWatch::answeringChanged, this, [this, serverState, hideState](bool back) {
        const QString time = QLocale::system().toString(ServerWatch::since().time(), QLocale::ShortFormat);
        serverState->setText(back ? QStringLiteral("سرور پايگاه داده از ساعت %1 دوباره پاسخ مي دهد.").arg(time)
                                  : QStringLiteral("سرور پايگاه داده از ساعت %1 پاسخ نمي دهد؛ فهرست همان است که "
                                                   "آن وقت بود.")
                                        .arg(time));
        QPalette palette = serverState->palette();
        palette.setColor(QPalette::Window, back ? QColor(0xd8, 0xf0, 0xd8) : QColor(0xff, 0xd8, 0xd8));
        serverState->setPalette(palette);
        // Over the foot of the list, whose rows stay as they were.
        const QRect grid = ui->DataGrid1->geometry();
        serverState->setGeometry(grid.left() + 1, grid.bottom() - 25, grid.width() - 2, 24);
        serverState->show();
        serverState->raise();
        if (back) {
            hideState->start();
            startListRefresh();
        } else {
            hideState->stop();
        }
    });

    connect(ui->Command15, &QPushButton::clicked, this, &Form1::backupCommand);
    connect(ui->backup, &QAction::triggered, this, &Form1::backupCommand);
    connect(ui->Command12, &QPushButton::clicked, this, &Form1::restoreCommand);
    connect(ui->restore, &QAction::triggered, this, &Form1::restoreCommand);
    connect(ui->Command8, &QPushButton::clicked, this, &Form1::hideCommand);
    connect(ui->hide1, &QAction::triggered, this, &Form1::hideCommand);
    connect(ui->view, &QAction::triggered, this, &Form1::showCommand);

    m_trayIcon1 = new QSystemTrayIcon(this);
    m_trayIcon1->setObjectName(QStringLiteral("TrayIcon1"));
    m_trayIcon1->setToolTip(QStringLiteral("نرم افزار جامع مديريت تعميرگاه موبايل"));
    m_trayIcon1->setContextMenu(ui->file);
    connect(m_trayIcon1, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::DoubleClick || reason == QSystemTrayIcon::Trigger)
            showCommand();
    });
}

void Form1::onTim()
{
    m_tim->setInterval(1000);
    ui->file->menuAction()->setVisible(true);
    // The window lives for weeks in the tray: follow the calendar past midnight.
    const QDate today = Sorvan::Clock::today();
    if (m_shams && today != m_shamsDay) {
        m_shamsDay = today;
        m_shams->refresh();
    }
    ui->L4->setText(LatinDigits::timeOfDay(Sorvan::Clock::now().time()));
    const QString weekday = m_shams ? m_shams->Emrooz() : QString();
    const qsizetype index = weekday.size() == 1 ? weekday.at(0).unicode() - u'0' : -1;
    ui->l6->setText(index >= 0 && index < weekdayNames.size() ? weekdayNames.at(index) : QString());
    ui->l5->setText(m_shams ? m_shams->Tarikh() : QString());
}

QString Form1::dueKey() const
{
    if (!m_shams)
        return QString();
    return twoDigits(m_shams->Sal().toInt() % 100) + twoDigits(m_shams->Mah().toInt()) +
           twoDigits(m_shams->Rooz().toInt());
}

void Form1::onTimer4()
{
    // The same text as at load: a restore may have closed the connection under it.
    Program::DatabaseConnection = Program::connectionTextFor(Program::dataFolder());
    const QString key = dueKey();
    if (!m_changes->takeChanged() && (key == m_countedKey || key == m_countingKey))
        return;
    m_countedKey.clear(); // counted again next tick unless this count succeeds
    m_countingKey = key;
    m_adodc2->setConnectionString(Program::DatabaseConnection);
    m_adodc2->setRecordSource(Queries::dueBy(key.toInt()));
    // Read on the reading thread: a server busy with another counter's backup answers slowly. Asked
    // before the grid is bound, which would otherwise read the first count on this thread.
    m_adodc2->refreshInBackground();
    ui->DataGrid2->setDataSource(m_adodc2);
}

void Form1::dueRefreshed(bool ok)
{
    const QString counted = std::exchange(m_countingKey, QString());
    if (!ok)
        return;
    m_countedKey = counted;
    showDueCount();
}

void Form1::showDueCount()
{
    // Until then the button keeps the figure it had: never the length of the first page alone.
    const Recordset *due = m_adodc2->recordset();
    if (due->isCounted())
        ui->Command9->setText(QStringLiteral(" تحويل امروز: ") + QStringLiteral(" %1").arg(due->availableCount()) +
                              QStringLiteral(" مورد"));
}

void Form1::backupCommand()
{
    DatabaseCopies::backup(this);
}

void Form1::restoreCommand()
{
    if (DatabaseCopies::restore(this))
        afterRestore();
}

void Form1::afterRestore()
{
    m_storeRefused = false;
    // A restored job file is a new file: watch it, not the one it replaced.
    m_changes->watch(Program::dataSourceOf(Program::DatabaseConnection));
    startListRefresh();
}

void Form1::offerNewestCopy(const QString &reason)
{
    const QString folder = isolated(QDir::toNativeSeparators(Program::dataFolder()));
    QString text =
        reason.isEmpty()
            ? QStringLiteral("در پوشه %1 فايل اطلاعات پيدا نشد و يک فايل اطلاعات خالي جديد ساخته شد.").arg(folder)
            : reason;
    // A damaged file that still shows its name is offered its own copies first; a missing one has
    // no name to go by.
    const QString identity =
        reason.isEmpty() ? QString() : JobDatabase::identity(Program::dataSourceOf(Program::DatabaseConnection));
    const std::optional<DatabaseCopies::FoundCopy> copy = DatabaseCopies::newestCopyWithJobs(identity);
    if (!copy) {
        text += reason.isEmpty() ? QStringLiteral("\nاگر پيش از اين کارهايي ثبت کرده ايد، فايل قبلي را با برگرداندن "
                                                  "پشتيبان (F7) برگردانيد.")
                                 : QStringLiteral("\nنسخه سالمي از اطلاعات پيدا نشد؛ فهرست خالي نمايش داده مي شود.\n"
                                                  "اگر نسخه پشتيباني داريد، آن را با برگرداندن پشتيبان (F7) "
                                                  "برگردانيد.");
        MessageBox::show(this, text, reason.isEmpty() ? MessageBox::Icon::Information : MessageBox::Icon::Critical);
        return;
    }
    // Enter restores only a copy of this very database (or, for a missing file, the newest copy).
    const bool sure = reason.isEmpty() || copy->sameDatabase;
    const QFileInfo file(copy->path);
    text += sure ? QStringLiteral("\n\nتازه ترين نسخه اي که کار دارد:")
            : identity.isEmpty()
                ? QStringLiteral("\n\nمعلوم نيست اين نسخه از همين فايل اطلاعات است يا از فايل اطلاعات ديگري "
                                 "(مثلا تعميرگاه ديگري روي همين کامپيوتر):")
                : QStringLiteral("\n\nنسخه اي از همين فايل اطلاعات پيدا نشد. اين نسخه از فايل اطلاعات ديگري است "
                                 "(مثلا تعميرگاه ديگري روي همين کامپيوتر):");
    text +=
        QStringLiteral("\nپوشه: %1\nفايل: %2\nتاريخ: %3 ساعت %4\nتعداد کارها: %5\n\n%6")
            .arg(isolated(QDir::toNativeSeparators(file.absolutePath())), isolated(file.fileName()),
                 isolated(Sorvan::GregorianToSolar(copy->made.date()).section(u' ', 0, 0)),
                 isolated(copy->made.toString(QStringLiteral("HH:mm"))), isolated(QString::number(copy->jobs)),
                 sure ? QStringLiteral("همين حالا اين نسخه برگردانده شود؟")
                      : QStringLiteral("فقط اگر مطمئن هستيد که همين اطلاعات شماست، آن را برگردانيد. برگردانده شود؟"));
    if (MessageBox::show(this, text, MessageBox::Icon::Question, MessageBox::Buttons::YesNo, QString(),
                         sure ? MessageBox::Answer::Yes : MessageBox::Answer::No) == MessageBox::Answer::Yes &&
        DatabaseCopies::restoreFrom(this, copy->path))
        afterRestore();
}

void Form1::hideCommand()
{
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        // With no tray there would be no way back to a hidden window.
        showMinimized();
        return;
    }
    hide();
    m_trayIcon1->setIcon(windowIcon());
    m_trayIcon1->show();
    ui->hide1->setEnabled(false);
    ui->view->setEnabled(true);
}

void Form1::showCommand()
{
    m_trayIcon1->hide();
    showNormal();
    activateWindow();
    ui->hide1->setEnabled(true);
    ui->view->setEnabled(false);
}
