// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "reports/MonthlyIncome.h"

#include <QImage>
#include <QSizeF>
#include <QWidget>

class QChart;
class QChartView;

// The report's income at a glance, beside its grid: a bar per solar month of entry, as high as the
// month's final prices and split into the parts, the shop's share and the technician's share. The
// months run from right to left; the amounts read as the grid's cells do.
class IncomeChart : public QWidget
{
    Q_OBJECT

public:
    explicit IncomeChart(QWidget *parent = nullptr);

    // Shows the months read for a report; a failed read (`error`) is said on the chart itself.
    void showRead(const std::optional<MonthlyIncome> &income, const QString &error);
    void showIncome(const MonthlyIncome &income);
    void clear();

    const MonthlyIncome &income() const { return m_income; }
    // The chart as shown, drawn afresh for paper: `twips` large at 300 dots an inch.
    QImage picture(QSizeF twips) const;

private:
    void replaceChart();
    // A new chart of the months; `note` stands as its title.
    QChart *makeChart(const QString &note) const;

    QChartView *m_view;
    MonthlyIncome m_income;
    QString m_note; // why no months are shown, when a read failed
};
