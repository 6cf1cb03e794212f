#pragma once
// CRowPainter: paints laid out rows of the control's text with a painter, on the screen
// or on a page.
//
//  - Characters take their run's colour, weight and slant; a control character is a
//    thin box in its run's colour holding its code in two hex digits, one above the
//    other, and a bidirectional control a box of two cells holding its short name
//    ("RLO", "PDI").
//  - On the screen a row may carry highlighted ranges and the selection. Highlights are
//    painted first and the selection over them, so a range that is both shows as
//    selected. A highlight's text colour, when it has one, replaces the run's.
//  - A highlight may underline its characters instead of (or besides) painting their
//    background, as a link under the mouse is shown.
//  - A selected or highlighted line feed shows as a block half a space wide after the
//    row's last character, in the background of its range.
//  - Marks that no font can place on their base (GridFit.h) are drawn over their
//    clusters in the colour of the cluster's text.
//  - Printed lines carry neither highlights nor the selection.

#include "view/RowLayout.h"

#include <QColor>

#include <cstdint>
#include <vector>

class CRichTextStore;
class CRowScroller;
class QFont;
class QRect;
class QRectF;
class QPainter;
class QTextLine;

// A range of the text painted on another background: from..to in positions as shown.
struct CTextHighlight {
    std::uint64_t from = 0;
    std::uint64_t to = 0;
    QColor background;  // invalid: the row's own background
    QColor text;        // invalid: the run's own colour
    bool underline = false;
};

class CRowPainter {
public:
    CRowPainter(QPainter& painter, const CRichTextStore& store);

    // The selection from..to (empty when equal) and its colours.
    void SetSelection(std::uint64_t from, std::uint64_t to, const QColor& background, const QColor& text);
    // Highlights in any order; the vector must outlive the painting.
    void SetHighlights(const std::vector<CTextHighlight>* highlights) { m_highlights = highlights; }

    // Paints the one line of screen row row (laid out as laid) with its layout's origin
    // at origin; the row's band is top..top+height, and lineFeedWidth the width of the
    // block of a selected line feed.
    void PaintRow(const CRowLayout::Row& laid, std::size_t row, const QPointF& origin, qreal top, qreal height,
                  qreal lineFeedWidth);
    // Paints the rows that the scroller shows within area of the viewport (laid out by
    // layout), and the caret as a one-pixel bar at caret when it is given.
    void PaintRows(const CRowLayout& layout, const CRowScroller& scroller, const QRect& area, const std::uint64_t* caret);
    // Paints line index of printed row row (laid out as laid) with its layout's origin at origin.
    void PaintLine(const CRowLayout::Row& laid, std::size_t row, int index, const QPointF& origin);

private:
    // The range that gives the character at pos its text colour, when one covers it.
    const CTextHighlight* RangeAt(std::uint64_t pos) const;
    // Writes name across box in font, narrowed to fit.
    void DrawName(const QRectF& box, const QString& name, const QFont& font);
    // The colour of the text at pos: its run's, or that of a range over it.
    QColor TextColour(std::uint64_t pos, bool ranges) const;
    // The marks drawn over their clusters (GridFit.h) of the line of row laid.
    void DrawMarks(const CRowLayout::Row& laid, const QTextLine& line, const QPointF& origin, std::size_t row,
                   bool ranges);
    void DrawPlaceholders(const CRowLayout::Row& laid, const QTextLine& line, const QPointF& origin, std::size_t row,
                          bool ranges);

    QPainter& m_painter;
    const CRichTextStore& m_store;
    CTextHighlight m_selection;
    const std::vector<CTextHighlight>* m_highlights = nullptr;
};
