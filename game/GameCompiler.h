#pragma once
// Reads a game as the Inform 6 compiler compiles it: one pass over the tokens of the
// main file, each Include followed where it is reached, one stack of If directives
// across all files, and a table of the symbols defined so far, which is what `#Ifdef`
// asks and `#Iftrue` evaluates (ConstantExpression.h). What it finds:
//  - every definition the compiler compiles, located where the compiler locates it
//    (a routine at its name's line, a property routine at its '[', a Global, Array,
//    Attribute, Property, Class or Fake_Action at its directive's first line, an object
//    at the line of the last token before its name, a constant at its name, a Stub at
//    the token after its name), and those it meets but passes over (a Stub or Default
//    whose name is taken, a routine a Replace drops, a second definition of a name);
//  - the includes it reads, and the ranges of text it skips, each with its reason.
// (A routine's local variables are read from its header where they are asked for:
// GameResolver.h.)
// False regions are skipped by the spelling of their tokens, as the compiler skips
// them: any word spelled ifdef, ifndef, iftrue, iffalse, ifv3 or ifv5 (any case, with
// or without one '#') opens a level, endif closes one, ifnot at the first level starts
// the else branch; strings, dictionary words and comments are never words here. A false
// region that reaches the end of its file stops the whole compilation, as `End` does.
//
// The pass knows only what its host gives it: the tokens and text of each file, and the
// file an Include leads to.

#include "CompileTokens.h"
#include "CompilerSwitches.h"
#include "ConstantExpression.h"
#include "IncludeResolver.h"
#include "syntax/DefinitionReader.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

inline constexpr std::uint32_t COMPILE_NONE = 0xFFFFFFFFu;

// Why a piece of text or a definition is not compiled.
struct CompileReason {
    enum Kind : std::uint8_t {
        FalseCondition,  // `what` (the If directive as written) is false
        TrueCondition,   // the else branch of `what`, which is true
        Replaced,        // a routine of a system file named by a Replace (at file, offset)
        AfterEnd,        // after the End directive at file, offset
        Unended,         // after a false `what` that its file never ends: the compilation stops
        GivesWay,        // a Stub or Default whose name was defined before (at file, offset)
        AlreadyDefined,  // a second definition of a name (the first at file, offset)
    };
    Kind kind;
    std::uint32_t file;     // where the directive or the other definition is
    std::uint64_t offset;
    std::string what;       // the If directive as written, blanks made one; or the name
};

struct CompiledDefinition {
    DefinitionKind kind;
    std::uint32_t file;
    std::uint64_t nameOffset;
    std::uint32_t nameLength;
    std::uint64_t start;      // its directive's first token, its routine's '[', a property routine's property
    std::uint64_t end;        // just after its ';' or ']'
    std::uint64_t located;    // the offset whose line the compiler gives it
    std::uint32_t parent = COMPILE_NONE;  // a property routine's object or class (an index here)
    std::uint32_t reason = COMPILE_NONE;  // COMPILE_NONE: compiled; else why not (an index of Reasons())
    bool givesWay = false;    // Stub, Default
    bool implicit = false;    // a property made by the first `with` that names it
    bool superseded = false;  // compiled, but a later definition of its name is the one calls reach
    std::uint32_t alias = COMPILE_NONE;  // the name it is compiled as when a `Replace X Y` renames it (in Aliases())
};

struct CompiledInclude {
    std::uint32_t file;
    std::uint32_t nameFile;    // the file the quoted name is in (its own, but at the end of an included file)
    std::uint64_t start;       // the directive's first token
    std::uint64_t nameOffset;  // the quoted name's opening quote
    std::uint32_t nameLength;  // quotes included
    std::uint64_t end;         // just after its ';'
    std::shared_ptr<const IncludeResolution> resolution;
    std::uint32_t target = COMPILE_NONE;  // the file it reads
    bool firstRead = false;    // the first reading of that file
    bool cycle = false;        // that file was being read: not read again
};

