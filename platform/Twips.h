// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>

class QWidget;

// The windows were laid out in twips (1440 per inch); 15 twips are one pixel at 96 dpi, and the
// screen's own scale is followed.
namespace Twips
{

int toPixels(double twips);
double fromPixels(int pixels);
QRect rect(int left, int top, int width, int height);
// Places a widget at a twips rectangle of its parent.
void place(QWidget *widget, int left, int top, int width, int height);

} // namespace Twips
