// The compiled code itself, as the compiler reads it: routines, objects and classes with
// their property lists and property routines, and the directives that define names or
// change what is read (Include, Replace, System_file, End, Version, ...). Everything here
// reads tokens through Next(), so an If directive may stand wherever the compiler allows
// one and anywhere else too.

#include "GameCompiler.h"

#include "syntax/CharClass.h"

using namespace charclass;

namespace {

bool IsSegmentWord(std::string_view word)
{
    return (word.size() == 4 && EqualsFolded(word, "with")) || (word.size() == 3 && EqualsFolded(word, "has")) ||
           (word.size() == 5 && EqualsFolded(word, "class")) || (word.size() == 7 && EqualsFolded(word, "private"));
}

}  // namespace

void CGameCompiler::TopLevel()
{
    Tok t;
    while (Next(t)) {
        if (IsMark(t, ';')) continue;
        if (IsMark(t, '[')) {
            Routine(t, nullptr, COMPILE_NONE);
            continue;
        }
        if (!IsWord(t)) {
            ToSemicolon();
            continue;
        }
        if (TextOf(t) == "#") continue;  // `# Ifdef`: the word after it is the directive
        if (IsIfWord(t, false)) {
            HandleIf(t);
            continue;
        }
        Directive(t, DirectiveName(t));
    }
}

void CGameCompiler::ToSemicolon(Tok* last, bool brackets)
{
    int depth = 0;
    Tok t;
    while (Next(t)) {
        if (last) *last = t;
        if (brackets && IsMark(t, '[')) ++depth;
        else if (brackets && IsMark(t, ']') && depth > 0) --depth;
        else if (IsMark(t, ';') && depth == 0) return;
    }
}

std::uint32_t CGameCompiler::Define(DefinitionKind kind, const Tok& name, const Tok& start, std::uint64_t located,
                                    std::uint32_t parent)
{
    CompiledDefinition d;
    d.kind = kind;
    d.file = name.file;
    d.nameOffset = name.token.offset;
    d.nameLength = static_cast<std::uint32_t>(name.token.length);
    d.start = start.file == name.file ? start.token.offset : name.token.offset;
    d.end = name.token.End();
    d.located = located;
    d.parent = parent;
    return AddDefinition(std::move(d));
}

void CGameCompiler::EndDefinition(std::uint32_t definition, const Tok& last)
{
    if (definition == COMPILE_NONE || !last) return;
    CompiledDefinition& d = m_definitions[definition];
    if (last.file == d.file && last.token.End() > d.end) d.end = last.token.End();
}

std::int64_t CGameCompiler::NewProperty(bool individual)
{
    return individual ? m_nextIndividualProperty++ : m_nextCommonProperty++;
}

void CGameCompiler::Directive(const Tok& word, const std::string& name)
{
    if (name == "object" || name == "nearby") return ObjectDirective(word, false, name == "nearby");
    if (name == "class") return ObjectDirective(word, true, false);
    if (name == "global") return NamedDirective(word, DefinitionKind::Global, SymGlobal);
    if (name == "array") return NamedDirective(word, DefinitionKind::Array, SymArray);
    if (name == "attribute") return NamedDirective(word, DefinitionKind::Attribute, SymAttribute);
    if (name == "fake_action") return NamedDirective(word, DefinitionKind::FakeAction, SymAction);
    if (name == "property") return PropertyDirective(word);
    if (name == "constant" || name == "default") return ConstantDirective(word, name == "default");
    if (name == "stub") return StubDirective(word);
    if (name == "replace") return ReplaceDirective(word);
    if (name == "verb") return GrammarDirective(word, DefinitionKind::Verb);
    if (name == "extend") return GrammarDirective(word, DefinitionKind::Extend);
    if (name == "include") return Include(word);
    if (name == "version" || name == "switches") return VersionDirective(word, name == "switches");
    if (name == "end") {
        Tok last = word;
        ToSemicolon(&last);
        StopHere(AddReason(CompileReason{CompileReason::AfterEnd, word.file, word.token.offset, "End"}));
        return;
    }
    if (name == "system_file") {
        if (!m_stack.empty() && m_stack.back().file == word.file) m_stack.back().system = true;
        return ToSemicolon();
    }
    if (name == "undef" || name == "lowstring") {
        Tok t;
        if (Next(t) && IsWord(t)) {
            if (name == "lowstring") {
                if (!Find(TextOf(t))) DefineSymbol(TextOf(t), SymConstant, 0, false);
            } else if (const auto it = m_symbols.find(Folded(t));
                       it != m_symbols.end() && it->second.kind == SymConstant) {
                m_symbols.erase(it);
            }
        } else if (t) {
            m_peeked.push_back(t);
        }
        return ToSemicolon();
    }
    if (IsClassName(name)) return ObjectDirective(word, false, false);
    ToSemicolon();  // a directive that defines nothing (Message, Serial, ...), or a mistake
}

