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

}  // namespace

void CCompileTokenCollector::OnLine(std::uint64_t offset)
{
    FlushLine();
    m_lineOffset = offset;
}

void CCompileTokenCollector::Finish() { FlushLine(); }

void CCompileTokenCollector::OnToken(const char* line, const SyntaxToken& token)
{
    const unsigned char first = static_cast<unsigned char>(line[token.start]);
    const std::uint32_t n = token.end - token.start;
    Piece piece{token.start, token.end, CompileTokenKind::Mark, false, false, false};
    switch (token.kind) {
    case TokenKind::Comment:
        return;
    case TokenKind::QuotedText:
        piece.kind = (token.flags & TOKEN_DOUBLE_QUOTED) ? CompileTokenKind::String : CompileTokenKind::Single;
        piece.continued = (token.flags & TOKEN_CONTINUED) != 0;
        piece.closed = (token.flags & TOKEN_CLOSED) != 0;
        break;
    case TokenKind::RoutineOpen:
    case TokenKind::RoutineClose:
        break;
    case TokenKind::Word:
    case TokenKind::RoutineName:
    case TokenKind::CodeWord:
    case TokenKind::CodeMark:
        if (AllHashes(line + token.start, n)) {
            piece.kind = CompileTokenKind::Word;
            piece.hash = true;
        } else if (IsWordChar(first) || first == '@') {
            piece.kind = CompileTokenKind::Word;
        }
        break;
    }
    m_line.push_back(piece);
}

void CCompileTokenCollector::Add(CompileTokenKind kind, std::uint64_t offset, std::uint64_t length)
{
    m_tokens.push_back(CompileToken{offset, std::min(length, MAX_TOKEN_LENGTH), static_cast<std::uint64_t>(kind)});
}

void CCompileTokenCollector::FlushLine()
{
    if (m_line.empty()) return;
    // The code words of the second pass come after the line's other tokens: text order.
    std::stable_sort(m_line.begin(), m_line.end(), [](const Piece& a, const Piece& b) { return a.start < b.start; });
    std::uint32_t covered = 0;
    for (std::size_t i = 0; i < m_line.size(); ++i) {
        Piece piece = m_line[i];
        if (piece.start < covered) continue;  // a report the first pass already made
        if (piece.continued && m_openString && !m_tokens.empty()) {
            CompileToken& open = m_tokens.back();
            open.length = std::min(m_lineOffset + piece.end - open.offset, MAX_TOKEN_LENGTH);
            m_openString = !piece.closed;
            covered = piece.end;
            continue;
        }
        // '#' and "##" joined to the word just after them.
        std::uint32_t end = piece.end;
        if (piece.hash) {
            std::size_t j = i;
            while (j + 1 < m_line.size() && m_line[j + 1].start == m_line[j].end &&
                   m_line[j + 1].kind == CompileTokenKind::Word) {
                ++j;
                if (!m_line[j].hash) break;
            }
            end = m_line[j].end;
            i = j;
        }
        covered = end;
        Add(piece.kind, m_lineOffset + piece.start, end - piece.start);
        m_openString = (piece.kind == CompileTokenKind::String || piece.kind == CompileTokenKind::Single) && !piece.closed;
    }
    m_line.clear();
}
