#pragma once
// CRowLayout: the rows of the control's text laid out in its font, and what needs them:
// where a position lies along its row, which position lies at an x, and where the caret
// goes by a character or a word.
//
//  - A row is laid out when first asked for and kept in a cache of a few screens; the
//    widest row laid out so far counts for sideways scrolling.
//  - On the screen rows never wrap. Build also lays out rows for printing, on the
//    printer's device and wrapped at the page width.
//  - Every character takes its cells of the grid (CellWidth.h), one cell being the
//    font's space: tab stops are every TAB_COLUMNS cells, and a cluster whose glyphs are
//    wider or narrower (an ideograph drawn by a fallback font, a lone mark) is spaced to
//    its cells, so that columns line up whatever font draws a character.
//  - A control character (C0, DEL, C1) is laid out as one no-break space and a
//    bidirectional control as one spaced to two cells; the row keeps their places and
//    codes so that the painter can draw their boxes over those cells.
//  - A row reads left to right in the order of its characters: a row that holds
//    right-to-left letters is laid out under a left-to-right override, so that Qt's
//    bidirectional algorithm moves nothing, and the controls that could move text are
//    boxes, not controls.
//  - A character and its marks (a grapheme cluster) are drawn whole, in the format of
//    the cluster's first character.
//  - Character steps follow the layout's cursor positions (a surrogate pair or a letter
//    with its marks is one step); word steps follow the row's own text.
//  - SetFont takes another font (another size too) and forgets every laid out row;
//    SetStore and FormatsChanged forget them as well. The store must outlive its use.

#include "view/GridFit.h"
#include "view/RichTextStore.h"

#include <QCache>
#include <QFont>
#include <QTextCharFormat>
#include <QTextLayout>

#include <cstdint>
#include <utility>
#include <vector>

class QPaintDevice;

class CRowLayout {
public:
    struct Row {
        QTextLayout layout;
        // Control characters drawn as boxes: their place in the row and their code.
        std::vector<std::pair<int, char16_t>> placeholders;
        // Marks drawn over their clusters by the painter (GridFit.h), in the row's order.
        std::vector<gridfit::Mark> marks;
        qreal width = 0;  // of the first line
        // The units the layout's text holds before the row's first character (the
        // left-to-right override): a place in the row is At(place) in the layout.
        int shift = 0;
        int At(int place) const { return place + shift; }
        int PlaceOf(int index) const { return index > shift ? index - shift : 0; }
    };
    static constexpr int TAB_COLUMNS = 8;

    CRowLayout();

    void SetStore(const CRichTextStore* store);
    const CRichTextStore& Store() const { return *m_store; }
    void SetFont(const QFont& font);
    // The store's formats changed: rows are laid out again.
    void FormatsChanged();
    // Keeps at least rows laid out rows.
    void SetCacheRows(int rows);

    const QFont& Font() const { return m_font; }
    int LineHeight() const { return m_lineHeight; }  // whole pixels, at least 1
    qreal Ascent() const { return m_ascent; }
    qreal CharWidth() const { return m_charWidth; }  // of a space, at least 1
    qreal SeenWidth() const { return m_seenWidth; }

    const Row& RowAt(std::size_t row) const;

    qreal XOfPos(std::uint64_t pos) const;  // in the row's own coordinates
    std::uint64_t PosAtRowX(std::size_t row, qreal x) const;
    // The character under x in row (not the gap nearest to it), at most the row's end.
    std::uint64_t CharAtRowX(std::size_t row, qreal x) const;
    // The last place of the caret in a row: its end, or, when a long line goes on in the
    // next row, before its last character (the end is where the next row begins).
    std::uint64_t RowLastPos(std::size_t row) const;
    std::uint64_t NextCharPos(std::uint64_t pos) const;
    std::uint64_t PrevCharPos(std::uint64_t pos) const;
    std::uint64_t NextWordPos(std::uint64_t pos) const;
    std::uint64_t PrevWordPos(std::uint64_t pos) const;
    // The word (or run of spaces, or of other signs) holding the character at pos.
    void WordAt(std::uint64_t pos, std::uint64_t& start, std::uint64_t& end) const;
    // The row holding pos, its line feed included.
    void RowAround(std::uint64_t pos, std::uint64_t& start, std::uint64_t& end) const;

    // Lays out row of store in font on device (null: the screen), wrapped at wrapWidth
    // (0: never), each cluster spaced to its cells of width cell and tab stops every
    // tabStop as Qt takes it (see PagePrinter.cpp). formats caches the store's formats
    // as Qt's and is filled as needed.
    static void Build(Row& out, const CRichTextStore& store, std::size_t row, const QFont& font, QPaintDevice* device,
                      qreal cell, qreal tabStop, qreal wrapWidth, std::vector<QTextCharFormat>& formats);

private:
    void Forget();

    const CRichTextStore* m_store = nullptr;
    QFont m_font;
    int m_lineHeight = 16;
    qreal m_ascent = 12;
    qreal m_charWidth = 8;
    mutable qreal m_seenWidth = 0;
    mutable QCache<std::size_t, Row> m_rows;
    mutable std::vector<QTextCharFormat> m_formats;
};