void CGameCompiler::Routine(const Tok& open, const Tok* property, std::uint32_t parent)
{
    Tok t;
    Tok name;
    std::uint32_t def = COMPILE_NONE;
    if (!property) {
        if (!Next(t)) return;
        if (IsWord(t) && TextOf(t) != "*") name = t;
        else m_peeked.push_back(t);
    }
    if (name) {
        const std::string folded = Folded(name);
        std::string alias;
        const auto replaced = m_replaced.find(folded);
        if (replaced != m_replaced.end()) {
            if (!replaced->second.alias.empty() && !replaced->second.aliasTaken) {
                alias = replaced->second.alias;
                replaced->second.aliasTaken = true;
            } else if (!m_stack.empty() && m_stack.back().file == name.file && m_stack.back().system) {
                // Dropped: read raw up to its first ']', directives inside it not obeyed.
                Tok close = name;
                while (NextRaw(t) && t.file == name.file) {
                    close = t;
                    if (IsMark(t, ']')) break;
                }
                const std::uint32_t reason = AddReason(CompileReason{CompileReason::Replaced, replaced->second.file,
                                                                     replaced->second.offset, std::string(TextOf(name))});
                def = Define(DefinitionKind::Routine, name, open, name.token.offset);
                m_definitions[def].reason = reason;
                EndDefinition(def, close);
                AddSkipped(open.file, open.token.offset, close.token.End(), reason);
                return;
            }
        }
        def = Define(DefinitionKind::Routine, name, open, name.token.offset);
        if (!alias.empty()) {
            m_definitions[def].alias = static_cast<std::uint32_t>(m_aliases.size());
            m_aliases.push_back(alias);
        }
        Symbol* s = Find(alias.empty() ? TextOf(name) : std::string_view(alias));
        if (s && alias.empty() && s->kind == SymRoutine && s->definition != COMPILE_NONE &&
            replaced != m_replaced.end()) {
            m_definitions[s->definition].superseded = true;  // the last definition of a replaced name wins
            s->definition = def;
        } else if (s && alias.empty()) {
            const CompiledDefinition* first = s->definition != COMPILE_NONE ? &m_definitions[s->definition] : nullptr;
            m_definitions[def].reason =
                AddReason(CompileReason{CompileReason::AlreadyDefined, first ? first->file : name.file,
                                        first ? first->nameOffset : name.token.offset, std::string(TextOf(name))});
        } else {
            DefineSymbol(alias.empty() ? TextOf(name) : std::string_view(alias), SymRoutine, 0, false, def);
        }
    } else if (property) {
        def = Define(DefinitionKind::PropertyRoutine, *property, *property, open.token.offset, parent);
    }
    // The header's local variables, up to its ';'.
    while (Next(t) && !IsMark(t, ';')) {
        if (IsMark(t, ']')) {
            m_peeked.push_back(t);
            break;
        }
    }
    // The body, up to its ']'.
    Tok close = t;
    while (Next(t)) {
        close = t;
        if (IsMark(t, ']')) break;
        if (IsWord(t)) {
            const std::string_view word = TextOf(t);
            if (word.size() > 2 && word[0] == '#' && word[1] == '#' && !Find(std::string(word.substr(2)) + "__A"))
                DefineSymbol(std::string(word.substr(2)) + "__A", SymAction, 0, false);
        }
    }
    EndDefinition(def, close);
}

