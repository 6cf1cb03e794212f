#pragma once
// Semantic tokens: the lexer's classes as the protocol's tokens, so that an editor
// colours what Glossel colours.
//
// Every style has a token type of its own, a standard one where one fits and one of
// ours where none does; quoted text is a string between double quotes and a
// dictionary word between single quotes. A token is a run of one type on one line of
// the client, without the blanks at its ends; blanks and line feeds get none. No
// token spans lines: a run is also cut at a lone CR. A multi-byte character has the
// type of its first byte.

#include "LspDocument.h"

#include <cstdint>
#include <vector>

// The legend's token types, in the order of their numbers.
enum SemanticTokenType : std::uint32_t {
    TOKEN_TYPE_FOREGROUND,
    TOKEN_TYPE_STRING,
    TOKEN_TYPE_DICTIONARY_WORD,
    TOKEN_TYPE_COMMENT,
    TOKEN_TYPE_KEYWORD,
    TOKEN_TYPE_PROPERTY,
    TOKEN_TYPE_FUNCTION,
    TOKEN_TYPE_OPERATOR,
    TOKEN_TYPE_VARIABLE,
    TOKEN_TYPE_ASSEMBLY,
    TOKEN_TYPE_ESCAPE_CHARACTER,
    TOKEN_TYPE_NUMBER,
    TOKEN_TYPE_CODE_NUMBER,
    TOKEN_TYPE_COUNT,
};

// The names of the token types, in the legend's order.
extern const char* const g_semanticTokenTypes[TOKEN_TYPE_COUNT];

// The token type of each style (quoted text: the double-quoted one).
SemanticTokenType TokenTypeOfStyle(StyleCode style);

// One token where the client sees it.
struct LineToken {
    std::size_t line;    // the client's line
    std::size_t start;   // in the client's units from that line's start
    std::size_t length;  // in units
    std::uint32_t type;
};

// The tokens of lexer line n, in order; false when the viewer shows no such line.
bool TokensOfLine(CLspDocument& document, std::size_t n, PositionEncoding encoding, std::vector<LineToken>& tokens);

// The protocol's relative encoding: five numbers a token (line and start from the
// token before, length, type, no modifiers).
class CTokenEncoder {
public:
    // As if the last token stood at the given place (a fresh encoder: line 0, start 0).
    void StartAfter(std::size_t line, std::size_t start)
    {
        m_line = line;
        m_start = start;
    }
    template <typename Emit>
    void Add(const LineToken& token, Emit emit)
    {
        const std::size_t deltaLine = token.line - m_line;
        emit(deltaLine, deltaLine == 0 ? token.start - m_start : token.start, token.length, token.type);
        m_line = token.line;
        m_start = token.start;
    }

private:
    std::size_t m_line = 0;
    std::size_t m_start = 0;
};

// The tokens of lexer lines [first, last] that the viewer shows, in the protocol's
// relative encoding.
std::vector<std::uint32_t> BuildSemanticTokens(CLspDocument& document, std::size_t first, std::size_t last,
                                               PositionEncoding encoding);
