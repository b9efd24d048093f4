// SPDX-License-Identifier: GPL-3.0-or-later
#include "reports/ReportTotals.h"

#include "jobstore/NumericText.h"

#include <cmath>

float ReportTotals::shopFractionFromText(const QString &percentText)
{
    return float(NumericText::numericValue(percentText)) / 100.0f;
}

void ReportTotals::clear()
{
    const float fraction = m_shopFraction;
    *this = ReportTotals();
    m_shopFraction = fraction;
}

void ReportTotals::addRow(const QVariant &partsPrice, const QVariant &finalPrice)
{
    ++m_repairCount;
    if (!partsPrice.isNull())
        m_partsTotal += partsPrice.toDouble();
    if (!finalPrice.isNull())
        m_finalTotal += finalPrice.toDouble();
}

void ReportTotals::setSums(int rows, const QVariant &partsTotal, const QVariant &finalTotal)
{
    m_repairCount = rows;
    m_partsTotal = partsTotal.isNull() ? 0 : partsTotal.toDouble();
    m_finalTotal = finalTotal.isNull() ? 0 : finalTotal.toDouble();
}

void ReportTotals::finish(float shopFraction)
{
    m_shopFraction = shopFraction;
    m_repairTotal = m_finalTotal - m_partsTotal;
    m_shopShare = NumericText::roundHalfEven(double(shopFraction) * m_repairTotal);
    m_technicianShare = m_repairTotal - double(m_shopShare);
}

namespace
{

// Single precision shows at most seven significant digits; 12.5 stays 12.5 and 50 stays 50.
QString singleText(float value)
{
    return QString::number(double(value), 'g', 7);
}

} // namespace

QString ReportTotals::shopPercentText() const
{
    return singleText(100.0f * m_shopFraction);
}

QString ReportTotals::technicianPercentText() const
{
    return singleText(100.0f - 100.0f * m_shopFraction);
}

QString ReportTotals::numberText(double value)
{
    if (!std::isfinite(value))
        return QString::number(value);
    if (value == std::trunc(value) && std::abs(value) < 1e18)
        return QString::number(qint64(value));
    // Fifteen significant digits, written out without an exponent.
    QString text = QString::number(value, 'f', qMax(0, 14 - int(std::floor(std::log10(std::abs(value))))));
    if (text.contains(u'.')) {
        while (text.endsWith(u'0'))
            text.chop(1);
        if (text.endsWith(u'.'))
            text.chop(1);
    }
    return text;
}

QString ReportTotals::cellText(const QVariant &value)
{
    if (value.isNull() || !value.isValid())
        return QString();
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return numberText(value.toDouble());
    default:
        return value.toString();
    }
}
