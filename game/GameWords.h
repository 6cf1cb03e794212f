#pragma once
// The uses of names on the lines of a text, from the lexer's token reports: what the
// game counts as a use of a name (GameWord): a word in code, in an object's body or a
// directive, never in a comment, quoted text or a dictionary word; an action written
// ##Take is a use of Take. Every reader of uses (a game's files, a page of a source
// site) hears the lexer through this one collector.
//
// Give it to the line loop (ForEachShownLine) as its listener: when the loop hands over
// a line, Words() holds that line's uses in text order (the lexer reports the words of
// code after the line's other tokens; Words sorts them).

#include "syntax/SyntaxToken.h"

#include <cstdint>
#include <vector>

// One use of a name as a word: in code, in an object's body, as a directive's word;
// never in a comment, quoted text or a dictionary word.
struct GameWord {
    std::uint64_t offset;      // its first byte
    std::uint64_t lineOffset;  // its line's first byte
    std::uint32_t line;        // from 1
    std::uint32_t column;      // bytes before it on its line
    std::uint32_t length;
};

class CGameWordCollector final : public ISyntaxTokenListener {
public:
    void OnLine(std::uint64_t number, std::uint64_t offset, std::size_t length) override;
    void OnToken(const char* line, const SyntaxToken& token) override;

    // The uses on the line last given to OnLine, in text order.
    std::vector<GameWord>& Words();

private:
    std::uint64_t m_line = 0;
    std::uint64_t m_lineOffset = 0;
    std::vector<GameWord> m_words;
};
