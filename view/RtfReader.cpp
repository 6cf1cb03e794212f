#include "RtfReader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

namespace {

// Bytes that end a stretch of plain text: they start control words, open or close
// groups, or are raw line ends (which RTF ignores).
constexpr std::array<bool, 256> MakeSpecial()
{
    std::array<bool, 256> t{};
    t['\\'] = t['{'] = t['}'] = t['\r'] = t['\n'] = true;
    return t;
}
constexpr std::array<bool, 256> kSpecial = MakeSpecial();

constexpr std::uint32_t kAutomatic = 0x80000000u;  // a colour-table entry without components
constexpr std::int64_t kNumberCap = 1'000'000'000'000;

inline bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }
inline int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Destinations whose content is never text to show.
bool IsHiddenDestination(std::string_view w)
{
    static constexpr std::string_view kWords[] = {
        "fonttbl", "stylesheet", "info", "pict", "object", "header", "headerl", "headerr",
        "headerf", "footer", "footerl", "footerr", "footerf", "footnote", "fldinst", "listtable",
        "listoverridetable", "filetbl", "revtbl", "rsidtbl", "generator", "themedata",
        "colorschememapping", "datastore", "latentstyles", "xmlnstbl", "private",
    };
    for (std::string_view k : kWords)
        if (w == k) return true;
    return false;
}

}  // namespace

CRtfReader::CRtfReader(CRichTextStore& store, std::uint64_t byteLimit)
    : m_store(store), m_byteLimit(byteLimit)
{
    m_store.Clear();
    m_groups.reserve(MAX_DEPTH + 1);
    m_groups.push_back(Group{});
}

bool CRtfReader::Feed(const char* data, std::size_t n)
{
    if (m_failed) return false;
    try {
        FeedBytes(data, n);
    } catch (const std::bad_alloc&) {
        m_failed = true;
    }
    if (m_failed) m_store.Clear();
    return !m_failed;
}

bool CRtfReader::Finish()
{
    if (!m_failed) {
        try {
            if (m_state == State::Word || m_state == State::Number) EndWord();
            if (m_lastWasParagraph) m_store.DropFinalParagraph();
            m_store.Finish();
        } catch (const std::bad_alloc&) {
            m_failed = true;
        }
    }
    if (m_failed) {
        m_store.Clear();
        m_store.Finish();
    }
    return !m_failed;
}

CRichTextStore::FormatIndex CRtfReader::CurrentFormat()
{
    if (m_formatDirty) {
        const Group& g = m_groups.back();
        m_format = m_store.Intern(CCharFormat{g.colour, g.bold, g.italic});
        m_formatDirty = false;
    }
    return m_format;
}

void CRtfReader::AddText(const char* bytes, std::size_t n)
{
    if (n == 0) return;
    if (m_store.ByteLength() + n > m_byteLimit || m_store.ByteLength() + n < n) {
        m_failed = true;
        return;
    }
    m_store.AppendText(bytes, n, CurrentFormat());
    m_lastWasParagraph = false;
}

void CRtfReader::Paragraph()
{
    if (m_groups.back().destination != Destination::Text) return;
    if (m_store.ByteLength() + 1 > m_byteLimit) {
        m_failed = true;
        return;
    }
    m_store.AppendParagraph(CurrentFormat());
    m_lastWasParagraph = true;
}

void CRtfReader::TextByte(char c)
{
    switch (m_groups.back().destination) {
    case Destination::Text:
        if (c == '\n')
            Paragraph();
        else
            AddText(&c, 1);
        break;
    case Destination::ColourTable:
    case Destination::Skip:
        break;
    }
}

void CRtfReader::OpenGroup()
{
    m_opened = true;
    if (m_hiddenDepth == 0 && m_groups.size() <= MAX_DEPTH)
        m_groups.push_back(m_groups.back());
    else
        ++m_hiddenDepth;
}

void CRtfReader::CloseGroup()
{
    if (m_hiddenDepth > 0) {
        --m_hiddenDepth;
        return;
    }
    if (m_groups.size() > 1) {
        m_groups.pop_back();
        m_formatDirty = true;
        if (m_groups.size() == 1) m_state = State::Ended;
    }
    // A closing brace outside every group is ignored.
}

void CRtfReader::ControlSymbol(char c)
{
    m_state = State::Text;
    switch (c) {
    case '\\':
    case '{':
    case '}':
        TextByte(c);
        break;
    case '\'':
        m_state = State::Hex1;
        m_hex = 0;
        break;
    case '*':
        m_groups.back().destination = Destination::Skip;
        break;
    case '~':
        TextByte(static_cast<char>(0xA0));  // non-breaking space
        break;
    case '_':
        TextByte('-');  // non-breaking hyphen
        break;
    case '\r':
    case '\n':
        Paragraph();  // a backslash before a raw line end is a paragraph mark
        break;
    default:
        break;  // other control symbols (optional hyphen, ...) show nothing
    }
}

