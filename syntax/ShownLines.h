#pragma once
// The lines of a text that a render shows, classified in order: the one loop behind
// every output format (RTF, HTML, terminal), so that all of them show the same lines
// in the same styles.
//
// The text ends at its first zero byte. Lines are split at line feeds; a line of
// MAX_LINE_LENGTH or more characters before its line feed ends the render before it.
// Each line is classified by one lexer that starts at LEX_DIRECTIVE_EXPECTED, with its
// line feed (a last line that lacks one is given one, so a text without a final line
// feed shows as the same text with it).

#include "RtfBuilder.h"
#include "SyntaxLexer.h"

#include <cstring>

// Calls line(s, count, classes, state) for every line shown, in order: s holds the
// line's count characters, the line feed last; classes (which line may change) holds
// their codes and STYLE_END, and 8 more readable bytes;
// state is the lexer's state word after the line. line returns false to stop the
// render with OutOfMemory. Allocates nothing.
template <class Line>
RenderStatus ForEachShownLine(const char* text, std::size_t length, Line&& line)
{
    if (const void* nul = std::memchr(text, '\0', length))
        length = static_cast<std::size_t>(static_cast<const char*>(nul) - text);
    StyleCode classes[MAX_LINE_LENGTH + 1 + 8] = {};
    char last[MAX_LINE_LENGTH + 1];
    CSyntaxLexer lexer(LEX_DIRECTIVE_EXPECTED);
    std::size_t pos = 0;
    while (pos < length) {
        const std::size_t n = MeasureLine(text, length, pos);
        if (n >= MAX_LINE_LENGTH) return RenderStatus::LongLine;
        const char* s = text + pos;
        if (pos + n == length) {
            // The last line lacks its line feed: classify a copy that has it.
            std::memcpy(last, s, n);
            last[n] = '\n';
            s = last;
        }
        const std::uint32_t state = lexer.ClassifyLine(s, n + 1, classes);
        if (!line(s, n + 1, classes, state)) return RenderStatus::OutOfMemory;
        pos += n + 1;
    }
    return RenderStatus::Ok;
}
