#pragma once
// The style codes of a text, one line per line a render shows: the code of every byte
// as a hex digit (0 to b), the line feed's included, then a space, the lexer's state
// word after the line in 8 hex digits, and a line feed. Nothing else: no header, no
// styles (the codes are the classification itself, whatever the colours).
//
// Like every format it ends at the text's first zero byte and before a line of
// MAX_LINE_LENGTH or more bytes (the lines before it are written, the status says so).

#include "RtfBuilder.h"

#include <cstddef>

// Replaces out's content with the codes of text; running out of memory empties out.
RenderStatus WriteCodes(const char* text, std::size_t length, CRtfOutput& out);
