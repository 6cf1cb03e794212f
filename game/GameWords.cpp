#include "GameWords.h"

#include "syntax/CharClass.h"
#include "syntax/LexerState.h"

#include <algorithm>

void CGameWordCollector::OnLine(std::uint64_t number, std::uint64_t offset, std::size_t)
{
    m_line = number;
    m_lineOffset = offset;
    m_words.clear();
}

void CGameWordCollector::OnToken(const char* line, const SyntaxToken& token)
{
    std::uint32_t start = token.start;
    switch (token.kind) {
    case TokenKind::Word:
    case TokenKind::RoutineName:
        if (token.recognised < REC_FIRST_WORD) return;
        break;
    case TokenKind::CodeWord:
        if (token.flags & TOKEN_KEYWORD) return;
        // An action written ##Take is a use of Take.
        if (line[start] == '#') {
            if (token.end - start < 3 || line[start + 1] != '#') return;
            start += 2;
        }
        break;
    default:
        return;
    }
    const auto first = static_cast<unsigned char>(line[start]);
    if (!charclass::IsLetter(first) && first != '_') return;
    m_words.push_back(GameWord{m_lineOffset + start, m_lineOffset, static_cast<std::uint32_t>(m_line), start,
                               token.end - start});
}

std::vector<GameWord>& CGameWordCollector::Words()
{
    std::sort(m_words.begin(), m_words.end(), [](const GameWord& a, const GameWord& b) { return a.offset < b.offset; });
    // A word both of the lexer's passes report (a "##Take" after a '[' in a directive) is one use.
    m_words.erase(std::unique(m_words.begin(), m_words.end(),
                              [](const GameWord& a, const GameWord& b) { return a.offset == b.offset; }),
                  m_words.end());
    return m_words;
}
