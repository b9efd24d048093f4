// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLineEdit>

// A masked edit box: "#" marks a digit place, any other mask character is shown as it is, and an
// empty place shows the prompt character. Persian and Arabic-Indic digits are taken as digits. A
// key the mask does not take beeps and leaves the text as it was.
class MaskEdBox : public QLineEdit
{
    Q_OBJECT

public:
    explicit MaskEdBox(QWidget *parent = nullptr);

    void setMask(const QString &mask);
    QString mask() const { return m_mask; }
    void setPromptChar(QChar prompt);
    QChar promptChar() const { return m_prompt; }

    // Fills the digit places in order from the digits of `text`; mask characters in `text` are
    // skipped, so "850712" and "85/07/12" both show as 85/07/12. Extra digits are dropped.
    void setMaskedText(const QString &text);
    // The typed digits, in 0-9, without the mask characters and the prompts.
    QString digits() const;
    // The text as shown, prompts and mask characters included.
    QString maskedText() const { return displayText(); }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void applyMask();

    QString m_mask;
    QChar m_prompt;
};
