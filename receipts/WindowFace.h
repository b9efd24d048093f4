// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QImage>
#include <QList>
#include <QRectF>
#include <QString>

class FittedText;
class QPaintDevice;
class QPainter;
class QWidget;

// One visible control of a window as it goes on paper: geometry in twips from the top left of the
// window's client area, and what the clerk sees in it.
struct FaceItem {
    enum class Kind { Text, Outline, Picture, Option, Bars };

    Kind kind = Kind::Text;
    QString name; // the control's objectName
    QRectF rect;
    QString text;
    QString fontFamily;
    double fontPoints = 9;
    bool bold = false;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter; // absolute, never flipped by direction
    bool rightToLeft = false;
    bool wordWrap = false;
    double lineSpacing = 0;   // line to line, in font sizes; 0 for the font's own
    bool checked = false;     // option buttons
    double cornerRadius = 0;  // outlines
    bool clearBehind = false; // a frame's caption: the frame's line stops short of it, as on screen
    QImage picture;
    QList<QRectF> bars; // Bars: the dark bars of a barcode, in twips; text holds what it encodes
};

// A window's face drawn from its controls (geometry, text, font, alignment) as vector text. Grabbing
// the window as a picture would leave no text on the page, so nothing here renders widgets.
namespace WindowFace
{

QList<FaceItem> describe(QWidget *window);
// How a text control's text goes into its box on paper: wrapped and shrunk as it needs, never cut.
FittedText layOut(const FaceItem &item, QPaintDevice *device = nullptr);
FittedText layOut(const FaceItem &item, const QRectF &rect, Qt::Alignment alignment, QPaintDevice *device);
// Paints onto a painter whose unit is one twip.
void paint(QPainter &painter, const QList<FaceItem> &items);

} // namespace WindowFace
