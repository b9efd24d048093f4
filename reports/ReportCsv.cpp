#include "reports/ReportCsv.h"

#include <QSaveFile>

QString ReportCsv::field(const QString &text)
{
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    QString quoted = text;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

bool ReportCsv::write(const QString &fileName, const QStringList &captions, int rowCount, const CellText &cell,
                      const QList<QPair<QString, QString>> &totals, QString *error)
{
    QString text;
    const auto addLine = [&text](const QStringList &fields) {
        QStringList quoted;
        for (const QString &f : fields)
            quoted << field(f);
        text += quoted.join(u',') + QStringLiteral("\r\n");
    };
    addLine(captions);
    for (int row = 0; row < rowCount; ++row) {
        QStringList fields;
        for (int column = 0; column < captions.size(); ++column)
            fields << cell(row, column);
        addLine(fields);
    }
    text += QStringLiteral("\r\n");
    for (const auto &total : totals)
        addLine({total.first, total.second});

    // A failed write leaves any earlier file of that name as it was.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    file.write("\xEF\xBB\xBF");
    file.write(text.toUtf8());
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}
