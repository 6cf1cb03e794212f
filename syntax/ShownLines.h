#pragma once
// The lines of a text that a render shows, classified in order: the one walk over a
// text's lines behind every output format (RTF, HTML, terminal, codes) and every reader
// of definitions (the outline), so that all of them see the same lines in the same
// styles.
//
// The text ends at its first zero byte. Lines are split at line feeds; a line of
// MAX_LINE_LENGTH or more characters before its line feed ends the walk before it.
// Each line is classified by one lexer that starts at LEX_DIRECTIVE_EXPECTED, with its
// line feed (a last line that lacks one is given one, so a text without a final line
// feed shows as the same text with it).

#include "SyntaxLexer.h"
#include "SyntaxToken.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

enum class RenderStatus {
    Ok,
    LongLine,     // stopped at a line of MAX_LINE_LENGTH or more characters
    OutOfMemory,  // the output could not grow; the output is empty
};

// The long-line message: "The file contained a line longer than the maximum allowed (1020)!"
std::string LongLineMessage();
inline constexpr const char* LONG_LINE_CAPTION = "File Error";

// The length of the text that is read: up to its first zero byte, or all of it.
inline std::size_t ShownLength(const char* text, std::size_t length)
{
    const void* nul = length ? std::memchr(text, '\0', length) : nullptr;
    return nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - text) : length;
}

// The length of the line at pos before its line feed (or the end of the text). A line
// of MAX_LINE_LENGTH or more stops the walk.
inline std::size_t MeasureLine(const char* text, std::size_t length, std::size_t pos)
{
    const void* lf = std::char_traits<char>::find(text + pos, length - pos, '\n');
    return lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - (text + pos)) : length - pos;
}

// One line shown.
struct ShownLine {
    const char* text;           // its characters, the line feed last
    std::size_t length;         // line feed included
    std::uint64_t number;       // from 1
    std::uint64_t offset;       // of its first character in the text
    std::uint32_t stateBefore;  // the lexer's state word before the line
    std::uint32_t stateAfter;   // and after it
};

// Where a walk starts: at the top of the text, or at the start of a line whose number
// and lexer state a reader kept from an earlier walk (the state word before the line),
// which gives that line and the rest exactly the classes of a walk from the top.
struct ShownStart {
    std::uint64_t offset = 0;
    std::uint64_t number = 1;
    std::uint32_t state = LEX_DIRECTIVE_EXPECTED;
};

// Calls line(shown, classes) for every line shown, in order: classes (which line may
// change) holds the codes of the line's characters and STYLE_END, and 8 more readable
// bytes. line returns false to stop the walk with OutOfMemory. When listener is given,
// it is told of each line (OnLine) and hears its tokens as the lexer classifies it.
// Allocates nothing.
template <class Line>
RenderStatus ForEachShownLine(const char* text, std::size_t length, Line&& line,
                              ISyntaxTokenListener* listener = nullptr, const ShownStart& start = ShownStart{})
{
    length = ShownLength(text, length);
    StyleCode classes[MAX_LINE_LENGTH + 1 + 8] = {};
    char last[MAX_LINE_LENGTH + 1];
    CSyntaxLexer lexer(start.state);
    std::size_t pos = start.offset < length ? static_cast<std::size_t>(start.offset) : length;
    std::uint64_t number = start.number;
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
        const std::uint32_t before = lexer.GetState();
        std::uint32_t after;
        if (listener) {
            listener->OnLine(number, pos, n + 1);
            after = lexer.ClassifyLine(s, n + 1, classes, *listener);
        } else {
            after = lexer.ClassifyLine(s, n + 1, classes);
        }
        if (!line(ShownLine{s, n + 1, number, pos, before, after}, classes)) return RenderStatus::OutOfMemory;
        pos += n + 1;
        ++number;
    }
    return RenderStatus::Ok;
}
