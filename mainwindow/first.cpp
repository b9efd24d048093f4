// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/first.h"

#include "jobstore/ProgramValues.h"
#include "jobstore/file/JobDatabase.h"

#include "mainwindow/Form1.h"
#include "platform/AppSetup.h"
#include "platform/Twips.h"

#include <QGuiApplication>
#include <QScreen>

#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

first::first(QWidget *parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint), m_timer1(new QTimer(this))
{
    setObjectName(QStringLiteral("first"));
    setLayoutDirection(Qt::RightToLeft);
    setFixedSize(Twips::toPixels(7200), Twips::toPixels(4320));
    AppSetup::initResources();
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());

    auto *layout = new QVBoxLayout(this);
    auto *picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("Image1"));
    picture->setPixmap(QPixmap(QStringLiteral(":/velmora/splash.png")));
    picture->setAlignment(Qt::AlignCenter);
    layout->addWidget(picture, 1);

    auto *frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("Frame1"));
    frame->setFrameShape(QFrame::StyledPanel);
    auto *frameLayout = new QVBoxLayout(frame);
    auto *description = new QLabel(QStringLiteral("نرم افزار جامع مديريت تعميرگاه موبايل"), frame);
    description->setObjectName(QStringLiteral("Label1"));
    description->setAlignment(Qt::AlignCenter);
    QFont big = description->font();
    big.setPointSizeF(big.pointSizeF() * 1.4);
    description->setFont(big);
    auto *product = new QLabel(QStringLiteral("Velmora"), frame);
    product->setObjectName(QStringLiteral("Label2"));
    product->setAlignment(Qt::AlignCenter);
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.6);
    product->setFont(big);
    frameLayout->addWidget(description);
    frameLayout->addWidget(product);
    layout->addWidget(frame);

    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(3000);
    connect(m_timer1, &QTimer::timeout, this, &first::onTimer1);
    m_timer1->start();
    JobDatabase::ensureAhead(Program::dataSourceOf(Program::connectionTextFor(Program::dataFolder())));
}

void first::onTimer1()
{
    m_timer1->stop();
    // A big file that was not closed cleanly takes its full check longer than the splash's three
    // seconds: the splash says so and waits, rather than hold the screen frozen.
    if (JobDatabase::aheadRunning()) {
        if (!m_checking) {
            m_checking = new QProgressBar(this);
            m_checking->setObjectName(QStringLiteral("checking"));
            m_checking->setRange(0, 0);
            m_checking->setFormat(QString());
            m_checkingLabel = new QLabel(QStringLiteral("فايل اطلاعات بررسي مي شود، چند لحظه صبر کنيد..."), this);
            m_checkingLabel->setObjectName(QStringLiteral("checkingLabel"));
            m_checkingLabel->setAlignment(Qt::AlignCenter);
            layout()->addWidget(m_checkingLabel);
            layout()->addWidget(m_checking);
        }
        // A file an older version wrote gets the indexes this one reads, once: how far that is can
        // be told.
        if (const JobDatabase::Building building = JobDatabase::building(); building.total > 0) {
            m_checkingLabel->setText(
                QStringLiteral("فهرست هاي فايل اطلاعات يک بار ساخته مي شود، چند لحظه صبر کنيد..."));
            m_checking->setRange(0, building.total);
            m_checking->setValue(building.done);
        }
        m_timer1->start(100);
        return;
    }
    if (!m_form1)
        m_form1 = new Form1();
    m_form1->show();
    hide();
}
