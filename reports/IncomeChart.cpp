// SPDX-License-Identifier: GPL-3.0-or-later
#include "reports/IncomeChart.h"

#include "jobstore/DateNumber.h"
#include "reports/ReportTotals.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QGraphicsScene>
#include <QPainter>
#include <QStackedBarSeries>
#include <QVBoxLayout>

#include <cmath>
#include <memory>

namespace
{

const int printDpi = 300;
const int twipsPerInch = 1440;
const int screenDpi = 96; // the chart is laid out for paper as for a screen of this density

// Up to this many months each is named; beyond, their years are.
const int yearsFrom = 14;

// A month's year as the axis names it; the jobs without a date keep their own name.
QString yearText(const MonthlyIncome::Month &month)
{
    return month.key.isNull() ? month.label()
                              : QString::number(DateNumber::fullYear(int(month.key.toLongLong() / 100 % 100)));
}

// A round step (1, 2 or 5 times a power of ten) that divides the span into about four parts.
double tickStep(double span)
{
    if (span <= 0)
        return 1;
    const double raw = span / 4;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double factor : {1.0, 2.0, 5.0}) {
        if (factor * power >= raw)
            return factor * power;
    }
    return 10 * power;
}

} // namespace

IncomeChart::IncomeChart(QWidget *parent) : QWidget(parent), m_view(new QChartView(this))
{
    m_view->setObjectName(QStringLiteral("IncomeChartView"));
    m_view->setRenderHint(QPainter::Antialiasing);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    clear();
}

void IncomeChart::showRead(const std::optional<MonthlyIncome> &income, const QString &error)
{
    if (income) {
        showIncome(*income);
        return;
    }
    m_income = MonthlyIncome();
    m_note = QStringLiteral("نمودار ماه ها خوانده نشد: %1").arg(error);
    replaceChart();
}

void IncomeChart::showIncome(const MonthlyIncome &income)
{
    m_income = income;
    m_note.clear();
    replaceChart();
}

void IncomeChart::clear()
{
    showIncome(MonthlyIncome());
}

void IncomeChart::replaceChart()
{
    // The view lets go of the chart it showed without deleting it.
    std::unique_ptr<QChart> old(m_view->chart());
    m_view->setChart(makeChart(m_note));
}

QChart *IncomeChart::makeChart(const QString &note) const
{
    auto *chart = new QChart;
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->setTitle(note);
    chart->setFont(font());
    chart->legend()->setFont(font());
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setMargins(QMargins(4, 4, 4, 4));

    auto *parts = new QBarSet(QStringLiteral("هزينه قطعات"));
    auto *shop = new QBarSet(QStringLiteral("مبلغ مربوط به تعميرگاه"));
    auto *technician = new QBarSet(QStringLiteral("مبلغ مربوط به تعميرکار"));
    parts->setColor(QColor(0x9e, 0x9e, 0x9e));
    shop->setColor(QColor(0x1f, 0x6f, 0xb2));
    technician->setColor(QColor(0xe0, 0x8a, 0x1e));
    QStringList labels;
    double highest = 0;
    double lowest = 0;
    // Right to left: the first month stands on the right.
    const QList<MonthlyIncome::Month> &months = m_income.months();
    for (auto month = months.crbegin(); month != months.crend(); ++month) {
        const double values[] = {month->parts, double(month->shop), month->technician};
        parts->append(values[0]);
        shop->append(values[1]);
        technician->append(values[2]);
        double up = 0;
        double down = 0;
        for (double value : values)
            (value > 0 ? up : down) += value;
        highest = qMax(highest, up);
        lowest = qMin(lowest, down);
        labels << month->label();
    }
    auto *series = new QStackedBarSeries;
    series->append({parts, shop, technician});
    series->setBarWidth(0.6);
    chart->addSeries(series);

    QAbstractAxis *monthAxis = nullptr;
    if (labels.size() <= yearsFrom) {
        auto *byMonth = new QBarCategoryAxis;
        byMonth->append(labels);
        monthAxis = byMonth;
    } else {
        // Too many months to name each: the years are named under their months instead.
        auto *byYear = new QCategoryAxis;
        byYear->setLabelsPosition(QCategoryAxis::AxisLabelsPositionCenter);
        byYear->setStartValue(-0.5);
        for (int index = 0; index < labels.size(); ++index) {
            const MonthlyIncome::Month &month = months.at(months.size() - 1 - index);
            const bool yearEnds =
                index + 1 == labels.size() || yearText(months.at(months.size() - 2 - index)) != yearText(month);
            if (yearEnds)
                byYear->append(yearText(month), index + 0.5);
        }
        byYear->setRange(-0.5, labels.size() - 0.5);
        monthAxis = byYear;
    }
    monthAxis->setLabelsFont(font());
    monthAxis->setGridLineVisible(false);
    chart->addAxis(monthAxis, Qt::AlignBottom);
    series->attachAxis(monthAxis);

    // Labels of our own: a value axis writes large amounts with an exponent or its own rounding.
    auto *amountAxis = new QCategoryAxis;
    amountAxis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    amountAxis->setLabelsFont(font());
    amountAxis->setTruncateLabels(false);
    const double step = tickStep(highest - lowest);
    const double first = std::floor(lowest / step) * step;
    const double last = qMax(first + step, std::ceil(highest / step) * step);
    for (int index = 0; first + index * step <= last + step / 2; ++index)
        amountAxis->append(ReportTotals::numberText(first + index * step), first + index * step);
    amountAxis->setRange(first, last);
    chart->addAxis(amountAxis, Qt::AlignRight);
    series->attachAxis(amountAxis);
    return chart;
}

QImage IncomeChart::picture(QSizeF twips) const
{
    const QSizeF layoutSize = twips * screenDpi / twipsPerInch;
    const double scale = double(printDpi) / screenDpi;
    QImage image((layoutSize * scale).toSize(), QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(printDpi / 0.0254));
    image.setDotsPerMeterY(qRound(printDpi / 0.0254));
    image.fill(Qt::white);
    QGraphicsScene scene;
    QChart *chart = makeChart(m_note);
    scene.addItem(chart);
    chart->setGeometry(QRectF(QPointF(0, 0), layoutSize));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    scene.render(&painter, QRectF(QPointF(0, 0), image.size()), QRectF(QPointF(0, 0), layoutSize));
    return image;
}
