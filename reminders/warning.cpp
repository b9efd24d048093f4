// SPDX-License-Identifier: GPL-3.0-or-later
#include "reminders/warning.h"
#include "ui_warning.h"

#include "jobentry/Form3.h"
#include "jobstore/Adodc.h"
#include "jobstore/ProgramValues.h"
#include "jobstore/Queries.h"
#include "platform/ListRefresh.h"
#include "platform/MessageBox.h"
#include "platform/Twips.h"
#include "solardate/Clock.h"
#include "solardate/Shamsi.h"
#include "solardate/ShamsiFactory.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

using Sorvan::Shamsi;
using Sorvan::SolarDate;

namespace
{

const QStringList gridCaptions = {QStringLiteral("شماره رسيد"), QStringLiteral("نام مشتري"),
                                  QStringLiteral("مدل دستگاه"), QStringLiteral("وضعيت دستگاه")};
const int gridWidths[] = {1000, 1600, 1400, 1300};

SolarDate dateOf(const Shamsi *control)
{
    if (!control)
        return {};
    const SolarDate date{control->Sal().trimmed().toInt(), control->Mah().trimmed().toInt(),
                         control->Rooz().trimmed().toInt()};
    return isValidSolarDate(date) ? date : SolarDate{};
}

} // namespace

warning::warning(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::warning>()), m_adodc1(new Adodc(this)), m_timer1(new QTimer(this))
{
    ui->setupUi(this);
    createControls();
    placeControls();
    connectCommands();
    // Choosing the first day is what fills the list the first time.
    ui->Combo1->setCurrentIndex(0);
    m_timer1->start();
}

warning::~warning() = default;

void warning::createControls()
{
    m_adodc1->setObjectName(QStringLiteral("Adodc1"));
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(100);
    m_timer1->setSingleShot(true);
    m_shams = qobject_cast<Shamsi *>(Sorvan::createObject(Sorvan::ShamsiClassId, this));
    if (m_shams) {
        m_shams->setObjectName(QStringLiteral("Shams"));
        m_shams->hide();
    }
    QFont small = font();
    small.setPointSizeF(8.25);
    setFont(small);
    setGridColumns();
}

void warning::placeControls()
{
    resize(Twips::toPixels(6600), Twips::toPixels(5300));
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    Twips::place(ui->Frame1, 240, 0, 6015, 975);
    Twips::place(ui->Label1, 4680, 250, 1215, 375);
    Twips::place(ui->Label2, 2400, 250, 1215, 255);
    Twips::place(ui->Label3, 2280, 600, 3495, 255);
    Twips::place(ui->Combo1, 3840, 230, 975, 315);
    Twips::place(ui->Command1, 360, 300, 1095, 465);
    Twips::place(ui->DataGrid1, 240, 1050, 6015, 3615);
    ui->Combo1->raise();
}

void warning::connectCommands()
{
    // activated fires for every choice, the same item again included.
    connect(ui->Combo1, &QComboBox::activated, m_timer1, qOverload<>(&QTimer::start));
    connect(m_timer1, &QTimer::timeout, this, &warning::refreshList);
    connect(ui->DataGrid1, &DataGrid::dblClick, this, &warning::openCurrentJob);
    connect(ui->Command1, &QPushButton::clicked, this, &warning::close);
    connect(ListRefresh::instance(), &ListRefresh::requested, this, &warning::refreshList);
}

void warning::setGridColumns()
{
    ui->DataGrid1->setRowHeightTwips(250);
    ui->DataGrid1->setCaptions(gridCaptions);
    for (int column = 0; column < 4; ++column)
        ui->DataGrid1->setColumnWidthTwips(column, gridWidths[column]);
}

SolarDate warning::today() const
{
    // The main window's date control holds the day the program counts as today; without one, or
    // before it has filled itself, this window's own control is asked.
    if (parentWidget()) {
        const auto *mainDate = parentWidget()->findChild<Shamsi *>(QStringLiteral("Shams"), Qt::FindDirectChildrenOnly);
        const SolarDate date = dateOf(mainDate);
        if (isValidSolarDate(date))
            return date;
    }
    if (m_shams) {
        m_shams->refresh();
        const SolarDate date = dateOf(m_shams);
        if (isValidSolarDate(date))
            return date;
    }
    return Sorvan::solarFromGregorian(Sorvan::Clock::today());
}

void warning::refreshList()
{
    m_timer1->stop();
    const int daysAhead = qMax(0, ui->Combo1->currentIndex());
    // Tomorrow on the last day of a month is the first of the next month.
    SolarDate target = addSolarDays(today(), daysAhead);
    if (m_shams) {
        m_shams->setSal(QString::number(target.year));
        m_shams->setMah(QStringLiteral("%1").arg(target.month, 2, 10, QLatin1Char('0')));
        m_shams->setRooz(QStringLiteral("%1").arg(target.day, 2, 10, QLatin1Char('0')));
        target = dateOf(m_shams);
    }
    m_targetDate = solarDateNumber(target);

    Program::DatabaseConnection = Program::connectionTextFor(Program::dataFolder());
    m_adodc1->setConnectionString(Program::DatabaseConnection);
    m_adodc1->setRecordSource(Queries::dueBy(m_targetDate));
    const bool ok = m_adodc1->Refresh();
    if (ui->DataGrid1->dataSource() != m_adodc1)
        ui->DataGrid1->setDataSource(m_adodc1);
    setGridColumns();
    if (!ok)
        MessageBox::failure(this, QStringLiteral("فهرست دستگاه ها خوانده نشد."), m_adodc1->lastError());
}

void warning::openCurrentJob()
{
    Recordset *rows = m_adodc1->recordset();
    if (!ui->DataGrid1->dataSource() || rows->AbsolutePosition() < 1 || rows->IsEOF())
        return;
    bool ok = false;
    const int number = rows->Fields(0).toInt(&ok);
    if (!ok)
        return;
    Program::CurrentReceiptNumber = number;
    Form3 job(this);
    job.exec();
}
