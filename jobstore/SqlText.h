// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QVariantList>

// An SQL text with the values bound to its placeholders. Whatever a clerk typed travels in
// `values`, never inside `sql`.
struct SqlText {
    QString sql;
    QVariantList values;
};
