#pragma once
// What the lexer tells a listener about the tokens of a line while it classifies it.
//
// A reader of the text (the outline, the index of a game, a language server) follows
// the lexer's own reading instead of reading the state bits or the classes itself:
// CSyntaxLexer::ClassifyLine, given a listener, reports every token it recognises, with
// where it is on the line, the style it gave it, and what the recogniser made of it.
//
// The reports of a line come once the whole line is classified, so that each token's
// style is the one it is shown in. Their order is the order of the line, with one
// exception: the words of code inside routines (CodeWord, and CodeMark for a listener
// that asks for them) are read by the second pass, so they come after all the other
// tokens of their line, in their own order. Blanks are
// never reported. Positions are byte indexes into the line given to ClassifyLine.

#include "StyleCodes.h"

#include <cstddef>
#include <cstdint>

enum class TokenKind : std::uint8_t {
    // Outside routines: one token the object-header recogniser read: a word (a run of
    // letters, digits, '_', '$' and '#' that does not begin with '#'), "->", "*", a
    // '#', or any other single character (';', ',', '=', '(', ...). `recognised` holds
    // the recogniser's result (REC_WITH, REC_ARROW, a completed word, REC_NOT_A_WORD).
    Word,
    // A piece of quoted text on this line: from its opening quote (or the line's start,
    // when it was opened on an earlier line) to its closing quote included (or the end
    // of the line, line feed excluded, when it goes on into the next line).
    QuotedText,
    // A comment: from its '!' to the end of the line, line feed excluded.
    Comment,
    RoutineOpen,   // '[' opening a routine
    RoutineClose,  // ']' closing one
    // The word after '[' that names the routine (not in an object's body). Its style is
    // STYLE_FUNCTION unless a word or an assembly operand that it touches runs into it
    // (`[;##Inv`), which the lexer then shows as that.
    RoutineName,
    // Inside a routine: a word of code (a letter, '_' or '#' followed by word
    // characters), whether or not it is one of the code keywords (TOKEN_KEYWORD).
    CodeWord,
    // Inside a routine, only for a listener that asks for them (WantsCodeMarks): the
    // rest of the code, read by the second pass with the code words and in their
    // order: a number (digits, `$` and hexadecimal digits, `$$` and binary digits), an
    // assembly word (`@` and word characters), or any other character but a blank
    // (`;`, `(`, `[`, `-`, ...), one each.
    CodeMark,
};

// The flags of a token.
inline constexpr std::uint8_t TOKEN_OPENS_DIRECTIVE = 0x01;  // Word: the first token of a directive, styled so because one was expected
inline constexpr std::uint8_t TOKEN_HEADER_WORD = 0x02;  // Word: with, has, class, "->" or "*", which enter an object's body
inline constexpr std::uint8_t TOKEN_ENDS_DIRECTIVE = 0x04;  // Word: its last character is ';', which ends the directive
inline constexpr std::uint8_t TOKEN_NEXT_PROPERTY = 0x08;  // Word: its last character is ',', which expects the next property
inline constexpr std::uint8_t TOKEN_CONTINUED = 0x10;  // QuotedText: opened on an earlier line
inline constexpr std::uint8_t TOKEN_CLOSED = 0x20;  // QuotedText: closed on this line
inline constexpr std::uint8_t TOKEN_DOUBLE_QUOTED = 0x40;  // QuotedText: between double quotes (else single quotes)
inline constexpr std::uint8_t TOKEN_KEYWORD = 0x80;  // CodeWord: one of the code keywords

struct SyntaxToken {
    std::uint32_t start;        // the token's first byte on the line
    std::uint32_t end;          // one past its last byte
    std::uint32_t stateBefore;  // the lexer's state word just before the token (CodeWord: after the line)
    std::uint16_t recognised;   // Word and RoutineName: the recogniser's result; else REC_NOT_A_WORD
    StyleCode style;            // the style of its first character as classified
    TokenKind kind;
    std::uint8_t flags;         // TOKEN_ flags
};

class ISyntaxTokenListener {
public:
    // The line about to be classified: its number from 1, the offset of its first byte
    // in the text and its length, line feed included. The line loop (ForEachShownLine)
    // calls it; ClassifyLine never does.
    virtual void OnLine(std::uint64_t number, std::uint64_t offset, std::size_t length)
    {
        (void)number;
        (void)offset;
        (void)length;
    }
    // line is the text given to ClassifyLine; the token is line[start, end).
    virtual void OnToken(const char* line, const SyntaxToken& token) = 0;
    // The reports of a line, all at once, in their order: by default each to OnToken. A
    // reader that hears many tokens takes them here, saving a call for each.
    virtual void OnTokens(const char* line, const SyntaxToken* tokens, std::size_t count)
    {
        for (std::size_t i = 0; i < count; ++i) OnToken(line, tokens[i]);
    }
    // Whether the listener hears the CodeMark tokens too: a reader that follows code
    // token by token (what the compiler reads) asks for them; others are spared them.
    // Asked once per line.
    virtual bool WantsCodeMarks() const { return false; }

protected:
    ~ISyntaxTokenListener() = default;
};
