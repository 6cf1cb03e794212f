#pragma once
// CTextMarks: runs of the control's text marked as one kind (code the compiler skips),
// drawn over the styles and never instead of them: a tint under the highlights and the
// selection on the characters of each run, the same tint across the view on the rows a
// run covers whole, and a bar in the left margin beside those rows. A paint asks only
// for the rows it shows, each question answered in time logarithmic in the runs.

#include "view/RowPainter.h"

#include <QColor>

#include <cstddef>
#include <cstdint>
#include <vector>

class CRowScroller;
class QPainter;

struct CMarkedRun {
    std::uint64_t from = 0;  // positions as shown, from..to
    std::uint64_t to = 0;
    std::size_t firstRow = 1;  // the rows covered whole (none when lastRow < firstRow)
    std::size_t lastRow = 0;
};

class CTextMarks {
public:
    // Runs in any order; they should not overlap.
    void Set(std::vector<CMarkedRun> runs, const QColor& tint, const QColor& bar);
    void Clear();
    bool IsEmpty() const { return m_runs.empty(); }
    const std::vector<CMarkedRun>& Runs() const { return m_runs; }
    const QColor& Tint() const { return m_tint; }
    const QColor& Bar() const { return m_bar; }

    // Appends the tint of the runs' characters between from and to.
    void HighlightsIn(std::uint64_t from, std::uint64_t to, std::vector<CTextHighlight>& out) const;
    // Whether a run covers row whole.
    bool IsRowMarked(std::size_t row) const;
    // Fills, on each row from first to last that a run covers whole, the band from the
    // viewport's left edge width pixels wide in colour (the tint, or the margin's bar).
    void PaintRows(QPainter& painter, const CRowScroller& scroller, int lineHeight, std::size_t first,
                   std::size_t last, int width, const QColor& colour) const;

private:
    std::vector<CMarkedRun> m_runs;  // by from
    std::vector<std::pair<std::size_t, std::size_t>> m_rows;  // the whole rows, by first
    QColor m_tint;
    QColor m_bar;
};
