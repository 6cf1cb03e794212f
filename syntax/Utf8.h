#pragma once
// UTF-8 as every reader of a text takes it: well-formed characters only (no overlong
// forms, no surrogates, nothing past U+10FFFF). Whether a text is read as UTF-8 at all
// is decided in DisplayText.h; the functions below that take "well-formed" text are
// for text that has passed FirstInvalidUtf8 (or Utf8CharLength) already.

#include <cstddef>
#include <cstdint>
#include <cstring>

// The length of the well-formed UTF-8 character at p (no overlong forms, no
// surrogates, nothing past U+10FFFF), or 0 when there is none. p < end.
inline int Utf8CharLength(const unsigned char* p, const unsigned char* end)
{
    const unsigned char b = *p;
    int length;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (b < 0x80) return 1;
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        if (b == 0xE0) low = 0xA0;   // overlong
        if (b == 0xED) high = 0x9F;  // surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        if (b == 0xF0) low = 0x90;   // overlong
        if (b == 0xF4) high = 0x8F;  // past U+10FFFF
    } else {
        return 0;
    }
    if (end - p < length) return 0;
    if (p[1] < low || p[1] > high) return 0;
    for (int i = 2; i < length; ++i)
        if (p[i] < 0x80 || p[i] > 0xBF) return 0;
    return length;
}

// The index of the first byte of s[0, length) that does not begin a well-formed UTF-8
// character, or length. nonAscii receives whether a character of 0x80 or above comes
// before it. Plain ASCII is passed over eight bytes at a time.
inline std::size_t FirstInvalidUtf8(const unsigned char* s, std::size_t length, bool& nonAscii)
{
    std::size_t i = 0;
    nonAscii = false;
    while (i < length) {
        if (i + 8 <= length) {
            std::uint64_t word;
            std::memcpy(&word, s + i, 8);
            if ((word & 0x8080808080808080ull) == 0) {
                i += 8;
                continue;
            }
        }
        if (s[i] < 0x80) {
            ++i;
            continue;
        }
        const int n = Utf8CharLength(s + i, s + length);
        if (n == 0) return i;
        nonAscii = true;
        i += static_cast<std::size_t>(n);
    }
    return length;
}

// The length of the character that lead byte b begins, in well-formed UTF-8.
inline unsigned Utf8SequenceLength(unsigned char b)
{
    return b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
}

// The character at s, in well-formed UTF-8.
inline char32_t DecodeUtf8(const unsigned char* s)
{
    const unsigned char b = s[0];
    switch (Utf8SequenceLength(b)) {
    case 1: return b;
    case 2: return ((b & 0x1Fu) << 6) | (s[1] & 0x3Fu);
    case 3: return ((b & 0x0Fu) << 12) | ((s[1] & 0x3Fu) << 6) | (s[2] & 0x3Fu);
    default:
        return ((b & 0x07u) << 18) | ((s[1] & 0x3Fu) << 12) | ((s[2] & 0x3Fu) << 6) | (s[3] & 0x3Fu);
    }
}

// Writes c (at most U+10FFFF) as UTF-8 at out and returns the count of bytes, 1 to 4.
inline int EncodeUtf8(char32_t c, char* out)
{
    if (c < 0x80) {
        out[0] = static_cast<char>(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = static_cast<char>(0xC0 | (c >> 6));
        out[1] = static_cast<char>(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (c >> 12));
        out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (c & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (c >> 18));
    out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (c & 0x3F));
    return 4;
}
