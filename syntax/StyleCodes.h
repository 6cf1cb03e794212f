#pragma once
// The twelve syntax styles: their codes, display names and built-in attributes.
//
// A class buffer holds one StyleCode per character of a line; codes 0..11 name
// styles, STYLE_END marks the index just past the line and never names a style.
// The display names are also the stored entry names' prefixes, so they never change.

#include <cstdint>

using StyleCode = std::uint8_t;
using COLORREF = std::uint32_t;  // 0x00BBGGRR: red in the low byte

inline constexpr StyleCode STYLE_FOREGROUND = 0;
inline constexpr StyleCode STYLE_QUOTED_TEXT = 1;
inline constexpr StyleCode STYLE_COMMENT = 2;
inline constexpr StyleCode STYLE_DIRECTIVE = 3;
inline constexpr StyleCode STYLE_PROPERTY = 4;
inline constexpr StyleCode STYLE_FUNCTION = 5;
inline constexpr StyleCode STYLE_CODE = 6;
inline constexpr StyleCode STYLE_CODE_ALPHA = 7;
inline constexpr StyleCode STYLE_ASSEMBLY = 8;
inline constexpr StyleCode STYLE_ESCAPE_CHARACTER = 9;
inline constexpr StyleCode STYLE_NUMBER = 10;
inline constexpr StyleCode STYLE_CODE_NUMBER = 11;
inline constexpr StyleCode STYLE_END = 12;

inline constexpr int STYLE_COUNT = 12;

constexpr COLORREF RGB(unsigned r, unsigned g, unsigned b)
{
    return (r & 0xFFu) | ((g & 0xFFu) << 8) | ((b & 0xFFu) << 16);
}
constexpr unsigned GetRValue(COLORREF c) { return c & 0xFFu; }
constexpr unsigned GetGValue(COLORREF c) { return (c >> 8) & 0xFFu; }
constexpr unsigned GetBValue(COLORREF c) { return (c >> 16) & 0xFFu; }

struct StyleDefault {
    const char* name;
    COLORREF colour;
    std::uint32_t bold;
    std::uint32_t italic;
};

// Indexed by StyleCode 0..11.
inline constexpr StyleDefault g_styleDefaults[STYLE_COUNT] = {
    {"Foreground", 0x00A00000, 0, 0},
    {"Quoted Text", 0x00808080, 0, 0},
    {"Comment", 0x00800080, 0, 1},
    {"Directive", 0x00000000, 1, 0},
    {"Property", 0x000000C0, 0, 0},
    {"Function", 0x000000A0, 0, 0},
    {"Code", 0x00800000, 0, 0},
    {"Code Alpha", 0x00008000, 0, 0},
    {"Assembly", 0x0000A0A0, 0, 1},
    {"Escape Character", 0x000000C0, 0, 0},
    {"Number", 0x00A00000, 1, 0},
    {"Code Number", 0x00008000, 1, 0},
};
