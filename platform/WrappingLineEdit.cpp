// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/WrappingLineEdit.h"

#include "platform/BidiText.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTextLayout>

namespace
{
// The inner margin Qt's line edit keeps around its text.
constexpr int Margin = 2;
} // namespace

QRectF WrappingLineEdit::textRoom() const
{
    return QRectF(contentsRect()).adjusted(Margin, Margin, -Margin, -Margin);
}

void WrappingLineEdit::layOut(QTextLayout &layout) const
{
    QTextOption option(QStyle::visualAlignment(layoutDirection(), alignment()) & Qt::AlignHorizontal_Mask);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setTextDirection(hasRightToLeftLetter(text()) ? Qt::RightToLeft : layoutDirection());
    layout.setText(displayText());
    layout.setFont(font());
    layout.setTextOption(option);
    layout.setCacheEnabled(true);
    const QRectF room = textRoom();
    double y = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(room.width());
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    layout.endLayout();
    layout.setPosition(room.topLeft());
}

int WrappingLineEdit::positionAt(const QPointF &point) const
{
    QTextLayout layout;
    layOut(layout);
    const QPointF local = point - layout.position();
    for (int i = 0; i < layout.lineCount(); ++i) {
        const QTextLine line = layout.lineAt(i);
        if (local.y() < line.y() + line.height() || i + 1 == layout.lineCount())
            return line.xToCursor(local.x());
    }
    return 0;
}

void WrappingLineEdit::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QStyleOptionFrame panel;
    initStyleOption(&panel);
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &panel, &painter, this);

    QTextLayout layout;
    layOut(layout);
    QList<QTextLayout::FormatRange> selections;
    if (hasSelectedText()) {
        QTextLayout::FormatRange selection;
        selection.start = selectionStart();
        selection.length = int(selectedText().size());
        selection.format.setBackground(palette().brush(QPalette::Highlight));
        selection.format.setForeground(palette().brush(QPalette::HighlightedText));
        selections << selection;
    }
    painter.setPen(palette().color(isEnabled() ? QPalette::Text : QPalette::PlaceholderText));
    painter.setClipRect(contentsRect());
    layout.draw(&painter, QPointF(), selections);
    if (hasFocus() && !isReadOnly())
        layout.drawCursor(&painter, QPointF(), cursorPosition(), 1);
}

void WrappingLineEdit::mousePressEvent(QMouseEvent *event)
{
    QLineEdit::mousePressEvent(event);
    if (event->button() == Qt::LeftButton)
        setCursorPosition(positionAt(event->position()));
}

void WrappingLineEdit::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return QLineEdit::mouseMoveEvent(event);
    // Drag-select by the wrapped lines, not by Qt's one scrolled line.
    const int anchor = hasSelectedText() ? (cursorPosition() == selectionStart() ? selectionEnd() : selectionStart())
                                         : cursorPosition();
    const int to = positionAt(event->position());
    setSelection(anchor, to - anchor);
}

void WrappingLineEdit::mouseDoubleClickEvent(QMouseEvent *event)
{
    setCursorPosition(positionAt(event->position()));
    QLineEdit::mouseDoubleClickEvent(event);
}
