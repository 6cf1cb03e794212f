#include "DefinitionReader.h"

#include "CharClass.h"
#include "LexerState.h"
#include "StyleCodes.h"
#include "SyntaxLexer.h"

#include <new>

using namespace charclass;

namespace {

constexpr const char* kKindNames[DEFINITION_KIND_COUNT] = {
    "routine",   "object",   "class", "global", "constant", "array",       "attribute", "property",
    "verb",      "extend",   "property routine", "stub",   "replace",  "fake action", "include",
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
    DefinitionKind kind;
    std::uint8_t flags;
};

// The directives that define something of the outline's kinds, and what.
constexpr DirectiveName kOutlineDirectives[] = {
    {"object", DefinitionKind::Object, 0},
    {"nearby", DefinitionKind::Object, 0},
    {"class", DefinitionKind::Class, 0},
    {"global", DefinitionKind::Global, 0},
    {"constant", DefinitionKind::Constant, 0},
    {"default", DefinitionKind::Constant, DEFINITION_GIVES_WAY},
    {"array", DefinitionKind::Array, 0},
    {"attribute", DefinitionKind::Attribute, 0},
    {"property", DefinitionKind::Property, 0},
    {"verb", DefinitionKind::Verb, 0},
    {"extend", DefinitionKind::Extend, 0},
};

// The other directives that name something. They are looked for after the class names,
// so that a text's own classes keep the outline they have always had.
constexpr DirectiveName kOtherDirectives[] = {
    {"stub", DefinitionKind::Stub, DEFINITION_GIVES_WAY},
    {"replace", DefinitionKind::Replace, 0},
    {"fake_action", DefinitionKind::FakeAction, 0},
    {"include", DefinitionKind::Include, 0},
};

// The longest name a class name is compared by: a word lies within one line.
constexpr std::size_t kFoldBuffer = MAX_LINE_LENGTH;

bool IsHeaderResult(std::uint32_t r)
{
    return r == REC_ARROW || r == REC_STAR || r == REC_WITH || r == REC_HAS || r == REC_CLASS;
}

}  // namespace

const char* DefinitionKindName(DefinitionKind kind)
{
    const auto index = static_cast<std::size_t>(kind);
    return index < DEFINITION_KIND_COUNT ? kKindNames[index] : "";
}

void CDefinitionReader::Reset()
{
    m_classNames.clear();
    m_count = 0;
    m_lineNumber = 0;
    m_lineOffset = 0;
    m_lineLength = 0;
    m_pending = Pending::None;
    m_hashEnd = 0;
    m_directive = NO_DEFINITION;
    m_directiveHasBody = false;
    m_propertyLength = 0;
    m_privateSeen = false;
    m_routine = NO_DEFINITION;
    m_propertyRoutine = NO_DEFINITION;
    m_failed = false;
}

bool CDefinitionReader::SeedClassName(std::string_view name)
{
    return AddClassName(name);
}

void CDefinitionReader::OnLine(std::uint64_t number, std::uint64_t offset, std::size_t length)
{
    m_lineNumber = number;
    m_lineOffset = offset;
    m_lineLength = length;
}

TextPosition CDefinitionReader::At(std::uint32_t column) const
{
    return TextPosition{m_lineOffset + column, m_lineNumber, column};
}

