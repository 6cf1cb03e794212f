#include "CompileTokens.h"

#include "syntax/CharClass.h"

#include <algorithm>

using namespace charclass;

namespace {

constexpr std::uint64_t MAX_TOKEN_LENGTH = (std::uint64_t{1} << 20) - 1;

bool AllHashes(const char* s, std::uint32_t n)
{
    for (std::uint32_t i = 0; i < n; ++i)
        if (s[i] != '#') return false;
    return n > 0;
}

bool SecondPass(const SyntaxToken& t) { return t.kind == TokenKind::CodeWord || t.kind == TokenKind::CodeMark; }

}  // namespace

void CCompileTokenCollector::OnLine(std::uint64_t lineOffset, const char* line, const SyntaxToken* tokens,
                                    std::size_t count)
{
    // The two passes' tokens, each in text order, merged into one order.
    std::size_t split = 0;
    while (split < count && !SecondPass(tokens[split])) ++split;
    std::size_t i = 0;
    std::size_t j = split;
    std::uint32_t covered = 0;
    while (i < split || j < count) {
        const SyntaxToken& t = (j >= count || (i < split && tokens[i].start <= tokens[j].start)) ? tokens[i++]
                                                                                                 : tokens[j++];
        if (t.start < covered) continue;  // a report the first pass already made
        covered = t.end;
        Take(lineOffset, line, t);
    }
}

void CCompileTokenCollector::Take(std::uint64_t lineOffset, const char* line, const SyntaxToken& token)
{
    const std::uint64_t offset = lineOffset + token.start;
    const std::uint32_t n = token.end - token.start;
    CompileTokenKind kind = CompileTokenKind::Mark;
    bool hash = false;
    switch (token.kind) {
    case TokenKind::Comment:
        return;
    case TokenKind::QuotedText:
        if ((token.flags & TOKEN_CONTINUED) && m_openString && !m_tokens.empty()) {
            CompileToken& open = m_tokens.back();
            open.length = std::min(offset + n - open.offset, MAX_TOKEN_LENGTH);
            m_openString = !(token.flags & TOKEN_CLOSED);
            m_hashJoins = false;
            return;
        }
        kind = (token.flags & TOKEN_DOUBLE_QUOTED) ? CompileTokenKind::String : CompileTokenKind::Single;
        break;
    case TokenKind::RoutineOpen:
    case TokenKind::RoutineClose:
        break;
    case TokenKind::Word:
    case TokenKind::RoutineName:
    case TokenKind::CodeWord:
    case TokenKind::CodeMark: {
        const auto first = static_cast<unsigned char>(line[token.start]);
        if (first == '#' && AllHashes(line + token.start, n)) {
            kind = CompileTokenKind::Word;
            hash = true;
        } else if (IsWordChar(first) || first == '@') {
            kind = CompileTokenKind::Word;
        }
        break;
    }
    }
    // '#' and "##" joined to the word just after them.
    if (kind == CompileTokenKind::Word && m_hashJoins && offset == m_lastEnd) {
        CompileToken& before = m_tokens.back();
        before.length = offset + n - before.offset;
        m_hashJoins = hash;
        m_lastEnd = offset + n;
        return;
    }
    m_tokens.push_back(CompileToken{offset, std::min<std::uint64_t>(n, MAX_TOKEN_LENGTH), static_cast<std::uint64_t>(kind)});
    m_openString = (kind == CompileTokenKind::String || kind == CompileTokenKind::Single) && !(token.flags & TOKEN_CLOSED);
    m_hashJoins = hash;
    m_lastEnd = offset + n;
}
