#include "receipts/TextFit.h"

#include <QPainter>
#include <QTextLayout>

#include <cmath>

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
                          QPaintDevice *device)
    {
        const QStringList paragraphs = paragraphsOf(text);
        const QTextOption option = optionFor(alignment, direction);
        // Quarter-point steps, or a whole unit where units are coarser (screen pixels).
        const double step = qMax(1.0, 0.25 * unitsPerPoint);
        const double smallest = TextFit::SmallestPoints * unitsPerPoint;
        double units = points * unitsPerPoint;

        FittedText fitted;
        Layout layout;
        for (;;) {
            fitted.font = sized(font, units);
            layout = layOut(paragraphs, fitted.font, box.width(), option, device);
            fitted.fits = layout.height <= box.height() + 0.5 && layout.widest <= box.width() + 0.5;
            if (fitted.fits || units - step < smallest - 1e-9)
                break;
            units -= step;
        }
        fitted.points = fitted.font.pixelSize() / unitsPerPoint;
        // Still too tall at the smallest size: the lines move closer than the font's own spacing
        // (fonts for Arabic script keep tall room for marks), but never closer than the font size.
        double advance = 0;
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

void FittedText::draw(QPainter &painter) const
{
    for (const auto &layout : m_layouts)
        layout->draw(&painter, m_origin);
}

namespace TextFit
{

FittedText fit(const QString &text, const QFont &font, double points, double unitsPerPoint, const QRectF &box,
               Qt::Alignment alignment, Qt::LayoutDirection direction, QPaintDevice *device)
{
    return TextFitter::fit(text, font, points, unitsPerPoint, box, alignment, direction, device);
}

double wrappedHeight(const QString &text, const QFont &font, double points, double unitsPerPoint, double width,
                     QPaintDevice *device)
{
    return layOut(paragraphsOf(text), sized(font, points * unitsPerPoint), width,
                  optionFor(Qt::AlignLeft, Qt::LeftToRight), device)
        .height;
}

} // namespace TextFit
