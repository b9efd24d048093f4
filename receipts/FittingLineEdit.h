// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLineEdit>

// A box of the receipt that shows its text as the paper does: a read-only one whose text is wider
// than the box wraps inside it and shrinks instead of scrolling out of sight, and while the clerk
// is not typing in it, a phone number or Latin run inside a Persian text keeps its own order.
class FittingLineEdit : public QLineEdit
{
    Q_OBJECT

public:
    using QLineEdit::QLineEdit;

    // True when the text needs more than the box's one line.
    bool overflowsLine() const;
    // True when the box draws its text itself rather than as Qt's line edit does.
    bool drawsAsOnPaper() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QRectF textRoom() const;
};