struct SkippedText {
    std::uint32_t file;
    std::uint64_t start;  // its first byte
    std::uint64_t end;    // one past its last
    std::uint32_t reason;
    std::uint32_t reading;  // of its file: 1 for the first time the file was read, ...
};

class ICompileHost {
public:
    virtual std::string_view Text(std::uint32_t file) = 0;
    // The list that holds file's tokens, and start the place where they start.
    virtual const CCompileTokenList& Tokens(std::uint32_t file, CompileTokenPlace& start) = 0;
    // The file that Include name, reached in file from, leads to: read now when it was
    // not read before (classes are the class names known at this point, folded); the
    // resolution whatever it is; COMPILE_NONE when nothing can be read.
    virtual std::uint32_t OpenInclude(std::uint32_t from, std::string_view name, const std::vector<std::string>& classes,
                                      std::shared_ptr<const IncludeResolution>& resolution) = 0;

    // The first reading of file has ended and skipped none of it: no later reading can make
    // any of it skipped (the text skipped is what every reading skipped).
    virtual void ReadWithoutSkips(std::uint32_t /*file*/) {}

protected:
    ~ICompileHost() = default;
};

class CGameCompiler {
public:
    CGameCompiler(const CompilerSwitches& switches, ICompileHost& host);
    ~CGameCompiler();

    // Compiles from the file numbered main. Throws std::bad_alloc when memory runs out.
    void Run(std::uint32_t main);

    // (Lists that grow in blocks: a game of 100,000 files is never copied to a list twice
    // as long.)
    std::deque<CompiledDefinition>& Definitions() { return m_definitions; }
    std::deque<CompiledInclude>& Includes() { return m_includes; }
    std::vector<SkippedText>& Skipped() { return m_skipped; }
    std::vector<CompileReason>& Reasons() { return m_reasons; }
    const std::vector<std::string>& Aliases() const { return m_aliases; }
    // How many times each file was read (by index).
    const std::vector<std::uint32_t>& Readings() const { return m_readings; }
    // Lets go of the names it knows (once it has run: the records above are all a game
    // keeps).
    void ForgetNames();
    std::uint32_t IfDecisions() const { return m_ifDecisions; }

private:
    enum SymbolKind : std::uint8_t {
        SymConstant, SymGlobal, SymArray, SymRoutine, SymObject, SymClass, SymAttribute, SymProperty,
        SymAction, SymString,
    };
    struct Symbol {
        SymbolKind kind;
        bool known;            // a value usable in a constant expression
        std::int64_t value;
        std::uint32_t definition;  // the compiled definition, or COMPILE_NONE
    };
    struct Cursor {
        std::uint32_t file;
        CompileTokenPlace next;  // its next token
        bool system;             // System_file was read in it
    };
    struct Tok {
        CompileToken token{};
        std::uint32_t file = COMPILE_NONE;
        const char* text = nullptr;  // its file's text; null: no token
        explicit operator bool() const { return text != nullptr; }
        std::string_view View() const { return std::string_view(text + token.offset, token.length); }
    };
    struct IfFrame {
        std::uint32_t reason;  // the TrueCondition reason of its then branch
        bool inElse;
    };
    struct Replacement {
        std::uint32_t file;
        std::uint64_t offset;
        std::string alias;  // Y of `Replace X Y`, as written
        bool aliasTaken = false;
    };

    // Tokens.
    std::string_view FileText(std::uint32_t file);
    const CCompileTokenList& FileTokens() const { return *m_tokenList; }
    bool NextRaw(Tok& t);
    bool Next(Tok& t);
    bool Peek(Tok& t);
    std::string_view TextOf(const Tok& t);
    std::string Folded(const Tok& t);
    bool IsMark(const Tok& t, char c);
    bool IsWord(const Tok& t);
    // The word's name as a directive: one '#' taken away, folded.
    std::string DirectiveName(const Tok& t);

