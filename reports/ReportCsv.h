// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QPair>
#include <QSaveFile>
#include <QString>
#include <QStringList>

// Writes a report as a CSV file a spreadsheet opens with its Persian intact: UTF-8 with a byte-order
// mark, one line per row under the column captions, then the totals as caption and value pairs.
class ReportCsv
{
public:
    // Nothing takes the name until finish(): a file left unfinished (a failure, a cancel) leaves any
    // earlier file of that name as it was.
    explicit ReportCsv(const QString &fileName);

    bool open(const QStringList &captions);
    // Written as it is made: a report over a million jobs is a hundred megabytes of text.
    bool addRow(const QStringList &cells);
    // The totals as caption and value pairs under the rows; then the file takes its name.
    bool finish(const QList<QPair<QString, QString>> &totals);
    QString errorString() const { return m_file.errorString(); }

    // A cell as written: quoted when it holds a separator, quote or line break.
    static QString field(const QString &cell);
    // A text a spreadsheet would run as a formula (it starts with = + - @, a tab or a carriage
    // return) gets a leading apostrophe; numbers stay as they are.
    static QString neutralised(const QString &text);

private:
    bool addLine(const QStringList &fields);
    bool flush();

    QSaveFile m_file;
    QByteArray m_pending;
};
