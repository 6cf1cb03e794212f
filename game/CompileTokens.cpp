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

void PutNumber(std::vector<unsigned char>& bytes, std::uint64_t n)
{
    while (n >= 0x80) {
        bytes.push_back(static_cast<unsigned char>(n | 0x80));
        n >>= 7;
    }
    bytes.push_back(static_cast<unsigned char>(n));
}

std::uint64_t GetNumber(const unsigned char* bytes, std::size_t& at)
{
    std::uint64_t n = 0;
    for (int shift = 0;; shift += 7) {
        const unsigned char b = bytes[at++];
        n |= static_cast<std::uint64_t>(b & 0x7F) << shift;
        if (!(b & 0x80)) return n;
    }
}

}  // namespace

void CCompileTokenList::Add(const CompileToken& token)
{
    if (m_open) Pack(m_last);
    m_last = token;
    m_open = true;
    ++m_count;
}

void CCompileTokenList::Reserve(std::size_t textSize)
{
    const std::size_t wanted = m_bytes.size() + textSize / 2 + 16;
    if (wanted > m_bytes.capacity()) m_bytes.reserve(std::max(wanted, m_bytes.size() + m_bytes.size() / 2));
}

CompileTokenPlace CCompileTokenList::StartFile()
{
    Close();
    m_count = 0;
    m_packedEnd = 0;
    return CompileTokenPlace{m_bytes.size(), SIZE_MAX, 0};
}

void CCompileTokenList::Close()
{
    if (m_open) Pack(m_last);
    m_open = false;
}

void CCompileTokenList::Pack(const CompileToken& token)
{
    // The distance from the token before, zigzagged so that a token starting inside the
    // one before (which the lexer never reports) would still be kept as it is.
    const auto gap = static_cast<std::int64_t>(token.offset) - static_cast<std::int64_t>(m_packedEnd);
    PutNumber(m_bytes, (static_cast<std::uint64_t>(gap) << 1) ^ static_cast<std::uint64_t>(gap >> 63));
    PutNumber(m_bytes, (static_cast<std::uint64_t>(token.length) << 2) | token.kind);
    m_packedEnd = token.End();
}

bool CCompileTokenList::PeekAt(const CompileTokenPlace& place, CompileToken& token) const
{
    CompileTokenPlace next = place;
    return Read(next, token);
}

bool CCompileTokenList::Read(CompileTokenPlace& place, CompileToken& token) const
{
    if (place.at >= std::min(place.end, m_bytes.size())) return false;
    const std::uint64_t zigzag = GetNumber(m_bytes.data(), place.at);
    const auto gap = static_cast<std::int64_t>(zigzag >> 1) ^ -static_cast<std::int64_t>(zigzag & 1);
    const std::uint64_t lengthAndKind = GetNumber(m_bytes.data(), place.at);
    token.offset = static_cast<std::uint64_t>(static_cast<std::int64_t>(place.lastEnd) + gap);
    token.length = lengthAndKind >> 2;
    token.kind = lengthAndKind & 3;
    place.lastEnd = token.End();
    return true;
}

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
        if ((token.flags & TOKEN_CONTINUED) && m_openString && !m_tokens.Empty()) {
            CompileToken& open = m_tokens.Last();
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
        CompileToken& before = m_tokens.Last();
        before.length = offset + n - before.offset;
        m_hashJoins = hash;
        m_lastEnd = offset + n;
        return;
    }
    m_tokens.Add(CompileToken{offset, std::min<std::uint64_t>(n, MAX_TOKEN_LENGTH), static_cast<std::uint64_t>(kind)});
    m_openString = (kind == CompileTokenKind::String || kind == CompileTokenKind::Single) && !(token.flags & TOKEN_CLOSED);
    m_hashJoins = hash;
    m_lastEnd = offset + n;
}
