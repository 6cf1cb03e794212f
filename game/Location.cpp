#include "Location.h"

#include "GameFile.h"
#include "GameWords.h"

#include <algorithm>
#include <unordered_map>

Location LocationOf(const CGameFile& file, std::uint64_t offset)
{
    const TextPosition at = file.PositionOf(offset);
    return Location{at.line - 1, at.column};
}

std::uint64_t OffsetOf(const CGameFile& file, const Location& at)
{
    const std::uint64_t lineStart = file.OffsetOf(at.line + 1);
    return lineStart + std::min<std::uint64_t>(at.column, file.LineAt(lineStart).size());
}

Location LocationOf(const GameDefinition& definition) { return Location{definition.Line() - 1ULL, definition.Column()}; }

Location LocationOf(const GameInclude& include) { return Location{include.line - 1ULL, include.column}; }

Location LocationOf(const GameWord& word) { return Location{word.line - 1ULL, word.column}; }

namespace {

std::vector<std::string_view> LinesOf(std::string_view text)
{
    std::vector<std::string_view> lines;
    lines.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
    for (;;) {
        const std::size_t lf = text.find('\n');
        lines.push_back(text.substr(0, lf));
        if (lf == std::string_view::npos) break;
        text.remove_prefix(lf + 1);
    }
    return lines;
}

}  // namespace

CLineMap::CLineMap(std::string_view before, std::string_view after)
{
    const std::vector<std::string_view> a = LinesOf(before);
    const std::vector<std::string_view> b = LinesOf(after);
    m_beforeLines = a.size();
    m_afterLines = b.size();
    // The lines kept at the top and at the bottom.
    std::size_t top = 0;
    while (top < a.size() && top < b.size() && a[top] == b[top]) ++top;
    std::size_t bottom = 0;
    while (bottom < a.size() - top && bottom < b.size() - top && a[a.size() - 1 - bottom] == b[b.size() - 1 - bottom])
        ++bottom;
    for (std::size_t i = 0; i < top; ++i) m_anchors.push_back(Anchor{i, i});

    // Between them, the lines that stand once in each text, in an order both keep
    // (the longest such run, found as patience sorting finds it).
    struct Seen {
        std::size_t before = 0, after = 0;
        std::uint32_t inBefore = 0, inAfter = 0;
    };
    std::unordered_map<std::string_view, Seen> seen;
    seen.reserve(a.size() - top - bottom);
    for (std::size_t i = top; i < a.size() - bottom; ++i) {
        Seen& s = seen[a[i]];
        s.before = i;
        ++s.inBefore;
    }
    for (std::size_t j = top; j < b.size() - bottom; ++j) {
        const auto it = seen.find(b[j]);
        if (it == seen.end()) continue;
        it->second.after = j;
        ++it->second.inAfter;
    }
    std::vector<Anchor> once;
    for (std::size_t i = top; i < a.size() - bottom; ++i) {
        const Seen& s = seen[a[i]];
        if (s.inBefore == 1 && s.inAfter == 1) once.push_back(Anchor{i, s.after});
    }
    std::vector<std::size_t> tails;                         // of the runs of each length, the one ending lowest
    std::vector<std::size_t> previous(once.size(), SIZE_MAX);  // the run's element before each
    for (std::size_t k = 0; k < once.size(); ++k) {
        const auto at = std::lower_bound(tails.begin(), tails.end(), once[k].after,
                                         [&](std::size_t t, std::uint64_t value) { return once[t].after < value; });
        if (at != tails.begin()) previous[k] = *(at - 1);
        if (at == tails.end())
            tails.push_back(k);
        else
            *at = k;
    }
    std::vector<Anchor> run;
    for (std::size_t k = tails.empty() ? SIZE_MAX : tails.back(); k != SIZE_MAX; k = previous[k]) run.push_back(once[k]);
    m_anchors.insert(m_anchors.end(), run.rbegin(), run.rend());
    m_moved = std::move(once);
    for (std::size_t i = bottom; i > 0; --i) m_anchors.push_back(Anchor{a.size() - i, b.size() - i});
}

std::uint64_t CLineMap::Line(std::uint64_t line) const
{
    if (line >= m_beforeLines) return m_afterLines + (line - m_beforeLines);
    // A line that stands once in each text is followed wherever it went.
    const auto same = std::lower_bound(m_moved.begin(), m_moved.end(), line,
                                       [](const Anchor& k, std::uint64_t l) { return k.before < l; });
    if (same != m_moved.end() && same->before == line) return same->after;
    // The nearest line kept at or above line, and the next one kept below it.
    const auto next = std::upper_bound(m_anchors.begin(), m_anchors.end(), line,
                                       [](std::uint64_t l, const Anchor& k) { return l < k.before; });
    const std::uint64_t lowest = next == m_anchors.end() ? m_afterLines - 1 : next->after;
    if (next == m_anchors.begin()) return std::min(line, lowest);
    const Anchor& kept = *(next - 1);
    return std::min(kept.after + (line - kept.before), std::max(lowest, kept.after));
}
