// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "jobentry/Form3.h"
#include "jobstore/ProgramValues.h"
#include "platform/KeyboardLayout.h"
#include "platform/MaskEdBox.h"
#include "solardate/Clock.h"
#include "solardate/SolarCalendar.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <memory>

// Opens the job window the way its openers do and drives its controls by name.
struct Form3Driver {
    std::unique_ptr<Form3> form;
    QStringList layouts; // keyboard layouts asked for, in order

    Form3Driver()
    {
        KeyboardLayout::setHandler([this](const QString &id) { layouts << id; });
    }
    ~Form3Driver()
    {
        form.reset();
        KeyboardLayout::setHandler({});
        Sorvan::Clock::reset();
    }

    static void setToday(const Sorvan::SolarDate &date)
    {
        Sorvan::Clock::setNow(QDateTime(Sorvan::gregorianFromSolar(date), QTime(10, 30)));
    }

    Form3 *open(int newJobMode, qint32 receiptNumber)
    {
        Program::NewJobMode = newJobMode;
        Program::CurrentReceiptNumber = receiptNumber;
        form = std::make_unique<Form3>();
        form->show();
        if (!QTest::qWaitForWindowActive(form.get()))
            qWarning("the job window did not become active");
        return form.get();
    }

    // Opens a new job and waits for its defaults.
    Form3 *openNew(qint32 receiptNumber)
    {
        open(1, receiptNumber);
        if (!QTest::qWaitFor([this, receiptNumber] { return text(0) == QString::number(receiptNumber); }, 3000))
            qWarning("the new job's number %d did not arrive", receiptNumber);
        return form.get();
    }

    QLineEdit *box(int index) const { return form->findChild<QLineEdit *>(QStringLiteral("Text1(%1)").arg(index)); }
    QString text(int index) const { return box(index)->text(); }
    MaskEdBox *mask(int n) const { return form->findChild<MaskEdBox *>(QStringLiteral("Mask%1").arg(n)); }
    QComboBox *combo() const { return form->findChild<QComboBox *>(QStringLiteral("Combo1")); }
    QPushButton *button(const char *name) const { return form->findChild<QPushButton *>(QLatin1String(name)); }
    QWidget *widget(const QString &name) const { return form->findChild<QWidget *>(name); }

    // One key event per character: QTest::keyClicks cannot type Persian.
    static void type(QWidget *target, const QString &text)
    {
        for (QChar ch : text)
            QTest::sendKeyEvent(QTest::Click, target, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }

    // Replaces a box's text the way a clerk does: focus (which selects it all), then type.
    void fill(int index, const QString &text)
    {
        QLineEdit *target = box(index);
        target->setFocus();
        target->selectAll();
        if (text.isEmpty())
            QTest::keyClick(target, Qt::Key_Delete);
        else
            type(target, text);
    }

    QString focusName() const
    {
        QWidget *focused = QApplication::focusWidget();
        return focused ? focused->objectName() : QString();
    }

    void click(const char *name) { QTest::mouseClick(button(name), Qt::LeftButton); }
};
