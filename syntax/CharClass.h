#pragma once
// Character classes of the C locale, judged on the unsigned byte; bytes 0x80..0xFF
// belong to no class.

#include <array>
#include <cstdint>
#include <string_view>

namespace charclass {

enum : std::uint8_t {
    BLANK = 1,   // tab, LF, VT, FF, CR, space
    LETTER = 2,
    DIGIT = 4,
    HEX = 8,
    WORD = 16,   // letter, digit, '_', '$', '#'
    ESCAPE = 32, // '\\', '{', '}': escaped in RTF
};

constexpr std::array<std::uint8_t, 256> MakeTable()
{
    std::array<std::uint8_t, 256> t{};
    for (int c = 0x09; c <= 0x0D; ++c) t[c] |= BLANK;
    t[' '] |= BLANK;
    for (int c = 'A'; c <= 'Z'; ++c) t[c] |= LETTER | WORD;
    for (int c = 'a'; c <= 'z'; ++c) t[c] |= LETTER | WORD;
    for (int c = '0'; c <= '9'; ++c) t[c] |= DIGIT | HEX | WORD;
    for (int c = 'A'; c <= 'F'; ++c) t[c] |= HEX;
    for (int c = 'a'; c <= 'f'; ++c) t[c] |= HEX;
    t['_'] |= WORD;
    t['$'] |= WORD;
    t['#'] |= WORD;
    t['\\'] |= ESCAPE;
    t['{'] |= ESCAPE;
    t['}'] |= ESCAPE;
    return t;
}

inline constexpr std::array<std::uint8_t, 256> kTable = MakeTable();

inline bool Is(unsigned char c, std::uint8_t cls) { return (kTable[c] & cls) != 0; }
inline bool IsBlank(unsigned char c) { return Is(c, BLANK); }
inline bool IsLetter(unsigned char c) { return Is(c, LETTER); }
inline bool IsDigit(unsigned char c) { return Is(c, DIGIT); }
inline bool IsHexDigit(unsigned char c) { return Is(c, HEX); }
inline bool IsWordChar(unsigned char c) { return Is(c, WORD); }
inline unsigned char Fold(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }

// True when a and b are the same but for the case of their ASCII letters, as Inform's
// names and directive words compare.
inline bool EqualsFolded(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Fold(static_cast<unsigned char>(a[i])) != Fold(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

}  // namespace charclass
