#include "TextMarks.h"

#include "RowScroller.h"

#include <QPainter>

#include <algorithm>

void CTextMarks::Set(std::vector<CMarkedRun> runs, const QColor& tint, const QColor& bar)
{
    m_runs = std::move(runs);
    std::sort(m_runs.begin(), m_runs.end(), [](const CMarkedRun& a, const CMarkedRun& b) { return a.from < b.from; });
    m_rows.clear();
    for (const CMarkedRun& run : m_runs)
        if (run.firstRow <= run.lastRow) m_rows.emplace_back(run.firstRow, run.lastRow);
    std::sort(m_rows.begin(), m_rows.end());
    m_tint = tint;
    m_bar = bar;
}

void CTextMarks::Clear()
{
    m_runs.clear();
    m_rows.clear();
}

void CTextMarks::HighlightsIn(std::uint64_t from, std::uint64_t to, std::vector<CTextHighlight>& out) const
{
    // The first run that ends after from; then each until one begins at to or later.
    auto run = std::upper_bound(m_runs.begin(), m_runs.end(), from,
                                [](std::uint64_t at, const CMarkedRun& r) { return at < r.to; });
    for (; run != m_runs.end() && run->from < to; ++run)
        if (run->from < run->to) out.push_back(CTextHighlight{run->from, run->to, m_tint, QColor(), false});
}

bool CTextMarks::IsRowMarked(std::size_t row) const
{
    // The last whole run that begins at row or before.
    auto after = std::upper_bound(m_rows.begin(), m_rows.end(), row,
                                  [](std::size_t at, const std::pair<std::size_t, std::size_t>& r) { return at < r.first; });
    return after != m_rows.begin() && std::prev(after)->second >= row;
}

void CTextMarks::PaintRows(QPainter& painter, const CRowScroller& scroller, int lineHeight, std::size_t first,
                           std::size_t last, int width, const QColor& colour) const
{
    for (std::size_t row = first; row <= last; ++row)
        if (IsRowMarked(row)) painter.fillRect(QRect(0, scroller.RowY(row), width, lineHeight), colour);
}
