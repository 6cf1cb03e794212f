#pragma once
// CMouseSelection: where the left mouse button puts the selection of CSyntaxRichEditCtrl.
// It reads the layout and the scroll, and answers with the anchor and the caret that
// the control puts; it changes nothing of the control itself.
//
//  - A click puts the caret at the place nearest the pointer; with Shift it selects
//    from the anchor to there.
//  - A double click selects the word the pointer is on (the character under it, not
//    the gap nearest to it); a third click within the double-click time, near the
//    second, selects the whole row with its line feed.
//  - Dragging grows the selection by the unit it began with (characters, words or
//    rows). Outside the viewport the drag goes on (the answer says so): the control
//    asks again at intervals while the button is held, and each answer scrolls the
//    caret's row a little further into view.
//  - After the button's release the control hands the selection to X11's PRIMARY
//    selection.

#include "view/CaretModel.h"

#include <QDeadlineTimer>
#include <QPoint>

#include <cstdint>
#include <optional>

class CRowLayout;
class CRowScroller;
class QMouseEvent;

class CMouseSelection {
public:
    // How often the control asks again while a drag is outside the viewport, in ms.
    static constexpr int AUTO_SCROLL_INTERVAL = 40;

    CMouseSelection(const CRowLayout& layout, const CRowScroller& scroller) : m_layout(layout), m_scroller(scroller)
    {
    }

    struct Result {
        std::uint64_t anchor = 0;
        std::uint64_t caret = 0;
        bool scrollOn = false;  // the pointer is outside the viewport: ask again (Repeat)
    };
    // Each answers nothing when the event is not one it acts on (another button, a
    // move without a drag). Press and DoubleClick set the unit the drag grows by in
    // selection.
    std::optional<Result> Press(const QMouseEvent& e, CCaretModel& selection);
    std::optional<Result> DoubleClick(const QMouseEvent& e, CCaretModel& selection);
    std::optional<Result> Move(const QMouseEvent& e, const CCaretModel& selection);
    // The drag again at its last point, once the view has scrolled; nothing once it ended.
    std::optional<Result> Repeat(const CCaretModel& selection) const;
    // True when the release ends a drag.
    bool Release(const QMouseEvent& e);
    // A new text: any drag ends.
    void Stop() { m_dragging = false; }

private:
    // The word or row (as unit says) that holds pos; by characters, pos itself.
    void UnitAround(CCaretModel::Unit unit, std::uint64_t pos, std::uint64_t& start, std::uint64_t& end) const;
    Result BeginUnits(CCaretModel::Unit unit, std::uint64_t pos, CCaretModel& selection) const;
    Result Extend(const CCaretModel& selection) const;

    const CRowLayout& m_layout;
    const CRowScroller& m_scroller;
    QPoint m_point;  // where the pointer last was during a drag
    bool m_dragging = false;
    QDeadlineTimer m_tripleClick;  // running from a double click until a third click is too late
    QPoint m_tripleClickPoint;
};
