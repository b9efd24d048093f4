// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The parts of bench_joblist: its helpers and its actions, one a function.

#include "jobentry/Form3.h"
#include "mainwindow/Form1.h"
#include "platform/DataGrid.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QList>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

namespace JobListBench
{

double median(QList<double> times);
// Runs `work` up to `runs` times and stops early once `budgetMs` is spent; always once. A million
// jobs on a slow build would otherwise keep the bench running for hours.
QList<double> timings(int runs, double budgetMs, const std::function<void()> &work);
void say(const char *action, double ms, const QString &more = QString());
void settle(int ms);
// Lets the events through until `done` holds, at most `limitMs`; false when it never did.
bool waitFor(const std::function<bool()> &done, int limitMs);
int rowsOf(DataGrid *grid);
void press(QWidget *widget, int key, const QString &text = QString());
void type(QWidget *box, QChar ch);
void focus(Form1 *form, QLineEdit *box);

// Times the job window from a command to the moment it shows with its job loaded, then returns
// from it as the clerk's return button does.
class JobWindowWatch : public QObject
{
public:
    JobWindowWatch() { qApp->installEventFilter(this); }
    void start()
    {
        m_ms = -1;
        m_clock.start();
    }
    bool seen() const { return m_ms >= 0; }
    double ms() const { return m_ms; }
    QString number() const { return m_number; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && m_ms < 0)
            if (auto *window = qobject_cast<Form3 *>(watched)) {
                m_ms = m_clock.nsecsElapsed() / 1e6;
                const auto *number = window->findChild<QLineEdit *>(QStringLiteral("Text1(0)"));
                m_number = number ? number->text() : QString();
                QTimer::singleShot(0, window, [window] { window->reject(); });
            }
        return false;
    }

private:
    QElapsedTimer m_clock;
    double m_ms = -1;
    QString m_number;
};
struct Bench {
    int jobs;
    bool server;
    QTemporaryDir folder;
    Form1 *form = nullptr;
    DataGrid *grid = nullptr;
    QString nextFile; // the file dialog's answer
    QStringList told; // the message boxes' first lines

    QLineEdit *box(const char *name) const { return form->findChild<QLineEdit *>(QLatin1String(name)); }
    void firstRows();
    void startCheck();
    void olderFileStart();
    void keystrokes();
    void openJob();
    void nextNumber();
    void newJobPauses();
    void waitForLastRow();
    void reminders();
    void report();
    void scroll();
    void backupAndRestore();
    void exitCopy();
    void idle();
};

} // namespace JobListBench
