#pragma once
// CDefinitionReader finds the definitions of an Inform text in the lexer's token
// reports, so that every reader of definitions (the outline, the index of a game, a
// language server) sees them exactly where the colours put them.
//
// Use: Reset (and SeedClassName for classes defined elsewhere), then for every line in
// order OnLine and the lexer's ClassifyLine with the reader as its listener (the line
// loop, ForEachShownLine, does both), then Finish. The reader tells its sink about each
// definition as soon as its name is read, numbered from 0 in that order, which is the
// order of the names in the text; and about its end once that is read.
//
// What is a definition:
//  - a routine: every word the lexer reports as a routine's name and shows as one
//    (STYLE_FUNCTION); it starts at its '[' and ends after its ']'.
//  - a property routine: a routine given to a property of an object or class
//    (`with before [; ... ]`): a '[' in the body of a named object or class, after a
//    word the lexer styles as a property (or the word after `private`). Its name is
//    that property word, its parent the object or class; it starts at its '[' and ends
//    after its ']'.
//  - a directive, found as the lexer finds one: the first token outside routines while
//    a directive is expected, a '#' joined to the word after it (`#Array`), or `Class`.
//    Directive names are compared without regard to case. Object and Nearby give
//    objects, Class a class, Global, Constant, Array, Attribute, Property, Verb and
//    Extend their own kinds, Default a constant that gives way to any other definition
//    of its name, Stub a stub (a routine that gives way likewise), Replace and
//    Fake_action their own kinds, and a word that a Class directive of this text (or a
//    seeded class name) named an object of that class (`CompassDirection -> n_obj`).
//    Include gives an include, named by its double-quoted file name, quotes included.
//    Every other directive (Ifdef, Message, ...) gives nothing. A directive starts at
//    its first token and ends after the ';' that ends it.
//  - the name: the first token after the directive's word, on the same line or a later
//    one, comments skipped. Identifier kinds take a word that starts with a letter or
//    '_' (Property passes over `additive`, `long` and `individual`). An object passes
//    over its `->` arrows and takes an identifier or, for an object without one, its
//    short name in double quotes, quotes included. Verb and Extend take their first
//    dictionary word, quotes included, passing over `meta` and `only`. When that token
//    is anything else, or the directive ends first, nothing is defined.
// Nothing inside a comment or quoted text is a definition. A name is a piece of one line
// (a string still open at the end of its line is cut there, line feed excluded).
//
// The reader allocates only for class names; when that fails it stops defining and
// Failed() says so.

#include "SyntaxToken.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>

enum class DefinitionKind : std::uint8_t {
    // The outline's kinds, in the outline's order.
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
    // Beyond the outline.
    PropertyRoutine,
    Stub,
    Replace,
    FakeAction,
    Include,
};
inline constexpr int DEFINITION_KIND_COUNT = 15;

// "routine", ..., "extend" as the outline names them, then "property routine", "stub",
// "replace", "fake action", "include".
const char* DefinitionKindName(DefinitionKind kind);

// Definition flags.
inline constexpr std::uint8_t DEFINITION_GIVES_WAY = 0x01;  // Default, Stub: unless defined elsewhere

inline constexpr std::size_t NO_DEFINITION = static_cast<std::size_t>(-1);

// A place in the text: its byte offset, its line from 1, and the bytes before it on
// its line.
struct TextPosition {
    std::uint64_t offset = 0;
    std::uint64_t line = 0;
    std::uint32_t column = 0;
};

struct Definition {
    DefinitionKind kind = DefinitionKind::Routine;
    std::uint8_t flags = 0;             // DEFINITION_ flags
    std::uint32_t nameLength = 0;       // the name's bytes
    TextPosition name;                  // the name's first byte
    TextPosition start;                 // the directive's first token, or the routine's '['
    std::size_t parent = NO_DEFINITION; // a property routine's object or class
};

