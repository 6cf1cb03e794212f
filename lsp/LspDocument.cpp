#include "LspDocument.h"

#include "syntax/Utf8.h"

#include <algorithm>
#include <cstring>

CLspDocument::CLspDocument(std::string text, display::Encoding encoding)
    : m_text(std::make_shared<std::string>(std::move(text))), m_encoding(encoding)
{
    IndexLines();
}

void CLspDocument::SetText(std::string text)
{
    m_text = std::make_shared<std::string>(std::move(text));
    IndexLines();
}

void CLspDocument::IndexLines()
{
    // A text that came in a message was built by appending; it is held as long as the
    // document is open, so it keeps no more than a little room to grow.
    if (m_text.use_count() == 1 && m_text->capacity() > m_text->size() + m_text->size() / 8 + 4096) m_text->shrink_to_fit();
    const char* s = m_text->data();
    const std::size_t n = m_text->size();
    std::size_t lines = 1;
    for (const char* p = s; (p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(s + n - p)))); ++p)
        ++lines;
    m_lineStarts.clear();
    m_lineStarts.shrink_to_fit();
    m_lineStarts.reserve(lines);
    m_lineStarts.push_back(0);
    m_loneCrs.clear();
    for (const char* p = s; (p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(s + n - p))));)
        m_lineStarts.push_back(static_cast<std::size_t>(++p - s));
    for (const char* p = s; (p = static_cast<const char*>(std::memchr(p, '\r', static_cast<std::size_t>(s + n - p))));) {
        const std::size_t at = static_cast<std::size_t>(p - s);
        if (at + 1 >= n || s[at + 1] != '\n') m_loneCrs.push_back(at);
        ++p;
    }
    m_states.assign(1, LEX_DIRECTIVE_EXPECTED);
    FindShownEnd(0);
    m_relexed = 0;
}

void CLspDocument::FindShownEnd(std::size_t from)
{
    const char* s = m_text->data();
    std::size_t end = m_text->size();
    if (from < end) {
        if (const void* nul = std::memchr(s + from, '\0', end - from))
            end = static_cast<std::size_t>(static_cast<const char*>(nul) - s);
        if (const void* z = std::memchr(s + from, 0x1A, end - from))
            end = static_cast<std::size_t>(static_cast<const char*>(z) - s);
    }
    m_shownEnd = end;
}

std::size_t CLspDocument::LineOfOffset(std::size_t offset) const
{
    return static_cast<std::size_t>(std::upper_bound(m_lineStarts.begin(), m_lineStarts.end(), offset) -
                                    m_lineStarts.begin()) -
           1;
}

std::size_t CLspDocument::LoneCrsBefore(std::size_t offset) const
{
    return static_cast<std::size_t>(std::lower_bound(m_loneCrs.begin(), m_loneCrs.end(), offset) -
                                    m_loneCrs.begin());
}

// The bytes of the character at offset (1 for Windows-1252 and for a byte that begins
// no well-formed UTF-8 character).
std::size_t CLspDocument::CharLength(std::size_t offset) const
{
    const auto* s = reinterpret_cast<const unsigned char*>(m_text->data());
    if (m_encoding != display::Encoding::Utf8 || s[offset] < 0x80) return 1;
    const int n = Utf8CharLength(s + offset, s + m_text->size());
    return n > 0 ? static_cast<std::size_t>(n) : 1;
}

std::size_t CLspDocument::CharUnits(std::size_t offset, std::size_t length, PositionEncoding encoding) const
{
    const unsigned char b = static_cast<unsigned char>((*m_text)[offset]);
    if (b < 0x80) return 1;
    if (m_encoding == display::Encoding::Utf8) {
        if (encoding == PositionEncoding::Utf8) return length;
        return length == 4 ? 2 : 1;
    }
    if (encoding == PositionEncoding::Utf16) return 1;
    return display::Windows1252(b) < 0x800 ? 2 : 3;
}

std::size_t CLspDocument::Units(std::size_t from, std::size_t to, PositionEncoding encoding) const
{
    const auto* s = reinterpret_cast<const unsigned char*>(m_text->data());
    if (encoding == PositionEncoding::Utf8 && m_encoding == display::Encoding::Utf8) return to - from;
    std::size_t units = 0;
    while (from < to) {
        if (s[from] < 0x80) {
            ++units;
            ++from;
            continue;
        }
        const std::size_t n = std::min(CharLength(from), to - from);
        units += CharUnits(from, n, encoding);
        from += n;
    }
    return units;
}

LspPosition CLspDocument::PositionOf(std::size_t offset, PositionEncoding encoding) const
{
    offset = std::min(offset, m_text->size());
    const std::size_t line = LineOfOffset(offset);
    std::size_t start = m_lineStarts[line];
    const std::size_t crs = LoneCrsBefore(offset);
    if (crs > 0 && m_loneCrs[crs - 1] >= start) start = m_loneCrs[crs - 1] + 1;
    // A position never points between the CR and the LF of one line break.
    std::size_t end = offset;
    if (end > start && (*m_text)[end - 1] == '\r' && end < m_text->size() && (*m_text)[end] == '\n') --end;
    return LspPosition{line + crs, Units(start, end, encoding)};
}

