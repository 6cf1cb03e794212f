#include "TextSearch.h"

#include "syntax/DisplayText.h"
#include "syntax/Utf8.h"

#include <QChar>

#include <algorithm>
#include <cstring>

namespace {

// Planes 0 and 1 hold every character that has a case.
constexpr char32_t kLastCasedPlaneEnd = 0x1FFFF;
// Previous looks back over this many bytes at a time, then twice as many.
constexpr std::uint64_t kBackwardWindow = 64 * 1024;
// In m_byteFold: a byte that begins a UTF-8 character of more than one byte.
constexpr char32_t MULTI_BYTE = 0xFFFFFFFFu;

// The characters of a UTF-16 pattern; false for a lone surrogate.
bool DecodeUtf16(std::u16string_view units, std::u32string& out)
{
    out.clear();
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char16_t u = units[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            out.push_back(0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (units[i + 1] - 0xDC00));
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            return false;
        } else {
            out.push_back(u);
        }
    }
    return true;
}

// The Windows-1252 byte of c, or -1 when the code page has none.
int Windows1252Byte(char32_t c)
{
    for (int b = 0; b < 256; ++b)
        if (display::Windows1252(static_cast<unsigned char>(b)) == c) return b;
    return -1;
}

}  // namespace

bool CTextSearch::IsWordCharacter(char32_t c)
{
    if (c < 0x80) return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
    return QChar::isLetterOrNumber(c);
}

char32_t CTextSearch::Fold(char32_t c) const
{
    if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + 32 : c;
    return QChar::toCaseFolded(c);
}

void CTextSearch::Prepare(const CRichTextStore& store, std::u16string_view pattern, bool matchCase, bool wholeWords)
{
    m_store = &store;
    m_text = store.Bytes();
    m_utf8 = store.Encoding() == display::Encoding::Utf8;
    m_matchCase = matchCase;
    m_wholeWords = wholeWords;
    m_bytes.clear();
    m_folded.clear();
    m_first.fill(false);
    m_firstLetter = 0;
    m_canMatch = false;

    std::u32string characters;
    if (pattern.empty() || !DecodeUtf16(pattern, characters)) return;
    if (std::find(characters.begin(), characters.end(), U'\n') != characters.end()) return;
    m_firstWord = IsWordCharacter(characters.front());
    m_lastWord = IsWordCharacter(characters.back());

    if (matchCase) {
        for (char32_t c : characters) {
            if (m_utf8) {
                char encoded[4];
                m_bytes.append(encoded, static_cast<std::size_t>(EncodeUtf8(c, encoded)));
            } else {
                const int b = Windows1252Byte(c);
                if (b < 0) return;  // the text cannot hold it
                m_bytes.push_back(static_cast<char>(b));
            }
        }
        m_canMatch = true;
        return;
    }

    for (char32_t c : characters) m_folded.push_back(Fold(c));
    const char32_t first = m_folded.front();
    if (m_utf8) {
        // Every character folding to the first one, by the byte its UTF-8 begins with.
        for (char32_t c = 0; c <= kLastCasedPlaneEnd; ++c) {
            if ((c >= 0xD800 && c <= 0xDFFF) || Fold(c) != first) continue;
            char encoded[4];
            EncodeUtf8(c, encoded);
            m_first[static_cast<unsigned char>(encoded[0])] = true;
        }
    } else {
        for (int b = 0; b < 256; ++b)
            m_first[static_cast<std::size_t>(b)] = Fold(display::Windows1252(static_cast<unsigned char>(b))) == first;
    }
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<unsigned char>(b);
        m_byteFold[byte] = m_utf8 ? (b < 0x80 ? Fold(byte) : MULTI_BYTE) : Fold(display::Windows1252(byte));
    }
    if (first >= 'a' && first <= 'z') {
        int firstBytes = 0;
        for (bool may : m_first) firstBytes += may;
        if (firstBytes == 2 && m_first[first] && m_first[first - 32]) m_firstLetter = static_cast<unsigned char>(first);
    }
    m_canMatch = true;
}

std::uint64_t CTextSearch::NextCandidate(std::uint64_t from, std::uint64_t limit) const
{
    const auto* s = reinterpret_cast<const unsigned char*>(m_text.data());
    std::uint64_t at = from;
    if (m_firstLetter) {
        // Eight bytes at once: a byte is the letter in either case when, with bit 5 set,
        // it equals the lower case letter.
        constexpr std::uint64_t kOnes = 0x0101010101010101ull;
        constexpr std::uint64_t kHighs = 0x8080808080808080ull;
        const std::uint64_t letters = kOnes * m_firstLetter;
        for (; at + 8 <= limit; at += 8) {
            std::uint64_t x;
            std::memcpy(&x, s + at, 8);
            const std::uint64_t v = (x | (kOnes * 0x20)) ^ letters;
            const std::uint64_t zero = (v - kOnes) & ~v & kHighs;
            if (zero) return at + static_cast<std::uint64_t>(__builtin_ctzll(zero) >> 3);
        }
    }
    while (at < limit && !m_first[s[at]]) ++at;
    return at;
}

char32_t CTextSearch::CharacterAt(std::uint64_t at) const
{
    const auto* s = reinterpret_cast<const unsigned char*>(m_text.data()) + at;
    return m_utf8 ? DecodeUtf8(s) : display::Windows1252(*s);
}

