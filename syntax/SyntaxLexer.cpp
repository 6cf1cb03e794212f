#include "SyntaxLexer.h"

#include "CharClass.h"
#include "SyntaxToken.h"

#include <array>
#include <cstring>
#include <type_traits>

using namespace charclass;

const char* const g_codeKeywords[] = {
    "box",      "break",    "child",     "children",  "continue", "default",   "do",
    "elder",    "eldest",   "else",      "false",     "font",     "for",       "give",
    "has",      "hasnt",    "if",        "in",        "indirect", "inversion", "jump",
    "metaclass", "move",    "new_line",  "nothing",   "notin",    "objectloop", "ofclass",
    "or",       "parent",   "print",     "print_ret", "provides", "quit",      "random",
    "read",     "remove",   "restore",   "return",    "rfalse",   "rtrue",     "save",
    "sibling",  "spaces",   "string",    "style",     "switch",   "to",        "true",
    "until",    "while",    "younger",   "youngest",  nullptr,
};

const char* const g_directiveKeywords[] = {
    "first", "last", "meta", "only", "private", "replace", "reverse", "string", "table", nullptr,
};

bool CSyntaxLexer::MatchKeyword(const char* const* table, const char* text)
{
    for (; *table; ++table) {
        const std::size_t n = std::strlen(*table);
        if (std::strncmp(text, *table, n) == 0 && !IsWordChar(static_cast<unsigned char>(text[n])))
            return true;
    }
    return false;
}

