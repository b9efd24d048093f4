// SPDX-License-Identifier: GPL-3.0-or-later
#include "receipts/FittingLineEdit.h"

#include "platform/BidiText.h"
#include "receipts/TextFit.h"

#include <QPainter>
#include <QStyle>

namespace
{
// The inner margin Qt's line edit keeps on either side of its text.
constexpr int SideMargin = 2;
} // namespace

QRectF FittingLineEdit::textRoom() const
{
    return QRectF(contentsRect()).adjusted(SideMargin, 0, -SideMargin, 0);
}

bool FittingLineEdit::overflowsLine() const
{
    return fontMetrics().horizontalAdvance(text()) > textRoom().width();
}

bool FittingLineEdit::drawsAsOnPaper() const
{
    if (isReadOnly() && overflowsLine())
        return true;
    // Qt's own line edit while the caret is in it, so typing and selecting work as everywhere.
    return !hasFocus() && echoMode() == QLineEdit::Normal && isolateLeftToRightRuns(text()) != text();
}

void FittingLineEdit::paintEvent(QPaintEvent *event)
{
    if (!drawsAsOnPaper())
        return QLineEdit::paintEvent(event);
    QPainter painter(this);
    painter.fillRect(rect(), palette().brush(QPalette::Base));
    painter.setPen(palette().color(QPalette::Text));
    const double pixelsPerPoint = logicalDpiY() / 72.0;
    const double points = font().pointSizeF() > 0 ? font().pointSizeF() : font().pixelSize() / pixelsPerPoint;
    TextFit::fit(isolateLeftToRightRuns(text()), font(), points, pixelsPerPoint, textRoom(),
                 QStyle::visualAlignment(layoutDirection(), alignment()),
                 hasRightToLeftLetter(text()) ? Qt::RightToLeft : layoutDirection(), this)
        .draw(painter);
}
