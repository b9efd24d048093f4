#pragma once

#include <QLineEdit>

// A read-only box of the receipt whose text the clerk must see whole: when it is wider than the
// box, it wraps inside the box and shrinks as it does on paper, instead of scrolling out of sight.
class FittingLineEdit : public QLineEdit
{
    Q_OBJECT

public:
    using QLineEdit::QLineEdit;

    // True when the text needs more than the box's one line.
    bool overflowsLine() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QRectF textRoom() const;
};
