// SPDX-License-Identifier: GPL-3.0-or-later
#include "receipts/RollReceipt.h"

#include "receipts/TextFit.h"

#include <QHash>

#include <zint.h>

namespace RollReceipt
{

namespace
{

constexpr double Left = (PageWidthTwips - ColumnTwips) / 2;
constexpr double TopMargin = 200;
constexpr double BottomMargin = 500; // room to tear the paper off
constexpr double Gap = 60;
constexpr double BarcodeHeight = 700;
// The narrowest bar: about 0.35 mm, three dots of a 203 dpi print head.
constexpr double ModuleTwips = 20;
constexpr double TwipsPerPoint = 20;
constexpr double MaxLogoHeight = 1200;

class Builder
{
public:
    explicit Builder(const QList<FaceItem> &face)
    {
        for (const FaceItem &item : face)
            m_face.insert(item.name, item);
    }

    QString textOf(const QString &name) const { return m_face.value(name).text; }

    void logo()
    {
        const FaceItem source = m_face.value(QStringLiteral("Image1"));
        if (source.kind != FaceItem::Kind::Picture || source.picture.isNull())
            return;
        const QSizeF size =
            QSizeF(source.picture.size()).scaled(QSizeF(ColumnTwips, MaxLogoHeight), Qt::KeepAspectRatio);
        FaceItem item = source;
        item.rect = QRectF(Left + (ColumnTwips - size.width()) / 2, m_y, size.width(), size.height());
        m_items << item;
        m_y += size.height() + Gap;
    }

    // A text of the window, or one of its own, wrapped to the column at the given size.
    void text(const QString &name, double points, Qt::Alignment alignment, bool bold = false,
              const QString &override = QString())
    {
        FaceItem item = m_face.value(name);
        item.kind = FaceItem::Kind::Text;
        item.name = name;
        if (!override.isNull())
            item.text = override;
        if (item.text.trimmed().isEmpty())
            return;
        if (item.fontFamily.isEmpty())
            item.fontFamily = m_face.value(QStringLiteral("Text1")).fontFamily;
        item.fontPoints = points;
        item.bold = bold;
        item.alignment = alignment | Qt::AlignTop;
        item.rightToLeft = item.text.isRightToLeft();
        QFont font(item.fontFamily);
        font.setBold(bold);
        // A little slack under the measured lines, so the printer's own measuring never finds
        // them a hair too tall and shrinks them.
        const double height = TextFit::wrappedHeight(item.text, font, points, TwipsPerPoint, ColumnTwips) + 20;
        item.rect = QRectF(Left, m_y, ColumnTwips, height);
        m_items << item;
        m_y += height + Gap;
    }

    void rule()
    {
        FaceItem item;
        item.kind = FaceItem::Kind::Outline;
        item.name = QStringLiteral("Rule%1").arg(++m_rules);
        item.rect = QRectF(Left, m_y, ColumnTwips, 15);
        m_items << item;
        m_y += 15 + Gap;
    }

    void bars(const QString &data)
    {
        FaceItem item = barcode(data, Left, m_y, ColumnTwips, BarcodeHeight);
        if (item.bars.isEmpty())
            return;
        m_items << item;
        m_y += BarcodeHeight + 2 * Gap;
    }

    Layout finish() const { return {m_items, QSizeF(PageWidthTwips, m_y + BottomMargin)}; }

private:
    QHash<QString, FaceItem> m_face;
    QList<FaceItem> m_items;
    double m_y = TopMargin;
    int m_rules = 0;
};

} // namespace

FaceItem barcode(const QString &text, double left, double top, double width, double height)
{
    FaceItem item;
    item.kind = FaceItem::Kind::Bars;
    item.name = QStringLiteral("Barcode");
    item.text = text;
    const QByteArray data = text.toLatin1();
    zint_symbol *symbol = ZBarcode_Create();
    if (!symbol)
        return item;
    symbol->symbology = BARCODE_CODE128;
    symbol->show_hrt = 0; // the number is printed large above it
    const int status = ZBarcode_Encode_and_Buffer_Vector(
        symbol, reinterpret_cast<const unsigned char *>(data.constData()), int(data.size()), 0);
    if (status < ZINT_ERROR && symbol->vector && symbol->vector->width > 0) {
        const zint_vector *vector = symbol->vector;
        double narrowest = vector->width;
        for (const zint_vector_rect *r = vector->rectangles; r; r = r->next)
            narrowest = qMin(narrowest, double(r->width));
        const double scale = qMin(ModuleTwips / narrowest, width / vector->width);
        const double x0 = left + (width - vector->width * scale) / 2;
        for (const zint_vector_rect *r = vector->rectangles; r; r = r->next) {
            item.bars << QRectF(x0 + r->x * scale, top + r->y / vector->height * height, r->width * scale,
                                r->height / vector->height * height);
        }
        item.rect = QRectF(x0, top, vector->width * scale, height);
    }
    ZBarcode_Delete(symbol);
    return item;
}

Layout layOut(QWidget *receiptWindow, qint64 receiptNumber)
{
    Builder receipt(WindowFace::describe(receiptWindow));
    const Qt::Alignment centre = Qt::AlignHCenter;
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignAbsolute;

    receipt.logo();
    receipt.text(QStringLiteral("Text1"), 16, centre, true);
    receipt.text(QStringLiteral("Text3"), 11, centre);
    receipt.text(QStringLiteral("Text2"), 16, centre, true);
    if (receiptNumber > 0)
        receipt.bars(QString::number(receiptNumber));
    receipt.text(QStringLiteral("Label1"), 9, centre, false,
                 receipt.textOf(QStringLiteral("Label1")) + QStringLiteral("   ") +
                     receipt.textOf(QStringLiteral("Label3")) + receipt.textOf(QStringLiteral("Label2")));
    receipt.text(QStringLiteral("Text4"), 10, centre);
    receipt.rule();
    for (const char *name : {"Text5", "Text6", "Text10", "Text11", "Text7", "Text8", "Text9", "Text13"})
        receipt.text(QLatin1String(name), 9, right);
    receipt.rule();
    receipt.text(QStringLiteral("Text12"), 8, right);
    receipt.rule();
    for (const char *name : {"Text16", "Text17", "Text20", "Text21"})
        receipt.text(QLatin1String(name), 9, centre);
    for (const char *name : {"Text14", "Text15", "Text19", "Text18"})
        receipt.text(QLatin1String(name), 8, centre);
    return receipt.finish();
}

} // namespace RollReceipt
