// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLineEdit>
#include <QList>

class QTextLayout;

// A text box that draws what it holds with every run of digits and Latin letters in its own order,
// as the grid and the paper show it: after a Persian word, "0912-1234567" would otherwise read
// 1234567-0912, because there the hyphen no longer joins the two numbers. Only the drawing
// changes: text() is what was typed, and no mark reaches what is stored.
class OrderedLineEdit : public QLineEdit
{
    Q_OBJECT

public:
    using QLineEdit::QLineEdit;

    // Where the cursor at `position` of text() is drawn, across the box.
    qreal cursorX(int position) const;

protected:
    // A box taller than a line (the job's description) wraps its text over its height instead of
    // scrolling along one line. It stays a line edit in every other way: Enter leaves it, and its
    // text holds no line breaks.
    void setWrapping(bool wrapping) { m_wrapping = wrapping; }

    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    // The text as drawn, and where each position of text() falls in it.
    struct Shown {
        QString text;
        QList<int> at;
    };
    Shown shown() const;
    QRectF textRoom() const;
    void layOut(QTextLayout &layout, const Shown &shown) const;
    int positionAt(const QPointF &point) const;

    bool m_wrapping = false;
    mutable qreal m_scroll = 0; // how far a line wider than the box is moved to keep the cursor in it
};

// The job's description box.
class WrappingLineEdit : public OrderedLineEdit
{
    Q_OBJECT

public:
    explicit WrappingLineEdit(QWidget *parent = nullptr) : OrderedLineEdit(parent) { setWrapping(true); }
};
