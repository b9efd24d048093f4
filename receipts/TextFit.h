// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QList>
#include <QRectF>
#include <QString>

#include <memory>
#include <vector>

class QPainter;
class QPaintDevice;
class QTextLayout;

// A text laid out inside a box the way a receipt needs it: on one line when it fits, wrapped inside
// the box when it does not, and at a smaller font, step by step down to 6 points, when the wrapped
// lines are still too tall. At 6 points the lines may then come closer than the font's spacing, down
// to the font size. No character is ever dropped: a text too long even so keeps all its lines and
// runs past the bottom of the box.
class FittedText
{
public:
    struct Line {
        QString text; // the characters on this line, in logical order
        QRectF rect;  // where its ink goes, in the painter's units
    };

    QFont font;        // the size the text was laid out at
    double points = 0; // that size in points
    bool fits = false; // every line inside the box
    QList<Line> lines; // in reading order

    void draw(QPainter &painter) const;
    // Where the glyphs put ink, line by line: tighter than the lines' boxes, which in fonts for
    // Arabic script keep tall room for marks.
    QList<QRectF> inkRects() const;

private:
    friend class TextFitter;
    std::vector<std::shared_ptr<QTextLayout>> m_layouts;
    QPointF m_origin;
};

namespace TextFit
{

constexpr double SmallestPoints = 6;

// unitsPerPoint turns points into the painter's units: 20 on paper measured in twips, dpi / 72 on
// screen. The font's family and weight are kept; its size becomes `points` or smaller. lineSpacing:
// the distance from line to line as a multiple of the font size; 0 for the font's own.
FittedText fit(const QString &text, const QFont &font, double points, double unitsPerPoint, const QRectF &box,
               Qt::Alignment alignment, Qt::LayoutDirection direction, QPaintDevice *device = nullptr,
               double lineSpacing = 0);

// True when the painter records text to be laid out again later (a print preview's pages): text
// then goes down as the outlines of its glyphs, so what is shown is what the paper gets.
bool replaysText(const QPainter &painter);

// The height the text takes at `points` when wrapped to `width` (for layouts whose page grows).
double wrappedHeight(const QString &text, const QFont &font, double points, double unitsPerPoint, double width,
                     QPaintDevice *device = nullptr);

} // namespace TextFit
