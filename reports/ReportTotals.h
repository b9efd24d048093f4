// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QVariant>

// The sums of an accounting report: how many repairs, what the parts and final prices add up to,
// and how the repair income (final less parts) splits between the shop and the technician.
class ReportTotals
{
public:
    // The shop's share as a fraction, from the percentage the clerk typed ("50" gives 0.5). Kept in
    // single precision: the printed percentages are its shortest form.
    static float shopFractionFromText(const QString &percentText);

    void clear();
    // One row of the result; a null price adds nothing but the row still counts as a repair.
    void addRow(const QVariant &partsPrice, const QVariant &finalPrice);
    // The count and sums of every row at once, as the database added them.
    void setSums(int rows, const QVariant &partsTotal, const QVariant &finalTotal);
    // Splits the repair total; the shop's part is rounded to a whole number, ties to even.
    void finish(float shopFraction);

    int repairCount() const { return m_repairCount; }
    double partsTotal() const { return m_partsTotal; }
    double finalTotal() const { return m_finalTotal; }
    double repairTotal() const { return m_repairTotal; }
    qint64 shopShare() const { return m_shopShare; }
    double technicianShare() const { return m_technicianShare; }
    float shopFraction() const { return m_shopFraction; }

    // 100·p and 100 − 100·p, as printed in the report's share lines.
    QString shopPercentText() const;
    QString technicianPercentText() const;

    // Plain decimal without grouping or exponent, as the totals and printed cells show numbers.
    static QString numberText(double value);
    // A cell as shown and printed: empty for null, numbers in plain decimal, texts as stored.
    static QString cellText(const QVariant &value);

private:
    int m_repairCount = 0;
    double m_partsTotal = 0;
    double m_finalTotal = 0;
    double m_repairTotal = 0;
    qint64 m_shopShare = 0;
    double m_technicianShare = 0;
    float m_shopFraction = 0.5f;
};