char32_t CTextSearch::CharacterBefore(std::uint64_t at) const
{
    if (!m_utf8) return CharacterAt(at - 1);
    const auto* s = reinterpret_cast<const unsigned char*>(m_text.data());
    std::uint64_t p = at - 1;
    while (p > 0 && (s[p] & 0xC0) == 0x80) --p;
    return DecodeUtf8(s + p);
}

std::uint64_t CTextSearch::MatchAt(std::uint64_t at) const
{
    const std::uint64_t n = m_text.size();
    if (m_matchCase)
        return n - at >= m_bytes.size() && std::memcmp(m_text.data() + at, m_bytes.data(), m_bytes.size()) == 0
                   ? at + m_bytes.size()
                   : 0;
    const auto* s = reinterpret_cast<const unsigned char*>(m_text.data());
    std::uint64_t p = at;
    for (char32_t wanted : m_folded) {
        if (p >= n) return 0;
        const unsigned char b = s[p];
        // The line feed folds to itself, and the pattern holds none.
        const char32_t folded = m_byteFold[b];
        if (folded != MULTI_BYTE) {
            if (folded != wanted) return 0;
            ++p;
        } else {
            if (Fold(DecodeUtf8(s + p)) != wanted) return 0;
            p += Utf8SequenceLength(b);
        }
    }
    return p;
}

bool CTextSearch::IsWholeWord(std::uint64_t from, std::uint64_t to) const
{
    if (m_firstWord && from > 0 && IsWordCharacter(CharacterBefore(from))) return false;
    if (m_lastWord && to < m_text.size() && IsWordCharacter(CharacterAt(to))) return false;
    return true;
}

std::optional<CTextSearch::ByteMatch> CTextSearch::FindBytes(std::uint64_t from, std::uint64_t limit) const
{
    const std::uint64_t n = m_text.size();
    if (!m_canMatch) return std::nullopt;
    limit = std::min(limit, n);
    const char* text = m_text.data();
    while (from < limit) {
        std::uint64_t at;
        std::uint64_t end;
        if (m_matchCase) {
            // A match beginning before limit may end after it.
            const std::uint64_t stop = std::min<std::uint64_t>(n, limit + m_bytes.size() - 1);
            const void* hit = memmem(text + from, stop - from, m_bytes.data(), m_bytes.size());
            if (!hit) return std::nullopt;
            at = static_cast<std::uint64_t>(static_cast<const char*>(hit) - text);
            end = at + m_bytes.size();
        } else {
            at = NextCandidate(from, limit);
            if (at >= limit) return std::nullopt;
            end = MatchAt(at);
            if (end == 0) {
                from = at + 1;
                continue;
            }
        }
        if (!m_wholeWords || IsWholeWord(at, end)) return ByteMatch{at, end};
        // In UTF-8 the next byte may be inside a character: no match begins there.
        from = at + 1;
    }
    return std::nullopt;
}

std::optional<CTextSearch::Match> CTextSearch::Next(std::uint64_t from) const
{
    if (!m_canMatch) return std::nullopt;
    const std::optional<ByteMatch> found = FindBytes(m_store->ByteOfUnit(from), m_text.size());
    if (!found) return std::nullopt;
    return Match{m_store->UnitOfByte(found->from), m_store->UnitOfByte(found->to)};
}

std::optional<CTextSearch::Match> CTextSearch::Previous(std::uint64_t to) const
{
    if (!m_canMatch) return std::nullopt;
    const std::uint64_t limit = m_store->ByteOfUnit(to);
    std::uint64_t windowEnd = limit;
    std::uint64_t window = kBackwardWindow;
    while (windowEnd > 0) {
        const std::uint64_t windowStart = windowEnd > window ? windowEnd - window : 0;
        // The last match that begins in the window and ends by the limit.
        std::optional<ByteMatch> last;
        for (std::uint64_t from = windowStart;;) {
            const std::optional<ByteMatch> found = FindBytes(from, windowEnd);
            if (!found) break;
            if (found->to <= limit) last = found;
            from = found->from + 1;
        }
        if (last) return Match{m_store->UnitOfByte(last->from), m_store->UnitOfByte(last->to)};
        windowEnd = windowStart;
        window *= 2;
    }
    return std::nullopt;
}

bool CTextSearch::IsMatch(const Match& match) const
{
    if (!m_canMatch || match.from >= match.to) return false;
    const std::uint64_t byte = m_store->ByteOfUnit(match.from);
    const std::optional<ByteMatch> found = FindBytes(byte, byte + 1);
    return found && found->from == byte && m_store->UnitOfByte(found->to) == match.to;
}

void CTextSearch::MatchesIn(std::uint64_t from, std::uint64_t to, std::vector<Match>& out) const
{
    out.clear();
    if (!m_canMatch) return;
    const std::uint64_t limit = m_store->ByteOfUnit(to);
    for (std::uint64_t byte = m_store->ByteOfUnit(from);;) {
        const std::optional<ByteMatch> found = FindBytes(byte, limit);
        if (!found) break;
        out.push_back(Match{m_store->UnitOfByte(found->from), m_store->UnitOfByte(found->to)});
        byte = found->to;
    }
}

std::uint64_t CTextSearch::CountBytes(std::uint64_t& byte, std::uint64_t stop) const
{
    std::uint64_t count = 0;
    stop = std::min<std::uint64_t>(stop, m_text.size());
    while (byte < stop) {
        const std::optional<ByteMatch> found = FindBytes(byte, stop);
        if (!found) {
            byte = stop;
            break;
        }
        ++count;
        byte = found->to;
    }
    return count;
}
