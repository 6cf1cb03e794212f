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
constexpr std::ptrdiff_t kFastRoom = 48;      // bytes a control word may take on the fast path
constexpr std::ptrdiff_t kPrefixBytes = 40;   // the longest run prefix that is remembered

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
    ControlWord(std::string_view(m_word, m_wordLength), m_hasNumber, m_negative ? -m_number : m_number);
}

void CRtfReader::SetColourComponent(int shift, std::int64_t value)
{
    if (m_groups.back().destination != Destination::ColourTable) return;
    const std::uint32_t v = static_cast<std::uint32_t>(value < 0 ? 0 : value > 255 ? 255 : value);
    m_pendingColour = (m_pendingColour & ~(0xFFu << shift)) | (v << shift);
    m_pendingHasComponent = true;
}

void CRtfReader::ControlWord(std::string_view w, bool has, std::int64_t value)
{
    Group& g = m_groups.back();
    // By length first: the document's run prefixes are made of these words, so they
    // must cost little.
    switch (w.size()) {
    case 1:
        if (w[0] == 'b') {
            g.bold = !has || value != 0;
            m_formatDirty = true;
        } else if (w[0] == 'i') {
            g.italic = !has || value != 0;
            m_formatDirty = true;
        }
        return;  // \f and the rest: nothing to do
    case 2:
        if (w == "cf") {
            COLORREF colour = 0;  // automatic: the window's text colour, black
            if (has && value >= 0 && static_cast<std::uint64_t>(value) < m_colours.size()) {
                const std::uint32_t entry = m_colours[static_cast<std::size_t>(value)];
                if (!(entry & kAutomatic)) colour = entry;
            }
            g.colour = colour;
            m_formatDirty = true;
        }
        return;  // \fs and the rest
    case 3:
        if (w == "par") {
            Paragraph();
        } else if (w == "red") {
            SetColourComponent(0, value);
        } else if (w == "tab") {
            TextByte('\t');
        } else if (w == "bin") {
            if (has && value > 0) {
                m_binaryLeft = static_cast<std::uint64_t>(value);
                m_state = State::Binary;
            }
        }
        return;
    case 4:
        if (w == "blue") {
            SetColourComponent(16, value);
            return;
        }
        if (w == "line") {
            Paragraph();
            return;
        }
        break;
    case 5:
        if (w == "plain") {
            g.bold = g.italic = false;
            g.colour = 0;
            m_formatDirty = true;
            return;
        }
        if (w == "green") {
            SetColourComponent(8, value);
            return;
        }
        break;
    case 8:
        if (w == "colortbl") {
            g.destination = Destination::ColourTable;
            m_colours.clear();
            ForgetPrefixes();
            m_pendingColour = 0;
            m_pendingHasComponent = false;
            return;
        }
        break;
    default:
        break;
    }
    if (IsHiddenDestination(w)) g.destination = Destination::Skip;
}

const char* CRtfReader::FastControl(const char* p, const char* end, std::string_view* parsed)
{
    // p follows a backslash and at least kFastRoom bytes remain, so that a control word
    // of the usual size is read here in one go; anything longer goes to the byte-by-byte
    // states, which can wait for the next piece of input.
    const char c = *p;
    if (parsed) *parsed = std::string_view();
    if (!IsLetter(c)) {
        ControlSymbol(c);
        return p + 1;
    }
    const char* word = p;
    while (p < end && IsLetter(*p)) ++p;
    const std::size_t length = static_cast<std::size_t>(p - word);
    bool negative = false;
    if (p < end && *p == '-') {
        negative = true;
        ++p;
    }
    std::int64_t value = 0;
    bool has = false;
    const char* digits = p;
    while (p < end && IsDigit(*p) && p - digits < 12) {
        value = value * 10 + (*p - '0');
        ++p;
    }
    has = p > digits;
    if (length > sizeof m_word || p == end || IsDigit(*p)) {
        m_state = State::Backslash;
        return word;
    }
    if (*p == ' ') ++p;
    ControlWord(std::string_view(word, length), has, negative ? -value : value);
    if (parsed) *parsed = std::string_view(word, length);
    return p;
}

