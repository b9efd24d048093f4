// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobstore/Recordset.h"

// Moving through a record set: a move first stores the row being edited.

int Recordset::AbsolutePosition() const
{
    if (m_currentDeleted)
        return -1;
    if (m_index < 0 || m_index >= m_rows.size())
        return m_index < 0 ? -2 : -3;
    return m_index + 1;
}

bool Recordset::setAbsolutePosition(int position)
{
    if (position > m_rows.size())
        ensureCounted();
    if (position < 1 || position > m_rows.size())
        return fail(tr("No row at position %1").arg(position));
    return moveTo(position - 1);
}

bool Recordset::IsBOF() const
{
    return m_rows.isEmpty() || m_index < 0;
}

bool Recordset::IsEOF() const
{
    return m_rows.isEmpty() || m_index >= m_rows.size();
}

bool Recordset::MoveFirst()
{
    return moveTo(0);
}

bool Recordset::MoveLast()
{
    // The count and the last page are enough: a million ids need not be read to stand on the last.
    if (!ensureCounted())
        return false;
    return moveTo(std::max(int(m_rows.size()) - 1, 0));
}

bool Recordset::MoveNext()
{
    if (m_currentDeleted)
        return moveTo(m_index); // the row that followed the deleted one
    if (IsEOF())
        return fail(tr("No current row"));
    return moveTo(m_index + 1);
}

bool Recordset::MovePrevious()
{
    if (IsBOF() && !m_currentDeleted)
        return fail(tr("No current row"));
    return moveTo(m_index - 1);
}

bool Recordset::Move(int rows)
{
    if (rows > 0)
        ensureCounted();
    const int from = m_currentDeleted && rows > 0 ? m_index - 1 : m_index;
    return moveTo(std::clamp(from + rows, -1, int(m_rows.size())));
}
bool Recordset::moveTo(int index)
{
    m_wantedRow = -1;
    if (!commitBeforeMove())
        return false;
    if (index >= m_rows.size())
        ensureCounted();
    index = std::clamp(index, -1, int(m_rows.size()));
    const bool leavingDeleted = std::exchange(m_currentDeleted, false);
    if (index == m_index && !leavingDeleted)
        return true;
    m_index = index;
    emit currentRowChanged(IsEOF() || IsBOF() ? -1 : m_index);
    return true;
}

bool Recordset::commitBeforeMove()
{
    return !m_editing || Update();
}
