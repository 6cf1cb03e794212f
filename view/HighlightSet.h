#pragma once
// CHighlightSet: the ranges the control paints on their own background under the
// selection. Some are set and stay until the text is replaced or others are set; a
// source, when there is one, is asked at every paint for those of the rows shown.

#include "view/RichTextStore.h"
#include "view/RowPainter.h"

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

class CHighlightSet {
public:
    using Source = std::function<void(std::uint64_t from, std::uint64_t to, std::vector<CTextHighlight>& out)>;

    void Set(std::vector<CTextHighlight> highlights) { m_set = std::move(highlights); }
    void Clear() { m_set.clear(); }
    void SetSource(Source source) { m_source = std::move(source); }
    // The highlights of a paint of the rows firstRow..lastRow of store: the source's,
    // then the set ones. With no row shown the source is not asked.
    const std::vector<CTextHighlight>& ForPaint(const CRichTextStore& store, std::size_t firstRow, std::size_t lastRow)
    {
        m_paint.clear();
        if (m_source && firstRow <= lastRow) m_source(store.RowStart(firstRow), store.RowEnd(lastRow), m_paint);
        m_paint.insert(m_paint.end(), m_set.begin(), m_set.end());
        return m_paint;
    }

private:
    std::vector<CTextHighlight> m_set;
    Source m_source;
    std::vector<CTextHighlight> m_paint;  // kept between paints for its memory
};
