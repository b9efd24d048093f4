// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLineEdit>

class QTextLayout;

// A one-field text box taller than a line (the job's description): its text wraps over the box's
// height instead of scrolling along one line. It stays a line edit in every other way: Enter
// leaves it, and its text holds no line breaks.
class WrappingLineEdit : public QLineEdit
{
    Q_OBJECT

public:
    using QLineEdit::QLineEdit;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    QRectF textRoom() const;
    void layOut(QTextLayout &layout) const;
    int positionAt(const QPointF &point) const;
};
