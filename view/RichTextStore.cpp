#include "RichTextStore.h"

#include "syntax/CellWidth.h"
#include "syntax/Utf8.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint64_t kTabColumns = 8;

inline std::uint64_t NextColumn(std::uint64_t column, unsigned char b)
{
    return b == '\t' ? (column / kTabColumns + 1) * kTabColumns : column + 1;
}

inline std::uint32_t FormatKey(const CCharFormat& f)
{
    return (f.colour & 0xFFFFFFu) | (f.bold ? 1u << 24 : 0u) | (f.italic ? 1u << 25 : 0u);
}

// Every Windows-1252 byte stands for a character of the Basic Multilingual Plane.
inline char16_t Windows1252Unit(unsigned char b)
{
    return static_cast<char16_t>(display::Windows1252(b));
}

}  // namespace

CRichTextStore::CRichTextStore() { Clear(); }

void CRichTextStore::Clear()
{
    m_text.clear();
    m_lineStarts.assign(1, 0);
    m_runLow.clear();
    m_runFormat.clear();
    m_runHigh.clear();
    m_formats.assign(1, CCharFormat{});
    m_formatLookup.clear();
    m_formatLookup.emplace(FormatKey(CCharFormat{}), 0);
    for (InternSlot& slot : m_internCache) slot = InternSlot{};
    m_encoding = display::Encoding::Windows1252;
    m_unitLength = 0;
    m_rowBytes.clear();
    m_rowUnits.clear();
    m_maxColumns = 0;
    m_bidiControls = 0;
}

void CRichTextStore::Reserve(std::uint64_t textBytes, std::uint64_t lines)
{
    m_text.reserve(static_cast<std::size_t>(textBytes));
    m_lineStarts.reserve(static_cast<std::size_t>(lines));
    // A rendered source changes style about every seven bytes or more; room for a run
    // every four costs address space only, while growing would copy every run so far
    // into memory touched for the first time.
    const std::uint64_t runs = textBytes / 4 + 64;
    m_runLow.reserve(static_cast<std::size_t>(runs));
    m_runFormat.reserve(static_cast<std::size_t>(runs));
}

std::uint64_t CRichTextStore::MemoryBytes() const
{
    return m_text.capacity() + m_lineStarts.capacity() * sizeof(std::uint64_t) +
           m_runLow.capacity() * sizeof(std::uint32_t) + m_runFormat.capacity() * sizeof(FormatIndex) +
           m_runHigh.capacity() * sizeof(std::size_t) + m_formats.capacity() * sizeof(CCharFormat) +
           m_rowBytes.capacity() * sizeof(std::uint64_t) + m_rowUnits.capacity() * sizeof(std::uint64_t);
}

CRichTextStore::FormatIndex CRichTextStore::Intern(const CCharFormat& format)
{
    const std::uint32_t key = FormatKey(format);
    InternSlot& slot = m_internCache[(key ^ (key >> 7) ^ (key >> 15)) & 63u];
    if (slot.key == key) return slot.index;
    FormatIndex index = 0;
    const auto found = m_formatLookup.find(key);
    if (found != m_formatLookup.end()) {
        index = found->second;
    } else if (m_formats.size() < MAX_FORMATS) {
        CCharFormat stored = format;
        stored.colour &= 0xFFFFFFu;
        index = static_cast<FormatIndex>(m_formats.size());
        m_formats.push_back(stored);
        m_formatLookup.emplace(key, index);
    } else {
        return 0;
    }
    slot.key = key;
    slot.index = index;
    return index;
}

void CRichTextStore::AddRun(std::uint64_t start, FormatIndex format)
{
    while (((static_cast<std::uint64_t>(m_runHigh.size()) + 1) << 32) <= start)
        m_runHigh.push_back(m_runLow.size());
    m_runLow.push_back(static_cast<std::uint32_t>(start));
    m_runFormat.push_back(format);
}

void CRichTextStore::AppendText(const char* bytes, std::size_t n, FormatIndex format)
{
    if (n == 0) return;
    if (m_runFormat.empty() || m_runFormat.back() != format) AddRun(m_text.size(), format);
    m_text.append(bytes, n);
}

void CRichTextStore::AppendParagraph(FormatIndex format)
{
    if (m_runFormat.empty() || m_runFormat.back() != format) AddRun(m_text.size(), format);
    m_text.push_back('\n');
    m_lineStarts.push_back(m_text.size());
}

void CRichTextStore::DropFinalParagraph()
{
    if (m_text.empty() || m_text.back() != '\n') return;
    m_text.pop_back();
    m_lineStarts.pop_back();
    if (!m_runLow.empty() && RunStart(m_runLow.size() - 1) == m_text.size()) {
        m_runLow.pop_back();
        m_runFormat.pop_back();
        while (!m_runHigh.empty() && m_runHigh.back() >= m_runLow.size()) m_runHigh.pop_back();
    }
}