namespace {

// The same answer as MatchKeyword for a word whose extent is already known (a maximal
// run of word characters), found by its length and first byte instead of a table walk:
// a word whose first byte begins no keyword of its length is refused at once.
class CKeywordSet {
public:
    explicit CKeywordSet(const char* const* table)
    {
        for (; *table; ++table) {
            const std::size_t n = std::strlen(*table);
            if (n >= MAX_WORD) continue;
            m_byLength[n][m_counts[n]++] = *table;
            const unsigned char first = static_cast<unsigned char>((*table)[0]);
            m_firsts[n][first / 64] |= std::uint64_t{1} << (first % 64);
        }
    }
    bool Contains(const char* word, std::size_t n) const
    {
        if (n >= MAX_WORD) return false;
        const unsigned char first = static_cast<unsigned char>(word[0]);
        if (!(m_firsts[n][first / 64] & (std::uint64_t{1} << (first % 64)))) return false;
        for (int i = 0; i < m_counts[n]; ++i) {
            const char* w = m_byLength[n][i];
            std::size_t k = 0;
            while (k < n && w[k] == word[k]) ++k;
            if (k == n) return true;
        }
        return false;
    }

private:
    static constexpr std::size_t MAX_WORD = 12;
    const char* m_byLength[MAX_WORD][64] = {};
    int m_counts[MAX_WORD] = {};
    std::uint64_t m_firsts[MAX_WORD][4] = {};  // the first bytes of the words of each length
};

const CKeywordSet& CodeKeywords()
{
    static const CKeywordSet set(g_codeKeywords);
    return set;
}
const CKeywordSet& DirectiveKeywords()
{
    static const CKeywordSet set(g_directiveKeywords);
    return set;
}

// Next state of a word state on a further word character with folded form f.
inline std::uint32_t Advance(std::uint32_t s, unsigned char f)
{
    std::uint32_t next;
    switch (s) {
    case 0x0101: next = f == 'i' ? 0x0202 : 0x0200; break;
    case 0x0111: next = f == 'a' ? 0x0212 : 0x0200; break;
    case 0x0121: next = f == 'l' ? 0x0222 : 0x0200; break;
    case 0x0202: next = f == 't' ? 0x0303 : 0x0300; break;
    case 0x0212: next = f == 's' ? 0x0313 : 0x0300; break;
    case 0x0222: next = f == 'a' ? 0x0323 : 0x0300; break;
    case 0x0303: next = f == 'h' ? 0x0404 : 0x0400; break;
    case 0x0323: next = f == 's' ? 0x0424 : 0x0400; break;
    case 0x0424: next = f == 's' ? 0x0525 : 0x0500; break;
    default:
        // Count up, node unchanged. The count saturates at 127 so that a word of 128 or
        // more characters still comes back as one completed plain (or over-long) word.
        next = (s & REC_COUNT_MASK) == REC_COUNT_MASK ? s : s + REC_COUNT_ONE;
        break;
    }
    return next;
}

// The recogniser's automaton: reads one token from pos and returns its 16-bit result,
// leaving pos at the token's last character.
inline std::uint32_t Recognise(const char* text, std::size_t length, std::size_t& pos)
{
    if (pos >= length) return REC_START;
    std::uint32_t s = REC_START;
    for (;;) {
        const unsigned char c = static_cast<unsigned char>(text[pos]);
        const unsigned char f = Fold(c);
        if (s == REC_START) {
            if (f == '#') break;
            if (f == '*') {
                s = REC_STAR;
                break;
            }
            if (f == '-') s = REC_AFTER_MINUS;
            else if (f == 'w') s = 0x0101;
            else if (f == 'h') s = 0x0111;
            else if (f == 'c') s = 0x0121;
            else if (IsWordChar(c)) s = 0x0100;
            else {
                s = REC_NOT_A_WORD;
                break;
            }
        } else if (s == REC_AFTER_MINUS) {
            if (c == '>') s = REC_ARROW;
            else {
                s = REC_NOT_A_WORD;
                --pos;
            }
            break;
        } else {
            if (!IsWordChar(c)) {
                s |= REC_WORD_DONE;
                --pos;
                break;
            }
            s = Advance(s, f);
        }
        if (++pos >= length) break;
    }
    return s;
}

// Characters that change nothing inside a routine whose name is not expected: all but
// the closing bracket and the quoting and comment characters.
constexpr std::array<bool, 256> MakePlainCode()
{
    std::array<bool, 256> t{};
    for (int c = 0; c < 256; ++c) t[c] = true;
    t[']'] = t['\''] = t['"'] = t['!'] = false;
    return t;
}
constexpr std::array<bool, 256> kPlainCode = MakePlainCode();

// Fills classes[from..to) with style, returning to.
inline std::size_t Fill(StyleCode* classes, std::size_t from, std::size_t to, StyleCode style)
{
    if (to - from < 16) {
        for (std::size_t i = from; i < to; ++i) classes[i] = style;  // most spans are short
    } else {
        std::memset(classes + from, style, to - from);
    }
    return to;
}

// The index just past the first ch at or after from, or length when there is none.
inline std::size_t PastNext(const char* text, std::size_t from, std::size_t length, char ch)
{
    const void* hit = std::memchr(text + from, ch, length - from);
    return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - text) + 1 : length;
}

// The index of the first character at or after from that can change the state inside a
// routine whose name is not expected (']', an apostrophe, a double quote or '!'), or
// length. Eight bytes at a time: the lowest flagged byte of each comparison is exact,
// and any false flag stands above a true one of its own comparison.
inline std::size_t NextRoutineStop(const char* text, std::size_t from, std::size_t length)
{
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    constexpr std::uint64_t kHighs = 0x8080808080808080ull;
    auto zeroBytes = [](std::uint64_t v) { return (v - kOnes) & ~v & kHighs; };
    std::size_t i = from;
    while (i + 8 <= length) {
        std::uint64_t x;
        std::memcpy(&x, text + i, 8);
        const std::uint64_t hits = zeroBytes(x ^ (kOnes * ']')) | zeroBytes(x ^ (kOnes * '\'')) |
                                   zeroBytes(x ^ (kOnes * '"')) | zeroBytes(x ^ (kOnes * '!'));
        if (hits) return i + static_cast<std::size_t>(__builtin_ctzll(hits) >> 3);
        i += 8;
    }
    while (i < length && kPlainCode[static_cast<unsigned char>(text[i])]) ++i;
    return i;
}

