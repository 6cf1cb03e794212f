#include "DisplayText.h"

#include "RtfBuilder.h"
#include "Utf8.h"

namespace display {

namespace {

// Windows-1252 from 0x80 to 0x9F; the rest of the code page is Latin-1. The undefined
// bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D stand for the C1 controls of the same value.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98..9F
};

// True when a line of MAX_LINE_LENGTH or more characters starts before pos, so that a
// render stops before pos.
bool RenderStopsBefore(const char* text, std::size_t length, std::size_t pos)
{
    std::size_t at = 0;
    while (at < length && at <= pos) {
        const std::size_t n = MeasureLine(text, length, at);
        if (n >= MAX_LINE_LENGTH) return true;
        at += n + 1;
    }
    return false;
}

}  // namespace

char32_t Windows1252(unsigned char b)
{
    return (b >= 0x80 && b <= 0x9F) ? kWindows1252High[b - 0x80] : static_cast<char32_t>(b);
}

char32_t StandIn(char32_t c)
{
    if (c == U'\t' || c == U'\n') return c;
    if (c < 0x20) return 0x2400 + c;
    if (c == 0x7F) return 0x2421;
    if (c >= 0x80 && c <= 0x9F) return 0xFFFD;
    if (c == 0xFEFF) return NO_CHARACTER;
    if ((c >= 0xFDD0 && c <= 0xFDEF) || (c & 0xFFFE) == 0xFFFE) return 0xFFFD;
    return c;
}

Encoding ChooseEncoding(const char* text, std::size_t length)
{
    if (const void* nul = std::memchr(text, '\0', length))
        length = static_cast<std::size_t>(static_cast<const char*>(nul) - text);
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    bool nonAscii = false;
    const std::size_t invalid = FirstInvalidUtf8(s, length, nonAscii);
    if (invalid < length) {
        // Not UTF-8 unless the render stops before the bad byte; a line feed never
        // belongs to a multi-byte character, so the shown lines are then well-formed.
        if (!RenderStopsBefore(text, length, invalid)) return Encoding::Windows1252;
    }
    if (!nonAscii) return Encoding::Windows1252;
    // The first byte of 0x80 or above must be among the lines shown.
    std::size_t first = 0;
    while (s[first] < 0x80) ++first;
    return RenderStopsBefore(text, length, first) ? Encoding::Windows1252 : Encoding::Utf8;
}

Encoding EncodingOf(std::string_view bytes)
{
    bool nonAscii = false;
    const std::size_t invalid =
        FirstInvalidUtf8(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), nonAscii);
    return invalid == bytes.size() && nonAscii ? Encoding::Utf8 : Encoding::Windows1252;
}

const char* BidiControlName(char32_t c)
{
    switch (c) {
    case 0x061C: return "ALM";  // Arabic letter mark
    case 0x200E: return "LRM";  // left-to-right mark
    case 0x200F: return "RLM";  // right-to-left mark
    case 0x202A: return "LRE";  // left-to-right embedding
    case 0x202B: return "RLE";  // right-to-left embedding
    case 0x202C: return "PDF";  // pop directional formatting
    case 0x202D: return "LRO";  // left-to-right override
    case 0x202E: return "RLO";  // right-to-left override
    case 0x2066: return "LRI";  // left-to-right isolate
    case 0x2067: return "RLI";  // right-to-left isolate
    case 0x2068: return "FSI";  // first strong isolate
    case 0x2069: return "PDI";  // pop directional isolate
    default: return nullptr;
    }
}

CShownText::CShownText(Encoding encoding, bool escapeHtml)
    : m_utf8(encoding == Encoding::Utf8), m_html(escapeHtml)
{
    for (int b = 0; b < 256; ++b) {
        Entry& e = m_table[b];
        std::memset(e.bytes, 0, sizeof e.bytes);
        const char* entity = nullptr;
        if (escapeHtml) entity = b == '&' ? "&amp;" : b == '<' ? "&lt;" : b == '>' ? "&gt;" : nullptr;
        if (entity) {
            e.length = static_cast<std::uint8_t>(std::strlen(entity));
            std::memcpy(e.bytes, entity, e.length);
            continue;
        }
        // In UTF-8 the bytes from 0x80 up are read as sequences, never through the table.
        const char32_t c = StandIn(m_utf8 ? static_cast<char32_t>(b) : Windows1252(static_cast<unsigned char>(b)));
        e.length = c == NO_CHARACTER ? 0 : static_cast<std::uint8_t>(EncodeUtf8(c, e.bytes));
    }
}

char* WriteShownCharacter(char32_t c, char* w)
{
    if (const char* name = BidiControlName(c)) {
        constexpr std::string_view kOpen = "\xE2\x80\xB9", kClose = "\xE2\x80\xBA";  // U+2039, U+203A
        std::memcpy(w, kOpen.data(), kOpen.size());
        std::memcpy(w + kOpen.size(), name, 3);
        std::memcpy(w + kOpen.size() + 3, kClose.data(), kClose.size());
        return w + kOpen.size() + 3 + kClose.size();
    }
    const char32_t shown = StandIn(c);
    return shown == NO_CHARACTER ? w : w + EncodeUtf8(shown, w);
}

char* CShownText::WriteUtf8Character(char* w, const unsigned char*& s) const
{
    const int n = static_cast<int>(Utf8SequenceLength(s[0]));
    const char32_t c = DecodeUtf8(s);
    if (StandIn(c) == c && !IsBidiControl(c)) {
        std::memcpy(w, s, static_cast<std::size_t>(n));
        w += n;
    } else {
        w = WriteShownCharacter(c, w);
    }
    s += n;
    return w;
}

}  // namespace display
