// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "jobstore/SqlText.h"

#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <QVector>

#include <functional>

// A report read on a thread other than the window's, over a connection of that thread's own: a
// report over every job of a big shop takes seconds to sum or to write out, and the window must
// go on painting meanwhile.
class ReportReader
{
public:
    // Connects to the database the connection text names; see ok().
    explicit ReportReader(const QString &connectionText);
    ~ReportReader();
    ReportReader(const ReportReader &) = delete;
    ReportReader &operator=(const ReportReader &) = delete;

    bool ok() const { return m_db.isOpen(); }
    QString lastError() const { return m_error; }

    // The first row of `source`; empty when it has none or could not be read.
    QVector<QVariant> firstRow(const SqlText &source);

    // Hands every row of `source` (whose first column is the row id) to `row` in its order,
    // without the id. The ids are read first and the rows a page at a time by them, so no
    // statement holds the file for the whole read against another counter's save. False when a
    // read failed or `row` returned false.
    bool eachRow(const SqlText &source, const std::function<bool(const QVector<QVariant> &row)> &row);

    // Runs `source` once, forward only, handing each row's values after its first column to `row`:
    // a summary of many rows read whole, without paging by ids. False when the read failed.
    bool eachGrouped(const SqlText &source, const std::function<void(const QVector<QVariant> &values)> &row);

private:
    bool failed(const QString &error);

    QString m_name;
    bool m_pooled = false;
    QSqlDatabase m_db;
    QString m_error;
};