void CDefinitionReader::OnToken(const char* line, const SyntaxToken& token)
{
    if (m_failed) return;
    switch (token.kind) {
    case TokenKind::Word: {
        const Token word{token.start, token.end, token.recognised, false, false};
        const bool opens = token.flags & TOKEN_OPENS_DIRECTIVE;
        const bool classDirective = token.recognised == REC_CLASS && (token.stateBefore & LEX_DIRECTIVE_EXPECTED);
        // (`Class` leaves a directive expected, so its name opens one too.)
        if (classDirective || (opens && m_pending == Pending::None)) {
            m_directiveStart = At(token.start);
            m_directive = NO_DEFINITION;
            m_directiveHasBody = false;
            m_propertyLength = 0;
            m_privateSeen = false;
        } else if (m_directiveHasBody) {
            OnPropertyWord(line, token);
        }
        OnDirectiveToken(line, word, opens, classDirective);
        if (token.flags & TOKEN_ENDS_DIRECTIVE) {
            End(m_directive, token.end);
            m_directiveHasBody = false;
        }
        break;
    }
    case TokenKind::QuotedText:
        // Only text that opens here, outside routines, can be a name.
        if (!(token.flags & TOKEN_CONTINUED) && !(token.stateBefore & LEX_IN_ROUTINE))
            OnDirectiveToken(line, Token{token.start, token.end, REC_NOT_A_WORD, true,
                                         (token.flags & TOKEN_DOUBLE_QUOTED) != 0},
                             false, false);
        break;
    case TokenKind::RoutineOpen:
        OnRoutineOpen(token);
        break;
    case TokenKind::RoutineClose:
        End(m_routine, token.end);
        End(m_propertyRoutine, token.end);
        break;
    case TokenKind::RoutineName:
        // A name that the colours do not show as one (`[;##Inv`) names nothing.
        if (token.style == STYLE_FUNCTION)
            m_routine = Define(DefinitionKind::Routine, 0, At(token.start), token.end - token.start, m_routineStart);
        break;
    case TokenKind::Comment:
    case TokenKind::CodeWord:
    case TokenKind::CodeMark:
        break;
    }
}

void CDefinitionReader::OnRoutineOpen(const SyntaxToken& token)
{
    // A routine in the middle of a directive ends the wait for its name.
    m_pending = Pending::None;
    m_routineStart = At(token.start);
    if ((token.stateBefore & LEX_IN_OBJECT_BODY) && m_directiveHasBody && m_propertyLength)
        m_propertyRoutine =
            Define(DefinitionKind::PropertyRoutine, 0, m_property, m_propertyLength, m_property, m_directive);
}

void CDefinitionReader::OnPropertyWord(const char* line, const SyntaxToken& token)
{
    // The lexer styles the word that names a property; `private` opens a list of
    // properties as `with` does, though the lexer leaves its first word unstyled.
    if (token.flags & TOKEN_HEADER_WORD) {
        m_propertyLength = 0;
        m_privateSeen = false;
        return;
    }
    if (token.recognised < REC_FIRST_WORD) return;
    const std::string_view text(line + token.start, token.end - token.start);
    if (IsWord(text, "private")) {
        m_propertyLength = 0;
        m_privateSeen = true;
        return;
    }
    if (m_privateSeen || (token.style == STYLE_PROPERTY && !(token.stateBefore & LEX_IN_ATTRIBUTE_LIST))) {
        m_property = At(token.start);
        m_propertyLength = token.end - token.start;
        m_privateSeen = false;
    }
}