// Pass 2's choices at a character of class Foreground or Code.
enum : std::uint8_t { REFINE_NONE, REFINE_ASSEMBLY, REFINE_DOLLAR, REFINE_DIGIT, REFINE_WORD };
constexpr std::array<std::uint8_t, 256> MakeRefineStart()
{
    std::array<std::uint8_t, 256> t{};
    for (int c = 0; c < 256; ++c) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u == '@') t[c] = REFINE_ASSEMBLY;
        else if (u == '$') t[c] = REFINE_DOLLAR;
        else if (charclass::kTable[u] & charclass::DIGIT) t[c] = REFINE_DIGIT;
        else if ((charclass::kTable[u] & charclass::LETTER) || u == '_' || u == '#') t[c] = REFINE_WORD;
    }
    return t;
}
constexpr std::array<std::uint8_t, 256> kRefineStart = MakeRefineStart();

// The characters of quoted text that pass 2 makes escapes.
constexpr std::array<bool, 256> MakeQuotedEscape()
{
    std::array<bool, 256> t{};
    t['@'] = t['\\'] = t['^'] = t['~'] = true;
    return t;
}
constexpr std::array<bool, 256> kQuotedEscape = MakeQuotedEscape();

}  // namespace

void CSyntaxLexer::RecogniseHeaderWord(const char* text, std::size_t length, std::size_t& pos)
{
    m_state = (m_state & ~LEX_RECOGNISER_MASK) | Recognise(text, length, pos);
}

