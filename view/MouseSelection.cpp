#include "MouseSelection.h"

#include "RichTextStore.h"
#include "RowLayout.h"
#include "RowScroller.h"

#include <QApplication>
#include <QMouseEvent>

#include <algorithm>

std::optional<CMouseSelection::Result> CMouseSelection::Press(const QMouseEvent& e, CCaretModel& selection)
{
    if (e.button() != Qt::LeftButton) return std::nullopt;
    const QPoint point = e.position().toPoint();
    const std::uint64_t pos = m_scroller.PosAtPoint(point);
    m_point = point;
    m_dragging = true;
    if (!m_tripleClick.hasExpired() &&
        (point - m_tripleClickPoint).manhattanLength() < QApplication::startDragDistance()) {
        // Third click: the whole line, its line feed included.
        m_tripleClick = QDeadlineTimer();
        return BeginUnits(CCaretModel::Unit::Line, pos, selection);
    }
    selection.BeginUnits(CCaretModel::Unit::Character, pos, pos);
    const bool extend = (e.modifiers() & Qt::ShiftModifier) != 0;
    return Result{extend ? selection.Anchor() : pos, pos};
}

std::optional<CMouseSelection::Result> CMouseSelection::DoubleClick(const QMouseEvent& e, CCaretModel& selection)
{
    if (e.button() != Qt::LeftButton) return std::nullopt;
    const QPoint point = e.position().toPoint();
    // The word under the pointer: the character it is on, not the gap nearest to it.
    const std::size_t row = m_scroller.RowAtY(point.y());
    m_dragging = true;
    m_point = point;
    m_tripleClickPoint = point;
    m_tripleClick = QDeadlineTimer(QApplication::doubleClickInterval());
    return BeginUnits(CCaretModel::Unit::Word, m_layout.CharAtRowX(row, m_scroller.RowX(point.x())), selection);
}

std::optional<CMouseSelection::Result> CMouseSelection::Move(const QMouseEvent& e, const CCaretModel& selection)
{
    if (!m_dragging || !(e.buttons() & Qt::LeftButton)) return std::nullopt;
    m_point = e.position().toPoint();
    return Extend(selection);
}

std::optional<CMouseSelection::Result> CMouseSelection::Repeat(const CCaretModel& selection) const
{
    if (!m_dragging) return std::nullopt;
    return Extend(selection);
}

bool CMouseSelection::Release(const QMouseEvent& e)
{
    if (e.button() != Qt::LeftButton || !m_dragging) return false;
    m_dragging = false;
    return true;
}

void CMouseSelection::UnitAround(CCaretModel::Unit unit, std::uint64_t pos, std::uint64_t& start,
                                 std::uint64_t& end) const
{
    start = end = pos;
    if (unit == CCaretModel::Unit::Word) m_layout.WordAt(pos, start, end);
    if (unit == CCaretModel::Unit::Line) m_layout.RowAround(pos, start, end);
}

CMouseSelection::Result CMouseSelection::BeginUnits(CCaretModel::Unit unit, std::uint64_t pos,
                                                    CCaretModel& selection) const
{
    std::uint64_t start, end;
    UnitAround(unit, pos, start, end);
    selection.BeginUnits(unit, start, end);
    return {start, end};
}

CMouseSelection::Result CMouseSelection::Extend(const CCaretModel& selection) const
{
    const std::uint64_t pos = m_scroller.PosAtPoint(m_point);
    std::uint64_t start, end;
    UnitAround(selection.SelectionUnit(), pos, start, end);
    const auto [anchor, caret] = selection.ExtendUnits(pos, start, end);
    return {anchor, caret, !m_scroller.Shows(m_point)};
}
