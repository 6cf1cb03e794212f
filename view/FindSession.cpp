#include "FindSession.h"

#include "RichTextStore.h"

#include <algorithm>

void CFindSession::Reset(const CRichTextStore& store)
{
    m_store = &store;
    Prepare();
}

void CFindSession::SetPattern(std::u16string pattern, bool matchCase, bool wholeWords)
{
    m_pattern = std::move(pattern);
    m_matchCase = matchCase;
    m_wholeWords = wholeWords;
    Prepare();
}

void CFindSession::Prepare()
{
    m_slices.clear();
    m_countedTo = m_next = m_count = 0;
    if (!m_store) return;
    m_search.Prepare(*m_store, m_pattern, m_matchCase, m_wholeWords);
    // Nothing to count when nothing can match.
    if (!m_search.CanMatch()) m_countedTo = m_search.ByteLength();
}

std::optional<CFindSession::Found> CFindSession::Find(std::uint64_t from, bool forward) const
{
    if (!m_store || !m_search.CanMatch()) return std::nullopt;
    if (forward) {
        if (const auto match = m_search.Next(from)) return Found{*match, false};
        if (const auto match = m_search.Next(0)) return Found{*match, true};
    } else {
        if (const auto match = m_search.Previous(from)) return Found{*match, false};
        if (const auto match = m_search.Previous(m_store->Length())) return Found{*match, true};
    }
    return std::nullopt;
}

bool CFindSession::CountStep()
{
    if (IsCounted()) return false;
    const std::uint64_t stop = std::min(m_countedTo + SLICE_BYTES, m_search.ByteLength());
    // A match that ran past the slice before leaves the count entering this one later.
    m_slices.push_back(Slice{std::max(m_next, m_countedTo), m_count});
    m_count += m_search.CountBytes(m_next, stop);
    m_countedTo = stop;
    return !IsCounted();
}

std::optional<std::uint64_t> CFindSession::IndexOf(const CTextSearch::Match& match) const
{
    if (!m_store || !m_search.CanMatch()) return std::nullopt;
    const std::uint64_t byte = m_store->ByteOfUnit(match.from);
    if (byte >= m_countedTo) return std::nullopt;
    const Slice& slice = m_slices[static_cast<std::size_t>(byte / SLICE_BYTES)];
    std::uint64_t at = slice.entry;
    return slice.before + m_search.CountBytes(at, byte) + 1;
}
