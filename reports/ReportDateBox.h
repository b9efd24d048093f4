#pragma once

#include <QLineEdit>

// A date box with the mask "##/##/##" and "_" for the places not yet typed. Persian digits are
// accepted and read back as ASCII digits.
class ReportDateBox : public QLineEdit
{
    Q_OBJECT

public:
    explicit ReportDateBox(QWidget *parent = nullptr);

    // The digits typed, without the slashes and the prompt characters ("91/06/2_" gives "91062").
    QString digits() const;

protected:
    void focusInEvent(QFocusEvent *event) override;
};