void CGameCompiler::ObjectDirective(const Tok& word, bool isClass, bool nearby)
{
    (void)nearby;
    Tok t;
    Tok last = word;
    std::uint32_t def = COMPILE_NONE;
    const bool numbered = !m_switches.glulx;
    if (isClass) {
        if (!Next(t)) return;
        if (!IsWord(t)) {
            m_peeked.push_back(t);
            return ToSemicolon();
        }
        if (Find(TextOf(t))) {
            def = Define(DefinitionKind::Class, t, word, word.token.offset);
            m_definitions[def].reason =
                AddReason(CompileReason{CompileReason::AlreadyDefined, t.file, t.token.offset, std::string(TextOf(t))});
        } else {
            def = Define(DefinitionKind::Class, t, word, word.token.offset);
            DefineSymbol(TextOf(t), SymClass, m_nextObject++, numbered, def);
        }
    } else {
        while (Peek(t) && t.token.Kind() == CompileTokenKind::Mark && TextOf(t) == "->") {
            Next(t);
            last = t;
        }
        Tok name;
        if (Peek(t) && IsWord(t) && !IsSegmentWord(TextOf(t))) {
            Next(name);
        }
        Tok shortName;
        if (Peek(t) && t.token.Kind() == CompileTokenKind::String) Next(shortName);
        if (Peek(t) && IsWord(t) && !IsSegmentWord(TextOf(t))) Next(t);  // the parent
        const Tok& shown = name ? name : shortName;
        if (shown) {
            def = Define(DefinitionKind::Object, shown, word, last.token.offset);
            if (name) {
                if (Find(TextOf(name)))
                    m_definitions[def].reason = AddReason(CompileReason{CompileReason::AlreadyDefined, name.file,
                                                                        name.token.offset, std::string(TextOf(name))});
                else
                    DefineSymbol(TextOf(name), SymObject, m_nextObject, numbered, def);
            }
        }
        ++m_nextObject;
    }
    while (Next(t)) {
        if (IsMark(t, ';')) break;
        if (IsWord(t) && (EqualsFolded(TextOf(t), "with") || EqualsFolded(TextOf(t), "private"))) PropertyList(def);
    }
    EndDefinition(def, t);
}

// A `with` or `private` list: property names, their values, and the routines given to them.
void CGameCompiler::PropertyList(std::uint32_t object)
{
    Tok t;
    Tok property;
    bool expectName = true;
    while (Next(t)) {
        if (IsMark(t, ';') || (IsWord(t) && IsSegmentWord(TextOf(t)))) {
            m_peeked.push_back(t);
            return;
        }
        if (IsMark(t, ',')) {
            expectName = true;
            continue;
        }
        if (expectName) {
            if (!IsWord(t)) continue;
            property = t;
            expectName = false;
            if (!Find(TextOf(t))) {
                const std::uint32_t def = Define(DefinitionKind::Property, t, t, t.token.offset);
                m_definitions[def].implicit = true;
                DefineSymbol(TextOf(t), SymProperty, NewProperty(true), true, def);
            }
            continue;
        }
        if (IsMark(t, '[') && property) Routine(t, &property, object);
    }
}

void CGameCompiler::NamedDirective(const Tok& word, DefinitionKind kind, SymbolKind symbol)
{
    Tok name;
    if (!Next(name)) return;
    if (!IsWord(name)) {
        m_peeked.push_back(name);
        return ToSemicolon();
    }
    Tok last = name;
    std::int64_t value = 0;
    bool known = false;
    if (symbol == SymAttribute) {
        value = m_nextAttribute++;
        known = true;
    } else if (symbol == SymAction) {
        const Symbol* version = Find("Grammar__Version");
        value = (version && version->known && version->value >= 2 ? 4096 : 256) + m_nextFakeAction++;
        known = true;
    }
    ToSemicolon(&last, kind == DefinitionKind::Array);
    const std::string symbolName = std::string(TextOf(name)) + (symbol == SymAction ? "__A" : "");
    const std::uint32_t def = Define(kind, name, word, word.token.offset);
    if (Find(symbolName))
        m_definitions[def].reason =
            AddReason(CompileReason{CompileReason::AlreadyDefined, name.file, name.token.offset, symbolName});
    else
        DefineSymbol(symbolName, symbol, value, known, def);
    EndDefinition(def, last);
}

