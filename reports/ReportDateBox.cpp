#include "reports/ReportDateBox.h"

#include "jobstore/NumericText.h"

#include <QTimer>

ReportDateBox::ReportDateBox(QWidget *parent) : QLineEdit(parent)
{
    setInputMask(QStringLiteral("99/99/99;_"));
    // Dates read left to right even in a right-to-left window.
    setLayoutDirection(Qt::LeftToRight);
    setAlignment(Qt::AlignCenter);
}

QString ReportDateBox::digits() const
{
    QString result;
    for (QChar ch : NumericText::toAsciiDigits(text())) {
        if (ch >= u'0' && ch <= u'9')
            result += ch;
    }
    return result;
}

void ReportDateBox::focusInEvent(QFocusEvent *event)
{
    QLineEdit::focusInEvent(event);
    // The line edit places its cursor after the focus event; select once it has.
    QTimer::singleShot(0, this, [this] {
        if (hasFocus())
            setSelection(0, 8);
    });
}
