#pragma once
// CTextSearch: finds a piece of text in the control's text as it is shown, whether the
// store reads its bytes as UTF-8 or as Windows-1252. No widget.
//
// What matches:
//  - The pattern is compared with the text character by character. With match case
//    off, two characters match when their simple Unicode case foldings are equal:
//    é finds É in either encoding, the Kelvin sign finds k, ß does not find SS (one
//    character never matches two).
//  - Whole words: a match may neither begin nor end between two word characters. So
//    when the pattern begins with a word character, the character before the match
//    must not be one, and likewise at its end; a pattern that begins or ends with
//    another sign ("(" or " ") has no such condition on that side. Word characters are
//    those of Inform's identifiers, the ASCII letters, digits and '_', and also the
//    letters and digits of every other script (é, ß, ж).
//  - A match never holds a line feed, so it never runs from one line into the next:
//    a pattern holding a line feed, an empty pattern, a lone surrogate or (in a
//    Windows-1252 text) a character the code page lacks matches nothing.
//
// Positions are the control's: UTF-16 units of the text as shown. Next(from) gives the
// first match that begins at or after from; Previous(to) the last one that ends at or
// before to (the mirror of Next, so that they step over the same matches). Matches of
// a count do not overlap: they are those that Next finds from the start of the text,
// each search going on from the end of the match before.
//
// The search runs on the store's bytes. With match case on it is one byte search for
// the pattern encoded as the text is (in UTF-8 a match of the bytes is always a match
// of whole characters). Otherwise it scans for the bytes that can begin a character
// folding to the pattern's first one, then compares character by character.

#include "view/RichTextStore.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CTextSearch {
public:
    struct Match {
        std::uint64_t from = 0;
        std::uint64_t to = 0;
        bool operator==(const Match&) const = default;
    };

    // Prepares a search for pattern in store; the store must outlive every call made
    // until the next Prepare.
    void Prepare(const CRichTextStore& store, std::u16string_view pattern, bool matchCase, bool wholeWords);
    // False when nothing can match (see above), or before any Prepare.
    bool CanMatch() const { return m_canMatch; }

    std::optional<Match> Next(std::uint64_t from) const;
    std::optional<Match> Previous(std::uint64_t to) const;
    // True when from..to is a match (whatever matches come before it).
    bool IsMatch(const Match& match) const;
    // The matches that do not overlap from from on and begin before to, in order.
    void MatchesIn(std::uint64_t from, std::uint64_t to, std::vector<Match>& out) const;

    // Counting in slices over the bytes: counts the matches of the count (see above)
    // that begin in byte..stop, where byte is where a count went on after the match
    // before (0 at the start); byte moves to where the next slice goes on.
    std::uint64_t CountBytes(std::uint64_t& byte, std::uint64_t stop) const;
    std::uint64_t ByteLength() const { return m_text.size(); }

    // True for the characters whole words are made of.
    static bool IsWordCharacter(char32_t c);

private:
    struct ByteMatch {
        std::uint64_t from;
        std::uint64_t to;
    };
    // The first match that begins in from..limit (bytes).
    std::optional<ByteMatch> FindBytes(std::uint64_t from, std::uint64_t limit) const;
    // The end of a match that begins at byte at, ignoring whole words, or 0 for none.
    std::uint64_t MatchAt(std::uint64_t at) const;
    bool IsWholeWord(std::uint64_t from, std::uint64_t to) const;
    // The character beginning at byte at, and the one ending there.
    char32_t CharacterAt(std::uint64_t at) const;
    char32_t CharacterBefore(std::uint64_t at) const;
    char32_t Fold(char32_t c) const;
    // The first byte at or after from, and before limit, that may begin a match (limit if none).
    std::uint64_t NextCandidate(std::uint64_t from, std::uint64_t limit) const;

    const CRichTextStore* m_store = nullptr;
    std::string_view m_text;
    bool m_utf8 = false;
    bool m_canMatch = false;
    bool m_matchCase = false;
    bool m_wholeWords = false;
    std::string m_bytes;            // match case: the pattern as the text encodes it
    std::u32string m_folded;        // no match case: the pattern's characters, folded
    std::array<bool, 256> m_first{};  // no match case: bytes that may begin a match
    // no match case: the folded character of each byte, or MULTI_BYTE for a UTF-8 lead
    std::array<char32_t, 256> m_byteFold{};
    // no match case: when the bytes that may begin a match are exactly an ASCII letter
    // in its two cases, that letter in lower case (0 otherwise), for a scan of 8 bytes at once
    unsigned char m_firstLetter = 0;
    bool m_firstWord = false;         // the pattern begins with a word character
    bool m_lastWord = false;          // and ends with one
};