void CDefinitionReader::OnDirectiveToken(const char* line, const Token& token, bool opensDirective,
                                         bool classDirective)
{
    if (m_pending != Pending::None) {
        OnPendingToken(line, token);
        return;
    }
    if (classDirective) {
        m_pending = Pending::Identifier;
        m_pendingKind = DefinitionKind::Class;
        m_pendingFlags = 0;
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

void CDefinitionReader::StartDirective(const char* line, const Token& word)
{
    const std::string_view text(line + word.start, word.end - word.start);
    auto expect = [&](const DirectiveName& directive) {
        m_pendingKind = directive.kind;
        m_pendingFlags = directive.flags;
        switch (directive.kind) {
        case DefinitionKind::Object: m_pending = Pending::ObjectName; break;
        case DefinitionKind::Verb:
        case DefinitionKind::Extend: m_pending = Pending::DictionaryWord; break;
        case DefinitionKind::Include: m_pending = Pending::FileName; break;
        default: m_pending = Pending::Identifier; break;
        }
    };
    for (const DirectiveName& directive : kOutlineDirectives) {
        if (IsWord(text, directive.word)) {
            expect(directive);
            return;
        }
    }
    if (IsClassName(text)) {
        expect(DirectiveName{text, DefinitionKind::Object, 0});
        return;
    }
    for (const DirectiveName& directive : kOtherDirectives) {
        if (IsWord(text, directive.word)) {
            expect(directive);
            return;
        }
    }
}

void CDefinitionReader::OnPendingToken(const char* line, const Token& token)
{
    const std::string_view text(line + token.start, token.end - token.start);
    const bool word = !token.quoted && token.recognised >= REC_FIRST_WORD;
    const unsigned char first = static_cast<unsigned char>(line[token.start]);
    const bool identifier = word && !IsHeaderResult(token.recognised) && (IsLetter(first) || first == '_');
    const Pending pending = m_pending;
    m_pending = Pending::None;
    bool defines = false;
    switch (pending) {
    case Pending::None:
        break;
    case Pending::DirectiveWord:
        if (word && token.start == m_hashEnd) StartDirective(line, token);
        break;
    case Pending::Identifier:
        if (word && m_pendingKind == DefinitionKind::Property &&
            (IsWord(text, "additive") || IsWord(text, "long") || IsWord(text, "individual")))
            m_pending = pending;
        else
            defines = identifier;
        break;
    case Pending::ObjectName:
        if (token.recognised == REC_ARROW)
            m_pending = pending;
        else
            defines = identifier || (token.quoted && first == '"');
        break;
    case Pending::DictionaryWord:
        if (word && IsWord(text, m_pendingKind == DefinitionKind::Verb ? "meta" : "only"))
            m_pending = pending;
        else
            defines = token.quoted;
        break;
    case Pending::FileName:
        defines = token.doubleQuoted;
        break;
    }
    if (!defines) return;
    m_directive = Define(m_pendingKind, m_pendingFlags, At(token.start), token.end - token.start, m_directiveStart);
    m_directiveHasBody = m_pendingKind == DefinitionKind::Object || m_pendingKind == DefinitionKind::Class;
    if (m_pendingKind == DefinitionKind::Class && !AddClassName(text)) m_failed = true;
}

std::size_t CDefinitionReader::Define(DefinitionKind kind, std::uint8_t flags, const TextPosition& name,
                                      std::uint32_t nameLength, const TextPosition& start, std::size_t parent)
{
    Definition definition;
    definition.kind = kind;
    definition.flags = flags;
    definition.nameLength = nameLength;
    definition.name = name;
    definition.start = start;
    definition.parent = parent;
    m_sink.OnDefinition(m_count, definition);
    return m_count++;
}

void CDefinitionReader::End(std::size_t& index, std::uint32_t column)
{
    if (index == NO_DEFINITION) return;
    m_sink.OnDefinitionEnd(index, At(column));
    index = NO_DEFINITION;
}

void CDefinitionReader::Finish()
{
    const std::uint32_t end = m_lineLength ? static_cast<std::uint32_t>(m_lineLength - 1) : 0;
    End(m_routine, end);
    End(m_propertyRoutine, end);
    End(m_directive, end);
    m_directiveHasBody = false;
    m_pending = Pending::None;
}

bool CDefinitionReader::AddClassName(std::string_view name)
{
    if (name.size() > kFoldBuffer) return true;  // longer than any word of a line
    try {
        std::string folded(name);
        for (char& ch : folded) ch = static_cast<char>(Fold(static_cast<unsigned char>(ch)));
        m_classNames.insert(std::move(folded));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool CDefinitionReader::IsClassName(std::string_view word) const
{
    if (m_classNames.empty() || word.size() > kFoldBuffer) return false;
    char folded[kFoldBuffer];
    for (std::size_t i = 0; i < word.size(); ++i)
        folded[i] = static_cast<char>(Fold(static_cast<unsigned char>(word[i])));
    return m_classNames.find(std::string_view(folded, word.size())) != m_classNames.end();
}
