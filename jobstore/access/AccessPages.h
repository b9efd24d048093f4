// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

extern "C" {
#include <mdbtools.h>
}

// libmdb follows page numbers, row offsets and column counts as the file states them. This checks,
// on the same pages libmdb reads, everything a table's definition and rows make libmdb walk, so that
// libmdb is only ever handed a table it can read without reading outside its buffers.
class AccessPages
{
public:
    // `pageCount` is the file's size in pages; libmdb reads pages past it with a warning only.
    AccessPages(MdbHandle *mdb, quint32 pageCount);

    // Before mdb_read_table and mdb_read_columns: the definition page and the pages it continues
    // on, its column count, and the rows holding its usage and free-space maps.
    bool checkDefinition(quint32 page, QString *why);

    // After mdb_read_columns: every data page the usage map names and every row on them. The
    // table's usage map is then replaced by one naming only the pages checked, so a scan reads no
    // other page. `rows` is the number of rows a scan will yield.
    bool checkRows(MdbTableDef *table, qint64 *rows, QString *why);

    // A row that a memo or usage map points to: its page lies within the file.
    bool holdsPage(qint32 pageRow) const;

private:
    bool readPage(quint32 number, QByteArray &bytes) const;
    bool findRow(const QByteArray &page, int row, int *start, int *size) const;
    bool mapPages(const QByteArray &map, std::vector<quint32> &pages, QString *why) const;
    bool checkRow(const MdbTableDef *table, const QByteArray &page, int start, int size, QString *why) const;

    MdbHandle *m_mdb;
    quint32 m_pageCount;
    int m_pageSize;
    bool m_jet3;
    QByteArray m_usageMap;
};
