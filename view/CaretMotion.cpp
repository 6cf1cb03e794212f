#include "CaretMotion.h"

#include "CaretModel.h"
#include "RichTextStore.h"
#include "RowLayout.h"
#include "RowScroller.h"

#include <algorithm>

CCaretMotion::Result CCaretMotion::Target(EditAction action, bool extend, CCaretModel& selection) const
{
    const CRichTextStore& store = m_layout.Store();
    const std::uint64_t caret = selection.Caret();
    const bool collapse = !extend && selection.HasSelection();
    switch (action) {
    case EditAction::NextChar:
        return {collapse ? selection.To() : m_layout.NextCharPos(caret)};
    case EditAction::PreviousChar:
        return {collapse ? selection.From() : m_layout.PrevCharPos(caret)};
    case EditAction::NextWord:
        return {m_layout.NextWordPos(caret)};
    case EditAction::PreviousWord:
        return {m_layout.PrevWordPos(caret)};
    case EditAction::NextRow:
        return ByRows(1, selection);
    case EditAction::PreviousRow:
        return ByRows(-1, selection);
    case EditAction::StartOfRow:
        return {store.RowStart(store.RowOfUnit(caret))};
    case EditAction::EndOfRow:
        return {m_layout.RowLastPos(store.RowOfUnit(caret))};
    case EditAction::NextPage:
        return ByPage(1, selection);
    case EditAction::PreviousPage:
        return ByPage(-1, selection);
    case EditAction::StartOfText:
        return {0};
    case EditAction::EndOfText:
        return {store.Length()};
    default:
        return {caret, true};  // not a move: the caret stays
    }
}

CCaretMotion::Result CCaretMotion::ByRows(long long rows, CCaretModel& selection) const
{
    const CRichTextStore& store = m_layout.Store();
    const std::uint64_t caret = selection.Caret();
    if (!selection.HasGoalX()) selection.SetGoalX(m_layout.XOfPos(caret));
    const long long target = static_cast<long long>(store.RowOfUnit(caret)) + rows;
    if (target < 0) return {0, true};
    if (target >= static_cast<long long>(store.RowCount())) return {store.Length(), true};
    return {m_layout.PosAtRowX(static_cast<std::size_t>(target), selection.GoalX()), true};
}

CCaretMotion::Result CCaretMotion::ByPage(long long direction, CCaretModel& selection) const
{
    const CRichTextStore& store = m_layout.Store();
    const std::uint64_t caret = selection.Caret();
    const long long rows = static_cast<long long>(m_scroller.FullRowsVisible());
    const std::size_t row = store.RowOfUnit(caret);
    const long long target = static_cast<long long>(row) + direction * rows;
    const long long last = static_cast<long long>(store.RowCount()) - 1;
    Result result;
    result.scrolled = m_scroller.ScrollBy(direction * rows);
    if (target < 0 && row == 0) {
        result.pos = 0;
    } else if (target > last && static_cast<long long>(row) == last) {
        result.pos = store.Length();
    } else {
        if (!selection.HasGoalX()) selection.SetGoalX(m_layout.XOfPos(caret));
        result.pos = m_layout.PosAtRowX(static_cast<std::size_t>(std::clamp(target, 0LL, last)), selection.GoalX());
        result.keepGoalX = true;
    }
    return result;
}
