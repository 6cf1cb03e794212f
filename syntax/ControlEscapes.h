#pragma once
// Escapes for the characters that must not reach a terminal as themselves, used where
// a name from a file or from the system is written as text (the outline, messages):
// the C0 controls, DEL and the C1 controls, which could break the line or drive the
// terminal, and the bidirectional controls (display::IsBidiControl), which could
// reorder what is shown so that it reads otherwise than it is. Every other character
// stands for itself.
//
// An escape names the character: "\t", "\n" and "\r"; "\xHH" for the rest below 0x80
// (DEL is "\x7f"); "\uHHHH" from 0x80 ("\u009b", "\u202e"). A byte that is no whole
// character where characters are expected is "\xHH" too. Hex digits are lower case.

#include "DisplayText.h"

#include <cstddef>

namespace display {

inline bool IsEscapedCharacter(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || IsBidiControl(c);
}

// The longest escape: "\uHHHH".
inline constexpr std::size_t MAX_ESCAPE = 6;

// Writes the escape of c (one of the characters above) at w; returns the end.
char* WriteEscape(char* w, char32_t c);
// Writes "\xHH" for byte b at w; returns the end.
char* WriteByteEscape(char* w, unsigned char b);

}  // namespace display