std::size_t CLspDocument::OffsetOf(LspPosition position, PositionEncoding encoding) const
{
    // The client's line n starts at a lexer line's start or just after a lone CR: find
    // the last lexer line whose own count of client lines before it is at most n.
    std::size_t start;
    std::size_t lexerLine;
    if (m_loneCrs.empty()) {
        if (position.line >= m_lineStarts.size()) return m_text->size();
        lexerLine = position.line;
        start = m_lineStarts[lexerLine];
    } else {
        if (position.line >= ClientLineCount()) return m_text->size();
        std::size_t lo = 0;
        std::size_t hi = m_lineStarts.size();
        while (hi - lo > 1) {
            const std::size_t mid = lo + (hi - lo) / 2;
            if (mid + LoneCrsBefore(m_lineStarts[mid]) <= position.line) lo = mid;
            else hi = mid;
        }
        lexerLine = lo;
        const std::size_t crsBefore = LoneCrsBefore(m_lineStarts[lo]);
        const std::size_t rest = position.line - (lo + crsBefore);
        start = rest == 0 ? m_lineStarts[lo] : m_loneCrs[crsBefore + rest - 1] + 1;
    }
    // The line's end: its LF (or CR LF), the next lone CR, or the text's end.
    std::size_t end = LineEnd(lexerLine);
    if (end > start && (*m_text)[end - 1] == '\r' && end < m_text->size()) --end;
    const std::size_t crs = LoneCrsBefore(start);
    if (crs < m_loneCrs.size() && m_loneCrs[crs] < end) end = m_loneCrs[crs];
    std::size_t offset = start;
    std::size_t units = 0;
    while (offset < end) {
        const std::size_t n = std::min(CharLength(offset), end - offset);
        const std::size_t u = CharUnits(offset, n, encoding);
        if (units + u > position.character) break;
        units += u;
        offset += n;
    }
    return offset;
}

bool CLspDocument::ShownBytes(std::size_t line, std::size_t& offset, std::size_t& length) const
{
    offset = m_lineStarts[line];
    if (offset >= m_shownEnd && !(offset == 0 && m_shownEnd == 0)) return false;
    std::size_t end = std::min(LineEnd(line), m_shownEnd);
    if (end == LineEnd(line) && end < m_text->size() && end > offset && (*m_text)[end - 1] == '\r') --end;
    length = end - offset;
    return length < MAX_LINE_LENGTH;
}

bool CLspDocument::LexLine(std::size_t line, std::uint32_t& state, ClassifiedLine& out,
                           ISyntaxTokenListener* listener)
{
    std::size_t offset;
    std::size_t length;
    if (!ShownBytes(line, offset, length)) return false;
    out.offset = offset;
    out.length = length;
    std::memcpy(out.text, m_text->data() + offset, length);
    out.text[length] = '\n';
    CSyntaxLexer lexer(state);
    state = listener ? lexer.ClassifyLine(out.text, length + 1, out.classes, *listener)
                     : lexer.ClassifyLine(out.text, length + 1, out.classes);
    std::memset(out.classes + length + 2, STYLE_END, 8);
    if (m_encoding == display::Encoding::Utf8) display::SpreadLeadStyles(out.text, length, out.classes);
    return true;
}

bool CLspDocument::EnsureStates(std::size_t line)
{
    if (line < m_states.size()) return true;
    m_states.reserve(m_lineStarts.size());
    ClassifiedLine scratch;
    while (m_states.size() <= line) {
        std::uint32_t state = m_states.back();
        if (!LexLine(m_states.size() - 1, state, scratch, nullptr)) return false;
        m_states.push_back(state);
    }
    return true;
}

bool CLspDocument::StateBefore(std::size_t line, std::uint32_t& state)
{
    if (line >= m_lineStarts.size() || !EnsureStates(line)) return false;
    state = m_states[line];
    return true;
}

bool CLspDocument::Classify(std::size_t line, ClassifiedLine& out, ISyntaxTokenListener* listener)
{
    std::uint32_t state;
    if (!StateBefore(line, state)) return false;
    return LexLine(line, state, out, listener);
}

