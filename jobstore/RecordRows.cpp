// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/RecordRows.h"

#include <algorithm>

const RecordRows::Row &RecordRows::operator[](qsizetype index) const
{
    static const Row notRead;
    const std::unique_ptr<Page> &page = m_pages[size_t(index / PageRows)];
    return page ? (*page)[size_t(index % PageRows)] : notRead;
}

void RecordRows::set(qsizetype index, Row row)
{
    std::unique_ptr<Page> &page = m_pages[size_t(index / PageRows)];
    if (!page)
        page = std::make_unique<Page>();
    (*page)[size_t(index % PageRows)] = std::move(row);
}

void RecordRows::append(Row row)
{
    resize(m_size + 1);
    set(m_size - 1, std::move(row));
}

void RecordRows::resize(qsizetype size)
{
    const qsizetype pages = (size + PageRows - 1) / PageRows;
    // The kept rows of the last kept page past the new end must read as not read if it grows again.
    for (qsizetype index = size; index < m_size && index < pages * PageRows; ++index) {
        if (const std::unique_ptr<Page> &page = m_pages[size_t(index / PageRows)])
            (*page)[size_t(index % PageRows)] = Row();
    }
    m_pages.resize(size_t(pages));
    m_size = size;
}

void RecordRows::remove(qsizetype index)
{
    // Every later row moves up one place, page by page; a page never read stays unmade.
    const qsizetype first = index / PageRows;
    for (qsizetype p = first; p < qsizetype(m_pages.size()); ++p) {
        const bool nextRead = p + 1 < qsizetype(m_pages.size()) && m_pages[size_t(p + 1)];
        Row next = nextRead ? std::move((*m_pages[size_t(p + 1)])[0]) : Row();
        if (Page *page = m_pages[size_t(p)].get()) {
            const qsizetype from = p == first ? index % PageRows : 0;
            std::move(page->begin() + from + 1, page->end(), page->begin() + from);
            page->back() = std::move(next);
        } else if (!next.isEmpty()) {
            set(p * PageRows + PageRows - 1, std::move(next));
        }
    }
    resize(m_size - 1);
}

void RecordRows::clear()
{
    m_pages.clear();
    m_size = 0;
}
