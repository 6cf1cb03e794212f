#pragma once
// CFindSession: the find bar's search over the control's text, without the bar: the
// pattern and its options, finding with a wrap at the ends, the count of all matches
// and where a match stands among them. No widget.
//
//  - Find(from, forward) gives the next match from from (Next) or the previous one up
//    to from (Previous); when there is none on that side it goes on from the other end
//    of the text and says that it wrapped.
//  - The count is made in slices of SLICE_BYTES bytes of text (CountStep), so that the
//    owner can count a huge text between its other events. It counts the matches of
//    CTextSearch's count, which do not overlap. Each slice remembers where the count
//    entered it and how many matches came before, so that IndexOf(match) needs only
//    a part of one slice once the count has passed the match.
//  - A new text (Reset) or a new pattern (SetPattern) starts the count afresh.

#include "view/TextSearch.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class CRichTextStore;

class CFindSession {
public:
    static constexpr std::uint64_t SLICE_BYTES = 1u << 20;

    // The text to search; it must outlive its use, until the next Reset.
    void Reset(const CRichTextStore& store);
    void SetPattern(std::u16string pattern, bool matchCase, bool wholeWords);
    const std::u16string& Pattern() const { return m_pattern; }
    bool MatchCase() const { return m_matchCase; }
    bool WholeWords() const { return m_wholeWords; }
    const CTextSearch& Search() const { return m_search; }

    struct Found {
        CTextSearch::Match match;
        bool wrapped = false;
    };
    std::optional<Found> Find(std::uint64_t from, bool forward) const;

    // Counts one more slice; false once the whole text is counted.
    bool CountStep();
    bool IsCounted() const { return m_countedTo >= m_search.ByteLength(); }
    std::uint64_t Count() const { return m_count; }
    // The place of match among all matches, from 1, once the count has passed it.
    std::optional<std::uint64_t> IndexOf(const CTextSearch::Match& match) const;

private:
    void Prepare();

    struct Slice {
        std::uint64_t entry;   // the byte where the count went on in this slice
        std::uint64_t before;  // matches counted before it
    };
    const CRichTextStore* m_store = nullptr;
    CTextSearch m_search;
    std::u16string m_pattern;
    bool m_matchCase = false;
    bool m_wholeWords = false;
    std::vector<Slice> m_slices;
    std::uint64_t m_countedTo = 0;  // the slices before this byte are counted
    std::uint64_t m_next = 0;       // where the count goes on
    std::uint64_t m_count = 0;
};
