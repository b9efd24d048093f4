// SPDX-License-Identifier: GPL-3.0-or-later
#include "receipts/TextFit.h"

#include <QGlyphRun>
#include <QHash>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <QTextLayout>

#include <cmath>
#include <utility>

namespace
{

// Blanks at the end of a line are invisible, but Qt's layout of right-to-left text moves the line
// past its right edge by their width; they are dropped.
QStringList paragraphsOf(const QString &text)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    // A final line break opens no line of its own.
    if (lines.size() > 1 && lines.last().isEmpty())
        lines.removeLast();
    for (QString &line : lines) {
        qsizetype end = line.size();
        while (end > 0 && line.at(end - 1).isSpace())
            --end;
        line.truncate(end);
    }
    return lines;
}

// A glyph's outline, kept once made: a report's pages repeat the same few dozen glyphs, and each
// outline FreeType makes costs more than laying out its whole row.
QPainterPath outlineOf(const QRawFont &font, quint32 glyph)
{
    thread_local QHash<std::pair<QRawFont, quint32>, QPainterPath> made;
    const auto key = std::make_pair(font, glyph);
    if (const auto found = made.constFind(key); found != made.cend())
        return *found;
    if (made.size() >= 8192) // a few fonts' worth; the fonts it holds stay loaded meanwhile
        made.clear();
    return *made.insert(key, font.pathForGlyph(glyph));
}

struct Layout {
    std::vector<std::shared_ptr<QTextLayout>> layouts;
    double height = 0;
    double widest = 0;
    int lineCount = 0;
};

// advance: the distance from one line to the next; 0 for the font's own line spacing.
Layout layOut(const QStringList &paragraphs, const QFont &font, double width, const QTextOption &option,
              QPaintDevice *device, double advance = 0)
{
    Layout result;
    for (const QString &paragraph : paragraphs) {
        auto layout = std::make_shared<QTextLayout>(paragraph, font, device);
        layout->setTextOption(option);
        layout->setCacheEnabled(true);
        layout->beginLayout();
        for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
            line.setLeadingIncluded(true);
            line.setLineWidth(width);
            if (advance > 0) {
                line.setPosition(QPointF(0, result.height + (advance - line.height()) / 2));
                result.height += advance;
            } else {
                line.setPosition(QPointF(0, result.height));
                result.height += line.height();
            }
            ++result.lineCount;
            result.widest = qMax(result.widest, double(line.naturalTextWidth()));
        }
        layout->endLayout();
        result.layouts.push_back(std::move(layout));
    }
    return result;
}

QFont sized(const QFont &font, double units)
{
    QFont out = font;
    out.setPixelSize(qMax(1, int(std::lround(units))));
    return out;
}

QTextOption optionFor(Qt::Alignment alignment, Qt::LayoutDirection direction)
{
    QTextOption option(Qt::Alignment(alignment & Qt::AlignHorizontal_Mask) | Qt::AlignAbsolute);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setTextDirection(direction);
    return option;
}

} // namespace

