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

#include <cstddef>
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

// Where a reader of a token list stands: the next token's first byte in the list, where
// its file's tokens end there, and the end of the token read before it (0 at the start).
struct CompileTokenPlace {
    std::size_t at = 0;
    std::size_t end = SIZE_MAX;
    std::uint64_t lastEnd = 0;
};

// The tokens of a file in text order, packed: each is its distance from the end of the
// token before it and its length with its kind, each in as few bytes as it needs (most
// tokens take two bytes, not the eight of a CompileToken). They are read in order, from
// a place that a reader keeps. The last token added stays open to change (a string that
// runs on to the next line, a '#' that the next word joins) until the next is added or
// the list is closed. A list may hold the tokens of many files, one after another
// (StartFile): a game of thousands of small files keeps one list, not one each.
class CCompileTokenList {
public:
    // Room for the tokens of a text of textSize bytes after those held, as most sources
    // have them (growing by at least half what it holds, so that many small files are
    // not copied each time).
    void Reserve(std::size_t textSize);
    // Closes the file before and starts the next: its tokens are read from the place
    // returned, up to where they end when the list is closed (Size()).
    CompileTokenPlace StartFile();
    std::size_t Size() const { return m_bytes.size(); }
    void Add(const CompileToken& token);
    bool Empty() const { return m_count == 0; }  // of the file being added
    std::size_t Count() const { return m_count; }
    CompileToken& Last() { return m_last; }  // not after Close
    // Packs the last token: the list is read only once it is closed.
    void Close();

    // The token at place, or false at the list's end.
    bool PeekAt(const CompileTokenPlace& place, CompileToken& token) const;
    // Likewise, and place moves past it.
    bool Read(CompileTokenPlace& place, CompileToken& token) const;

private:
    void Pack(const CompileToken& token);

    std::vector<unsigned char> m_bytes;
    std::size_t m_count = 0;
    CompileToken m_last{};
    bool m_open = false;  // m_last is not yet packed
    std::uint64_t m_packedEnd = 0;
};

class CCompileTokenCollector {
public:
    explicit CCompileTokenCollector(CCompileTokenList& tokens) : m_tokens(tokens) {}

    // The reports of one line (its first byte at lineOffset in the text), as the lexer
    // hands them over: the first pass's tokens in order, then the second pass's.
    void OnLine(std::uint64_t lineOffset, const char* line, const SyntaxToken* tokens, std::size_t count);

private:
    void Take(std::uint64_t lineOffset, const char* line, const SyntaxToken& token);

    CCompileTokenList& m_tokens;
    bool m_openString = false;  // the last token added is a string still open
    bool m_hashJoins = false;   // the last token added is '#'s that the next word next to it joins
    std::uint64_t m_lastEnd = 0;
};

// The token's text.
inline std::string_view TokenText(std::string_view text, const CompileToken& token)
{
    return text.substr(token.offset, token.length);
}
