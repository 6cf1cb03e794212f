#pragma once
// The outline of an Inform text: its definitions in file order, each with its kind,
// the row it stands on and where its name is.
//
// The outline is read off the lexer's own classification, so that it never disagrees
// with the colours: the text is split and classified line by line exactly as a render
// does it (one CSyntaxLexer from LEX_DIRECTIVE_EXPECTED, each line given with its line
// feed), and each line is then walked over its classes and the state words before and
// after it. What the outline takes as a definition:
//  - routine: every word the lexer styles as a routine's name (STYLE_FUNCTION), and
//    nothing else; `Stub` makes no entry.
//  - a directive, found as the lexer finds one: the first token outside routines while
//    a directive is expected (the token it styles STYLE_DIRECTIVE by that rule), a `#`
//    joined to the word after it (`#Array`), or `Class`. Directive names are compared
//    without regard to case (`object`, `GLOBAL`). Object and Nearby give objects, Class
//    a class, Global, Constant, Array, Attribute, Property, Verb and Extend their own
//    kinds, Default a constant (it defines one when nothing did before), and a word
//    that an earlier Class directive of this text named (again without regard to case)
//    an object of that class, as `CompassDirection -> n_obj`. Every other directive
//    (Ifdef, Include, Replace, Stub, Fake_action, ...) makes no entry.
//  - the name: the first token after the directive's word, on the same line or a later
//    one, comments skipped. Global, Constant, Array, Attribute, Property and Class take
//    an identifier (a word that starts with a letter or `_`); Property passes over
//    `additive`, `long` and `individual`. An object passes over its `->` arrows and
//    takes an identifier or, for an object without one, its short name in double
//    quotes (`Object -> "hill"`), quotes included. Verb and Extend take their first
//    dictionary word, quotes included (`'take'`), passing over `meta` and `only`.
//    When that token is anything else, or the directive ends first, no entry is made.
// Nothing inside a comment or quoted text is a definition, since the walk passes over
// both as the lexer does; a quoted name is always a whole string that opens outside
// quoted text. A name is a piece of one line (a string still open at the end of its
// line is cut there, line feed excluded).
//
// Like a render, the outline ends at the first zero byte and stops before a line of
// MAX_LINE_LENGTH or more characters: the definitions before that line are kept, and
// the status says so. It allocates per definition and per class name, never per line
// or character; running out of memory (or a text of more than OUTLINE_MAX_LINES lines)
// leaves an empty outline and says so.

#include "StyleCodes.h"
#include "SyntaxLexer.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

enum class OutlineKind : std::uint8_t {
    Routine,
    Object,
    Class,
    Global,
    Constant,
    Array,
    Attribute,
    Property,
    Verb,
    Extend,
};
inline constexpr int OUTLINE_KIND_COUNT = 10;

// "routine", "object", "class", "global", "constant", "array", "attribute",
// "property", "verb", "extend".
const char* OutlineKindName(OutlineKind kind);

// One definition. Sixteen bytes: a name lies within one line, which has fewer than
// 1,024 characters, and a text of 2^40 lines would not fit in memory.
class OutlineEntry {
public:
    OutlineEntry(std::uint64_t offset, std::uint64_t line, std::size_t column, std::size_t length,
                 OutlineKind kind)
        : m_offset(offset), m_line(line), m_column(column), m_length(length),
          m_kind(static_cast<std::uint64_t>(kind))
    {
    }

    std::uint64_t Offset() const { return m_offset; }  // the name's first byte in the text
    std::uint64_t Line() const { return m_line; }      // the name's row, from 1
    std::size_t Column() const { return m_column; }    // bytes before the name on its row
    std::size_t Length() const { return m_length; }    // the name's bytes
    OutlineKind Kind() const { return static_cast<OutlineKind>(m_kind); }

private:
    std::uint64_t m_offset;
    std::uint64_t m_line : 40;
    std::uint64_t m_column : 10;
    std::uint64_t m_length : 10;
    std::uint64_t m_kind : 4;
};
static_assert(sizeof(OutlineEntry) == 16);
inline constexpr std::uint64_t OUTLINE_MAX_LINES = (std::uint64_t{1} << 40) - 1;

enum class OutlineStatus {
    Ok,
    LongLine,     // stopped before a line of MAX_LINE_LENGTH or more characters
    OutOfMemory,  // the outline could not grow; it is empty
};

class COutline {
public:
    COutline() = default;

    // Replaces the outline with that of text (which ends at its first zero byte, if any).
    OutlineStatus Build(const char* text, std::size_t length);

    const std::vector<OutlineEntry>& GetEntries() const { return m_entries; }
    // The name of an entry, from the text the outline was built from (empty when the
    // text given is too short to hold it).
    static std::string_view Name(const OutlineEntry& entry, std::string_view text)
    {
        if (entry.Offset() > text.size()) return {};
        return text.substr(static_cast<std::size_t>(entry.Offset()), entry.Length());
    }
    // Bytes held: the entries' storage (at most twice the entries, as it grew) and the
    // class names.
    std::size_t GetMemoryUse() const;

    // Reading a text whose lines are classified elsewhere (a render that also wants the
    // outline): Clear, then ReadLine for every line in order, then Finish. line holds
    // length characters, the line feed the lexer was given included; classes are the
    // lexer's for that line; before and after are its state words around the line;
    // lineNumber counts from 1 and lineOffset is the line's offset in the text. Returns
    // false once memory has run out (Finish then empties the outline).
    void Clear();
    bool ReadLine(const char* line, std::size_t length, const StyleCode* classes, std::uint32_t before,
                  std::uint32_t after, std::uint64_t lineNumber, std::uint64_t lineOffset);
    void Finish();

    // Lines after which the walk's own reading of where routines and directives are
    // differed from the lexer's state word. The walk follows the lexer's rules, so this
    // stays 0; each line starts again from the lexer's state in any case.
    std::size_t GetLinesOutOfStep() const { return m_outOfStep; }

private:
    enum class Pending : std::uint8_t {
        None,
        DirectiveWord,   // a '#' that began a directive: its word follows
        Identifier,      // m_pendingKind's name
        ObjectName,      // an object's name or short name, after its arrows
        DictionaryWord,  // a Verb's or Extend's first word
    };
    struct Token {
        std::size_t start;
        std::size_t end;  // one past the last character
        std::uint32_t recognised;  // the recogniser's result; REC_NOT_A_WORD for quoted text
        bool quoted;
    };
    struct FoldedHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
    };

    void OnToken(const char* line, const Token& token, bool opensDirective, bool classDirective);
    void OnPendingToken(const char* line, const Token& token);
    void StartDirective(const char* line, const Token& word);
    void Add(OutlineKind kind, const Token& name);
    void AddClassName(std::string_view name);
    bool IsClassName(std::string_view word) const;

    std::vector<OutlineEntry> m_entries;
    std::unordered_set<std::string, FoldedHash, std::equal_to<>> m_classNames;  // folded to lower case
    CSyntaxLexer m_recogniser;  // reads tokens as the lexer does; only its low 16 bits are used
    Pending m_pending = Pending::None;
    OutlineKind m_pendingKind = OutlineKind::Object;
    std::size_t m_hashEnd = 0;  // for DirectiveWord: where the '#' ended
    std::uint64_t m_lineNumber = 0;
    std::uint64_t m_lineOffset = 0;
    std::size_t m_lineLength = 0;
    std::size_t m_outOfStep = 0;
    bool m_failed = false;
};
