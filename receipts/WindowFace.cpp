// SPDX-License-Identifier: GPL-3.0-or-later
#include "receipts/WindowFace.h"

#include "platform/BidiText.h"
#include "platform/LatinDigits.h"
#include "platform/Twips.h"
#include "receipts/RoundedShape.h"
#include "receipts/TextFit.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QStyle>
#include <QTextEdit>

namespace WindowFace
{

FittedText layOut(const FaceItem &item, const QRectF &rect, Qt::Alignment alignment, QPaintDevice *device);

namespace
{

// A thin line on paper: about a quarter of a millimetre.
constexpr double PenTwips = 15;
// The inner margin Qt's text boxes keep around their text.
constexpr double BoxPaddingTwips = 30;
constexpr double TwipsPerPoint = 20;

struct Walk {
    QWidget *window;
    QPoint origin; // window pixels of the client area's top left
    QList<FaceItem> items;
    QString prefix; // "Shamsi1." inside a compound control, so its parts keep their own names apart
};

double fontPointsOf(const QFont &font)
{
    if (font.pointSizeF() > 0)
        return font.pointSizeF();
    return Twips::fromPixels(font.pixelSize()) / 20.0;
}

FaceItem itemFor(const Walk &walk, QWidget *control, FaceItem::Kind kind)
{
    FaceItem item;
    item.kind = kind;
    item.name = walk.prefix + control->objectName();
    const QPoint topLeft = control->mapTo(walk.window, QPoint(0, 0)) - walk.origin;
    item.rect = QRectF(Twips::fromPixels(topLeft.x()), Twips::fromPixels(topLeft.y()),
                       Twips::fromPixels(control->width()), Twips::fromPixels(control->height()));
    item.fontFamily = control->font().family();
    item.fontPoints = fontPointsOf(control->font());
    item.bold = control->font().bold();
    item.rightToLeft = control->layoutDirection() == Qt::RightToLeft;
    return item;
}

Qt::Alignment absolute(const QWidget *control, Qt::Alignment alignment)
{
    return QStyle::visualAlignment(control->layoutDirection(), alignment);
}

void describeControl(Walk &walk, QWidget *control);

void describeChildren(Walk &walk, QWidget *parent)
{
    for (QObject *child : parent->children()) {
        auto *widget = qobject_cast<QWidget *>(child);
        if (widget && !widget->isWindow() && widget->isVisibleTo(walk.window))
            describeControl(walk, widget);
    }
}

void describeControl(Walk &walk, QWidget *control)
{
    if (qobject_cast<QMenuBar *>(control))
        return;
    if (qobject_cast<RoundedShape *>(control)) {
        FaceItem item = itemFor(walk, control, FaceItem::Kind::Outline);
        item.cornerRadius = RoundedShape::CornerTwips;
        walk.items << item;
        return;
    }
    if (auto *label = qobject_cast<QLabel *>(control)) {
        const QPixmap pixmap = label->pixmap();
        if (!pixmap.isNull()) {
            FaceItem item = itemFor(walk, control, FaceItem::Kind::Picture);
            item.picture = pixmap.toImage();
            if (!label->hasScaledContents()) {
                QSizeF size(Twips::fromPixels(pixmap.width()), Twips::fromPixels(pixmap.height()));
                item.rect = QStyle::alignedRect(Qt::LeftToRight, absolute(label, label->alignment()), size.toSize(),
                                                item.rect.toRect());
            }
            walk.items << item;
        } else if (!label->text().isEmpty()) {
            FaceItem item = itemFor(walk, control, FaceItem::Kind::Text);
            item.text = label->text();
            item.alignment = absolute(label, label->alignment());
            item.wordWrap = label->wordWrap();
            walk.items << item;
        }
        return;
    }
    if (auto *edit = qobject_cast<QLineEdit *>(control)) {
        FaceItem item = itemFor(walk, control, FaceItem::Kind::Text);
        item.text = edit->echoMode() == QLineEdit::Normal ? edit->text() : QString();
        item.alignment = absolute(edit, edit->alignment());
        item.rect.adjust(BoxPaddingTwips, 0, -BoxPaddingTwips, 0);
        if (!item.text.isEmpty())
            walk.items << item;
        return;
    }
    if (auto *edit = qobject_cast<QPlainTextEdit *>(control)) {
        FaceItem item = itemFor(walk, control, FaceItem::Kind::Text);
        item.text = edit->toPlainText();
        item.alignment =
            absolute(edit, Qt::Alignment(edit->document()->defaultTextOption().alignment()) | Qt::AlignTop);
        item.wordWrap = true;
        item.rect.adjust(BoxPaddingTwips, BoxPaddingTwips, -BoxPaddingTwips, 0);
        if (!item.text.isEmpty())
            walk.items << item;
        return;
    }
    if (auto *edit = qobject_cast<QTextEdit *>(control)) {
        FaceItem item = itemFor(walk, control, FaceItem::Kind::Text);
        item.text = edit->toPlainText();
        item.alignment = absolute(edit, edit->alignment() | Qt::AlignTop);
        item.wordWrap = true;
        item.rect.adjust(BoxPaddingTwips, BoxPaddingTwips, -BoxPaddingTwips, 0);
        if (!item.text.isEmpty())
            walk.items << item;
        return;
    }
    if (auto *box = qobject_cast<QGroupBox *>(control)) {
        FaceItem outline = itemFor(walk, control, FaceItem::Kind::Outline);
        const double titleHeight = outline.fontPoints * 20 * 1.4;
        outline.rect.setTop(outline.rect.top() + titleHeight / 2);
        outline.cornerRadius = 40;
        walk.items << outline;
        if (!box->title().isEmpty()) {
            FaceItem title = itemFor(walk, control, FaceItem::Kind::Text);
            title.text = box->title();
            title.rect.setHeight(titleHeight);
            title.rect.adjust(120, 0, -120, 0);
            title.alignment = absolute(box, box->alignment()) | Qt::AlignVCenter;
            title.clearBehind = true;
            walk.items << title;
        }
        describeChildren(walk, control);
        return;
    }
    if (auto *option = qobject_cast<QRadioButton *>(control)) {
        FaceItem item = itemFor(walk, control, FaceItem::Kind::Option);
        item.text = option->text().remove(QLatin1Char('&'));
        item.checked = option->isChecked();
        walk.items << item;
        return;
    }
    if (auto *button = qobject_cast<QAbstractButton *>(control)) {
        FaceItem outline = itemFor(walk, control, FaceItem::Kind::Outline);
        outline.cornerRadius = 40;
        walk.items << outline;
        FaceItem item = itemFor(walk, control, FaceItem::Kind::Text);
        item.text = button->text().remove(QLatin1Char('&'));
        item.alignment = Qt::AlignCenter;
        walk.items << item;
        return;
    }
    // A container or a compound control (the date control): its own visible parts, named after
    // the compound control when it is one.
    const QString outer = walk.prefix;
    const char *className = control->metaObject()->className();
    if (qstrcmp(className, "QWidget") != 0 && qstrcmp(className, "QFrame") != 0 && !control->objectName().isEmpty())
        walk.prefix += control->objectName() + QLatin1Char('.');
    describeChildren(walk, control);
    walk.prefix = outer;
}

void paintText(QPainter &painter, const QRectF &rect, const FaceItem &item, Qt::Alignment alignment)
{
    layOut(item, rect, alignment, painter.device()).draw(painter);
}

} // namespace

QList<FaceItem> describe(QWidget *window)
{
    Walk walk{window, QPoint(0, 0), {}};
    QWidget *client = window;
    if (auto *main = qobject_cast<QMainWindow *>(window); main && main->centralWidget()) {
        client = main->centralWidget();
        walk.origin = client->mapTo(window, QPoint(0, 0));
    } else {
        for (QMenuBar *bar : window->findChildren<QMenuBar *>(Qt::FindDirectChildrenOnly)) {
            if (bar->isVisibleTo(window))
                walk.origin.setY(qMax(walk.origin.y(), bar->geometry().bottom() + 1));
        }
    }
    describeChildren(walk, client);
    // On paper every Persian text is laid out right to left, even in a box laid out left to right
    // on screen, so its punctuation stays at its end; a wholly Latin text keeps its typed order.
    for (FaceItem &item : walk.items) {
        if (item.kind == FaceItem::Kind::Text && hasRightToLeftLetter(item.text))
            item.rightToLeft = true;
    }
    return walk.items;
}

FittedText layOut(const FaceItem &item, const QRectF &rect, Qt::Alignment alignment, QPaintDevice *device)
{
    QFont font(item.fontFamily);
    font.setBold(item.bold);
    // One digit set on a page, and a phone number or a model inside a Persian line keeps its own
    // order on paper.
    const QString latin = LatinDigits::of(item.text);
    const QString text = item.rightToLeft ? isolateLeftToRightRuns(latin) : latin;
    return TextFit::fit(text, font, item.fontPoints, TwipsPerPoint, rect, alignment,
                        item.rightToLeft ? Qt::RightToLeft : Qt::LeftToRight, device, item.lineSpacing);
}

FittedText layOut(const FaceItem &item, QPaintDevice *device)
{
    return layOut(item, item.rect, item.alignment, device);
}

void paint(QPainter &painter, const QList<FaceItem> &items)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QPen pen(Qt::black, PenTwips);
    for (const FaceItem &item : items) {
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        switch (item.kind) {
        case FaceItem::Kind::Text:
            if (item.clearBehind) {
                QRectF ink;
                for (const QRectF &line : layOut(item, item.rect, item.alignment, painter.device()).inkRects())
                    ink |= line;
                if (!ink.isEmpty())
                    painter.fillRect(ink.adjusted(-60, -20, 60, 20), Qt::white);
            }
            paintText(painter, item.rect, item, item.alignment);
            break;
        case FaceItem::Kind::Outline: {
            const QRectF box = item.rect.adjusted(PenTwips / 2, PenTwips / 2, -PenTwips / 2, -PenTwips / 2);
            painter.drawRoundedRect(box, item.cornerRadius, item.cornerRadius);
            break;
        }
        case FaceItem::Kind::Picture:
            painter.drawImage(item.rect, item.picture);
            break;
        case FaceItem::Kind::Bars:
            for (const QRectF &bar : item.bars)
                painter.fillRect(bar, Qt::black);
            break;
        case FaceItem::Kind::Option: {
            // The round mark sits on the reading side: the right for a right-to-left option.
            const double mark = qMin(item.rect.height(), 180.0);
            const double markLeft = item.rightToLeft ? item.rect.right() - mark : item.rect.left();
            const QRectF circle(markLeft, item.rect.center().y() - mark / 2, mark, mark);
            painter.drawEllipse(circle);
            if (item.checked) {
                painter.setBrush(Qt::black);
                painter.drawEllipse(circle.adjusted(mark / 4, mark / 4, -mark / 4, -mark / 4));
            }
            QRectF caption = item.rect;
            if (item.rightToLeft)
                caption.setRight(circle.left() - 60);
            else
                caption.setLeft(circle.right() + 60);
            paintText(painter, caption, item, (item.rightToLeft ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
            break;
        }
        }
    }
    painter.restore();
}

} // namespace WindowFace
