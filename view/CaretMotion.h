#pragma once
// CCaretMotion: where the control's moving keys take the caret.
//
//  - Sideways by a character (a surrogate pair or a letter with its marks is one) or a
//    word; without Shift, a selection collapses to its edge on that side instead.
//  - Up and Down go to the row above or below, at the goal x (set from the caret when
//    there is none): before the first row is the start, past the last the end.
//  - Page keys turn the view a page and keep the caret at its place on the screen; on
//    the first (last) row they go to the start (end) of the text.
//  - Home and End: the start and the last caret place of the caret's row; Ctrl+Home and
//    Ctrl+End: the start and the end of the text.

#include "view/KeyTable.h"

#include <cstdint>

class CCaretModel;
class CRowLayout;
class CRowScroller;

class CCaretMotion {
public:
    CCaretMotion(const CRowLayout& layout, CRowScroller& scroller) : m_layout(layout), m_scroller(scroller) {}

    struct Result {
        std::uint64_t pos = 0;
        bool keepGoalX = false;  // the move keeps to the goal x it has set in selection
        bool scrolled = false;   // the view turned a page
    };
    // Where action (a move; extend: its Shift form) takes the caret of selection.
    Result Target(EditAction action, bool extend, CCaretModel& selection) const;

private:
    Result ByRows(long long rows, CCaretModel& selection) const;
    Result ByPage(long long direction, CCaretModel& selection) const;

    const CRowLayout& m_layout;
    CRowScroller& m_scroller;
};
