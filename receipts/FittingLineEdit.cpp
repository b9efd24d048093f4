#include "receipts/FittingLineEdit.h"

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

void FittingLineEdit::paintEvent(QPaintEvent *event)
{
    if (!isReadOnly() || !overflowsLine())
        return QLineEdit::paintEvent(event);
    QPainter painter(this);
    painter.fillRect(rect(), palette().brush(QPalette::Base));
    painter.setPen(palette().color(QPalette::Text));
    const double pixelsPerPoint = logicalDpiY() / 72.0;
    const double points = font().pointSizeF() > 0 ? font().pointSizeF() : font().pixelSize() / pixelsPerPoint;
    TextFit::fit(text(), font(), points, pixelsPerPoint, textRoom(),
                 QStyle::visualAlignment(layoutDirection(), alignment()), layoutDirection(), this)
        .draw(painter);
}