class IDefinitionSink {
public:
    // A definition, number index (from 0, in the order of the reports). Its name is the
    // text's bytes [name.offset, name.offset + nameLength).
    virtual void OnDefinition(std::size_t index, const Definition& definition) = 0;
    // Definition index ends just before end: after its ';' or its ']'. A definition
    // whose end the text never reaches is ended by Finish at the end of the last line
    // read (line feed excluded).
    virtual void OnDefinitionEnd(std::size_t index, const TextPosition& end)
    {
        (void)index;
        (void)end;
    }

protected:
    ~IDefinitionSink() = default;
};

class CDefinitionReader final : public ISyntaxTokenListener {
public:
    explicit CDefinitionReader(IDefinitionSink& sink) : m_sink(sink) {}

    // Forgets everything read, seeded class names included.
    void Reset();
    // A class defined outside this text: a directive that begins with its name (in any
    // case) defines an object. False when memory runs out.
    bool SeedClassName(std::string_view name);

    void OnLine(std::uint64_t number, std::uint64_t offset, std::size_t length) override;
    void OnToken(const char* line, const SyntaxToken& token) override;
    // Ends what the text left open, at the end of the last line read.
    void Finish();

    bool Failed() const { return m_failed; }
    std::size_t GetDefinitionCount() const { return m_count; }

private:
    enum class Pending : std::uint8_t {
        None,
        DirectiveWord,   // a '#' that began a directive: its word follows
        Identifier,      // m_pendingKind's name
        ObjectName,      // an object's name or short name, after its arrows
        DictionaryWord,  // a Verb's or Extend's first word
        FileName,        // an Include's file name
    };
    struct Token {
        std::uint32_t start;
        std::uint32_t end;  // one past the last character
        std::uint32_t recognised;  // the recogniser's result; REC_NOT_A_WORD for quoted text
        bool quoted;
        bool doubleQuoted;
    };
    struct FoldedHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
    };

    void OnDirectiveToken(const char* line, const Token& token, bool opensDirective, bool classDirective);
    void OnPendingToken(const char* line, const Token& token);
    void StartDirective(const char* line, const Token& word);
    void OnRoutineOpen(const SyntaxToken& token);
    void OnPropertyWord(const char* line, const SyntaxToken& token);
    std::size_t Define(DefinitionKind kind, std::uint8_t flags, const TextPosition& name, std::uint32_t nameLength,
                       const TextPosition& start, std::size_t parent = NO_DEFINITION);
    void End(std::size_t& index, std::uint32_t column);
    TextPosition At(std::uint32_t column) const;
    bool AddClassName(std::string_view name);
    bool IsClassName(std::string_view word) const;

    IDefinitionSink& m_sink;
    std::unordered_set<std::string, FoldedHash, std::equal_to<>> m_classNames;  // folded to lower case
    std::size_t m_count = 0;

    // The line being read.
    std::uint64_t m_lineNumber = 0;
    std::uint64_t m_lineOffset = 0;
    std::size_t m_lineLength = 0;

    // The directive being read.
    Pending m_pending = Pending::None;
    DefinitionKind m_pendingKind = DefinitionKind::Object;
    std::uint8_t m_pendingFlags = 0;
    std::uint32_t m_hashEnd = 0;        // for DirectiveWord: where the '#' ended
    TextPosition m_directiveStart;      // its first token
    std::size_t m_directive = NO_DEFINITION;  // its definition, until it ends
    bool m_directiveHasBody = false;    // an object or class: its routines belong to it
    // The property whose value is being read, in the body of an object or class.
    TextPosition m_property;
    std::uint32_t m_propertyLength = 0;  // 0: none
    bool m_privateSeen = false;          // `private`: the next word is a property

    // The routine being read.
    TextPosition m_routineStart;
    std::size_t m_routine = NO_DEFINITION;          // a named routine
    std::size_t m_propertyRoutine = NO_DEFINITION;  // a routine given to a property

    bool m_failed = false;
};
