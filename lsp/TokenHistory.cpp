#include "TokenHistory.h"

#include "SemanticTokens.h"

#include <algorithm>
#include <charconv>

namespace {

std::size_t CountOf(std::uint16_t count) { return count; }

}  // namespace

void CTokenHistory::Edited(const CLspDocument::LineEdit& edit)
{
    if (!m_valid) return;
    const std::ptrdiff_t shift = static_cast<std::ptrdiff_t>(edit.added) - static_cast<std::ptrdiff_t>(edit.last - edit.first);
    const auto mapFrom = [&](std::size_t x) {
        return x <= edit.first ? x : x > edit.last ? static_cast<std::size_t>(static_cast<std::ptrdiff_t>(x) + shift) : edit.first;
    };
    const auto mapTo = [&](std::size_t x) {
        if (x == CLspDocument::NO_LINE || x <= edit.first) return x;
        return x > edit.last ? static_cast<std::size_t>(static_cast<std::ptrdiff_t>(x) + shift) : edit.first + edit.added + 1;
    };
    std::size_t from = edit.first;
    std::size_t to = edit.changedUntil;
    if (m_dirtyFrom < m_dirtyTo) {
        from = std::min(from, mapFrom(m_dirtyFrom));
        to = std::max(to, mapTo(m_dirtyTo));  // NO_LINE is the largest
    }
    m_dirtyFrom = from;
    m_dirtyTo = to;
    m_lineShift += shift;
}

void CTokenHistory::WriteLines(CLspDocument& document, PositionEncoding encoding, std::size_t from, std::size_t to,
                               const Plan* after, CJsonText& out, std::vector<std::uint16_t>& counts)
{
    counts.clear();
    std::vector<LineToken> tokens;
    CTokenEncoder encoder;
    if (after && after->lastLineSet) encoder.StartAfter(after->lastLine, 0);
    bool first = true;
    std::string text;
    for (std::size_t n = from; n < to; ++n) {
        if (!TokensOfLine(document, n, encoding, tokens)) break;
        // A line's numbers are written together: most are one digit.
        text.clear();
        for (const LineToken& token : tokens)
            encoder.Add(token, [&](std::size_t dl, std::size_t ds, std::size_t length, std::uint32_t type) {
                for (const std::size_t number : {dl, ds, length, std::size_t{type}}) {
                    if (!first) text.push_back(',');
                    first = false;
                    if (number < 10) {
                        text.push_back(static_cast<char>('0' + number));
                    } else {
                        char digits[24];
                        text.append(digits, static_cast<std::size_t>(std::to_chars(digits, digits + sizeof digits, number).ptr - digits));
                    }
                }
                text.append(",0");
            });
        out.Raw(text);
        counts.push_back(static_cast<std::uint16_t>(tokens.size()));
    }
    // The lines the viewer does not show have no tokens.
    counts.resize(to - from, 0);
}

void CTokenHistory::WriteFull(CLspDocument& document, PositionEncoding encoding, CJsonText& out)
{
    out.Raw("{\"resultId\":");
    out.String(NextId());
    out.Raw(",\"data\":[");
    WriteLines(document, encoding, 0, document.LineCount(), nullptr, out, m_written);
    out.Raw("]}");
    m_plan = Plan{};
    m_pending = true;
}

CTokenHistory::Plan CTokenHistory::MakePlan(CLspDocument& document, const std::string& previousId) const
{
    Plan plan;
    const std::size_t lines = document.LineCount();
    if (!m_valid || previousId != m_resultId || document.ClientLineCount() != lines ||
        static_cast<std::ptrdiff_t>(lines) != static_cast<std::ptrdiff_t>(m_lines.size()) + m_lineShift)
        return plan;
    plan.full = false;
    if (m_dirtyFrom >= m_dirtyTo) {
        plan.from = plan.newEnd = lines;
        plan.oldEnd = m_lines.size();
    } else {
        plan.from = std::min(m_dirtyFrom, lines);
        plan.newEnd = std::max(plan.from, std::min(m_dirtyTo, lines));
        plan.oldEnd = plan.newEnd == lines ? m_lines.size()
                                           : static_cast<std::size_t>(static_cast<std::ptrdiff_t>(plan.newEnd) - m_lineShift);
        if (plan.oldEnd < plan.from || plan.oldEnd > m_lines.size()) {
            plan.full = true;
            return plan;
        }
        // The first line with tokens after them: its first token counts from the token
        // before it, which may have moved.
        while (plan.oldEnd < m_lines.size() && CountOf(m_lines[plan.oldEnd]) == 0) {
            ++plan.oldEnd;
            ++plan.newEnd;
        }
        if (plan.oldEnd < m_lines.size()) {
            ++plan.oldEnd;
            ++plan.newEnd;
        }
    }
    for (std::size_t n = 0; n < plan.from && n < m_lines.size(); ++n) plan.start += CountOf(m_lines[n]);
    for (std::size_t n = plan.from; n < plan.oldEnd; ++n) plan.deleted += CountOf(m_lines[n]);
    for (std::size_t n = std::min(plan.from, m_lines.size()); n-- > 0;)
        if (CountOf(m_lines[n]) > 0) {
            plan.lastLine = n;
            plan.lastLineSet = true;
            break;
        }
    return plan;
}

void CTokenHistory::WriteDelta(CLspDocument& document, PositionEncoding encoding, const std::string& previousId, CJsonText& out)
{
    const Plan plan = MakePlan(document, previousId);
    if (plan.full) {
        WriteFull(document, encoding, out);
        return;
    }
    out.Raw("{\"resultId\":");
    out.String(NextId());
    out.Raw(",\"edits\":[");
    if (plan.from < plan.newEnd || plan.from < plan.oldEnd) {
        out.Raw("{\"start\":");
        out.Number(std::uint64_t{plan.start} * 5);
        out.Raw(",\"deleteCount\":");
        out.Number(std::uint64_t{plan.deleted} * 5);
        out.Raw(",\"data\":[");
        WriteLines(document, encoding, plan.from, plan.newEnd, &plan, out, m_written);
        out.Raw("]}");
    } else {
        m_written.clear();
    }
    out.Raw("]}");
    m_plan = plan;
    m_pending = true;
}

void CTokenHistory::Commit()
{
    if (!m_pending) return;
    if (m_plan.full) {
        m_lines = std::move(m_written);
        m_lines.shrink_to_fit();
        m_valid = true;
    } else {
        m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(m_plan.from),
                      m_lines.begin() + static_cast<std::ptrdiff_t>(m_plan.oldEnd));
        m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(m_plan.from), m_written.begin(), m_written.end());
    }
    m_written = std::vector<std::uint16_t>();
    ++m_serial;
    m_resultId = std::to_string(m_serial);
    m_dirtyFrom = m_dirtyTo = 0;
    m_lineShift = 0;
    m_pending = false;
}
