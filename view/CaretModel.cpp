#include "CaretModel.h"

#include <algorithm>

bool CCaretModel::Set(std::uint64_t anchor, std::uint64_t caret, std::uint64_t length)
{
    anchor = std::min(anchor, length);
    caret = std::min(caret, length);
    if (anchor == m_anchor && caret == m_caret) return false;
    m_anchor = anchor;
    m_caret = caret;
    return true;
}

void CCaretModel::Reset()
{
    m_anchor = m_caret = 0;
    m_goalX = -1;
    m_unit = Unit::Character;
    m_unitStart = m_unitEnd = 0;
}

void CCaretModel::BeginUnits(Unit unit, std::uint64_t start, std::uint64_t end)
{
    m_unit = unit;
    m_unitStart = start;
    m_unitEnd = end;
}

std::pair<std::uint64_t, std::uint64_t> CCaretModel::ExtendUnits(std::uint64_t pos, std::uint64_t unitStart,
                                                                 std::uint64_t unitEnd) const
{
    if (m_unit == Unit::Character) return {m_anchor, pos};
    if (pos < m_unitStart) return {m_unitEnd, unitStart};
    return {m_unitStart, std::max(unitEnd, m_unitEnd)};
}
