#pragma once
// The characters a document's bytes stand for, as the viewer and every text output show
// them, and their visible stand-ins in text output (HTML pages and terminals). No Qt:
// the engine's writers, the viewer's store and its find all decode through here.
//
// Decoding: a text is read as UTF-8 when all of it is well-formed UTF-8 and it holds a
// byte of 0x80 or above, otherwise as Windows-1252, one character per byte, through the
// table below (the five bytes the code page leaves undefined stand for the C1 controls
// of the same value). For a render, "all of it" is the text that the render shows (the
// lines before a line of MAX_LINE_LENGTH or more).
//
// Stand-ins, the same in every text format, so that a control byte of a source never
// reaches a terminal or a page:
//  - tab and line feed stay as they are;
//  - every other C0 control U+0000..U+001F becomes its control picture U+2400..U+241F
//    (ESC "␛", CR "␍", BEL "␇"), and DEL U+007F becomes "␡" U+2421;
//  - C1 controls U+0080..U+009F and the noncharacters (U+FDD0..U+FDEF and every code
//    point ending in FFFE or FFFF) become U+FFFD;
//  - the byte-order mark U+FEFF (drawn by nothing) is left out;
//  - a bidirectional control (IsBidiControl) becomes a mark of its name between single
//    guillemets, "‹RLO›" for U+202E: plain letters that read left to right and, unlike
//    the control, open no embedding, override or isolate and mark no direction, so the
//    text around it keeps the order of its bytes.
// Every other character stands for itself.

#include "StyleCodes.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace display {

enum class Encoding : std::uint8_t {
    Windows1252,
    Utf8,
};

inline constexpr char32_t NO_CHARACTER = 0xFFFFFFFFu;  // a character that is left out

// The character that Windows-1252 byte b stands for.
char32_t Windows1252(unsigned char b);

// The character written for c: c itself, its stand-in, or NO_CHARACTER. A bidirectional
// control has a mark of several characters instead (WriteShownCharacter); StandIn gives
// it back as it is.
char32_t StandIn(char32_t c);

// The most bytes that WriteShownCharacter writes: a mark, "‹" + 3 letters + "›".
inline constexpr std::size_t MAX_SHOWN_CHARACTER = 9;

// Writes what a text output shows for character c (at most U+10FFFF) at w, as UTF-8:
// c itself, its stand-in, a bidirectional control's mark, or nothing. Returns the end.
char* WriteShownCharacter(char32_t c, char* w);

// The decoding of the text that a render of text[0, length) shows (it ends at a zero
// byte, as a render's text does).
Encoding ChooseEncoding(const char* text, std::size_t length);

// The decoding of the whole of bytes, as they stand (the viewer's store, which holds
// only what a render showed).
Encoding EncodingOf(std::string_view bytes);

// The bidirectional formatting characters: U+061C, U+200E, U+200F, U+202A..U+202E and
// U+2066..U+2069. Each can reorder what a reader sees against the order of the bytes
// that a compiler reads, so no output lets one through as it is.
constexpr bool IsBidiControl(char32_t c)
{
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

// The short name of a bidirectional control ("RLO" for U+202E), or null for any other
// character.
const char* BidiControlName(char32_t c);

// In UTF-8 a character takes the style of its first byte: gives every continuation
// byte of s[0, n) (well-formed UTF-8) the code of the byte before it.
inline void SpreadLeadStyles(const char* s, std::size_t n, StyleCode* classes)
{
    for (std::size_t i = 1; i < n; ++i)
        if ((static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) classes[i] = classes[i - 1];
}

// Writes the shown form of a text's bytes as UTF-8, with the stand-ins, and optionally
// with the HTML escapes of '&', '<' and '>'.
class CShownText {
public:
    CShownText(Encoding encoding, bool escapeHtml);

    // The most bytes Write produces for one input byte, and the slack it may write past
    // its result (the caller's buffer holds that much more). Write reads nothing outside
    // [s, s + n).
    static constexpr std::size_t MAX_PER_BYTE = 5;  // "&amp;"; ALM's 2 bytes make a mark of 9
    static constexpr std::size_t SLACK = 8;

    // Writes bytes [s, s + n) to w and returns the end of what was written. In UTF-8,
    // [s, s + n) holds whole, well-formed characters.
    char* Write(char* w, const unsigned char* s, std::size_t n) const
    {
        const unsigned char* end = s + n;
        while (s < end) {
            if (end - s >= 8) {
                // Eight bytes at once while none of them needs more than a copy.
                std::uint64_t x;
                std::memcpy(&x, s, 8);
                const std::uint64_t special = SpecialBytes(x);
                std::memcpy(w, &x, 8);
                if (special == 0) {
                    s += 8;
                    w += 8;
                    continue;
                }
                const unsigned plain = static_cast<unsigned>(__builtin_ctzll(special) >> 3);
                s += plain;
                w += plain;
            }
            const unsigned char b = *s;
            if (b < 0x80 || !m_utf8) {
                // The entry's bytes, and whatever follows them in the entry.
                std::memcpy(w, m_table[b].bytes, 8);
                w += m_table[b].length;
                ++s;
            } else {
                w = WriteUtf8Character(w, s);
            }
        }
        return w;
    }

    // The end of a run of one style: the index of the first code at or after from that
    // is not run. classes must hold another code (STYLE_END) at or before the end of the
    // line, and 8 readable bytes past that.
    static std::size_t RunEnd(const StyleCode* classes, std::size_t from, StyleCode run)
    {
        const std::uint64_t pattern = 0x0101010101010101ull * run;
        for (;;) {
            std::uint64_t x;
            std::memcpy(&x, classes + from, 8);
            x ^= pattern;
            if (x) return from + static_cast<std::size_t>(__builtin_ctzll(x) >> 3);
            from += 8;
        }
    }

    Encoding GetEncoding() const { return m_utf8 ? Encoding::Utf8 : Encoding::Windows1252; }

private:
    // A flag in the high bit of every byte of x that is not copied as it is: controls
    // (tab and line feed included, which the table keeps), DEL, bytes from 0x80, and
    // '&', '<', '>' for HTML. The lowest flag is exact; a false one only stands above a
    // true one.
    std::uint64_t SpecialBytes(std::uint64_t x) const
    {
        constexpr std::uint64_t kOnes = 0x0101010101010101ull;
        constexpr std::uint64_t kHighs = 0x8080808080808080ull;
        auto zeroBytes = [](std::uint64_t v) { return (v - kOnes) & ~v & kHighs; };
        std::uint64_t m = ((x - kOnes * 0x20) & ~x & kHighs) | (x & kHighs) | zeroBytes(x ^ (kOnes * 0x7F));
        if (m_html) m |= zeroBytes(x ^ (kOnes * '&')) | zeroBytes(x ^ (kOnes * '<')) | zeroBytes(x ^ (kOnes * '>'));
        return m;
    }

    // One well-formed multi-byte character at s; s moves past it.
    char* WriteUtf8Character(char* w, const unsigned char*& s) const;

    struct alignas(8) Entry {
        char bytes[7];
        std::uint8_t length;
    };
    Entry m_table[256];
    bool m_utf8;
    bool m_html;
};

}  // namespace display