std::uint64_t CRichTextStore::RunStart(std::size_t run) const
{
    const std::uint64_t high =
        static_cast<std::uint64_t>(std::upper_bound(m_runHigh.begin(), m_runHigh.end(), run) - m_runHigh.begin());
    return (high << 32) | m_runLow[run];
}

std::size_t CRichTextStore::RunAt(std::uint64_t pos) const
{
    const std::size_t count = m_runLow.size();
    if (count == 0) return 0;
    const std::uint64_t segment = pos >> 32;
    std::size_t lo = 0, hi = count;
    if (segment > 0) lo = segment - 1 < m_runHigh.size() ? m_runHigh[segment - 1] : count;
    if (segment < m_runHigh.size()) hi = m_runHigh[segment];
    const auto first = m_runLow.begin() + static_cast<std::ptrdiff_t>(lo);
    const auto last = m_runLow.begin() + static_cast<std::ptrdiff_t>(hi);
    const auto it = std::upper_bound(first, last, static_cast<std::uint32_t>(pos));
    std::size_t run = static_cast<std::size_t>(it - m_runLow.begin());
    // run is one past the answer; when no run of this segment starts at or before pos,
    // the answer is the last run of an earlier segment.
    return run > 0 ? run - 1 : 0;
}

void CRichTextStore::Finish()
{
    m_encoding = display::EncodingOf(m_text);
    m_rowBytes.clear();
    m_rowUnits.clear();
    m_maxColumns = 0;
    m_bidiControls = 0;
    if (m_encoding == display::Encoding::Utf8)
        BuildRowsUtf8();
    else
        BuildRowsAnsi();
}

void CRichTextStore::BuildRowsAnsi()
{
    m_unitLength = m_text.size();
    const auto* s = reinterpret_cast<const unsigned char*>(m_text.data());
    const std::size_t lines = m_lineStarts.size();
    bool split = false;
    for (std::size_t i = 0; i < lines; ++i) {
        const std::uint64_t start = m_lineStarts[i];
        const std::uint64_t end = i + 1 < lines ? m_lineStarts[i + 1] - 1 : m_text.size();
        if (end - start > MAX_ROW_UNITS) split = true;
        std::uint64_t columns = 0;
        if (std::memchr(s + start, '\t', end - start)) {
            for (std::uint64_t p = start; p < end; ++p) columns = NextColumn(columns, s[p]);
        } else {
            columns = end - start;
        }
        if (columns > m_maxColumns) m_maxColumns = columns;
    }
    if (!split) return;
    for (std::size_t i = 0; i < lines; ++i) {
        const std::uint64_t start = m_lineStarts[i];
        const std::uint64_t end = i + 1 < lines ? m_lineStarts[i + 1] - 1 : m_text.size();
        m_rowBytes.push_back(start);
        for (std::uint64_t p = start + MAX_ROW_UNITS; p < end; p += MAX_ROW_UNITS) m_rowBytes.push_back(p);
    }
}

void CRichTextStore::BuildRowsUtf8()
{
    const auto* s = reinterpret_cast<const unsigned char*>(m_text.data());
    const std::uint64_t n = m_text.size();
    std::uint64_t units = 0;
    std::uint64_t rowUnitStart = 0;
    std::uint64_t columns = 0;
    m_rowBytes.push_back(0);
    m_rowUnits.push_back(0);
    std::uint64_t p = 0;
    while (p < n) {
        const unsigned char b = s[p];
        if (b == '\n') {
            ++p;
            ++units;
            m_rowBytes.push_back(p);
            m_rowUnits.push_back(units);
            rowUnitStart = units;
            if (columns > m_maxColumns) m_maxColumns = columns;
            columns = 0;
            continue;
        }
        if (units - rowUnitStart >= MAX_ROW_UNITS) {
            m_rowBytes.push_back(p);
            m_rowUnits.push_back(units);
            rowUnitStart = units;
            if (columns > m_maxColumns) m_maxColumns = columns;
            columns = 0;
        }
        const unsigned length = Utf8SequenceLength(b);
        units += length == 4 ? 2 : 1;
        if (length == 1) {
            columns = NextColumn(columns, b);
        } else {
            const char32_t c = DecodeUtf8(s + p);
            columns = cells::CellsAfter(columns, c);
            if (display::IsBidiControl(c)) ++m_bidiControls;
        }
        p += length;
    }
    if (columns > m_maxColumns) m_maxColumns = columns;
    m_unitLength = units;
}

std::size_t CRichTextStore::RowCount() const
{
    return m_rowBytes.empty() ? m_lineStarts.size() : m_rowBytes.size();
}

