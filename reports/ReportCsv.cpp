// SPDX-License-Identifier: GPL-3.0-or-later
#include "reports/ReportCsv.h"

#include <QLocale>
#include <QSaveFile>

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

bool ReportCsv::write(const QString &fileName, const QStringList &captions, int rowCount, const CellText &cell,
                      const QList<QPair<QString, QString>> &totals, QString *error)
{
    // A failed write leaves any earlier file of that name as it was.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    // Written as it is made: a report over a million jobs is a hundred megabytes of text.
    QByteArray pending("\xEF\xBB\xBF");
    const auto addLine = [&](const QStringList &fields) {
        QStringList quoted;
        for (const QString &f : fields)
            quoted << field(f);
        pending += (quoted.join(u',') + QStringLiteral("\r\n")).toUtf8();
        if (pending.size() >= 65536) {
            file.write(pending);
            pending.clear();
        }
    };
    addLine(captions);
    for (int row = 0; row < rowCount; ++row) {
        QStringList fields;
        for (int column = 0; column < captions.size(); ++column)
            fields << cell(row, column);
        addLine(fields);
    }
    pending += "\r\n";
    for (const auto &total : totals)
        addLine({total.first, total.second});
    file.write(pending);
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}
