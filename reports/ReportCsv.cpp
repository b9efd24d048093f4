// SPDX-License-Identifier: GPL-3.0-or-later
#include "reports/ReportCsv.h"

#include <QLocale>

QString ReportCsv::neutralised(const QString &text)
{
    static const QString formulaStarts = QStringLiteral("=+-@\t\r");
    if (text.isEmpty() || !formulaStarts.contains(text.front()))
        return text;
    // A signed number is data, not a formula, and stays a number in the spreadsheet.
    bool number = false;
    if (text.front() == QLatin1Char('-') || text.front() == QLatin1Char('+'))
        QLocale::c().toDouble(text, &number);
    return number ? text : QLatin1Char('\'') + text;
}

QString ReportCsv::field(const QString &cell)
{
    const QString text = neutralised(cell);
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    QString quoted = text;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

ReportCsv::ReportCsv(const QString &fileName) : m_file(fileName) {}

bool ReportCsv::open(const QStringList &captions)
{
    if (!m_file.open(QIODevice::WriteOnly))
        return false;
    m_pending = "\xEF\xBB\xBF";
    return addLine(captions);
}

bool ReportCsv::addRow(const QStringList &cells)
{
    return addLine(cells);
}

bool ReportCsv::addLine(const QStringList &fields)
{
    QStringList quoted;
    for (const QString &f : fields)
        quoted << field(f);
    m_pending += (quoted.join(u',') + QStringLiteral("\r\n")).toUtf8();
    return m_pending.size() < 65536 || flush();
}

bool ReportCsv::flush()
{
    const bool ok = m_file.write(m_pending) == m_pending.size();
    m_pending.clear();
    return ok;
}

bool ReportCsv::finish(const QList<QPair<QString, QString>> &totals)
{
    m_pending += "\r\n";
    for (const auto &total : totals)
        addLine({total.first, total.second});
    return flush() && m_file.commit();
}
