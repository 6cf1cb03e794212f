#pragma once
// The tokens of a file as the compiler reads them, heard from the lexer's token reports
// (with its CodeMark reports, so that the code inside routines comes token by token
// too): whatever the colours made of a piece of code, a word is a word and a ';' is a
// ';', so that the reading of the game (GameCompiler.h) does not depend on where the
// colours think a routine starts or ends.
//
//  - Word: a run of word characters (letters, digits, '_', '$', '#'), a number, an
//    assembly word; '#' and "##" joined to the word they stand before (`#Ifdef`,
//    `##Take`, `#n$word`).
//  - Mark: any other character, one each, but "->" which is one mark.
//  - String: text in double quotes, quotes included, over as many lines as it runs.
//  - Single: text in single quotes (a dictionary word or a character), likewise.
// Comments and blanks are left out. A token never starts beyond the text the game
// reads (ShownLength, a line too long).

#include "syntax/SyntaxToken.h"

#include <cstdint>
#include <string_view>
#include <vector>

enum class CompileTokenKind : std::uint8_t { Word, Mark, String, Single };

struct CompileToken {
    std::uint64_t offset : 40;  // its first byte in the text
    std::uint64_t length : 20;  // its bytes (a string over several lines may be long; cut at 2^20 - 1)
    std::uint64_t kind : 4;
    CompileTokenKind Kind() const { return static_cast<CompileTokenKind>(kind); }
    std::uint64_t End() const { return offset + length; }
};
static_assert(sizeof(CompileToken) == 8);

class CCompileTokenCollector {
public:
    explicit CCompileTokenCollector(std::vector<CompileToken>& tokens) : m_tokens(tokens) {}

    // The reports of one line (its first byte at lineOffset in the text), as the lexer
    // hands them over: the first pass's tokens in order, then the second pass's.
    void OnLine(std::uint64_t lineOffset, const char* line, const SyntaxToken* tokens, std::size_t count);

private:
    void Take(std::uint64_t lineOffset, const char* line, const SyntaxToken& token);

    std::vector<CompileToken>& m_tokens;
    bool m_openString = false;  // the last token added is a string still open
    bool m_hashJoins = false;   // the last token added is '#'s that the next word next to it joins
    std::uint64_t m_lastEnd = 0;
};

// The token's text.
inline std::string_view TokenText(std::string_view text, const CompileToken& token)
{
    return text.substr(token.offset, token.length);
}