    // If directives.
    bool IsIfWord(const Tok& t, bool needHash);
    // Passes over the ';' at the cursor, if that is what stands there; its end, or from.
    std::uint64_t PassSemicolon(Cursor& c, std::uint64_t from);
    void HandleIf(const Tok& word);
    void Skip(std::uint32_t reason, std::uint64_t from, bool elseAllowed, const std::string& what,
              std::uint32_t conditionFile, std::uint64_t conditionOffset);
    void StopHere(std::uint32_t reason);
    bool IsDefined(std::string_view name);
    ConstantValue Evaluate(const std::vector<Tok>& tokens, std::size_t from);

    // Symbols.
    Symbol* Find(std::string_view name);
    void DefineSymbol(std::string_view name, SymbolKind kind, std::int64_t value, bool valueKnown,
                      std::uint32_t definition = COMPILE_NONE);
    void Predefine();

    // Reading compiled code (GameCompilerDirectives.cpp).
    void TopLevel();
    void Directive(const Tok& word, const std::string& name);
    void ToSemicolon(Tok* last = nullptr, bool brackets = false);
    void Routine(const Tok& open, const Tok* property, std::uint32_t parent);
    void ObjectDirective(const Tok& word, bool isClass, bool nearby);
    void PropertyList(std::uint32_t object);
    void Include(const Tok& word);
    void NamedDirective(const Tok& word, DefinitionKind kind, SymbolKind symbol);
    void ConstantDirective(const Tok& word, bool isDefault);
    void PropertyDirective(const Tok& word);
    void StubDirective(const Tok& word);
    void ReplaceDirective(const Tok& word);
    void GrammarDirective(const Tok& word, DefinitionKind kind);
    void VersionDirective(const Tok& word, bool switches);
    std::uint32_t Define(DefinitionKind kind, const Tok& name, const Tok& start, std::uint64_t located,
                         std::uint32_t parent = COMPILE_NONE);
    void EndDefinition(std::uint32_t definition, const Tok& last);
    std::int64_t NewProperty(bool individual);
    bool IsClassName(std::string_view folded) const;
    std::uint32_t AddReason(CompileReason reason);
    std::uint32_t AddDefinition(CompiledDefinition d);
    void AddSkipped(std::uint32_t file, std::uint64_t start, std::uint64_t end, std::uint32_t reason);

    const CompilerSwitches& m_switches;
    ICompileHost& m_host;
    std::deque<Cursor> m_stack;  // as deep as the Includes go
    std::vector<std::uint32_t> m_onStack;  // by file: how many of m_stack's cursors read it
    void Push(std::uint32_t file);
    void Pop();
    std::uint32_t m_textFile = COMPILE_NONE;  // the file whose text was asked last, and that text
    std::string_view m_text;
    const CCompileTokenList* m_tokenList = nullptr;  // the host's, once asked
    std::vector<Tok> m_peeked;
    bool m_stopped = false;
    int m_version;
    std::unordered_map<std::string, Symbol> m_symbols;  // folded names
    std::unordered_map<std::string, Replacement> m_replaced;  // folded names
    std::vector<std::string> m_classes;  // folded, in order
    std::vector<IfFrame> m_ifs;
    std::int64_t m_nextAttribute = 0;
    std::int64_t m_nextCommonProperty = 4;
    std::int64_t m_nextIndividualProperty;
    std::int64_t m_nextObject = 5;
    std::int64_t m_nextFakeAction = 0;
    std::uint32_t m_ifDecisions = 0;

    std::deque<CompiledDefinition> m_definitions;
    std::deque<CompiledInclude> m_includes;
    std::vector<SkippedText> m_skipped;
    std::vector<CompileReason> m_reasons;
    std::vector<std::string> m_aliases;
    std::vector<std::uint32_t> m_readings;
    std::vector<bool> m_skippedInFirst;  // by file: its first reading skipped some of it
};
