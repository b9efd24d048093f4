// SPDX-License-Identifier: GPL-3.0-or-later
#include "receipts/RoundedShape.h"

#include "platform/Twips.h"

#include <QPainter>

RoundedShape::RoundedShape(QWidget *parent) : QWidget(parent)
{
    // The outline lies under the texts it encloses; clicks go through to them.
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void RoundedShape::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1));
    const double radius = Twips::toPixels(CornerTwips);
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
}
