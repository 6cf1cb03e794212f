#pragma once
// CRichTextStore: what the control shows, kept compactly: the text's bytes, one entry
// per run of equally formatted bytes, and the byte offset of every line.
//
// Contract:
//  - The bytes are the document's characters as the RTF reader produced them; a line
//    feed separates two lines (a paragraph mark) and is the only byte that does.
//  - Every byte belongs to exactly one run; a run is (first byte, format) and lasts
//    until the next run's first byte. Adjacent runs never share a format.
//  - Finish() decides how the bytes are shown (display::EncodingOf: UTF-8 when all of
//    them are well-formed UTF-8 and one is 0x80 or above, otherwise Windows-1252, one
//    character per byte) and builds the display index. Positions "as shown"
//    count UTF-16 units of the decoded text, the line feeds included; a UTF-8
//    character takes the format of its first byte.
//  - The display index cuts the text into rows: a row ends at a line feed, and a line
//    longer than MAX_ROW_UNITS units is continued on further rows (cut at a character
//    boundary), so that no row is ever too long to lay out.
//  - Sizes and offsets are 64-bit; nothing assumes the text fits in 4 GiB.
//
// The store is plain C++ with no user-interface dependency: the RTF reader fills it and
// tests read it back directly.

#include "syntax/DisplayText.h"
#include "syntax/StyleCodes.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct CCharFormat {
    COLORREF colour = 0;  // 0x00BBGGRR; the top byte is always 0
    bool bold = false;
    bool italic = false;
    bool operator==(const CCharFormat&) const = default;
};

class CRichTextStore {
public:
    using FormatIndex = std::uint16_t;
    static constexpr std::uint64_t MAX_ROW_UNITS = 4096;
    static constexpr std::size_t MAX_FORMATS = 65535;

    CRichTextStore();

    // ---- Building (the reader, SetWindowText) ----
    void Clear();
    // Makes room for a text of about textBytes bytes in about lines lines (and the runs of
    // a rendered source), so that the store does not grow (and copy itself) while it fills.
    void Reserve(std::uint64_t textBytes, std::uint64_t lines);
    // The bytes the store holds (its capacity), for measuring.
    std::uint64_t MemoryBytes() const;
    // The index of format, added to the table when new. When the table is full every
    // new format maps to the default one (index 0).
    FormatIndex Intern(const CCharFormat& format);
    // Appends bytes (no line feed among them) in the given format.
    void AppendText(const char* bytes, std::size_t n, FormatIndex format);
    // Appends a paragraph mark: a line feed in the given format, and a new line.
    void AppendParagraph(FormatIndex format);
    // Removes the last byte when it is a line feed (the document's final paragraph mark).
    void DropFinalParagraph();
    // Decides the encoding and builds the display index. Call after the last append.
    void Finish();

    // ---- The bytes ----
    std::string_view Bytes() const { return m_text; }
    std::uint64_t ByteLength() const { return m_text.size(); }
    std::size_t LineCount() const { return m_lineStarts.size(); }
    std::uint64_t LineStart(std::size_t line) const { return m_lineStarts[line]; }
    // The end of the line's bytes, before its line feed if it has one.
    std::uint64_t LineEnd(std::size_t line) const
    {
        return line + 1 < m_lineStarts.size() ? m_lineStarts[line + 1] - 1 : m_text.size();
    }
    // The line holding byte pos (the end of the text belongs to the last line).
    std::size_t LineOfByte(std::uint64_t pos) const;

    std::size_t RunCount() const { return m_runLow.size(); }
    std::uint64_t RunStart(std::size_t run) const;
    FormatIndex RunFormatIndex(std::size_t run) const { return m_runFormat[run]; }
    const CCharFormat& RunFormat(std::size_t run) const { return m_formats[m_runFormat[run]]; }
    // The run holding byte pos (pos < ByteLength()).
    std::size_t RunAt(std::uint64_t pos) const;
    const CCharFormat& FormatOfByte(std::uint64_t pos) const { return RunFormat(RunAt(pos)); }

    std::size_t FormatCount() const { return m_formats.size(); }
    const CCharFormat& Format(FormatIndex index) const { return m_formats[index]; }

    // ---- The text as shown (after Finish) ----
    display::Encoding Encoding() const { return m_encoding; }
    std::uint64_t Length() const { return m_unitLength; }  // UTF-16 units
    std::size_t RowCount() const;
    std::uint64_t RowStart(std::size_t row) const;  // in units
    // The end of the row's characters in units: before its line feed, if it has one.
    std::uint64_t RowEnd(std::size_t row) const;
    bool RowEndsWithLineFeed(std::size_t row) const;
    std::uint64_t RowByteStart(std::size_t row) const;
    std::uint64_t RowByteEnd(std::size_t row) const;  // before the line feed, if any
    // The row holding unit position pos; the end of the text belongs to the last row,
    // and a position where a continued row begins belongs to that row.
    std::size_t RowOfUnit(std::uint64_t pos) const;
    // The widest row in columns (cells as the control draws them: see CellWidth.h).
    std::uint64_t MaxRowColumns() const { return m_maxColumns; }
    // How many bidirectional controls the text holds (none when it is shown as
    // Windows-1252, which has none).
    std::uint64_t BidiControlCount() const { return m_bidiControls; }

