#pragma once
// The cells a character takes on the viewer's fixed-pitch grid, one cell being the width
// of a space in the text's font. The control draws every character in exactly its cells,
// whatever font its glyph comes from, and the position pane counts columns by the same
// rule, so that the column said is the column drawn:
//
//  - a tab goes on to the next multiple of TAB_CELLS (CellsAfter);
//  - a control character (C0, DEL, C1), drawn as a small box with its code: one cell;
//  - a bidirectional control, drawn as a box with its short name: BIDI_CELLS;
//  - combining and enclosing marks, format characters (the byte-order mark, zero-width
//    space and joiners) and the conjoining Hangul vowels and finals: none;
//  - East Asian wide and fullwidth characters (ideographs, kana, Hangul syllables, most
//    emoji): two;
//  - every other character: one.
//
// A character and its marks are one drawn cluster; the cluster takes the cells of its
// characters added up. No Qt: the store that counts columns is plain C++.

#include <cstdint>

namespace cells {

inline constexpr std::uint64_t TAB_CELLS = 8;
inline constexpr int BIDI_CELLS = 2;

// The cells of c (0, 1 or 2), for any character but the tab.
int Width(char32_t c);

// The column after c when c begins at column.
inline std::uint64_t CellsAfter(std::uint64_t column, char32_t c)
{
    if (c == u'\t') return (column / TAB_CELLS + 1) * TAB_CELLS;
    return column + static_cast<std::uint64_t>(c < 0x300 ? 1 : Width(c));
}

}  // namespace cells