std::uint64_t CRichTextStore::RowByteStart(std::size_t row) const
{
    return m_rowBytes.empty() ? m_lineStarts[row] : m_rowBytes[row];
}

std::uint64_t CRichTextStore::RowStart(std::size_t row) const
{
    return m_rowUnits.empty() ? RowByteStart(row) : m_rowUnits[row];
}

bool CRichTextStore::RowEndsWithLineFeed(std::size_t row) const
{
    return row + 1 < RowCount() && m_text[RowByteStart(row + 1) - 1] == '\n';
}

std::uint64_t CRichTextStore::RowByteEnd(std::size_t row) const
{
    if (row + 1 >= RowCount()) return m_text.size();
    return RowByteStart(row + 1) - (RowEndsWithLineFeed(row) ? 1 : 0);
}

std::uint64_t CRichTextStore::RowEnd(std::size_t row) const
{
    if (row + 1 >= RowCount()) return m_unitLength;
    return RowStart(row + 1) - (RowEndsWithLineFeed(row) ? 1 : 0);
}

std::size_t CRichTextStore::LineOfByte(std::uint64_t pos) const
{
    const auto after = std::upper_bound(m_lineStarts.begin(), m_lineStarts.end(), pos);
    return after == m_lineStarts.begin() ? 0 : static_cast<std::size_t>(after - m_lineStarts.begin() - 1);
}

std::size_t CRichTextStore::RowOfUnit(std::uint64_t pos) const
{
    const std::vector<std::uint64_t>& starts =
        !m_rowUnits.empty() ? m_rowUnits : (!m_rowBytes.empty() ? m_rowBytes : m_lineStarts);
    const auto it = std::upper_bound(starts.begin(), starts.end(), pos);
    return it == starts.begin() ? 0 : static_cast<std::size_t>(it - starts.begin()) - 1;
}

void CRichTextStore::DecodeRow(std::size_t row, std::u16string& units, std::vector<Span>& spans) const
{
    units.clear();
    spans.clear();
    const std::uint64_t begin = RowByteStart(row);
    const std::uint64_t end = RowByteEnd(row);
    const auto* s = reinterpret_cast<const unsigned char*>(m_text.data());
    if (m_runLow.empty()) {
        spans.push_back(Span{0, 0});
        for (std::uint64_t p = begin; p < end;) {
            // Only a store that was never filled has no runs; keep it decodable anyway.
            units.push_back(Windows1252Unit(s[p++]));
        }
        return;
    }
    // The first span has the format of the row's first byte; an empty row takes that of
    // its line feed (or of the text's last byte).
    const std::uint64_t probe = begin < m_text.size() ? begin : (m_text.empty() ? 0 : m_text.size() - 1);
    std::size_t run = RunAt(probe);
    std::uint64_t nextRun = run + 1 < m_runLow.size() ? RunStart(run + 1) : UINT64_MAX;
    spans.push_back(Span{0, m_runFormat[run]});

    if (m_encoding == display::Encoding::Windows1252) {
        units.resize(end - begin);
        for (std::uint64_t p = begin; p < end; ++p) units[p - begin] = Windows1252Unit(s[p]);
        while (nextRun < end) {
            ++run;
            spans.push_back(Span{static_cast<std::uint32_t>(nextRun - begin), m_runFormat[run]});
            nextRun = run + 1 < m_runLow.size() ? RunStart(run + 1) : UINT64_MAX;
        }
        return;
    }

    std::uint64_t p = begin;
    while (p < end) {
        if (nextRun <= p) {
            while (nextRun <= p) {
                ++run;
                nextRun = run + 1 < m_runLow.size() ? RunStart(run + 1) : UINT64_MAX;
            }
            if (m_runFormat[run] != spans.back().format) {
                const auto at = static_cast<std::uint32_t>(units.size());
                if (spans.back().start == at)
                    spans.back().format = m_runFormat[run];
                else
                    spans.push_back(Span{at, m_runFormat[run]});
            }
        }
        const unsigned length = Utf8SequenceLength(s[p]);
        char32_t c = DecodeUtf8(s + p);
        if (c >= 0x10000) {
            c -= 0x10000;
            units.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            units.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            units.push_back(static_cast<char16_t>(c));
        }
        p += length;
    }
}

std::u16string CRichTextStore::Text(std::uint64_t from, std::uint64_t to) const
{
    std::u16string result;
    if (to > m_unitLength) to = m_unitLength;
    if (from >= to) return result;
    result.reserve(to - from);
    std::u16string units;
    std::vector<Span> spans;
    while (from < to) {
        const std::size_t row = RowOfUnit(from);
        const std::uint64_t start = RowStart(row);
        DecodeRow(row, units, spans);
        if (RowEndsWithLineFeed(row)) units.push_back(u'\n');
        const std::uint64_t stop = std::min<std::uint64_t>(to, start + units.size());
        if (stop <= from) break;
        result.append(units, from - start, stop - from);
        from = stop;
    }
    return result;
}