void CRtfReader::EndWord()
{
    m_state = State::Text;
    if (m_wordTooLong) return;
    const std::string_view w(m_word, m_wordLength);
    const bool has = m_hasNumber;
    const std::int64_t value = m_negative ? -m_number : m_number;
    Group& g = m_groups.back();
    switch (w[0]) {
    case 'b':
        if (w == "b") {
            g.bold = !has || value != 0;
            m_formatDirty = true;
            return;
        }
        if (w == "blue") {
            if (g.destination == Destination::ColourTable) {
                const std::uint32_t v = static_cast<std::uint32_t>(value < 0 ? 0 : value > 255 ? 255 : value);
                m_pendingColour = (m_pendingColour & ~0xFF0000u) | (v << 16);
                m_pendingHasComponent = true;
            }
            return;
        }
        if (w == "bin") {
            if (has && value > 0) {
                m_binaryLeft = static_cast<std::uint64_t>(value);
                m_state = State::Binary;
            }
            return;
        }
        break;
    case 'c':
        if (w == "cf") {
            COLORREF colour = 0;  // automatic: the window's text colour, black
            if (has && value >= 0 && static_cast<std::uint64_t>(value) < m_colours.size()) {
                const std::uint32_t entry = m_colours[static_cast<std::size_t>(value)];
                if (!(entry & kAutomatic)) colour = entry;
            }
            g.colour = colour;
            m_formatDirty = true;
            return;
        }
        if (w == "colortbl") {
            g.destination = Destination::ColourTable;
            m_colours.clear();
            m_pendingColour = 0;
            m_pendingHasComponent = false;
            return;
        }
        break;
    case 'g':
        if (w == "green") {
            if (g.destination == Destination::ColourTable) {
                const std::uint32_t v = static_cast<std::uint32_t>(value < 0 ? 0 : value > 255 ? 255 : value);
                m_pendingColour = (m_pendingColour & ~0x00FF00u) | (v << 8);
                m_pendingHasComponent = true;
            }
            return;
        }
        break;
    case 'i':
        if (w == "i") {
            g.italic = !has || value != 0;
            m_formatDirty = true;
            return;
        }
        break;
    case 'l':
        if (w == "line") {
            Paragraph();
            return;
        }
        break;
    case 'p':
        if (w == "par") {
            Paragraph();
            return;
        }
        if (w == "plain") {
            g.bold = g.italic = false;
            g.colour = 0;
            m_formatDirty = true;
            return;
        }
        break;
    case 'r':
        if (w == "red") {
            if (g.destination == Destination::ColourTable) {
                const std::uint32_t v = static_cast<std::uint32_t>(value < 0 ? 0 : value > 255 ? 255 : value);
                m_pendingColour = (m_pendingColour & ~0x0000FFu) | v;
                m_pendingHasComponent = true;
            }
            return;
        }
        break;
    case 't':
        if (w == "tab") {
            TextByte('\t');
            return;
        }
        break;
    default:
        break;
    }
    if (IsHiddenDestination(w)) g.destination = Destination::Skip;
}

void CRtfReader::FeedBytes(const char* data, std::size_t n)
{
    std::size_t i = 0;
    while (i < n && !m_failed) {
        switch (m_state) {
        case State::Text: {
            const Destination destination = m_groups.back().destination;
            if (destination == Destination::ColourTable) {
                const char c = data[i++];
                if (c == ';') {
                    if (m_colours.size() < MAX_COLOURS)
                        m_colours.push_back(m_pendingHasComponent ? m_pendingColour : kAutomatic);
                    m_pendingColour = 0;
                    m_pendingHasComponent = false;
                } else if (c == '\\') {
                    m_state = State::Backslash;
                } else if (c == '{') {
                    OpenGroup();
                } else if (c == '}') {
                    CloseGroup();
                }
                break;
            }
            std::size_t j = i;
            while (j < n && !kSpecial[static_cast<unsigned char>(data[j])]) ++j;
            if (destination == Destination::Text) AddText(data + i, j - i);
            i = j;
            if (i == n) break;
            const char c = data[i++];
            if (c == '\\')
                m_state = State::Backslash;
            else if (c == '{')
                OpenGroup();
            else if (c == '}')
                CloseGroup();
            // raw CR and LF: ignored
            break;
        }
        case State::Backslash: {
            const char c = data[i++];
            if (IsLetter(c)) {
                m_word[0] = c;
                m_wordLength = 1;
                m_wordTooLong = false;
                m_negative = false;
                m_hasNumber = false;
                m_number = 0;
                m_state = State::Word;
            } else {
                ControlSymbol(c);
            }
            break;
        }
        case State::Word: {
            while (i < n && IsLetter(data[i])) {
                if (m_wordLength < sizeof m_word)
                    m_word[m_wordLength++] = data[i];
                else
                    m_wordTooLong = true;
                ++i;
            }
            if (i == n) break;
            const char c = data[i];
            if (c == '-' || IsDigit(c)) {
                if (c == '-') {
                    m_negative = true;
                    ++i;
                }
                m_state = State::Number;
                break;
            }
            EndWord();
            if (c == ' ') ++i;  // the delimiter belongs to the word
            break;
        }
        case State::Number: {
            while (i < n && IsDigit(data[i])) {
                m_number = m_number * 10 + (data[i] - '0');
                if (m_number > kNumberCap) m_number = kNumberCap;
                m_hasNumber = true;
                ++i;
            }
            if (i == n) break;
            const char c = data[i];
            EndWord();
            if (c == ' ') ++i;
            break;
        }
        case State::Hex1:
        case State::Hex2: {
            const int v = HexValue(data[i]);
            if (v < 0) {
                m_state = State::Text;  // not an escape after all; the byte is read as usual
                break;
            }
            ++i;
            m_hex = m_hex * 16 + v;
            if (m_state == State::Hex1) {
                m_state = State::Hex2;
            } else {
                m_state = State::Text;
                TextByte(static_cast<char>(m_hex));
            }
            break;
        }
        case State::Binary: {
            const std::uint64_t take = std::min<std::uint64_t>(m_binaryLeft, n - i);
            i += static_cast<std::size_t>(take);
            m_binaryLeft -= take;
            if (m_binaryLeft == 0) m_state = State::Text;
            break;
        }
        case State::Ended:
            return;
        }
    }
}

CRichTextStore ReadRtf(std::string_view rtf, bool* failed)
{
    CRichTextStore store;
    CRtfReader reader(store);
    reader.Feed(rtf.data(), rtf.size());
    const bool ok = reader.Finish();
    if (failed) *failed = !ok;
    return store;
}