const char* CRtfReader::RunPrefix(const char* p, const char* end)
{
    // p follows the backslash of "\plain", with room to spare. The document opens
    // every run with one of a dozen such prefixes ("\plain\f2\fs20\cf1\b "), whose
    // effect depends only on their bytes and the colour table, so each is read once
    // and then recognised whole.
    const char* start = p - 1;
    const void* found = std::memchr(start, ' ', static_cast<std::size_t>(std::min<std::ptrdiff_t>(end - start, kPrefixBytes)));
    const char* stop = found ? static_cast<const char*>(found) + 1 : nullptr;
    const std::size_t length = found ? static_cast<std::size_t>(stop - start) : 0;
    if (length < 8) return FastControl(p, end, nullptr);
    std::uint64_t head, tail;
    std::memcpy(&head, start, 8);
    std::memcpy(&tail, stop - 8, 8);
    PrefixEntry& entry = m_prefixes[(head * 31 + tail * 0x9E3779B97F4A7C15ull + length) >> 58];
    Group& g = m_groups.back();
    if (entry.length == length && entry.tail == tail && std::memcmp(entry.bytes, start, length) == 0) {
        g.colour = entry.colour;
        g.bold = entry.bold;
        g.italic = entry.italic;
        m_format = entry.format;
        m_formatDirty = false;
        return stop;
    }
    // Read the words one by one; remember the prefix if it held only run formatting.
    bool plain = true;
    const char* q = p;
    for (;;) {
        std::string_view word;
        q = FastControl(q, end, &word);
        if (m_state != State::Text ||
            !(word == "plain" || word == "f" || word == "fs" || word == "cf" || word == "b" || word == "i")) {
            plain = false;
            break;
        }
        if (q >= stop || *q != '\\' || end - (q + 1) < kFastRoom) break;
        ++q;
    }
    if (plain && q == stop) {
        entry.length = static_cast<std::uint32_t>(length);
        entry.tail = tail;
        std::memcpy(entry.bytes, start, length);
        entry.colour = g.colour;
        entry.bold = g.bold;
        entry.italic = g.italic;
        entry.format = CurrentFormat();
    }
    return q;
}

void CRtfReader::ForgetPrefixes()
{
    for (PrefixEntry& entry : m_prefixes) entry.length = 0;
}

void CRtfReader::FeedBytes(const char* data, std::size_t n)
{
    const char* p = data;
    const char* const end = data + n;
    while (p < end && !m_failed) {
        if (m_state == State::Text && m_groups.back().destination != Destination::ColourTable) {
            const char* q = p;
            while (q < end && !kSpecial[static_cast<unsigned char>(*q)]) ++q;
            if (m_groups.back().destination == Destination::Text) AddText(p, static_cast<std::size_t>(q - p));
            if (q == end) return;
            const char c = *q;
            p = q + 1;
            if (c == '\\') {
                if (end - p < kFastRoom)
                    m_state = State::Backslash;
                else if (std::memcmp(p, "plain", 5) == 0)
                    p = RunPrefix(p, end);
                else
                    p = FastControl(p, end, nullptr);
            } else if (c == '{') {
                OpenGroup();
            } else if (c == '}') {
                CloseGroup();
                if (m_state == State::Ended) return;
            }
            // raw CR and LF: ignored
            continue;
        }
        p = Step(p, end);
    }
}

const char* CRtfReader::Step(const char* p, const char* end)
{
    switch (m_state) {
    case State::Text: {
        // Inside the colour table: ';' ends an entry, other text is ignored.
        const char c = *p++;
        if (c == ';') {
            if (m_colours.size() < MAX_COLOURS)
                m_colours.push_back(m_pendingHasComponent ? m_pendingColour : kAutomatic);
            ForgetPrefixes();
            m_pendingColour = 0;
            m_pendingHasComponent = false;
        } else if (c == '\\') {
            m_state = State::Backslash;
        } else if (c == '{') {
            OpenGroup();
        } else if (c == '}') {
            CloseGroup();
        }
        return p;
    }
    case State::Backslash: {
        const char c = *p++;
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
        return p;
    }
    case State::Word: {
        while (p < end && IsLetter(*p)) {
            if (m_wordLength < sizeof m_word)
                m_word[m_wordLength++] = *p;
            else
                m_wordTooLong = true;
            ++p;
        }
        if (p == end) return p;
        const char c = *p;
        if (c == '-' || IsDigit(c)) {
            if (c == '-') {
                m_negative = true;
                ++p;
            }
            m_state = State::Number;
            return p;
        }
        EndWord();
        if (c == ' ') ++p;  // the delimiter belongs to the word
        return p;
    }
    case State::Number: {
        while (p < end && IsDigit(*p)) {
            m_number = m_number * 10 + (*p - '0');
            if (m_number > kNumberCap) m_number = kNumberCap;
            m_hasNumber = true;
            ++p;
        }
        if (p == end) return p;
        const char c = *p;
        EndWord();
        if (c == ' ') ++p;
        return p;
    }
    case State::Hex1:
    case State::Hex2: {
        const int v = HexValue(*p);
        if (v < 0) {
            m_state = State::Text;  // not an escape after all; the byte is read as usual
            return p;
        }
        ++p;
        m_hex = m_hex * 16 + v;
        if (m_state == State::Hex1) {
            m_state = State::Hex2;
        } else {
            m_state = State::Text;
            TextByte(static_cast<char>(m_hex));
        }
        return p;
    }
    case State::Binary: {
        const std::uint64_t take = std::min<std::uint64_t>(m_binaryLeft, static_cast<std::uint64_t>(end - p));
        p += take;
        m_binaryLeft -= take;
        if (m_binaryLeft == 0) m_state = State::Text;
        return p;
    }
    case State::Ended:
        return end;
    }
    return end;
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
