#include "MouseSelection.h"

#include "SyntaxRichEditCtrl.h"

#include <QApplication>
#include <QMouseEvent>

#include <algorithm>

namespace {

constexpr int kAutoScrollInterval = 40;  // ms between steps while a drag is outside

}  // namespace

bool CMouseSelection::Press(const QMouseEvent& e)
{
    if (e.button() != Qt::LeftButton) return false;
    const QPoint point = e.position().toPoint();
    const std::uint64_t pos = m_control.m_scroller.PosAtPoint(point);
    m_point = point;
    m_dragging = true;
    if (m_tripleClickTimer.isActive() &&
        (point - m_tripleClickPoint).manhattanLength() < QApplication::startDragDistance()) {
        // Third click: the whole line, its line feed included.
        m_tripleClickTimer.stop();
        BeginUnits(CCaretModel::Unit::Line, pos);
        return true;
    }
    m_control.m_selection.BeginUnits(CCaretModel::Unit::Character, pos, pos);
    m_control.MoveCaret(pos, (e.modifiers() & Qt::ShiftModifier) != 0);
    return true;
}

bool CMouseSelection::DoubleClick(const QMouseEvent& e)
{
    if (e.button() != Qt::LeftButton) return false;
    const QPoint point = e.position().toPoint();
    // The word under the pointer: the character it is on, not the gap nearest to it.
    const std::size_t row = m_control.m_scroller.RowAtY(point.y());
    m_dragging = true;
    m_point = point;
    BeginUnits(CCaretModel::Unit::Word, m_control.m_layout.CharAtRowX(row, m_control.m_scroller.RowX(point.x())));
    m_tripleClickPoint = point;
    m_tripleClickTimer.start(QApplication::doubleClickInterval(), this);
    return true;
}

bool CMouseSelection::Move(const QMouseEvent& e)
{
    if (!m_dragging || !(e.buttons() & Qt::LeftButton)) return false;
    m_point = e.position().toPoint();
    Extend(m_point);
    // Outside the control the view goes on scrolling while the button is held.
    if (m_control.viewport()->rect().contains(m_point))
        m_autoScrollTimer.stop();
    else if (!m_autoScrollTimer.isActive())
        m_autoScrollTimer.start(kAutoScrollInterval, this);
    return true;
}

bool CMouseSelection::Release(const QMouseEvent& e)
{
    if (e.button() != Qt::LeftButton || !m_dragging) return false;
    Stop();
    m_control.SelectionChangedByUser();
    return true;
}

void CMouseSelection::Stop()
{
    m_dragging = false;
    m_autoScrollTimer.stop();
}

void CMouseSelection::UnitAround(CCaretModel::Unit unit, std::uint64_t pos, std::uint64_t& start,
                                 std::uint64_t& end) const
{
    start = end = pos;
    if (unit == CCaretModel::Unit::Word) m_control.m_layout.WordAt(pos, start, end);
    if (unit == CCaretModel::Unit::Line) m_control.m_layout.RowAround(pos, start, end);
}

void CMouseSelection::BeginUnits(CCaretModel::Unit unit, std::uint64_t pos)
{
    std::uint64_t start, end;
    UnitAround(unit, pos, start, end);
    m_control.m_selection.BeginUnits(unit, start, end);
    m_control.SetSelection(start, end);
    m_control.EnsureCaretVisible();
    m_control.RestartBlink();
}

void CMouseSelection::Extend(const QPoint& point)
{
    CCaretModel& selection = m_control.m_selection;
    const std::uint64_t pos = m_control.m_scroller.PosAtPoint(point);
    std::uint64_t start, end;
    UnitAround(selection.SelectionUnit(), pos, start, end);
    const auto [anchor, caret] = selection.ExtendUnits(pos, start, end);
    m_control.SetSelection(anchor, caret);
    selection.ForgetGoalX();
    m_control.EnsureCaretVisible();
    m_control.RestartBlink();
}

void CMouseSelection::timerEvent(QTimerEvent* e)
{
    if (e->timerId() == m_autoScrollTimer.timerId()) {
        if (m_dragging)
            Extend(m_point);
        else
            m_autoScrollTimer.stop();
    } else if (e->timerId() == m_tripleClickTimer.timerId()) {
        m_tripleClickTimer.stop();
    } else {
        QObject::timerEvent(e);
    }
}