std::uint64_t CRichTextStore::ByteOfUnit(std::uint64_t pos) const
{
    if (pos >= m_unitLength) return m_text.size();
    if (m_encoding == display::Encoding::Windows1252) return pos;
    const std::size_t row = RowOfUnit(pos);
    std::uint64_t units = RowStart(row);
    std::uint64_t p = RowByteStart(row);
    const auto* s = reinterpret_cast<const unsigned char*>(m_text.data());
    while (p < m_text.size()) {
        const unsigned length = Utf8SequenceLength(s[p]);
        const std::uint64_t next = units + (length == 4 ? 2 : 1);
        if (pos < next) return p;
        units = next;
        p += length;
    }
    return m_text.size();
}

std::uint64_t CRichTextStore::UnitOfByte(std::uint64_t pos) const
{
    if (pos >= m_text.size()) return m_unitLength;
    if (m_encoding == display::Encoding::Windows1252) return pos;
    const auto row = static_cast<std::size_t>(std::upper_bound(m_rowBytes.begin(), m_rowBytes.end(), pos) -
                                              m_rowBytes.begin()) - 1;
    std::uint64_t units = m_rowUnits[row];
    const auto* s = reinterpret_cast<const unsigned char*>(m_text.data());
    for (std::uint64_t p = m_rowBytes[row]; p < pos;) {
        const unsigned length = Utf8SequenceLength(s[p]);
        units += length == 4 ? 2 : 1;
        p += length;
    }
    return units;
}

std::uint64_t CRichTextStore::ColumnOf(std::uint64_t pos) const
{
    if (pos > m_unitLength) pos = m_unitLength;
    const std::size_t row = RowOfUnit(pos);
    const std::uint64_t end = ByteOfUnit(pos);
    const auto* s = reinterpret_cast<const unsigned char*>(m_text.data());
    std::uint64_t column = 0;
    if (m_encoding != display::Encoding::Utf8) {
        // Every Windows-1252 character takes one cell.
        for (std::uint64_t p = RowByteStart(row); p < end; ++p) column = NextColumn(column, s[p]);
        return column;
    }
    for (std::uint64_t p = RowByteStart(row); p < end; p += Utf8SequenceLength(s[p]))
        column = s[p] < 0x80 ? NextColumn(column, s[p]) : cells::CellsAfter(column, DecodeUtf8(s + p));
    return column;
}

const CCharFormat& CRichTextStore::FormatAt(std::uint64_t pos) const
{
    if (m_runLow.empty()) return m_formats[0];
    std::uint64_t byte = ByteOfUnit(pos);
    if (byte >= m_text.size()) byte = m_text.size() - 1;
    return FormatOfByte(byte);
}

void CRichTextStore::ApplyFormat(std::uint64_t from, std::uint64_t to, unsigned mask, const CCharFormat& format)
{
    const std::uint64_t b0 = ByteOfUnit(from);
    const std::uint64_t b1 = ByteOfUnit(std::min(to, m_unitLength));
    if (b0 >= b1 || m_runLow.empty()) return;

    std::vector<std::uint32_t> oldLow;
    std::vector<FormatIndex> oldFormat;
    std::vector<std::size_t> oldHigh;
    oldLow.swap(m_runLow);
    oldFormat.swap(m_runFormat);
    oldHigh.swap(m_runHigh);
    auto oldStart = [&](std::size_t i) {
        const std::uint64_t high = static_cast<std::uint64_t>(
            std::upper_bound(oldHigh.begin(), oldHigh.end(), i) - oldHigh.begin());
        return (high << 32) | oldLow[i];
    };
    auto add = [&](std::uint64_t start, FormatIndex f) {
        if (!m_runFormat.empty() && m_runFormat.back() == f) return;
        AddRun(start, f);
    };
    const std::uint64_t length = m_text.size();
    for (std::size_t i = 0; i < oldLow.size(); ++i) {
        const std::uint64_t s = oldStart(i);
        const std::uint64_t e = i + 1 < oldLow.size() ? oldStart(i + 1) : length;
        const FormatIndex f = oldFormat[i];
        CCharFormat changed = m_formats[f];
        if (mask & APPLY_COLOUR) changed.colour = format.colour & 0xFFFFFFu;
        if (mask & APPLY_BOLD) changed.bold = format.bold;
        if (mask & APPLY_ITALIC) changed.italic = format.italic;
        const FormatIndex g = Intern(changed);
        if (s < std::min(e, b0)) add(s, f);
        if (std::max(s, b0) < std::min(e, b1)) add(std::max(s, b0), g);
        if (std::max(s, b1) < e) add(std::max(s, b1), f);
    }
}