namespace {

// The reports of one line, held until its classification is complete, so that each
// token carries the style it is shown in: the second pass may restyle what the first
// one reported (a routine's name that a word or an assembly operand runs into).
class CLineReports {
public:
    void Add(const SyntaxToken& token, ISyntaxTokenListener& listener, const char* text, const StyleCode* classes)
    {
        if (m_count == CAPACITY) Flush(listener, text, classes);  // only a line longer than the limit
        m_tokens[m_count++] = token;
    }
    void Flush(ISyntaxTokenListener& listener, const char* text, const StyleCode* classes)
    {
        for (std::size_t i = 0; i < m_count; ++i) m_tokens[i].style = classes[m_tokens[i].start];
        listener.OnTokens(text, m_tokens, m_count);
        m_count = 0;
    }

private:
    // A line's tokens do not overlap, but for the code words of the second pass.
    static constexpr std::size_t CAPACITY = 2 * (MAX_LINE_LENGTH + 1);
    SyntaxToken m_tokens[CAPACITY];
    std::size_t m_count = 0;
};
struct NoReports {};

// One line's classification. With kReport, every token recognised goes to listener as
// well, once the line is classified; without it, the reports compile to nothing. With
// kMarks too, the rest of the code inside routines is reported as CodeMark tokens. The
// state lives in a local while the line is classified: stores into the class buffer
// may alias any object, so a member would be reloaded after each one.
template <bool kReport, bool kMarks = false>
std::uint32_t Classify(std::uint32_t state, const char* text, std::size_t length, StyleCode* classes,
                       ISyntaxTokenListener* listener)
{
    [[maybe_unused]] std::conditional_t<kReport, CLineReports, NoReports> reports;
    // Reports a token [start, end); its style is filled in when the line is done.
    auto report = [&](TokenKind kind, std::size_t start, std::size_t end, std::uint32_t before,
                      std::uint32_t recognised, std::uint8_t flags) {
        if constexpr (kReport) {
            reports.Add(SyntaxToken{static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(end), before,
                                    static_cast<std::uint16_t>(recognised), STYLE_END, kind, flags},
                        *listener, text, classes);
        }
    };
    // The piece of quoted text or comment being read: where it began on this line (0
    // when it was carried in from the line before), the state before it, its flags.
    std::size_t pieceStart = 0;
    std::uint32_t pieceState = state;
    bool pieceIsComment = state & LEX_IN_COMMENT;
    std::uint8_t pieceFlags = static_cast<std::uint8_t>(
        ((state & (LEX_IN_DOUBLE_QUOTE | LEX_IN_SINGLE_QUOTE | LEX_IN_COMMENT)) ? TOKEN_CONTINUED : 0) |
        ((state & LEX_IN_DOUBLE_QUOTE) ? TOKEN_DOUBLE_QUOTED : 0));
    bool piecePending = false;
    auto openPiece = [&](std::size_t start, bool comment, std::uint8_t flags) {
        if constexpr (kReport) {
            pieceStart = start;
            pieceState = state;
            pieceIsComment = comment;
            pieceFlags = flags;
            piecePending = true;
        }
    };
    // Reports the piece up to end; an open piece stops before the line feed the lexer was given.
    auto reportPiece = [&](std::size_t end, bool closed) {
        if constexpr (kReport) {
            if (!closed && end > pieceStart && text[end - 1] == '\n') --end;
            report(pieceIsComment ? TokenKind::Comment : TokenKind::QuotedText, pieceStart, end, pieceState,
                   REC_NOT_A_WORD, static_cast<std::uint8_t>(pieceFlags | (closed ? TOKEN_CLOSED : 0)));
            piecePending = false;
        }
    };

    // Pass 1: context (comments, quoted text, routines, directives, object headers).
    std::size_t p = 0;
    while (p < length) {
        const unsigned char c = static_cast<unsigned char>(text[p]);
        if (state & LEX_IN_COMMENT) {
            // A comment runs to its line feed, which ends it.
            const std::size_t end = PastNext(text, p, length, '\n');
            if (text[end - 1] == '\n') state &= ~LEX_IN_COMMENT;
            p = Fill(classes, p, end, STYLE_COMMENT);
            reportPiece(end, false);
        } else if (state & (LEX_IN_DOUBLE_QUOTE | LEX_IN_SINGLE_QUOTE)) {
            const bool dq = state & LEX_IN_DOUBLE_QUOTE;
            const char quote = dq ? '"' : '\'';
            const std::size_t end = PastNext(text, p, length, quote);
            const bool closed = text[end - 1] == quote;
            if (closed) state &= dq ? ~LEX_IN_DOUBLE_QUOTE : ~LEX_IN_SINGLE_QUOTE;
            p = Fill(classes, p, end, STYLE_QUOTED_TEXT);
            reportPiece(end, closed);
        } else if (c == '\'') {
            openPiece(p, false, 0);
            classes[p++] = STYLE_QUOTED_TEXT;
            state |= LEX_IN_SINGLE_QUOTE;
        } else if (c == '"') {
            openPiece(p, false, TOKEN_DOUBLE_QUOTED);
            classes[p++] = STYLE_QUOTED_TEXT;
            state |= LEX_IN_DOUBLE_QUOTE;
        } else if (c == '!') {
            openPiece(p, true, 0);
            classes[p++] = STYLE_COMMENT;
            state |= LEX_IN_COMMENT;
        } else if (state & LEX_IN_ROUTINE) {
            if (c == ']') {
                classes[p] = STYLE_FUNCTION;
                report(TokenKind::RoutineClose, p, p + 1, state, REC_NOT_A_WORD, 0);
                ++p;
                state &= ~LEX_IN_ROUTINE;
            } else if (IsBlank(c) || !(state & LEX_ROUTINE_NAME_EXPECTED)) {
                // Code up to the next character that can change the state.
                const std::size_t end =
                    state & LEX_ROUTINE_NAME_EXPECTED ? p + 1 : NextRoutineStop(text, p + 1, length);
                p = Fill(classes, p, end, STYLE_CODE);
            } else {
                const std::uint32_t before = state;
                std::size_t e = p;
                const std::uint32_t r = Recognise(text, length, e);
                state = (state & ~LEX_RECOGNISER_MASK) | r;
                if (e >= length) e = length - 1;  // only for a text that lacks its line feed
                StyleCode style = STYLE_CODE;
                if (r >= REC_FIRST_WORD) {
                    style = STYLE_FUNCTION;
                    state &= ~LEX_ROUTINE_NAME_EXPECTED;
                }
                const std::size_t start = p;
                p = Fill(classes, p, e + 1, style);
                if (r >= REC_FIRST_WORD) report(TokenKind::RoutineName, start, p, before, r, 0);
            }
        } else if (c == '[') {
            classes[p] = STYLE_FUNCTION;
            report(TokenKind::RoutineOpen, p, p + 1, state, REC_NOT_A_WORD, 0);
            ++p;
            state |= LEX_IN_ROUTINE;
            if (!(state & LEX_IN_OBJECT_BODY)) state |= LEX_ROUTINE_NAME_EXPECTED;
        } else if (IsBlank(c)) {
            classes[p++] = STYLE_FOREGROUND;
        } else {
            const std::uint32_t before = state;
            std::size_t e = p;
            const std::uint32_t r = Recognise(text, length, e);
            state = (state & ~LEX_RECOGNISER_MASK) | r;
            if (e >= length) e = length - 1;
            StyleCode style;
            if (r == REC_ARROW || r == REC_STAR) {
                state |= LEX_IN_OBJECT_BODY;
                style = STYLE_DIRECTIVE;
            } else if (r == REC_HAS || r == REC_CLASS) {
                state |= LEX_IN_ATTRIBUTE_LIST | LEX_IN_OBJECT_BODY;
                state &= ~LEX_PROPERTY_EXPECTED;
                style = STYLE_DIRECTIVE;
            } else if (r == REC_WITH) {
                state |= LEX_PROPERTY_EXPECTED | LEX_IN_OBJECT_BODY;
                state &= ~LEX_IN_ATTRIBUTE_LIST;
                style = STYLE_DIRECTIVE;
            } else if (state & LEX_DIRECTIVE_EXPECTED) {
                state &= ~LEX_DIRECTIVE_EXPECTED;
                style = STYLE_DIRECTIVE;
            } else if (state & LEX_IN_ATTRIBUTE_LIST) {
                style = STYLE_PROPERTY;
            } else if (state & LEX_PROPERTY_EXPECTED) {
                state &= ~LEX_PROPERTY_EXPECTED;
                style = STYLE_PROPERTY;
            } else {
                style = STYLE_FOREGROUND;
            }
            Fill(classes, p, e + 1, style);
            // The token's last character once more: ';' ends a directive, ',' moves on
            // to the next property.
            const unsigned char last = static_cast<unsigned char>(text[e]);
            if (last == ';') {
                classes[e] = STYLE_DIRECTIVE;
                state &= ~(LEX_ROUTINE_NAME_EXPECTED | LEX_IN_ATTRIBUTE_LIST | LEX_PROPERTY_EXPECTED |
                           LEX_IN_OBJECT_BODY);
                state |= LEX_DIRECTIVE_EXPECTED;
            } else if (last == ',') {
                classes[e] = STYLE_DIRECTIVE;
                state |= LEX_PROPERTY_EXPECTED | LEX_IN_OBJECT_BODY;
            }
            if constexpr (kReport) {
                const bool header = r == REC_ARROW || r == REC_STAR || r == REC_HAS || r == REC_CLASS || r == REC_WITH;
                std::uint8_t flags = header ? TOKEN_HEADER_WORD
                                            : (before & LEX_DIRECTIVE_EXPECTED) ? TOKEN_OPENS_DIRECTIVE : 0;
                if (last == ';') flags |= TOKEN_ENDS_DIRECTIVE;
                else if (last == ',') flags |= TOKEN_NEXT_PROPERTY;
                report(TokenKind::Word, p, e + 1, before, r, flags);
            }
            p = e + 1;
        }
    }
    if constexpr (kReport) {
        // A quote or '!' that is the last character of a text without its line feed.
        if (piecePending) reportPiece(length, false);
    }

    // Pass 2: numbers, assembly, escapes and keywords, over pass 1's classes. Runs of
    // characters that it leaves alone are passed over whole.
    std::size_t j = 0;
    while (j < length) {
        const StyleCode cls = classes[j];
        if (cls == STYLE_QUOTED_TEXT) {
            while (j < length && classes[j] == STYLE_QUOTED_TEXT && !kQuotedEscape[static_cast<unsigned char>(text[j])])
                ++j;
            if (j == length || classes[j] != STYLE_QUOTED_TEXT) continue;
            if (text[j] == '@') {
                classes[j++] = STYLE_ESCAPE_CHARACTER;
                while (j < length && (text[j] == '@' || IsDigit(static_cast<unsigned char>(text[j]))))
                    classes[j++] = STYLE_ESCAPE_CHARACTER;
            } else {
                classes[j++] = STYLE_ESCAPE_CHARACTER;  // '\', '^' or '~'
            }
            continue;
        }
        if (cls != STYLE_FOREGROUND && cls != STYLE_CODE) {
            do ++j;
            while (j < length && classes[j] == cls);
            continue;
        }
        const StyleCode number = cls == STYLE_FOREGROUND ? STYLE_NUMBER : STYLE_CODE_NUMBER;
        switch (kRefineStart[static_cast<unsigned char>(text[j])]) {
        case REFINE_NONE:
            if constexpr (kMarks) {
                if (cls == STYLE_CODE) {
                    do {
                        if (!IsBlank(static_cast<unsigned char>(text[j])))
                            report(TokenKind::CodeMark, j, j + 1, state, REC_NOT_A_WORD, 0);
                        ++j;
                    } while (j < length && classes[j] == cls &&
                             kRefineStart[static_cast<unsigned char>(text[j])] == REFINE_NONE);
                    break;
                }
            }
            do ++j;
            while (j < length && classes[j] == cls && kRefineStart[static_cast<unsigned char>(text[j])] == REFINE_NONE);
            break;
        case REFINE_ASSEMBLY: {
            const std::size_t start = j;
            classes[j++] = STYLE_ASSEMBLY;
            while (j < length && IsWordChar(static_cast<unsigned char>(text[j]))) classes[j++] = STYLE_ASSEMBLY;
            if constexpr (kMarks) {
                if (cls == STYLE_CODE) report(TokenKind::CodeMark, start, j, state, REC_NOT_A_WORD, 0);
            }
            break;
        }
        case REFINE_DOLLAR: {
            const std::size_t start = j;
            classes[j++] = number;
            if (j < length && text[j] == '$') {
                classes[j++] = number;
                while (j < length && (text[j] == '0' || text[j] == '1')) classes[j++] = number;
            } else {
                while (j < length && IsHexDigit(static_cast<unsigned char>(text[j]))) classes[j++] = number;
            }
            if constexpr (kMarks) {
                if (cls == STYLE_CODE) report(TokenKind::CodeMark, start, j, state, REC_NOT_A_WORD, 0);
            }
            break;
        }
        case REFINE_DIGIT: {
            const std::size_t start = j;
            classes[j++] = number;
            while (j < length && IsDigit(static_cast<unsigned char>(text[j]))) classes[j++] = number;
            if constexpr (kMarks) {
                if (cls == STYLE_CODE) report(TokenKind::CodeMark, start, j, state, REC_NOT_A_WORD, 0);
            }
            break;
        }
        case REFINE_WORD: {
            const std::size_t start = j++;
            while (j < length && IsWordChar(static_cast<unsigned char>(text[j]))) ++j;
            const std::size_t n = j - start;
            if (cls == STYLE_CODE) {
                const bool keyword = CodeKeywords().Contains(text + start, n);
                if (!keyword) std::memset(classes + start, STYLE_CODE_ALPHA, n);
                report(TokenKind::CodeWord, start, j, state, REC_NOT_A_WORD, keyword ? TOKEN_KEYWORD : 0);
            } else if (DirectiveKeywords().Contains(text + start, n)) {
                std::memset(classes + start, STYLE_DIRECTIVE, n);
            }
            break;
        }
        }
    }

    classes[length] = STYLE_END;
    if constexpr (kReport) reports.Flush(*listener, text, classes);
    return state;
}

}  // namespace

std::uint32_t CSyntaxLexer::ClassifyLine(const char* text, std::size_t length, StyleCode* classes)
{
    m_state = Classify<false>(m_state, text, length, classes, nullptr);
    return m_state;
}

std::uint32_t CSyntaxLexer::ClassifyLine(const char* text, std::size_t length, StyleCode* classes,
                                         ISyntaxTokenListener& listener)
{
    m_state = listener.WantsCodeMarks() ? Classify<true, true>(m_state, text, length, classes, &listener)
                                        : Classify<true>(m_state, text, length, classes, &listener);
    return m_state;
}