    struct Span {
        std::uint32_t start;  // unit offset in the row
        FormatIndex format;
    };
    // The characters of a row (its line feed excluded) as UTF-16 units, and the formats
    // of their spans in order, the first span starting at 0.
    void DecodeRow(std::size_t row, std::u16string& units, std::vector<Span>& spans) const;
    // The units from..to of the whole text (line feeds included).
    std::u16string Text(std::uint64_t from, std::uint64_t to) const;
    // The format of the character at unit pos (the format of its first byte).
    const CCharFormat& FormatAt(std::uint64_t pos) const;
    // Calls visit(format, units) for consecutive pieces of from..to in one format each.
    template <class F>
    void ForEachSpan(std::uint64_t from, std::uint64_t to, F&& visit) const;
    // The byte offset where the character at unit pos begins (the byte length at the end;
    // the second unit of a surrogate pair gives its character's first byte).
    std::uint64_t ByteOfUnit(std::uint64_t pos) const;
    // The inverse: the unit position of the character that begins at byte pos, or of the
    // next one when pos lies inside a character (the length at the end).
    std::uint64_t UnitOfByte(std::uint64_t pos) const;
    // The column of unit pos in its row as the control draws it, from 0: the cells of
    // the characters before it (CellWidth.h: tab stops every 8 columns, wide characters
    // two, marks none).
    std::uint64_t ColumnOf(std::uint64_t pos) const;

    // Gives from..to (units) the attributes that mask selects from format.
    static constexpr unsigned APPLY_COLOUR = 1, APPLY_BOLD = 2, APPLY_ITALIC = 4;
    void ApplyFormat(std::uint64_t from, std::uint64_t to, unsigned mask, const CCharFormat& format);

private:
    void AddRun(std::uint64_t start, FormatIndex format);
    void BuildRowsAnsi();
    void BuildRowsUtf8();

    std::string m_text;
    std::vector<std::uint64_t> m_lineStarts;
    // Runs, one entry each: the low 32 bits of the first byte and the format. The high
    // bits are implied: m_runHigh[k] is the first run at or past byte (k + 1) << 32.
    std::vector<std::uint32_t> m_runLow;
    std::vector<FormatIndex> m_runFormat;
    std::vector<std::size_t> m_runHigh;
    std::vector<CCharFormat> m_formats;
    std::unordered_map<std::uint32_t, FormatIndex> m_formatLookup;  // key: colour, bold, italic
    // A small direct-mapped cache in front of the format table's lookup.
    struct InternSlot {
        std::uint32_t key = UINT32_MAX;
        FormatIndex index = 0;
    };
    InternSlot m_internCache[64];

    // Display index. m_rowBytes is empty when rows and lines coincide; m_rowUnits is
    // empty when units and bytes coincide (Windows-1252).
    display::Encoding m_encoding = display::Encoding::Windows1252;
    std::uint64_t m_unitLength = 0;
    std::vector<std::uint64_t> m_rowBytes;
    std::vector<std::uint64_t> m_rowUnits;
    std::uint64_t m_maxColumns = 0;
    std::uint64_t m_bidiControls = 0;
};

template <class F>
void CRichTextStore::ForEachSpan(std::uint64_t from, std::uint64_t to, F&& visit) const
{
    if (to > m_unitLength) to = m_unitLength;
    std::u16string units;
    std::vector<Span> spans;
    while (from < to) {
        const std::size_t row = RowOfUnit(from);
        const std::uint64_t start = RowStart(row);
        DecodeRow(row, units, spans);
        if (RowEndsWithLineFeed(row)) {
            // The line feed takes the format of the run it ends.
            units.push_back(u'\n');
        }
        const std::uint64_t stop = to < start + units.size() ? to : start + units.size();
        for (std::size_t s = 0; s < spans.size(); ++s) {
            const std::uint64_t a = start + spans[s].start;
            const std::uint64_t b = s + 1 < spans.size() ? start + spans[s + 1].start : start + units.size();
            const std::uint64_t lo = a > from ? a : from;
            const std::uint64_t hi = b < stop ? b : stop;
            if (lo < hi)
                visit(m_formats[spans[s].format],
                      std::u16string_view(units).substr(lo - start, hi - lo));
        }
        if (stop <= from) break;  // cannot happen; keeps the loop finite whatever the index says
        from = stop;
    }
}
