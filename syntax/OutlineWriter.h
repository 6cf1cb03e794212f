#pragma once
// The outline of a text as lines of text: one line per definition, in file order, with
// its row (from 1), its kind (OutlineKindName) and its name, separated by tabs.
//
// The output is UTF-8: names are decoded as the text is shown (display::ChooseEncoding:
// as UTF-8 when the text is well-formed UTF-8 with a byte of 0x80 or more, else as
// Windows-1252), and the control characters of a name, the bidirectional ones included,
// are written as escapes (ControlEscapes.h), so that a name can neither split its row
// nor drive a terminal. Like every format, the outline ends at the text's first zero
// byte and before a line of MAX_LINE_LENGTH or more bytes (the definitions before it
// are written, and the status says so).

#include "ControlEscapes.h"
#include "RtfBuilder.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

// Replaces out's content with the outline of text; running out of memory empties out.
RenderStatus WriteOutline(const char* text, std::size_t length, CRtfOutput& out);

// The most bytes one row takes: its line number, a kind of at most 16 bytes, a name of
// at most 1,023 bytes escaped, the tabs and the line feed.
inline constexpr std::size_t OUTLINE_MAX_ROW = 20 + 1 + 16 + 1 + 1024 * display::MAX_ESCAPE + 1;

// Writes one row at w (room for OUTLINE_MAX_ROW bytes): line, kind and name (of a text
// shown as UTF-8 when utf8, else as Windows-1252), tabs between, a line feed after;
// returns its end. The outline of a whole game writes its rows with it.
char* WriteOutlineRow(char* w, std::uint64_t line, std::string_view kind, std::string_view name, bool utf8);
