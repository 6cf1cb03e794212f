#include "GameResolver.h"

#include "syntax/CharClass.h"

#include <algorithm>

using charclass::EqualsFolded;

namespace {

bool IsWordByte(char c) { return charclass::IsWordChar(static_cast<unsigned char>(c)); }
bool IsBlankByte(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The last byte before at that is not blank, or npos.
std::size_t BackOverBlanks(std::string_view text, std::size_t at)
{
    while (at > 0 && IsBlankByte(text[at - 1])) --at;
    return at == 0 ? std::string_view::npos : at - 1;
}

std::size_t ForwardOverBlanks(std::string_view text, std::size_t at)
{
    while (at < text.size() && IsBlankByte(text[at])) ++at;
    return at;
}

// Whether the game has an action of that name: a routine NameSub or a fake action.
bool HasAction(const CGame& game, std::string_view name)
{
    if (!game.FindDefinitions(std::string(name) + "Sub").empty()) return true;
    for (const GameDefinitionRef& ref : game.FindDefinitions(name))
        if (game.Definition(ref).Kind() == DefinitionKind::FakeAction) return true;
    return false;
}

// Whether word w of file stands where an action's name goes (the action's existence
// not yet asked): after "##" (always an action), '<', "->" on a grammar line, or as a
// label of a property routine.
enum class ActionPlace { No, Always, IfDefined };

ActionPlace ActionPlaceOf(const CGame& game, std::uint32_t file, const GameWord& w)
{
    const std::string_view text(game.File(file).Text());
    if (w.offset >= 2 && text[w.offset - 1] == '#' && text[w.offset - 2] == '#') return ActionPlace::Always;
    const std::size_t before = BackOverBlanks(text, w.offset);
    if (before != std::string_view::npos) {
        if (text[before] == '<' && before + 1 == w.offset) return ActionPlace::IfDefined;
        if (text[before] == '>' && before > 0 && text[before - 1] == '-') {
            // A grammar line: a '*' before the arrow on its line.
            const std::string_view line = text.substr(w.lineOffset, before - w.lineOffset);
            if (line.find('*') != std::string_view::npos) return ActionPlace::IfDefined;
        }
    }
    // A label: "Take:" or "Take, Drop:" in a property routine.
    std::uint32_t routine = 0;
    if (!EnclosingRoutine(game, file, w.offset, routine) ||
        game.File(file).Definitions()[routine].Kind() != DefinitionKind::PropertyRoutine)
        return ActionPlace::No;
    std::size_t at = ForwardOverBlanks(text, w.offset + w.length);
    for (int words = 0; at < text.size() && words < 32; ++words) {
        if (text[at] == ':') return at + 1 < text.size() && text[at + 1] == ':' ? ActionPlace::No : ActionPlace::IfDefined;
        if (text[at] != ',') return ActionPlace::No;
        at = ForwardOverBlanks(text, at + 1);
        if (at + 1 < text.size() && text[at] == '#' && text[at + 1] == '#') at += 2;
        const std::size_t start = at;
        while (at < text.size() && IsWordByte(text[at])) ++at;
        if (at == start) return ActionPlace::No;
        at = ForwardOverBlanks(text, at);
    }
    return ActionPlace::No;
}

bool IsActionUse(const CGame& game, std::uint32_t file, const GameWord& w, std::string_view name)
{
    switch (ActionPlaceOf(game, file, w)) {
    case ActionPlace::Always: return true;
    case ActionPlace::IfDefined: return HasAction(game, name);
    case ActionPlace::No: break;
    }
    return false;
}

}  // namespace

bool EndsWithSub(std::string_view name)
{
    return name.size() > 3 && EqualsFolded(name.substr(name.size() - 3), "Sub");
}

bool IsRoutineKind(DefinitionKind kind)
{
    return kind == DefinitionKind::Routine || kind == DefinitionKind::PropertyRoutine || kind == DefinitionKind::Stub ||
           kind == DefinitionKind::Replace;
}

bool IsCalled(std::string_view text, std::uint64_t end)
{
    const std::size_t at = ForwardOverBlanks(text, end);
    return at < text.size() && text[at] == '(';
}

bool EnclosingRoutine(const CGame& game, std::uint32_t file, std::uint64_t offset, std::uint32_t& index)
{
    const std::vector<GameDefinition>& definitions = game.File(file).Definitions();
    // Definitions are in the order of their names; a routine's body follows its name.
    auto after = std::upper_bound(definitions.begin(), definitions.end(), offset,
                                  [](std::uint64_t o, const GameDefinition& d) { return o < d.Offset(); });
    for (int looked = 0; after != definitions.begin() && looked < 64; ++looked) {
        --after;
        const GameDefinition& d = *after;
        if ((d.Kind() == DefinitionKind::Routine || d.Kind() == DefinitionKind::PropertyRoutine) && d.Start() <= offset &&
            offset < d.End()) {
            index = static_cast<std::uint32_t>(after - definitions.begin());
            return true;
        }
        // A routine that ends before offset: no routine before it holds offset either
        // (routines do not nest), unless it is an object's, inside the object.
        if (d.End() <= offset && d.Kind() == DefinitionKind::Routine) return false;
    }
    return false;
}

std::string EnclosingObject(const CGame& game, std::uint32_t file, std::uint64_t offset)
{
    const CGameFile& f = game.File(file);
    for (const GameDefinition& d : f.Definitions())
        if ((d.Kind() == DefinitionKind::Object || d.Kind() == DefinitionKind::Class) && d.Start() <= offset && offset < d.End())
            return std::string(f.NameOf(d));
    return {};
}

RoutineHeader HeaderOf(const CGame& game, const GameDefinitionRef& ref)
{
    RoutineHeader header;
    const CGameFile& f = game.File(ref.file);
    const GameDefinition& d = game.Definition(ref);
    const std::string_view text(f.Text());
    std::uint64_t at = d.Kind() == DefinitionKind::PropertyRoutine ? d.Offset() + d.Length() : d.Start();
    while (at < d.End() && text[at] != '[') ++at;
    if (at >= d.End()) return header;
    header.open = at++;
    // A routine's own name comes first; a property routine has none.
    bool skipName = d.Kind() != DefinitionKind::PropertyRoutine;
    std::uint64_t lineOffset = f.OffsetOf(f.PositionOf(at).line);
    std::uint32_t line = static_cast<std::uint32_t>(f.PositionOf(at).line);
    while (at < d.End() && at < text.size()) {
        const char c = text[at];
        if (c == ';') {
            header.end = at + 1;
            return header;
        }
        if (c == '!') {
            while (at < text.size() && text[at] != '\n') ++at;
            continue;
        }
        if (c == '\n') {
            ++line;
            lineOffset = ++at;
            continue;
        }
        if (IsWordByte(c)) {
            const std::uint64_t start = at;
            while (at < text.size() && IsWordByte(text[at])) ++at;
            if (skipName) {
                skipName = false;
                continue;
            }
            const auto first = static_cast<unsigned char>(text[start]);
            if (charclass::IsLetter(first) || first == '_')
                header.locals.push_back(GameWord{start, lineOffset, line, static_cast<std::uint32_t>(start - lineOffset),
                                                 static_cast<std::uint32_t>(at - start)});
            continue;
        }
        ++at;
    }
    header.end = at;
    return header;
}

int RankOf(const GameDefinition& definition)
{
    // A Replace directive names the routine without being it.
    if (definition.Kind() == DefinitionKind::Replace) return definition.IsCompiled() ? 2 : 3;
    if (definition.IsCompiled()) return definition.IsSuperseded() ? 1 : 0;
    return definition.GivesWay() ? 2 : 3;
}

void RankDefinitions(const CGame& game, std::vector<GameDefinitionRef>& definitions)
{
    std::stable_sort(definitions.begin(), definitions.end(), [&](const GameDefinitionRef& a, const GameDefinitionRef& b) {
        return RankOf(game.Definition(a)) < RankOf(game.Definition(b));
    });
}

std::vector<GameDefinitionRef> RankedDefinitions(const CGame& game, std::string_view name)
{
    std::vector<GameDefinitionRef> definitions = game.FindDefinitions(name);
    RankDefinitions(game, definitions);
    return definitions;
}

GameMeaning MeaningAt(const CGame& game, std::uint32_t file, std::uint64_t offset)
{
    GameMeaning meaning;
    if (file >= game.FileCount()) return meaning;
    meaning.file = file;
    meaning.skipped = game.File(file).IsSkipped(offset);
    const GamePlace place = game.WhatIsAt(file, offset);
    if (place.kind == GamePlace::Include) {
        meaning.kind = GameMeaning::Include;
        meaning.include = &game.File(file).Includes()[place.include];
        return meaning;
    }
    if (place.kind != GamePlace::Name) return meaning;
    return MeaningOfWord(game, file, place.word);
}

GameMeaning MeaningOfWord(const CGame& game, std::uint32_t file, const GameWord& word)
{
    GameMeaning meaning;
    if (file >= game.FileCount()) return meaning;
    const std::string_view text(game.File(file).Text());
    if (word.offset + word.length > text.size()) return meaning;  // a word of a file that changed since
    meaning.file = file;
    meaning.skipped = game.File(file).IsSkipped(word.offset);
    GamePlace place;
    place.word = word;
    place.name = std::string(text.substr(word.offset, word.length));
    const std::string_view qualifier = QualifierBefore(text, word.offset);
    if (!qualifier.empty()) place.qualified = std::string(qualifier) + "." + place.name;
    meaning.word = place.word;
    meaning.text = place.name;
    const bool afterDot = !place.qualified.empty() || (place.word.offset > 0 && text[place.word.offset - 1] == '.');
    const bool afterHashes = place.word.offset >= 2 && text[place.word.offset - 1] == '#' && text[place.word.offset - 2] == '#';

    // A local of the routine it stands in.
    std::uint32_t routine = 0;
    if (!afterDot && !afterHashes && EnclosingRoutine(game, file, place.word.offset, routine)) {
        const GameDefinitionRef ref{file, routine};
        const RoutineHeader header = HeaderOf(game, ref);
        for (const GameWord& local : header.locals)
            if (EqualsFolded(text.substr(local.offset, local.length), place.name)) {
                meaning.kind = GameMeaning::Local;
                meaning.key = place.name;
                meaning.local = local;
                meaning.routineStart = header.open;
                meaning.routineEnd = game.Definition(ref).End();
                return meaning;
            }
    }
    // An action, or an action's routine.
    if (!afterDot && IsActionUse(game, file, place.word, place.name)) {
        meaning.kind = GameMeaning::Action;
        meaning.action = place.name;
    } else if (!afterDot && EndsWithSub(place.name) && !game.FindDefinitions(place.name).empty()) {
        meaning.kind = GameMeaning::Action;
        meaning.action = place.name.substr(0, place.name.size() - 3);
    }
    if (meaning.kind == GameMeaning::Action) {
        meaning.key = meaning.action + "Sub";
        meaning.definitions = RankedDefinitions(game, meaning.key);
        std::vector<GameDefinitionRef> fake;
        for (const GameDefinitionRef& ref : game.FindDefinitions(meaning.action))
            if (game.Definition(ref).Kind() == DefinitionKind::FakeAction) fake.push_back(ref);
        RankDefinitions(game, fake);
        meaning.definitions.insert(meaning.definitions.end(), fake.begin(), fake.end());
        return meaning;
    }
    meaning.kind = GameMeaning::Name;
    meaning.key = place.qualified.empty() ? place.name : place.qualified;
    // A property routine's own property word means that routine ("lamp.before").
    if (place.qualified.empty()) {
        const CGameFile& f = game.File(file);
        // (A property no directive declares may stand at the same word, before it.)
        for (auto at = std::lower_bound(f.Definitions().begin(), f.Definitions().end(), place.word.offset,
                                        [](const GameDefinition& d, std::uint64_t o) { return d.Offset() < o; });
             at != f.Definitions().end() && at->Offset() == place.word.offset; ++at)
            if (at->Kind() == DefinitionKind::PropertyRoutine) meaning.key = f.FullNameOf(*at);
    }
    meaning.definitions = RankedDefinitions(game, meaning.key);
    // "obj.prop" where obj has no routine for prop: the property.
    if (meaning.definitions.empty() && !place.qualified.empty()) {
        meaning.key = place.name;
        meaning.definitions = RankedDefinitions(game, meaning.key);
    }
    // The name a definition is made by, when nothing else is found: that definition.
    if (meaning.definitions.empty()) {
        const CGameFile& f = game.File(file);
        for (auto at = std::lower_bound(f.Definitions().begin(), f.Definitions().end(), place.word.offset,
                                        [](const GameDefinition& d, std::uint64_t o) { return d.Offset() < o; });
             at != f.Definitions().end() && at->Offset() == place.word.offset; ++at) {
            meaning.definitions.push_back(GameDefinitionRef{file, static_cast<std::uint32_t>(at - f.Definitions().begin())});
            meaning.key = f.FullNameOf(*at);
        }
    }
    return meaning;
}

std::vector<GameReference> UsesOf(const CGame& game, const GameMeaning& meaning)
{
    std::vector<GameReference> uses;
    switch (meaning.kind) {
    case GameMeaning::None:
    case GameMeaning::Include:
        break;
    case GameMeaning::Local: {
        const std::string_view text(game.File(meaning.file).Text());
        const std::uint64_t fromLine = game.File(meaning.file).PositionOf(meaning.routineStart).line;
        game.File(meaning.file).ForEachWord(
            [&](const GameWord& w) {
                if (w.offset >= meaning.routineEnd) return false;
                if (w.offset < meaning.routineStart || !EqualsFolded(text.substr(w.offset, w.length), meaning.text)) return true;
                if ((w.offset > 0 && text[w.offset - 1] == '.') || (w.offset >= 2 && text[w.offset - 1] == '#')) return true;
                uses.push_back(GameReference{meaning.file, w});
                return true;
            },
            fromLine);
        break;
    }
    case GameMeaning::Action: {
        for (const GameReference& use : game.FindReferences(meaning.action + "Sub")) uses.push_back(use);
        for (const GameReference& use : game.FindReferences(meaning.action)) {
            const bool fake = [&] {
                for (const GameDefinitionRef& ref : meaning.definitions)
                    if (ref.file == use.file && game.Definition(ref).Offset() == use.word.offset) return true;
                return false;
            }();
            if (fake || IsActionUse(game, use.file, use.word, meaning.action)) uses.push_back(use);
        }
        std::sort(uses.begin(), uses.end(), [](const GameReference& a, const GameReference& b) {
            return a.file != b.file ? a.file < b.file : a.word.offset < b.word.offset;
        });
        break;
    }
    case GameMeaning::Name:
        uses = game.FindReferences(meaning.key);
        break;
    }
    return uses;
}
