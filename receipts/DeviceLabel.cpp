// SPDX-License-Identifier: GPL-3.0-or-later
#include "receipts/DeviceLabel.h"

#include "jobstore/DateNumber.h"
#include "platform/BidiText.h"
#include "platform/MessageBox.h"
#include "receipts/PrintSurface.h"
#include "receipts/ReceiptLayout.h"
#include "receipts/RollReceipt.h"
#include "receipts/TextFit.h"

#include <QApplication>

#include <algorithm>
#include <cmath>

namespace DeviceLabel
{

namespace
{

constexpr double TwipsPerMillimetre = 1440 / 25.4;
constexpr double TwipsPerPoint = 20;
// Label printers leave a hair unprinted at the label's edges and may place it a little off.
constexpr double Margin = 2 * TwipsPerMillimetre;
// Code 128 wants ten narrow bars of white on either side to be found by a scanner.
constexpr double QuietZone = 200;
constexpr double Gap = 30;
constexpr double ReferenceHeight = 30; // mm: the default label's sizes below are for it

struct Line {
    const char *name; // the item's name, for tests to find
    QString text;
    double points;
    bool bold;
};

// The whole solar date, 30918 giving 1403/09/18; empty for no date.
QString dateText(qint64 dateNumber)
{
    if (dateNumber <= 0)
        return QString();
    const int year = DateNumber::fullYear(int(dateNumber / 10000 % 100));
    return QStringLiteral("%1/%2/%3")
        .arg(year)
        .arg(dateNumber / 100 % 100, 2, 10, QLatin1Char('0'))
        .arg(dateNumber % 100, 2, 10, QLatin1Char('0'));
}

// In quarter points, as the fitter sizes fonts in whole twips.
double pointsOf(const Line &line, double scale)
{
    return qMax(TextFit::SmallestPoints, std::floor(line.points * scale * 4) / 4);
}

double heightOf(const Line &line, const QString &family, double scale, double width)
{
    QFont font(family);
    font.setBold(line.bold);
    // A little slack, so the printer's own measuring never finds the line a hair too tall.
    return TextFit::wrappedHeight(line.text, font, pointsOf(line, scale), TwipsPerPoint, width) + 10;
}

} // namespace

Layout layOut(const ReceiptJob &job, QSizeF millimetres)
{
    const QSizeF page = millimetres * TwipsPerMillimetre;
    const QRectF inner(Margin, Margin, page.width() - 2 * Margin, page.height() - 2 * Margin);
    const QString family = QApplication::font().family();
    const QString number = QString::number(job.number);
    QList<Line> lines{{"Number", number, 13, true}, {"Name", job.name, 9, false}, {"Device", job.device, 9, false}};
    if (const QString date = dateText(job.dateIn); !date.isEmpty())
        lines.append({"DateIn", QStringLiteral("ورود: ") + date, 8, false});
    lines.removeIf([](const Line &line) { return line.text.trimmed().isEmpty(); });

    // The texts at their sizes for this label's height, smaller while they leave the barcode less
    // than a third of the label: a long name wraps, and its lines must still fit.
    double scale = millimetres.height() / ReferenceHeight;
    QList<double> heights;
    double textHeight = 0;
    for (;;) {
        heights.clear();
        textHeight = 0;
        for (const Line &line : lines) {
            heights << heightOf(line, family, scale, inner.width());
            textHeight += heights.last() + Gap;
        }
        const bool smallest = std::all_of(lines.cbegin(), lines.cend(), [scale](const Line &line) {
            return pointsOf(line, scale) <= TextFit::SmallestPoints;
        });
        if (inner.height() - textHeight >= inner.height() / 3 || smallest)
            break;
        scale *= 0.9;
    }
    const double barHeight = qMax(inner.height() * 0.3, inner.height() - textHeight);
    // Texts even the smallest size cannot hold share what is left; the fitter brings their lines closer.
    const double squeeze = qMin(1.0, (inner.height() - barHeight) / textHeight);

    Layout label;
    label.page = page;
    double y = inner.top();
    if (job.number > 0) {
        label.items << RollReceipt::barcode(number, inner.left() + QuietZone, y, inner.width() - 2 * QuietZone,
                                            barHeight);
        label.items.last().name = QStringLiteral("Barcode");
    }
    y += barHeight + Gap * squeeze;
    for (int i = 0; i < lines.size(); ++i) {
        FaceItem item;
        item.kind = FaceItem::Kind::Text;
        item.text = lines[i].text;
        item.name = QLatin1String(lines[i].name);
        item.fontFamily = family;
        item.fontPoints = pointsOf(lines[i], scale);
        item.bold = lines[i].bold;
        item.alignment = Qt::AlignHCenter | Qt::AlignTop;
        item.rightToLeft = hasRightToLeftLetter(item.text);
        item.rect = QRectF(inner.left(), y, inner.width(), heights[i] * squeeze);
        label.items << item;
        y += (heights[i] + Gap) * squeeze;
    }
    return label;
}

bool print(QWidget *owner, const ReceiptJob &job)
{
    const Layout label = layOut(job, ReceiptLayout::millimetres(ReceiptLayout::readLabelSize()));
    PrintSurface &surface = Printer::surface();
    if (surface.printRoll(label.items, label.page) && surface.endDoc())
        return true;
    MessageBox::failure(owner, QStringLiteral("خطاي ارسال به پرينتر"), surface.lastError(), MessageBox::Icon::None);
    return false;
}

} // namespace DeviceLabel
