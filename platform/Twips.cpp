// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace Twips
{

namespace
{
double pixelsPerTwip()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchY() : 96.0;
    return dpi / 1440.0;
}
} // namespace

int toPixels(double twips)
{
    return int(std::lround(twips * pixelsPerTwip()));
}

double fromPixels(int pixels)
{
    return pixels / pixelsPerTwip();
}

QRect rect(int left, int top, int width, int height)
{
    return QRect(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}

void place(QWidget *widget, int left, int top, int width, int height)
{
    widget->setGeometry(rect(left, top, width, height));
}

} // namespace Twips
