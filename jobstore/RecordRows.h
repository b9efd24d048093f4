// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QVariant>
#include <QVector>

#include <array>
#include <memory>
#include <vector>

// A record set's rows by their place, of which only the pages read hold anything: counting a
// million rows costs a slot for each page of them, not a row each, and the window does not wait
// while the memory for a million empty rows is made.
class RecordRows
{
public:
    using Row = QVector<QVariant>;

    qsizetype size() const { return m_size; }
    bool isEmpty() const { return m_size == 0; }
    // A row not read is empty; a row read has at least one column.
    const Row &operator[](qsizetype index) const;
    void set(qsizetype index, Row row);
    void append(Row row);
    // Rows past a smaller size are gone; rows added are not read.
    void resize(qsizetype size);
    void remove(qsizetype index);
    void clear();

private:
    static constexpr qsizetype PageRows = 256;
    using Page = std::array<Row, PageRows>;

    std::vector<std::unique_ptr<Page>> m_pages; // null for a page none of whose rows were read
    qsizetype m_size = 0;
};
