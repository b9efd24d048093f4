// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/OrderedLineEdit.h"

#include "platform/BidiText.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTextLayout>

#include <algorithm>

namespace
{
// The inner margin Qt's line edit keeps around its text.
constexpr int Margin = 2;
} // namespace

OrderedLineEdit::Shown OrderedLineEdit::shown() const
{
    const QString plain = displayText();
    Shown result{isolateLeftToRightRuns(plain), QList<int>(plain.size() + 1, 0)};
    // The isolates are only ever added: each position follows the character before it.
    qsizetype p = 0;
    for (qsizetype k = 0; k < result.text.size() && p < plain.size(); ++k) {
        if (result.text[k] == plain[p])
            result.at[++p] = int(k + 1);
    }
    if (p != plain.size()) {
        result.text = plain;
        for (qsizetype i = 0; i < result.at.size(); ++i)
            result.at[i] = int(i);
    }
    return result;
}

QRectF OrderedLineEdit::textRoom() const
{
    return QRectF(contentsRect()).adjusted(Margin, Margin, -Margin, -Margin);
}

void OrderedLineEdit::layOut(QTextLayout &layout, const Shown &shown) const
{
    QTextOption option(QStyle::visualAlignment(layoutDirection(), alignment()) & Qt::AlignHorizontal_Mask);
    option.setWrapMode(m_wrapping ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    option.setTextDirection(hasRightToLeftLetter(shown.text) ? Qt::RightToLeft : layoutDirection());
    layout.setText(shown.text);
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
    if (m_wrapping || layout.lineCount() != 1) {
        layout.setPosition(room.topLeft());
        return;
    }
    // One line, centred in the box's height; wider than the box, it moves to keep the cursor seen.
    QTextLine line = layout.lineAt(0);
    const qreal width = line.naturalTextWidth();
    if (width <= room.width()) {
        m_scroll = 0;
    } else {
        line.setLineWidth(width);
        const qreal cursor = line.cursorToX(shown.at.value(cursorPosition()));
        qreal scroll = m_scroll;
        if (cursor + scroll < 0)
            scroll = -cursor;
        else if (cursor + scroll > room.width())
            scroll = room.width() - cursor;
        m_scroll = std::clamp(scroll, room.width() - width, 0.0);
    }
    layout.setPosition(QPointF(room.left() + m_scroll, room.top() + (room.height() - line.height()) / 2));
}

int OrderedLineEdit::positionAt(const QPointF &point) const
{
    const Shown text = shown();
    QTextLayout layout;
    layOut(layout, text);
    const QPointF local = point - layout.position();
    int at = 0;
    for (int i = 0; i < layout.lineCount(); ++i) {
        const QTextLine line = layout.lineAt(i);
        if (local.y() < line.y() + line.height() || i + 1 == layout.lineCount()) {
            at = line.xToCursor(local.x());
            break;
        }
    }
    // The last position of text() drawn at or before that place.
    const auto after = std::upper_bound(text.at.cbegin(), text.at.cend(), at);
    return int(std::max<qsizetype>(0, std::distance(text.at.cbegin(), after) - 1));
}

qreal OrderedLineEdit::cursorX(int position) const
{
    const Shown text = shown();
    QTextLayout layout;
    layOut(layout, text);
    const int at = text.at.value(std::clamp(position, 0, int(text.at.size()) - 1));
    for (int i = 0; i < layout.lineCount(); ++i) {
        const QTextLine line = layout.lineAt(i);
        if (at <= line.textStart() + line.textLength() || i + 1 == layout.lineCount())
            return layout.position().x() + line.cursorToX(at);
    }
    return layout.position().x();
}

void OrderedLineEdit::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QStyleOptionFrame panel;
    initStyleOption(&panel);
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &panel, &painter, this);

    const Shown text = shown();
    QTextLayout layout;
    layOut(layout, text);
    QList<QTextLayout::FormatRange> selections;
    if (hasSelectedText()) {
        QTextLayout::FormatRange selection;
        selection.start = text.at.value(selectionStart());
        selection.length = text.at.value(selectionEnd()) - selection.start;
        selection.format.setBackground(palette().brush(QPalette::Highlight));
        selection.format.setForeground(palette().brush(QPalette::HighlightedText));
        selections << selection;
    }
    painter.setPen(palette().color(isEnabled() ? QPalette::Text : QPalette::PlaceholderText));
    painter.setClipRect(contentsRect());
    layout.draw(&painter, QPointF(), selections);
    if (hasFocus() && !isReadOnly())
        layout.drawCursor(&painter, QPointF(), text.at.value(cursorPosition()), 1);
}

void OrderedLineEdit::mousePressEvent(QMouseEvent *event)
{
    QLineEdit::mousePressEvent(event);
    if (event->button() == Qt::LeftButton)
        setCursorPosition(positionAt(event->position()));
}

void OrderedLineEdit::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return QLineEdit::mouseMoveEvent(event);
    // Drag-select by the text as drawn, not by Qt's own line.
    const int anchor = hasSelectedText() ? (cursorPosition() == selectionStart() ? selectionEnd() : selectionStart())
                                         : cursorPosition();
    const int to = positionAt(event->position());
    setSelection(anchor, to - anchor);
}

void OrderedLineEdit::mouseDoubleClickEvent(QMouseEvent *event)
{
    setCursorPosition(positionAt(event->position()));
    QLineEdit::mouseDoubleClickEvent(event);
}
