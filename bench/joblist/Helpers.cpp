// SPDX-License-Identifier: GPL-3.0-or-later
#include "joblist/JobListBench.h"

#include "support/EventLoopGaps.h"
#include "support/JobGenerator.h"
#include "support/PrivateDocuments.h"

#include "jobentry/Form3.h"
#include "jobstore/Adodc.h"
#include "jobstore/ProgramValues.h"
#include "jobstore/Queries.h"
#include "jobstore/Recordset.h"
#include "jobstore/file/JobDatabase.h"
#include "jobstore/server/Dialect.h"
#include "mainwindow/DatabaseCopies.h"
#include "mainwindow/Form1.h"
#include "mainwindow/ProgramEnd.h"
#include "platform/DataGrid.h"
#include "platform/FileDialog.h"
#include "platform/MaskEdBox.h"
#include "platform/MessageBox.h"
#include "platform/System.h"
#include "reminders/warning.h"
#include "reports/Hform.h"
#include "solardate/Clock.h"
#include "solardate/SolarCalendar.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>

namespace JobListBench
{

double median(QList<double> times)
{
    std::sort(times.begin(), times.end());
    return times.isEmpty() ? 0 : times.at(times.size() / 2);
}

QList<double> timings(int runs, double budgetMs, const std::function<void()> &work)
{
    QList<double> times;
    QElapsedTimer spent;
    spent.start();
    for (int i = 0; i < runs && (i == 0 || spent.elapsed() < budgetMs); ++i) {
        QElapsedTimer clock;
        clock.start();
        work();
        times << clock.nsecsElapsed() / 1e6;
    }
    return times;
}

void say(const char *action, double ms, const QString &more)
{
    std::printf("%s: %.1f ms%s\n", action, ms, qPrintable(more.isEmpty() ? more : u' ' + more));
    std::fflush(stdout);
}

void settle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}
bool waitFor(const std::function<bool()> &done, int limitMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > limitMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::usleep(200);
    }
    return true;
}

int rowsOf(DataGrid *grid)
{
    return grid && grid->model() ? grid->model()->rowCount() : 0;
}

void press(QWidget *widget, int key, const QString &text)
{
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &down);
    QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &up);
}

void type(QWidget *box, QChar ch)
{
    press(box, ch.isDigit() && ch.unicode() < 128 ? Qt::Key_0 + ch.digitValue() : Qt::Key_unknown, QString(ch));
}

void focus(Form1 *form, QLineEdit *box)
{
    QApplication::setActiveWindow(form);
    box->setFocus(Qt::MouseFocusReason);
    QCoreApplication::processEvents();
}

} // namespace JobListBench
