#include "Outline.h"

#include "CharClass.h"
#include "RtfBuilder.h"

#include <cstring>
#include <memory>
#include <new>

using namespace charclass;

namespace {

constexpr const char* kKindNames[OUTLINE_KIND_COUNT] = {
    "routine", "object", "class", "global", "constant", "array", "attribute", "property", "verb", "extend",
};

// True when word is keyword (given in lower case) in any mix of cases.
bool IsWord(std::string_view word, std::string_view keyword)
{
    if (word.size() != keyword.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (Fold(static_cast<unsigned char>(word[i])) != static_cast<unsigned char>(keyword[i])) return false;
    return true;
}

struct DirectiveName {
    std::string_view word;
    OutlineKind kind;
};

// The directives that define something, and what.
constexpr DirectiveName kDefiningDirectives[] = {
    {"object", OutlineKind::Object},       {"nearby", OutlineKind::Object},
    {"class", OutlineKind::Class},         {"global", OutlineKind::Global},
    {"constant", OutlineKind::Constant},   {"default", OutlineKind::Constant},
    {"array", OutlineKind::Array},         {"attribute", OutlineKind::Attribute},
    {"property", OutlineKind::Property},   {"verb", OutlineKind::Verb},
    {"extend", OutlineKind::Extend},
};

// The longest name a class name is compared by; a longer word is no class of ours.
constexpr std::size_t kFoldBuffer = MAX_LINE_LENGTH;

}  // namespace

const char* OutlineKindName(OutlineKind kind)
{
    const auto index = static_cast<std::size_t>(kind);
    return index < OUTLINE_KIND_COUNT ? kKindNames[index] : "";
}

std::size_t COutline::GetMemoryUse() const
{
    std::size_t bytes = m_entries.capacity() * sizeof(OutlineEntry);
    // Each class name: its node (the string and a link), its characters when they do
    // not fit in the string itself, and a bucket.
    for (const std::string& name : m_classNames)
        bytes += sizeof(std::string) + 2 * sizeof(void*) + (name.capacity() > 15 ? name.capacity() + 1 : 0);
    return bytes + m_classNames.bucket_count() * sizeof(void*);
}

void COutline::Clear()
{
    std::vector<OutlineEntry>().swap(m_entries);
    m_classNames.clear();
    m_pending = Pending::None;
    m_hashEnd = 0;
    m_outOfStep = 0;
    m_failed = false;
}

void COutline::Finish()
{
    // The storage is not shrunk to fit: that would hold the old and the new storage at
    // once, more than the growth ever does.
    if (m_failed) std::vector<OutlineEntry>().swap(m_entries);
}

OutlineStatus COutline::Build(const char* text, std::size_t length)
{
    Clear();
    // The text is zero-terminated: nothing after a zero byte belongs to it.
    if (const void* nul = length ? std::memchr(text, '\0', length) : nullptr)
        length = static_cast<std::size_t>(static_cast<const char*>(nul) - text);

    std::unique_ptr<char[]> lineCopy(new (std::nothrow) char[MAX_LINE_LENGTH + 1]);
    std::unique_ptr<StyleCode[]> classes(new (std::nothrow) StyleCode[MAX_LINE_LENGTH + 1]);
    if (!lineCopy || !classes) {
        m_failed = true;
        Finish();
        return OutlineStatus::OutOfMemory;
    }

    CSyntaxLexer lexer(LEX_DIRECTIVE_EXPECTED);
    OutlineStatus status = OutlineStatus::Ok;
    std::size_t pos = 0;
    std::uint64_t lineNumber = 1;
    while (pos < length) {
        const std::size_t n = MeasureLine(text, length, pos);
        if (n >= MAX_LINE_LENGTH) {
            status = OutlineStatus::LongLine;
            break;
        }
        // The lexer gets the line with its line feed, as in a render.
        std::memcpy(lineCopy.get(), text + pos, n);
        lineCopy[n] = '\n';
        lineCopy[n + 1] = '\0';
        const std::uint32_t before = lexer.GetState();
        const std::uint32_t after = lexer.ClassifyLine(lineCopy.get(), n + 1, classes.get());
        if (!ReadLine(lineCopy.get(), n + 1, classes.get(), before, after, lineNumber, pos)) break;
        pos += n + 1;
        ++lineNumber;
    }
    Finish();
    return m_failed ? OutlineStatus::OutOfMemory : status;
}

bool COutline::ReadLine(const char* line, std::size_t length, const StyleCode* classes, std::uint32_t before,
                        std::uint32_t after, std::uint64_t lineNumber, std::uint64_t lineOffset)
{
    if (lineNumber > OUTLINE_MAX_LINES) m_failed = true;
    if (m_failed) return false;
    m_lineNumber = lineNumber;
    m_lineOffset = lineOffset;
    m_lineLength = length;
    bool inRoutine = (before & LEX_IN_ROUTINE) != 0;
    bool expected = (before & LEX_DIRECTIVE_EXPECTED) != 0;

    std::size_t p = 0;
    // Quoted text carried from the line before runs to its closing quote.
    if (before & (LEX_IN_DOUBLE_QUOTE | LEX_IN_SINGLE_QUOTE)) {
        const char quote = (before & LEX_IN_DOUBLE_QUOTE) ? '"' : '\'';
        const void* close = std::memchr(line, quote, length);
        p = close ? static_cast<std::size_t>(static_cast<const char*>(close) - line) + 1 : length;
    }

    while (p < length) {
        if (inRoutine) {
            // Inside a routine only its closing bracket and its name are styled as a
            // routine; nothing else there matters to the outline.
            const void* hit = std::memchr(classes + p, STYLE_FUNCTION, length - p);
            if (!hit) break;
            p = static_cast<std::size_t>(static_cast<const StyleCode*>(hit) - classes);
            if (line[p] == ']') {
                inRoutine = false;
                ++p;
                continue;
            }
            std::size_t e = p;
            while (e < length && classes[e] == STYLE_FUNCTION && IsWordChar(static_cast<unsigned char>(line[e])))
                ++e;
            if (e == p) {
                ++p;
                continue;
            }
            Add(OutlineKind::Routine, Token{p, e, REC_NOT_A_WORD, false});
            p = e;
            continue;
        }

        const unsigned char c = static_cast<unsigned char>(line[p]);
        if (classes[p] == STYLE_COMMENT) break;  // a '!': the rest of the line is comment
        if (c == '"' || c == '\'') {
            // Quoted text, up to its closing quote or the end of the line (where it goes
            // on into the next line, which starts inside it).
            const void* close = std::memchr(line + p + 1, c, length - p - 1);
            const std::size_t end =
                close ? static_cast<std::size_t>(static_cast<const char*>(close) - line) + 1 : length - 1;
            OnToken(line, Token{p, end, REC_NOT_A_WORD, true}, false, false);
            p = close ? end : length;
            continue;
        }
        if (classes[p] == STYLE_FUNCTION) {  // a '[' opens a routine
            inRoutine = true;
            m_pending = Pending::None;
            ++p;
            continue;
        }
        if (IsBlank(c)) {
            ++p;
            continue;
        }

        // A token, read by the lexer's own recogniser.
        std::size_t e = p;
        m_recogniser.RecogniseHeaderWord(line, length, e);
        const std::uint32_t r = m_recogniser.GetState() & LEX_RECOGNISER_MASK;
        if (e >= length) e = length - 1;
        const bool header = r == REC_ARROW || r == REC_STAR || r == REC_WITH || r == REC_HAS || r == REC_CLASS;
        const bool opens = expected && !header;
        if (opens) expected = false;
        OnToken(line, Token{p, e + 1, r, false}, opens, expected && r == REC_CLASS);
        if (line[e] == ';') expected = true;
        p = e + 1;
    }

    if (inRoutine != ((after & LEX_IN_ROUTINE) != 0) || expected != ((after & LEX_DIRECTIVE_EXPECTED) != 0))
        ++m_outOfStep;
    return !m_failed;
}

void COutline::OnToken(const char* line, const Token& token, bool opensDirective, bool classDirective)
{
    if (m_pending != Pending::None) {
        OnPendingToken(line, token);
        return;
    }
    if (classDirective) {
        m_pending = Pending::Identifier;
        m_pendingKind = OutlineKind::Class;
    } else if (opensDirective) {
        if (token.recognised == REC_START && token.end < m_lineLength &&
            IsLetter(static_cast<unsigned char>(line[token.end]))) {
            m_pending = Pending::DirectiveWord;  // "#Array": the directive is the word after the '#'
            m_hashEnd = token.end;
        } else if (token.recognised >= REC_FIRST_WORD) {
            StartDirective(line, token);
        }
    }
}

void COutline::StartDirective(const char* line, const Token& word)
{
    const std::string_view text(line + word.start, word.end - word.start);
    for (const DirectiveName& directive : kDefiningDirectives) {
        if (!IsWord(text, directive.word)) continue;
        m_pendingKind = directive.kind;
        if (directive.kind == OutlineKind::Object)
            m_pending = Pending::ObjectName;
        else if (directive.kind == OutlineKind::Verb || directive.kind == OutlineKind::Extend)
            m_pending = Pending::DictionaryWord;
        else
            m_pending = Pending::Identifier;
        return;
    }
    if (IsClassName(text)) {
        m_pendingKind = OutlineKind::Object;
        m_pending = Pending::ObjectName;
    }
}

void COutline::OnPendingToken(const char* line, const Token& token)
{
    const std::string_view text(line + token.start, token.end - token.start);
    const bool word = !token.quoted && token.recognised >= REC_FIRST_WORD;
    const unsigned char first = static_cast<unsigned char>(line[token.start]);
    const bool identifier = word && token.recognised != REC_WITH && token.recognised != REC_HAS &&
                            token.recognised != REC_CLASS && (IsLetter(first) || first == '_');
    const Pending pending = m_pending;
    m_pending = Pending::None;
    switch (pending) {
    case Pending::None:
        break;
    case Pending::DirectiveWord:
        if (word && token.start == m_hashEnd) StartDirective(line, token);
        break;
    case Pending::Identifier:
        if (word && m_pendingKind == OutlineKind::Property &&
            (IsWord(text, "additive") || IsWord(text, "long") || IsWord(text, "individual"))) {
            m_pending = pending;
        } else if (identifier) {
            Add(m_pendingKind, token);
            if (m_pendingKind == OutlineKind::Class) AddClassName(text);
        }
        break;
    case Pending::ObjectName:
        if (token.recognised == REC_ARROW)
            m_pending = pending;
        else if (identifier || (token.quoted && first == '"'))
            Add(OutlineKind::Object, token);
        break;
    case Pending::DictionaryWord:
        if (word && (IsWord(text, m_pendingKind == OutlineKind::Verb ? "meta" : "only")))
            m_pending = pending;
        else if (token.quoted)
            Add(m_pendingKind, token);
        break;
    }
}

void COutline::Add(OutlineKind kind, const Token& name)
{
    try {
        m_entries.emplace_back(m_lineOffset + name.start, m_lineNumber, name.start, name.end - name.start, kind);
    } catch (const std::bad_alloc&) {
        m_failed = true;
    }
}

void COutline::AddClassName(std::string_view name)
{
    if (name.size() > kFoldBuffer) return;
    try {
        std::string folded(name);
        for (char& ch : folded) ch = static_cast<char>(Fold(static_cast<unsigned char>(ch)));
        m_classNames.insert(std::move(folded));
    } catch (const std::bad_alloc&) {
        m_failed = true;
    }
}

bool COutline::IsClassName(std::string_view word) const
{
    if (m_classNames.empty() || word.size() > kFoldBuffer) return false;
    char folded[kFoldBuffer];
    for (std::size_t i = 0; i < word.size(); ++i) folded[i] = static_cast<char>(Fold(static_cast<unsigned char>(word[i])));
    return m_classNames.find(std::string_view(folded, word.size())) != m_classNames.end();
}