void CGameCompiler::PropertyDirective(const Tok& word)
{
    Tok t;
    Tok name;
    Tok last = word;
    bool individual = false;
    while (Next(t)) {
        last = t;
        if (IsMark(t, ';')) break;
        if (name || !IsWord(t)) continue;
        const std::string folded = Folded(t);
        if (folded == "additive" || folded == "long") continue;
        if (folded == "individual") {
            individual = true;
            continue;
        }
        name = t;
    }
    if (!name) return;
    const std::uint32_t def = Define(DefinitionKind::Property, name, word, word.token.offset);
    if (Find(TextOf(name)))
        m_definitions[def].reason = AddReason(
            CompileReason{CompileReason::AlreadyDefined, name.file, name.token.offset, std::string(TextOf(name))});
    else
        DefineSymbol(TextOf(name), SymProperty, NewProperty(individual), true, def);
    EndDefinition(def, last);
}

void CGameCompiler::ConstantDirective(const Tok& word, bool isDefault)
{
    std::vector<Tok> tokens;
    Tok t;
    Tok last = word;
    while (Next(t)) {
        last = t;
        if (IsMark(t, ';')) break;
        tokens.push_back(t);
    }
    if (tokens.empty() || !IsWord(tokens[0])) return;
    const Tok& name = tokens[0];
    std::size_t from = 1;
    if (from < tokens.size() && IsMark(tokens[from], '=')) ++from;
    ConstantValue value;
    if (from >= tokens.size()) {
        value.known = true;
    } else {
        bool oneFile = true;
        for (std::size_t i = from; i < tokens.size(); ++i) oneFile = oneFile && tokens[i].file == tokens[from].file;
        if (oneFile) value = Evaluate(tokens, from);
    }
    const std::uint32_t def = Define(DefinitionKind::Constant, name, word, name.token.offset);
    m_definitions[def].givesWay = isDefault;
    const Symbol* s = Find(TextOf(name));
    // The compiler's own constants may be defined again (Grammar__Version); Default gives
    // way to any definition before it.
    const bool predefined = s && s->kind == SymConstant && s->definition == COMPILE_NONE;
    if (s && (isDefault || !predefined)) {
        const CompiledDefinition* first = s->definition != COMPILE_NONE ? &m_definitions[s->definition] : nullptr;
        m_definitions[def].reason =
            AddReason(CompileReason{isDefault ? CompileReason::GivesWay : CompileReason::AlreadyDefined,
                                    first ? first->file : name.file, first ? first->nameOffset : name.token.offset,
                                    std::string(TextOf(name))});
    } else {
        DefineSymbol(TextOf(name), SymConstant, value.value, value.known, def);
    }
    EndDefinition(def, last);
}

void CGameCompiler::StubDirective(const Tok& word)
{
    Tok name;
    if (!Next(name)) return;
    if (!IsWord(name)) {
        m_peeked.push_back(name);
        return ToSemicolon();
    }
    Tok after;
    Tok last = name;
    std::uint64_t located = name.token.offset;
    if (Next(after)) {
        last = after;
        if (!IsMark(after, ';')) {
            located = after.token.offset;
            ToSemicolon(&last);
        }
    }
    const std::uint32_t def = Define(DefinitionKind::Stub, name, word, located);
    m_definitions[def].givesWay = true;
    if (const Symbol* s = Find(TextOf(name))) {
        const CompiledDefinition* first = s->definition != COMPILE_NONE ? &m_definitions[s->definition] : nullptr;
        m_definitions[def].reason = AddReason(CompileReason{CompileReason::GivesWay, first ? first->file : name.file,
                                                            first ? first->nameOffset : name.token.offset,
                                                            std::string(TextOf(name))});
    } else {
        DefineSymbol(TextOf(name), SymRoutine, 0, false, def);
    }
    EndDefinition(def, last);
}

