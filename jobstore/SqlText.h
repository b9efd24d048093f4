// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QVariantList>

// An SQL text with the values bound to its placeholders. Whatever a clerk typed travels in
// `values`, never inside `sql`.
struct SqlText {
    QString sql;
    QVariantList values;
    // A search an index can narrow: `sql` holds searchMark() where the condition goes, ahead of every
    // placeholder, and Dialect::adapt writes it for the database that runs it.
    int searchColumn = -1; // a SearchIndex::Column
    QString searchText;    // folded

    static QString searchMark() { return QStringLiteral("{contains}"); }
};