void CLspDocument::Replace(std::size_t from, std::size_t to, std::string_view with)
{
    to = std::min(to, m_text->size());
    from = std::min(from, to);
    const std::ptrdiff_t delta = static_cast<std::ptrdiff_t>(with.size()) - static_cast<std::ptrdiff_t>(to - from);
    const std::size_t first = LineOfOffset(from);
    const std::size_t last = LineOfOffset(to);

    // Lone CRs: the ones in [from - 1, to) may change (the CR before the edit may meet a
    // new LF); those from `to` on keep their next byte and move.
    const std::size_t crFrom = from > 0 ? from - 1 : 0;
    auto crLo = std::lower_bound(m_loneCrs.begin(), m_loneCrs.end(), crFrom);
    auto crHi = std::lower_bound(crLo, m_loneCrs.end(), to);
    const std::size_t crAt = static_cast<std::size_t>(crLo - m_loneCrs.begin());
    m_loneCrs.erase(crLo, crHi);

    // Room to grow by a sixteenth at a time, rather than the string's own doubling
    // (which reserve applies too).
    // A text the game holds too is left to it: the change goes to a copy.
    const std::size_t size = m_text->size() - (to - from) + with.size();
    if (size > m_text->capacity() || m_text.use_count() > 1) {
        auto grown = std::make_shared<std::string>();
        grown->reserve(size + size / 16 + 4096);
        grown->append(*m_text, 0, from).append(with).append(*m_text, to, std::string::npos);
        m_text = std::move(grown);
    } else {
        m_text->replace(from, to - from, with);
    }

    std::vector<std::size_t> newCrs;
    const std::size_t scanEnd = std::min(from + with.size() + 1, m_text->size());
    for (std::size_t i = crFrom; i < scanEnd; ++i)
        if ((*m_text)[i] == '\r' && (i + 1 >= m_text->size() || (*m_text)[i + 1] != '\n')) newCrs.push_back(i);
    for (std::size_t i = crAt; i < m_loneCrs.size(); ++i) m_loneCrs[i] = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(m_loneCrs[i]) + delta);
    // A CR at the old `to` now stands at from + with.size(), where the scan saw it too.
    if (crAt < m_loneCrs.size() && !newCrs.empty() && m_loneCrs[crAt] == newCrs.back()) newCrs.pop_back();
    m_loneCrs.insert(m_loneCrs.begin() + static_cast<std::ptrdiff_t>(crAt), newCrs.begin(), newCrs.end());

    // Lines: those after `first` up to `last` give way to the LFs of the new bytes.
    std::vector<std::size_t> added;
    for (std::size_t i = 0; i < with.size(); ++i)
        if (with[i] == '\n') added.push_back(from + i + 1);
    for (std::size_t i = last + 1; i < m_lineStarts.size(); ++i)
        m_lineStarts[i] = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(m_lineStarts[i]) + delta);
    m_lineStarts.erase(m_lineStarts.begin() + static_cast<std::ptrdiff_t>(first + 1),
                       m_lineStarts.begin() + static_cast<std::ptrdiff_t>(last + 1));
    m_lineStarts.insert(m_lineStarts.begin() + static_cast<std::ptrdiff_t>(first + 1), added.begin(), added.end());

    const std::size_t shownBefore = m_shownEnd;
    if (m_shownEnd >= from) FindShownEnd(from);
    // Where the shown text ends may move lines in or out of view, as far as the end.
    bool shownMoved = true;
    if (shownBefore < from) shownMoved = m_shownEnd != shownBefore;
    else if (shownBefore >= to) shownMoved = m_shownEnd != static_cast<std::size_t>(static_cast<std::ptrdiff_t>(shownBefore) + delta);
    m_lastEdit = LineEdit{first, last, added.size(), NO_LINE};

    // States: lex again from the first changed line. Old line k after the edit is new
    // line k - (last - first) + added; once a line there starts in its old state, the
    // old states from that line on hold again.
    m_relexed = 0;
    if (m_states.size() <= first) return;
    std::vector<std::uint32_t> old;
    old.swap(m_states);
    m_states.assign(old.begin(), old.begin() + static_cast<std::ptrdiff_t>(first + 1));
    const std::size_t removed = last - first;
    ClassifiedLine scratch;
    for (std::size_t line = first; line + 1 < m_lineStarts.size(); ++line) {
        std::uint32_t state = m_states.back();
        if (!LexLine(line, state, scratch, nullptr)) break;
        ++m_relexed;
        m_states.push_back(state);
        const std::size_t next = line + 1;
        if (next <= first + added.size()) continue;
        const std::size_t oldNext = next - added.size() + removed;
        if (oldNext >= old.size()) break;
        if (old[oldNext] == state) {
            m_states.insert(m_states.end(), old.begin() + static_cast<std::ptrdiff_t>(oldNext + 1), old.end());
            if (!shownMoved) m_lastEdit.changedUntil = next;
            break;
        }
    }
}

std::size_t CLspDocument::GetMemoryUse() const
{
    return m_lineStarts.capacity() * sizeof(std::size_t) + m_loneCrs.capacity() * sizeof(std::size_t) +
           m_states.capacity() * sizeof(std::uint32_t);
}

std::string ToUtf8(std::string_view bytes, display::Encoding encoding)
{
    std::string out;
    out.reserve(bytes.size());
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = s + bytes.size();
    char buffer[4];
    while (s < end) {
        if (*s < 0x80) {
            out.push_back(static_cast<char>(*s++));
            continue;
        }
        if (encoding == display::Encoding::Utf8) {
            const int n = Utf8CharLength(s, end);
            if (n > 0) {
                out.append(reinterpret_cast<const char*>(s), static_cast<std::size_t>(n));
                s += n;
                continue;
            }
            out.append("\xEF\xBF\xBD");
            ++s;
            continue;
        }
        out.append(buffer, static_cast<std::size_t>(EncodeUtf8(display::Windows1252(*s++), buffer)));
    }
    return out;
}