void CGameCompiler::ReplaceDirective(const Tok& word)
{
    std::vector<Tok> tokens;
    Tok t;
    Tok last = word;
    while (Next(t)) {
        last = t;
        if (IsMark(t, ';')) break;
        tokens.push_back(t);
    }
    if (tokens.empty() || !IsWord(tokens[0])) return;
    const Tok& name = tokens[0];
    const std::uint32_t def = Define(DefinitionKind::Replace, name, word, word.token.offset);
    EndDefinition(def, last);
    // Only a name not yet defined can be replaced.
    if (Find(TextOf(name))) return;
    Replacement replacement{name.file, name.token.offset, {}, false};
    if (tokens.size() > 1 && IsWord(tokens[1])) {
        replacement.alias = std::string(TextOf(tokens[1]));
        DefineSymbol(replacement.alias, SymConstant, 0, true);
    }
    m_replaced[Folded(name)] = std::move(replacement);
}

void CGameCompiler::GrammarDirective(const Tok& word, DefinitionKind kind)
{
    Tok t;
    Tok name;
    Tok last = word;
    bool arrow = false;
    while (Next(t)) {
        last = t;
        if (IsMark(t, ';')) break;
        if (!name && t.token.Kind() == CompileTokenKind::Single) name = t;
        if (arrow && IsWord(t)) {
            const std::string action = std::string(TextOf(t)) + "__A";
            if (!Find(action)) DefineSymbol(action, SymAction, 0, false);
        }
        arrow = t.token.Kind() == CompileTokenKind::Mark && TextOf(t) == "->";
    }
    if (!name) return;
    const std::uint32_t def = Define(kind, name, word, word.token.offset);
    EndDefinition(def, last);
}

void CGameCompiler::VersionDirective(const Tok& word, bool switches)
{
    (void)word;
    Tok t;
    int version = 0;
    if (Next(t)) {
        const std::string_view s = TextOf(t);
        if (switches) {
            for (std::size_t i = 0; i + 1 < s.size(); ++i)
                if (s[i] == 'v' && s[i + 1] >= '3' && s[i + 1] <= '8') version = s[i + 1] - '0';
        } else if (s.size() == 1 && s[0] >= '3' && s[0] <= '8') {
            version = s[0] - '0';
        }
        if (IsMark(t, ';')) return;
    }
    if (version && !m_switches.versionGiven && !m_switches.glulx) m_version = version;
    ToSemicolon();
}

void CGameCompiler::Include(const Tok& word)
{
    Tok name;
    Tok last = word;
    if (!Next(name)) return;
    if (IsMark(name, ';')) return;
    const std::size_t depth = m_stack.size();
    ToSemicolon(&last);
    // A directive its file ends before its ';' is not carried out: its file is read no
    // more, and reading the include then would read that file again from its top, for ever.
    const bool unended = m_stack.size() < depth;
    if (name.token.Kind() != CompileTokenKind::String) return;
    CompiledInclude include;
    include.file = word.file;
    include.nameFile = name.file;
    include.start = word.token.offset;
    include.nameOffset = name.token.offset;
    include.nameLength = static_cast<std::uint32_t>(name.token.length);
    include.end = last.file == word.file ? last.token.End() : name.token.End();
    const std::uint32_t target = m_host.OpenInclude(word.file, IncludeNameOf(TextOf(name)), m_classes, include.resolution);
    if (target != COMPILE_NONE && !m_stopped) {
        include.target = target;
        include.cycle = target < m_onStack.size() && m_onStack[target] > 0;
        if (!include.cycle && !unended) {
            if (m_readings.size() <= target) m_readings.resize(target + 1, 0);
            include.firstRead = m_readings[target]++ == 0;
            Push(target);
        }
    }
    m_includes.push_back(std::move(include));
}
