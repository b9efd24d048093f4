// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/MaskEdBox.h"

#include "jobstore/NumericText.h"
#include "platform/System.h"

#include <QKeyEvent>

MaskEdBox::MaskEdBox(QWidget *parent) : QLineEdit(parent), m_mask(QStringLiteral("##/##/##")), m_prompt(u'_')
{
    // Dates and numbers read left to right even in a right-to-left window.
    setLayoutDirection(Qt::LeftToRight);
    applyMask();
    connect(this, &QLineEdit::inputRejected, this, &System::beep);
}

void MaskEdBox::keyPressEvent(QKeyEvent *event)
{
    // Over a selection the line edit removes the selected text before the mask refuses the key,
    // so one wrong key would wipe a whole date.
    const QString typed = event->text();
    if (hasSelectedText() && !typed.isEmpty() && typed.at(0).isPrint() && !typed.at(0).isDigit()) {
        System::beep();
        event->accept();
        return;
    }
    // A separator typed just after the one the box filled in by itself is taken, not refused.
    const int cursor = cursorPosition();
    if (typed.size() == 1 && cursor > 0 && cursor <= m_mask.size() && m_mask.at(cursor - 1) != u'#' &&
        m_mask.at(cursor - 1) == typed.at(0)) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void MaskEdBox::setMask(const QString &mask)
{
    m_mask = mask;
    applyMask();
}

void MaskEdBox::setPromptChar(QChar prompt)
{
    m_prompt = prompt;
    applyMask();
}

void MaskEdBox::applyMask()
{
    QString inputMask;
    for (QChar ch : std::as_const(m_mask)) {
        if (ch == u'#') {
            inputMask += u'0'; // a digit place that may stay empty
        } else {
            inputMask += u'\\';
            inputMask += ch;
        }
    }
    inputMask += u';';
    inputMask += m_prompt;
    setInputMask(inputMask);
}

void MaskEdBox::setMaskedText(const QString &text)
{
    const QString ascii = NumericText::toAsciiDigits(text);
    QString shown;
    int next = 0;
    for (QChar place : std::as_const(m_mask)) {
        if (place != u'#') {
            shown += place;
            continue;
        }
        while (next < ascii.size() && (ascii.at(next) < u'0' || ascii.at(next) > u'9'))
            ++next;
        shown += next < ascii.size() ? ascii.at(next++) : m_prompt;
    }
    setText(shown);
}

QString MaskEdBox::digits() const
{
    const QString shown = NumericText::toAsciiDigits(displayText());
    QString result;
    for (int i = 0; i < shown.size() && i < m_mask.size(); ++i) {
        if (m_mask.at(i) == u'#' && shown.at(i) >= u'0' && shown.at(i) <= u'9')
            result += shown.at(i);
    }
    return result;
}
