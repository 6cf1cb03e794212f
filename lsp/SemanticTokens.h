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

// The tokens of lexer lines [first, last] that the viewer shows, in the protocol's
// relative encoding (five numbers a token).
std::vector<std::uint32_t> BuildSemanticTokens(CLspDocument& document, std::size_t first, std::size_t last,
                                               PositionEncoding encoding);
