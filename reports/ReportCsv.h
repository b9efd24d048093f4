// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <functional>

// Writes a report as a CSV file a spreadsheet opens with its Persian intact: UTF-8 with a byte-order
// mark, one line per row under the column captions, then the totals as caption and value pairs.
class ReportCsv
{
public:
    using CellText = std::function<QString(int row, int column)>;

    static bool write(const QString &fileName, const QStringList &captions, int rowCount, const CellText &cell,
                      const QList<QPair<QString, QString>> &totals, QString *error);
    // A cell as written: quoted when it holds a separator, quote or line break.
    static QString field(const QString &cell);
    // A text a spreadsheet would run as a formula (it starts with = + - @, a tab or a carriage
    // return) gets a leading apostrophe; numbers stay as they are.
    static QString neutralised(const QString &text);
};
