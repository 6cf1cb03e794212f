#pragma once
// CRowScroller: which part of the laid out text the control's viewport shows: the row
// at the top and the sideways scroll in pixels, and the geometry that follows from them
// (where a character is drawn, which position lies under a point).
//
//  - Rows are LineHeight() apart, below a top margin of 1 pixel; column 0 is 3 pixels
//    from the left edge.
//  - The top row goes no further than the last row that lets the final row show whole;
//    sideways the text scrolls until its widest row (by columns, or laid out) fits.
//  - Bringing a position into view moves the fewest rows, and sideways jumps a third of
//    the width beyond the edge, so that a moving caret does not sit at the edge. A row
//    brought to the middle has as many whole rows above it as below (one more below
//    when the count is even).
//  - A wheel notch moves the system's wheel lines; Shift (or a sideways wheel) moves
//    sideways, twice as many columns. Fine steps add up until they make a whole row or pixel.
//  - Functions that scroll return whether anything moved; the owner repaints then.

#include "view/RowLayout.h"

#include <QPoint>
#include <QRect>

#include <cstdint>

class QWheelEvent;
class QWidget;

class CRowScroller {
public:
    static constexpr int LEFT_MARGIN = 3;
    static constexpr int TOP_MARGIN = 1;

    // viewport: the widget whose size the rows are shown in.
    CRowScroller(const CRowLayout& layout, const QWidget& viewport);

    std::size_t TopRow() const { return m_topRow; }
    int ScrollX() const { return m_scrollX; }
    // Back to the top left, as for a new text.
    void Reset();

    std::size_t FullRowsVisible() const;
    bool ScrollTo(long long topRow, long long scrollX);
    bool ScrollBy(long long rows) { return ScrollTo(static_cast<long long>(m_topRow) + rows, m_scrollX); }
    // Scrolls as little as it takes to show pos.
    bool ShowPos(std::uint64_t pos);
    // Brings row to the middle of the view (as near as the ends of the text allow),
    // scrolled fully to the left.
    bool CentreRow(std::size_t row);
    bool Wheel(const QWheelEvent& e);

    // The y of a row's top in the viewport, and the viewport x of x in a row's layout.
    int RowY(std::size_t row) const;
    qreal ViewportX(qreal x) const { return LEFT_MARGIN - m_scrollX + x; }
    qreal RowX(int viewportX) const { return viewportX - LEFT_MARGIN + m_scrollX; }
    // The row shown at viewport y (clamped to the text's rows).
    std::size_t RowAtY(int y) const;
    std::uint64_t PosAtPoint(const QPoint& point) const;
    // Whether point lies inside the viewport.
    bool Shows(const QPoint& point) const;
    // The cell of the character at pos in the viewport (a caret-wide cell at a row's
    // end); null for a position outside the text.
    QRect CharRect(std::uint64_t pos) const;

private:
    std::size_t MaxTopRow() const;
    int MaxScrollX() const;

    const CRowLayout& m_layout;
    const QWidget& m_viewport;
    std::size_t m_topRow = 0;
    int m_scrollX = 0;
    qreal m_wheelRows = 0;  // part of a row left over from fine wheel steps
    qreal m_wheelPixels = 0;
};
