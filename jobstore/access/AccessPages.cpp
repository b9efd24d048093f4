// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/access/AccessPages.h"

#include <QtEndian>

#include <cstring>

namespace
{

constexpr int RowOffsetMask = 0x1fff;
constexpr int DeletedRow = 0x4000;
// libmdb finds no row past this index on a page.
constexpr int HighestRowIndex = 1000;
// Access keeps at most 255 columns a table.
constexpr unsigned MostColumns = 255;
constexpr int DataPage = 0x01;
constexpr int DefinitionPage = 0x02;

unsigned u8(const QByteArray &bytes, int at)
{
    return static_cast<unsigned char>(bytes.at(at));
}

unsigned u16(const QByteArray &bytes, int at)
{
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

quint32 u32(const QByteArray &bytes, int at)
{
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

bool failed(QString *why, const QString &text)
{
    *why = text;
    return false;
}

} // namespace

AccessPages::AccessPages(MdbHandle *mdb, quint32 pageCount)
    : m_mdb(mdb), m_pageCount(pageCount), m_pageSize(int(mdb->fmt->pg_size)),
      m_jet3(mdb->f->jet_version == MDB_VER_JET3)
{
}

// Through libmdb, which also undoes the encoding of an encoded file, into a copy of our own.
bool AccessPages::readPage(quint32 number, QByteArray &bytes) const
{
    if (number >= m_pageCount || m_pageSize > MDB_PGSIZE || mdb_read_alt_pg(m_mdb, number) != m_pageSize)
        return false;
    bytes = QByteArray(reinterpret_cast<const char *>(m_mdb->alt_pg_buf), m_pageSize);
    return true;
}

bool AccessPages::holdsPage(qint32 pageRow) const
{
    const quint32 page = quint32(pageRow >> 8); // as mdb_find_pg_row takes it
    return page >= 1 && page < m_pageCount;
}

// mdb_find_row's reading of the row offset table, refusing what it would refuse, and a row the
// page does not count.
bool AccessPages::findRow(const QByteArray &page, int row, int *start, int *size) const
{
    const int counts = m_mdb->fmt->row_count_offset;
    if (row > HighestRowIndex || row >= int(u16(page, counts)))
        return false;
    *start = int(u16(page, counts + 2 + row * 2));
    const int next = row == 0 ? m_pageSize : int(u16(page, counts + row * 2) & RowOffsetMask);
    const int begins = *start & RowOffsetMask;
    if (begins >= m_pageSize || begins > next || next > m_pageSize)
        return false;
    *size = next - begins;
    return true;
}

bool AccessPages::checkDefinition(quint32 page, QString *why)
{
    const MdbFormatConstants *fmt = m_mdb->fmt;
    QByteArray current;
    if (page == 0 || !readPage(page, current) || u8(current, 0) != DefinitionPage)
        return failed(why, QStringLiteral("page %1 is not a table definition").arg(page));
    const unsigned columns = u16(current, fmt->tab_num_cols_offset);
    const unsigned variable = u16(current, fmt->tab_num_cols_offset - 2);
    const quint32 realIndexes = u32(current, fmt->tab_num_ridxs_offset);
    if (columns == 0 || columns > MostColumns || variable > columns || realIndexes > MostColumns)
        return failed(why, QStringLiteral("the definition on page %1 counts %2 columns, %3 of them variable, and %4 "
                                          "indexes")
                               .arg(page)
                               .arg(columns)
                               .arg(variable)
                               .arg(realIndexes));

    // mdb_read_table copies both maps out of the rows their pointers name.
    for (const int at : {int(fmt->tab_usage_map_offset), int(fmt->tab_free_map_offset)}) {
        const qint32 pageRow = qint32(u32(current, at));
        QByteArray holder;
        int start = 0;
        int size = 0;
        if (!holdsPage(pageRow) || !readPage(quint32(pageRow >> 8), holder) ||
            !findRow(holder, pageRow & 0xff, &start, &size) || size < 1)
            return failed(
                why, QStringLiteral("the definition on page %1 points to its %2 map at page %3 row %4, "
                                    "which holds none")
                         .arg(page)
                         .arg(at == fmt->tab_usage_map_offset ? QStringLiteral("usage") : QStringLiteral("free-space"))
                         .arg(quint32(pageRow) >> 8)
                         .arg(pageRow & 0xff));
        if (at == fmt->tab_usage_map_offset)
            m_usageMap = holder.mid(start & RowOffsetMask, size);
    }

    // mdb_read_columns reads the column entries and names as one stream over the definition pages,
    // each naming the next at byte 4; it moves to the next page as soon as a read reaches a page's
    // end, so the last page may name page 0, which is then read and never used.
    quint32 visited = 1;
    bool spent = false;
    int position = int(fmt->tab_cols_start_offset + realIndexes * fmt->tab_ridx_entry_size);
    const auto nextPage = [&] {
        const quint32 next = u32(current, 4);
        if (spent || ++visited > m_pageCount || !readPage(next, current))
            return false;
        spent = next == 0;
        return next == 0 || u8(current, 0) == DefinitionPage;
    };
    const auto read = [&](int length, QByteArray *out) {
        while (position >= m_pageSize) {
            if (!nextPage())
                return false;
            position -= m_pageSize - 8;
        }
        if (out)
            out->clear();
        while (position + length >= m_pageSize) {
            if (spent)
                return false;
            const int piece = m_pageSize - position;
            if (out)
                out->append(current.mid(position, piece));
            length -= piece;
            if (!nextPage())
                return false;
            position = 8;
        }
        if (length > 0 && spent)
            return false;
        if (out)
            out->append(current.mid(position, length));
        position += length;
        return true;
    };
    for (unsigned i = 0; i < columns; ++i) {
        if (!read(fmt->tab_col_entry_size, nullptr))
            return failed(why, QStringLiteral("the definition on page %1 ends within its columns").arg(page));
    }
    QByteArray length;
    for (unsigned i = 0; i < columns; ++i) {
        const int lengthSize = m_jet3 ? 1 : 2;
        if (!read(lengthSize, &length) || !read(m_jet3 ? u8(length, 0) : u16(length, 0), nullptr))
            return failed(why, QStringLiteral("the definition on page %1 ends within its column names").arg(page));
    }
    return true;
}

// The pages a usage map names: type 0 holds a first page and a bitmap, type 1 the numbers of pages
// that each hold a bitmap of their own.
bool AccessPages::mapPages(const QByteArray &map, std::vector<quint32> &pages, QString *why) const
{
    const auto take = [&](quint64 page) {
        if (page >= m_pageCount)
            return failed(why, QStringLiteral("the usage map names page %1 of %2").arg(page).arg(m_pageCount));
        pages.push_back(quint32(page));
        return true;
    };
    if (map.isEmpty())
        return failed(why, QStringLiteral("the usage map is empty"));
    if (u8(map, 0) == 0) {
        if (map.size() < 5)
            return failed(why, QStringLiteral("the usage map has %1 bytes").arg(map.size()));
        const quint64 first = u32(map, 1);
        for (qsizetype bit = 0; bit < (map.size() - 5) * 8; ++bit) {
            if ((u8(map, 5 + bit / 8) & (1u << (bit % 8))) && (first + bit != 0) && !take(first + bit))
                return false;
        }
        return true;
    }
    if (u8(map, 0) != 1)
        return failed(why, QStringLiteral("the usage map is of type %1").arg(u8(map, 0)));
    const quint64 perPage = quint64(m_pageSize - 4) * 8;
    QByteArray bitmap;
    for (qsizetype index = 0; index < (map.size() - 1) / 4; ++index) {
        const quint32 mapPage = u32(map, 1 + 4 * index);
        if (mapPage == 0)
            continue;
        if (!readPage(mapPage, bitmap))
            return failed(why, QStringLiteral("the usage map names map page %1 of %2").arg(mapPage).arg(m_pageCount));
        for (quint64 bit = 0; bit < perPage; ++bit) {
            if ((u8(bitmap, 4 + bit / 8) & (1u << (bit % 8))) && !take(index * perPage + bit))
                return false;
        }
    }
    return true;
}

bool AccessPages::checkRows(MdbTableDef *table, qint64 *rows, QString *why)
{
    unsigned variableColumns = 0;
    for (unsigned i = 0; i < table->num_cols; ++i) {
        if (!static_cast<const MdbColumn *>(g_ptr_array_index(table->columns, i))->is_fixed)
            ++variableColumns;
    }
    // mdb_crack_row reads the variable columns' offsets only when the definition counts some.
    if (table->columns->len != table->num_cols || variableColumns != table->num_var_cols)
        return failed(why, QStringLiteral("the definition counts %1 variable columns and describes %2")
                               .arg(table->num_var_cols)
                               .arg(variableColumns));
    std::vector<quint32> pages;
    if (!mapPages(m_usageMap, pages, why))
        return false;

    const quint32 owner = quint32(table->entry->table_pg);
    std::vector<unsigned char> ours(m_pageCount, 0);
    QByteArray page;
    *rows = 0;
    for (const quint32 number : pages) {
        // libmdb passes over a page of another table (with a warning); here it is left out of the map.
        if (number == 0 || !readPage(number, page) || u8(page, 0) != DataPage || u32(page, 4) != owner)
            continue;
        ours[number] = 1;
        const int counts = m_mdb->fmt->row_count_offset;
        const int count = int(u16(page, counts));
        if (counts + 2 + 2 * count > m_pageSize)
            return failed(why, QStringLiteral("page %1 counts %2 rows").arg(number).arg(count));
        for (int row = 0; row < count; ++row) {
            int start = 0;
            int size = 0;
            // A row libmdb cannot find it passes over; the count of rows tells of it.
            if (!findRow(page, row, &start, &size) || size == 0 || (start & DeletedRow))
                continue;
            if (!checkRow(table, page, start & RowOffsetMask, size, why)) {
                *why = QStringLiteral("page %1 row %2: %3").arg(number).arg(row).arg(*why);
                return false;
            }
            ++*rows;
        }
    }

    // Page 0 never holds rows, so the map's first page is 0 and bit n is page n.
    const qsizetype bytes = 5 + (qsizetype(m_pageCount) + 7) / 8;
    auto *map = static_cast<unsigned char *>(g_malloc0(bytes));
    for (quint32 number = 1; number < m_pageCount; ++number) {
        if (ours[number])
            map[5 + number / 8] |= 1u << (number % 8);
    }
    g_free(table->usage_map);
    table->usage_map = map;
    table->map_sz = size_t(bytes);
    return true;
}

// Every byte mdb_crack_row reads for this row, and every field it places, within the row.
bool AccessPages::checkRow(const MdbTableDef *table, const QByteArray &page, int start, int size, QString *why) const
{
    const int countSize = m_jet3 ? 1 : 2;
    if (size < countSize + 1)
        return failed(why, QStringLiteral("%1 bytes").arg(size));
    const unsigned columns = m_jet3 ? u8(page, start) : u16(page, start);
    if (columns == 0 || columns > table->num_cols)
        return failed(why, QStringLiteral("claims %1 columns of %2").arg(columns).arg(table->num_cols));
    const int maskSize = int(columns + 7) / 8;
    const int end = start + size - 1;
    const int after = start + countSize; // the first byte past the column count
    if (end - maskSize + 1 < after)
        return failed(why, QStringLiteral("%1 bytes hold no null mask of %2 columns").arg(size).arg(columns));

    unsigned variable = 0;
    std::vector<unsigned> offsets;
    if (table->num_var_cols > 0) {
        if (m_jet3) {
            if (end - maskSize < after)
                return failed(why, QStringLiteral("no count of variable columns"));
            variable = u8(page, end - maskSize);
            const int jumps = (size - 1) / 256;
            const int lowest = end - maskSize - jumps - 1 - int(variable);
            if (variable > columns || lowest < after)
                return failed(why, QStringLiteral("%1 variable columns in %2 bytes").arg(variable).arg(size));
            // mdb_crack_row3: each offset byte is raised by 256 for each jump passed.
            unsigned usedJumps = 0;
            int lastJumps = jumps;
            if (unsigned(end - maskSize - jumps - 1 - start - int(variable)) / 256 < unsigned(jumps))
                --lastJumps;
            for (unsigned i = 0; i <= variable; ++i) {
                if (int(usedJumps) < lastJumps && i == u8(page, end - maskSize - int(usedJumps) - 1))
                    ++usedJumps;
                offsets.push_back(u8(page, end - maskSize - jumps - 1 - int(i)) + usedJumps * 256);
            }
        } else {
            if (end - maskSize - 1 < after)
                return failed(why, QStringLiteral("no count of variable columns"));
            variable = u16(page, end - maskSize - 1);
            if (variable > columns || end - maskSize - 3 - 2 * int(variable) < after)
                return failed(why, QStringLiteral("%1 variable columns in %2 bytes").arg(variable).arg(size));
            for (unsigned i = 0; i <= variable; ++i)
                offsets.push_back(u16(page, end - maskSize - 3 - 2 * int(i)));
        }
    }

    const unsigned fixed = columns - variable;
    unsigned fixedFound = 0;
    for (unsigned i = 0; i < table->num_cols; ++i) {
        const auto *column = static_cast<const MdbColumn *>(g_ptr_array_index(table->columns, i));
        if (end - maskSize + 1 + column->col_num / 8 >= m_pageSize)
            return failed(why, QStringLiteral("column %1 has no null bit on the page").arg(column->col_num));
        qint64 begins = 0;
        qint64 length = 0;
        if (column->is_fixed && fixedFound < fixed) {
            begins = start + column->fixed_offset + countSize;
            length = column->col_size;
            ++fixedFound;
        } else if (!column->is_fixed && unsigned(column->var_col_num) < variable) {
            begins = start + qint64(offsets[column->var_col_num]);
            length = qint64(offsets[column->var_col_num + 1]) - qint64(offsets[column->var_col_num]);
        } else {
            continue;
        }
        if (length < 0 || begins < start || begins + length > start + size)
            return failed(why, QStringLiteral("column %1 lies outside the row").arg(QString::fromUtf8(column->name)));
    }
    return true;
}