class TextFitter
{
public:
    static FittedText fit(const QString &text, const QFont &font, double points, double unitsPerPoint,
                          const QRectF &box, Qt::Alignment alignment, Qt::LayoutDirection direction,
                          QPaintDevice *device, double lineSpacing)
    {
        const QStringList paragraphs = paragraphsOf(text);
        const QTextOption option = optionFor(alignment, direction);
        // Quarter-point steps, or a whole unit where units are coarser (screen pixels).
        const double step = qMax(1.0, 0.25 * unitsPerPoint);
        const double smallest = TextFit::SmallestPoints * unitsPerPoint;
        double units = points * unitsPerPoint;

        FittedText fitted;
        Layout layout;
        double advance = 0;
        for (;;) {
            fitted.font = sized(font, units);
            advance = lineSpacing > 0 ? lineSpacing * fitted.font.pixelSize() : 0;
            layout = layOut(paragraphs, fitted.font, box.width(), option, device, advance);
            fitted.fits = layout.height <= box.height() + 0.5 && layout.widest <= box.width() + 0.5;
            if (fitted.fits || units - step < smallest - 1e-9)
                break;
            units -= step;
        }
        fitted.points = fitted.font.pixelSize() / unitsPerPoint;
        // Still too tall at the smallest size: the lines move closer than the font's own spacing
        // (fonts for Arabic script keep tall room for marks), but never closer than the font size.
        if (!fitted.fits && layout.widest <= box.width() + 0.5 && layout.lineCount > 0 &&
            box.height() / layout.lineCount >= fitted.font.pixelSize()) {
            advance = box.height() / layout.lineCount;
            layout = layOut(paragraphs, fitted.font, box.width(), option, device, advance);
            fitted.fits = true;
        }

        double top = box.top();
        if (fitted.fits && !(alignment & Qt::AlignTop)) {
            const double room = box.height() - layout.height;
            top += alignment & Qt::AlignBottom ? room : room / 2;
        }
        fitted.m_origin = QPointF(box.left(), top);
        for (const auto &paragraph : layout.layouts) {
            for (int i = 0; i < paragraph->lineCount(); ++i) {
                const QTextLine line = paragraph->lineAt(i);
                QRectF rect = line.naturalTextRect();
                if (advance > 0) {
                    const double middle = rect.center().y();
                    rect.setTop(middle - advance / 2);
                    rect.setHeight(advance);
                }
                fitted.lines.append(
                    {paragraph->text().mid(line.textStart(), line.textLength()), rect.translated(fitted.m_origin)});
            }
        }
        fitted.m_layouts = std::move(layout.layouts);
        return fitted;
    }
};

QList<QRectF> FittedText::inkRects() const
{
    QList<QRectF> ink;
    for (const auto &layout : m_layouts) {
        for (int i = 0; i < layout->lineCount(); ++i) {
            QRectF line;
            for (const QGlyphRun &run : layout->lineAt(i).glyphRuns()) {
                const QRawFont font = run.rawFont();
                const QList<quint32> glyphs = run.glyphIndexes();
                const QList<QPointF> positions = run.positions();
                for (qsizetype g = 0; g < glyphs.size(); ++g) {
                    const QRectF glyph = font.boundingRect(glyphs[g]);
                    if (!glyph.isEmpty())
                        line |= glyph.translated(positions[g] + m_origin + layout->position());
                }
            }
            if (!line.isEmpty())
                ink << line;
        }
    }
    return ink;
}

void FittedText::draw(QPainter &painter) const
{
    if (!TextFit::replaysText(painter)) {
        for (const auto &layout : m_layouts)
            layout->draw(&painter, m_origin);
        return;
    }
    // The glyphs' own outlines, where the layout placed them: nothing is left for a replay to
    // reorder or to lay out again.
    QPainterPath outlines;
    for (const auto &layout : m_layouts) {
        const QPointF origin = m_origin + layout->position();
        for (const QGlyphRun &run : layout->glyphRuns()) {
            const QRawFont font = run.rawFont();
            const QList<quint32> glyphs = run.glyphIndexes();
            const QList<QPointF> positions = run.positions();
            for (qsizetype i = 0; i < glyphs.size(); ++i)
                outlines.addPath(outlineOf(font, glyphs[i]).translated(origin + positions[i]));
        }
    }
    outlines.setFillRule(Qt::WindingFill);
    painter.fillPath(outlines, painter.pen().brush());
}

namespace TextFit
{

bool replaysText(const QPainter &painter)
{
    // Qt's print preview records each page as a picture, and a picture replays every text run
    // laid out left to right: a colon or a blank at the edge of a Persian run changes sides or
    // vanishes. Its engine reports itself as a picture.
    const QPaintEngine *engine = painter.paintEngine();
    return engine && engine->type() == QPaintEngine::Picture;
}

FittedText fit(const QString &text, const QFont &font, double points, double unitsPerPoint, const QRectF &box,
               Qt::Alignment alignment, Qt::LayoutDirection direction, QPaintDevice *device, double lineSpacing)
{
    return TextFitter::fit(text, font, points, unitsPerPoint, box, alignment, direction, device, lineSpacing);
}

double wrappedHeight(const QString &text, const QFont &font, double points, double unitsPerPoint, double width,
                     QPaintDevice *device)
{
    return layOut(paragraphsOf(text), sized(font, points * unitsPerPoint), width,
                  optionFor(Qt::AlignLeft, Qt::LeftToRight), device)
        .height;
}

} // namespace TextFit
