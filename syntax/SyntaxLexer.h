#pragma once
// CSyntaxLexer gives every character of one line of Inform source a StyleCode.
//
// Contract of the state word (bit layout in LexerState.h):
//  - The first line of a text is classified from LEX_DIRECTIVE_EXPECTED alone.
//  - ClassifyLine returns the state after the line and keeps it as the start state of
//    the next call; feed the lines of one text to one lexer, in order.
//  - The classes of a line depend only on its text and its start state: two lexers
//    that reach a line in the same state give it the same classes.
//  - Carried into the next line: quoted text, routines (and a pending routine name)
//    and the directive flags; a comment ends with its line, its line feed included.
//
// A line is given with its line feed (the caller appends one to a last line that
// lacks it) and is at most MAX_LINE_LENGTH characters, line feed included. The class
// buffer must hold length + 1 bytes: one code per character and STYLE_END after them.
// Classification allocates nothing and cannot fail.

#include "LexerState.h"
#include "StyleCodes.h"
#include "SyntaxToken.h"

#include <cstddef>
#include <cstdint>

// The largest number of characters a line may have, counting its line feed.
inline constexpr std::size_t MAX_LINE_LENGTH = 1020;

// Null-terminated keyword tables, compared byte for byte (case matters).
extern const char* const g_codeKeywords[];       // 53 words, looked up inside routines
extern const char* const g_directiveKeywords[];  // 9 words, looked up outside routines

class CSyntaxLexer {
public:
    explicit CSyntaxLexer(std::uint32_t state = LEX_DIRECTIVE_EXPECTED) : m_state(state) {}

    std::uint32_t ClassifyLine(const char* text, std::size_t length, StyleCode* classes);
    // The same classification, reporting every token of the line to listener as it is
    // recognised (see SyntaxToken.h). Without a listener nothing is reported and nothing
    // is spent on reports.
    std::uint32_t ClassifyLine(const char* text, std::size_t length, StyleCode* classes,
                               ISyntaxTokenListener& listener);

    // True when the word starting at text is one of table's words: the word's bytes
    // equal it and the byte after it is not a word character.
    static bool MatchKeyword(const char* const* table, const char* text);

    // Reads one token from pos (which must not be a blank) and leaves the result in the
    // low 16 bits of the state word and pos at the token's last character.
    void RecogniseHeaderWord(const char* text, std::size_t length, std::size_t& pos);

    std::uint32_t GetState() const { return m_state; }
    void SetState(std::uint32_t state) { m_state = state; }

private:
    std::uint32_t m_state;
};
