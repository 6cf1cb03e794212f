#include "NameEdits.h"

#include "Cancellation.h"
#include "JsonAccess.h"
#include "LanguageWords.h"
#include "game/GameResolver.h"
#include "Uri.h"

#include "syntax/CharClass.h"

#include <algorithm>
#include <filesystem>
#include <map>

using Json = nlohmann::json;
using charclass::EqualsFolded;

namespace {

// The longest name the compiler takes.
constexpr std::size_t kMaxIdentifier = 32;

bool IsIdentifier(std::string_view name)
{
    if (name.empty() || name.size() > kMaxIdentifier) return false;
    const auto first = static_cast<unsigned char>(name[0]);
    if (!charclass::IsLetter(first) && first != '_') return false;
    for (const char c : name) {
        const auto b = static_cast<unsigned char>(c);
        if (!charclass::IsLetter(b) && !(b >= '0' && b <= '9') && c != '_') return false;
    }
    return true;
}


std::string Where(const CGame& game, const GameDefinitionRef& ref)
{
    return game.File(ref.file).Path() + ":" + std::to_string(game.Definition(ref).Line());
}

}  // namespace

bool CNameEdits::Inside(const std::string& given) const
{
    const std::string path = std::filesystem::path(given).lexically_normal().string();
    if (path.rfind(GAME_LIBRARY_FOLDER, 0) == 0) return false;
    if (m_roots.empty()) return path.rfind("/usr/", 0) != 0;
    for (const std::string& root : m_roots)
        if (path.size() > root.size() && path.compare(0, root.size(), root) == 0 && (root.back() == '/' || path[root.size()] == '/'))
            return true;
    return false;
}

Json CNameEdits::PrepareRename(std::uint32_t file, std::uint64_t offset, std::string& refusal)
{
    const CGame& game = m_answers.Game();
    const GameMeaning meaning = MeaningAt(game, file, offset);
    if (meaning.kind == GameMeaning::None) {
        // The word there, if any, for the message.
        const std::string_view text(game.File(file).Text());
        std::uint64_t start = std::min<std::uint64_t>(offset, text.size());
        std::uint64_t end = start;
        while (start > 0 && charclass::IsWordChar(static_cast<unsigned char>(text[start - 1]))) --start;
        while (end < text.size() && charclass::IsWordChar(static_cast<unsigned char>(text[end]))) ++end;
        const std::string word(text.substr(start, end - start));
        refusal = !word.empty() && IsLanguageWord(word) ? "'" + word + "' is a word of the language; it cannot be renamed"
                                                        : "There is no name here to rename";
        return nullptr;
    }
    if (meaning.kind == GameMeaning::Local) {
        if (!Inside(game.File(file).Path())) {
            refusal = "'" + meaning.text + "' is in " + game.File(file).Path() + ", outside the workspace";
            return nullptr;
        }
    } else {
        if (meaning.key.find('.') != std::string::npos) {
            refusal = "'" + meaning.text + "' is a property: its name is every object's, so it is not renamed here";
            return nullptr;
        }
        if (meaning.definitions.empty()) {
            refusal = "'" + meaning.text + "' is not defined in the game";
            return nullptr;
        }
        for (const GameDefinitionRef& ref : meaning.definitions) {
            const DefinitionKind kind = game.Definition(ref).Kind();
            if (kind == DefinitionKind::Property || kind == DefinitionKind::PropertyRoutine) {
                refusal = "'" + meaning.text + "' is a property: its name is every object's, so it is not renamed here";
                return nullptr;
            }
            if (!Inside(game.File(ref.file).Path())) {
                refusal = "'" + meaning.text + "' is defined in " + Where(game, ref) + ", outside the workspace";
                return nullptr;
            }
        }
        for (const GameReference& use : UsesOf(game, meaning))
            if (!Inside(game.File(use.file).Path())) {
                refusal = "'" + meaning.text + "' is used in " + game.File(use.file).Path() + ":" + std::to_string(use.word.line) +
                          ", outside the workspace";
                return nullptr;
            }
    }
    const GameWord& w = meaning.word;
    return {{"range", m_answers.Range(file, w.lineOffset, w.line, w.column, w.length)},
            {"placeholder", ToUtf8(meaning.text, m_answers.EncodingOf(file))}};
}

Json CNameEdits::Rename(std::uint32_t file, std::uint64_t offset, const std::string& newName, bool documentChanges,
                        std::string& refusal)
{
    if (PrepareRename(file, offset, refusal).is_null()) return nullptr;
    const CGame& game = m_answers.Game();
    const GameMeaning meaning = MeaningAt(game, file, offset);
    if (!IsIdentifier(newName)) {
        refusal = "'" + newName + "' is not an Inform name (a letter or '_', then letters, digits and '_', at most 32)";
        return nullptr;
    }
    if (IsLanguageWord(newName)) {
        refusal = "'" + newName + "' is a word of the language";
        return nullptr;
    }
    // An action's two names: the action and its routine.
    std::string action;
    if (meaning.kind == GameMeaning::Action) {
        const bool routine = EndsWithSub(meaning.text) && !EqualsFolded(meaning.text, meaning.action);
        if (routine && !EndsWithSub(newName)) {
            refusal = "'" + meaning.text + "' is the routine of the action " + meaning.action + ": its new name ends in Sub too";
            return nullptr;
        }
        action = routine ? newName.substr(0, newName.size() - 3) : newName;
    }
    // Nothing else in the game may have the new name (a change of case alone is the same name).
    const auto taken = [&](const std::string& name, const std::string& old) -> bool {
        if (EqualsFolded(name, old)) return false;
        const std::vector<GameDefinitionRef> others = game.FindDefinitions(name);
        if (!others.empty()) {
            refusal = "'" + name + "' already names a " + DefinitionKindName(game.Definition(others.front()).Kind()) + " in " +
                      Where(game, others.front());
            return true;
        }
        return false;
    };
    if (meaning.kind == GameMeaning::Action) {
        if (taken(action + "Sub", meaning.action + "Sub") || taken(action, meaning.action)) return nullptr;
    } else if (taken(newName, meaning.text)) {
        return nullptr;
    }
    if (meaning.kind == GameMeaning::Local) {
        std::uint32_t routine = 0;
        if (EnclosingRoutine(game, file, meaning.local.offset, routine))
            for (const GameWord& local : HeaderOf(game, GameDefinitionRef{file, routine}).locals)
                if (local.offset != meaning.local.offset &&
                    EqualsFolded(game.File(file).Text().substr(local.offset, local.length), newName)) {
                    refusal = "'" + newName + "' already names another local of this routine";
                    return nullptr;
                }
    }
    // The edits, file by file in the game's order.
    std::map<std::uint32_t, Json> edits;
    for (const GameReference& use : UsesOf(game, meaning)) {
        CurrentCancelCheck().Check();
        const std::string_view word = std::string_view(game.File(use.file).Text()).substr(use.word.offset, use.word.length);
        std::string text = newName;
        if (meaning.kind == GameMeaning::Action) text = EndsWithSub(word) && !EqualsFolded(word, meaning.action) ? action + "Sub" : action;
        edits[use.file].push_back(
            {{"range", m_answers.Range(use.file, use.word.lineOffset, use.word.line, use.word.column, use.word.length)},
             {"newText", text}});
    }
    if (documentChanges) {
        Json changes = Json::array();
        for (auto& [f, list] : edits) {
            const std::string& path = game.File(f).Path();
            const std::int64_t version = m_versions(path);
            changes.push_back({{"textDocument", {{"uri", UriFromPath(path)}, {"version", version >= 0 ? Json(version) : Json(nullptr)}}},
                               {"edits", std::move(list)}});
        }
        return {{"documentChanges", std::move(changes)}};
    }
    Json changes = Json::object();
    for (auto& [f, list] : edits) changes[UriFromPath(game.File(f).Path())] = std::move(list);
    return {{"changes", std::move(changes)}};
}

Json CNameEdits::Item(const GameDefinitionRef& ref)
{
    const CGame& game = m_answers.Game();
    const CGameFile& f = game.File(ref.file);
    const GameDefinition& d = game.Definition(ref);
    const std::string name = ToUtf8(f.FullNameOf(d), m_answers.EncodingOf(ref.file));
    return {{"name", name},
            {"kind", d.Kind() == DefinitionKind::PropertyRoutine ? 6 : 12},
            {"detail", f.Path() + ":" + std::to_string(d.Line())},
            {"uri", UriFromPath(f.Path())},
            {"range", {{"start", m_answers.OffsetPosition(ref.file, d.Start())}, {"end", m_answers.OffsetPosition(ref.file, d.End())}}},
            {"selectionRange", m_answers.Range(ref.file, f.OffsetOf(d.Line()), d.Line(), d.Column(), d.Length())},
            {"data", {{"key", f.FullNameOf(d)}, {"path", f.Path()}, {"line", d.Line()}}}};
}

bool CNameEdits::FindItem(const Json& item, GameDefinitionRef& ref)
{
    const Json* data = jsonaccess::Member(item, "data");
    std::string key;
    std::string path;
    const std::optional<std::int64_t> line = data ? jsonaccess::GetInteger(*data, "line") : std::nullopt;
    const CGame& game = m_answers.Game();
    if (!data || !jsonaccess::GetString(*data, "key", key) || !jsonaccess::GetString(*data, "path", path) || !line) {
        // An item without the data it was given: the definition its name's place names.
        std::string uri;
        LspPosition at;
        const Json* start = jsonaccess::Path(item, {"selectionRange", "start"});
        std::uint32_t file = NO_FILE;
        std::uint64_t offset = 0;
        if (!jsonaccess::GetString(item, "uri", uri) || !PathFromUri(uri, path) || !start || !jsonaccess::GetPosition(*start, at) ||
            !m_answers.Locate(path, at, file, offset))
            return false;
        for (const GameDefinitionRef& found : MeaningAt(game, file, offset).definitions)
            if (IsRoutineKind(game.Definition(found).Kind()) && game.Definition(found).Kind() != DefinitionKind::Stub) {
                ref = found;
                return true;
            }
        return false;
    }
    for (const GameDefinitionRef& found : game.FindDefinitions(key))
        if (game.File(found.file).Path() == path && game.Definition(found).Line() == *line) {
            ref = found;
            return true;
        }
    // Moved since: the first that runs.
    for (const GameDefinitionRef& found : game.FindDefinitions(key))
        if (IsRoutineKind(game.Definition(found).Kind())) {
            ref = found;
            return true;
        }
    return false;
}

Json CNameEdits::PrepareCallHierarchy(std::uint32_t file, std::uint64_t offset)
{
    const CGame& game = m_answers.Game();
    const GameMeaning meaning = MeaningAt(game, file, offset);
    Json items = Json::array();
    for (const GameDefinitionRef& ref : meaning.definitions) {
        const DefinitionKind kind = game.Definition(ref).Kind();
        if (kind == DefinitionKind::Routine || kind == DefinitionKind::PropertyRoutine) items.push_back(Item(ref));
    }
    if (items.empty()) return nullptr;
    return items;
}

Json CNameEdits::IncomingCalls(const Json& item)
{
    GameDefinitionRef ref{};
    Json calls = Json::array();
    if (!FindItem(item, ref)) return calls;
    const CGame& game = m_answers.Game();
    const CGameFile& defFile = game.File(ref.file);
    const GameDefinition& d = game.Definition(ref);
    const std::string key = defFile.FullNameOf(d);
    const bool property = d.Kind() == DefinitionKind::PropertyRoutine;
    const std::string object = property ? std::string(defFile.NameOf(defFile.Definitions()[d.Parent()])) : std::string();
    std::vector<GameReference> uses = property ? game.FindReferences(std::string(defFile.NameOf(d))) : game.FindReferences(key);
    // By the routine each call stands in, in the order of their first calls.
    std::vector<std::pair<GameDefinitionRef, Json>> groups;
    for (const GameReference& use : uses) {
        CurrentCancelCheck().Check();
        const std::string_view text(game.File(use.file).Text());
        if (!IsCalled(text, use.word.offset + use.word.length)) continue;
        if (property) {
            const std::string_view qualifier = QualifierBefore(text, use.word.offset);
            if (qualifier.empty()) continue;
            const bool self = EqualsFolded(qualifier, "self") && EqualsFolded(EnclosingObject(game, use.file, use.word.offset), object);
            if (!self && !EqualsFolded(qualifier, object)) continue;
        }
        std::uint32_t routine = 0;
        if (!EnclosingRoutine(game, use.file, use.word.offset, routine)) continue;
        const GameDefinitionRef from{use.file, routine};
        auto group = std::find_if(groups.begin(), groups.end(), [&](const auto& g) { return g.first == from; });
        if (group == groups.end()) {
            groups.emplace_back(from, Json::array());
            group = groups.end() - 1;
        }
        group->second.push_back(m_answers.Range(use.file, use.word.lineOffset, use.word.line, use.word.column, use.word.length));
    }
    for (auto& [from, ranges] : groups) calls.push_back({{"from", Item(from)}, {"fromRanges", std::move(ranges)}});
    return calls;
}

Json CNameEdits::OutgoingCalls(const Json& item)
{
    GameDefinitionRef ref{};
    Json calls = Json::array();
    if (!FindItem(item, ref)) return calls;
    const CGame& game = m_answers.Game();
    const CGameFile& f = game.File(ref.file);
    const GameDefinition& d = game.Definition(ref);
    const std::string_view text(f.Text());
    std::vector<std::pair<GameDefinitionRef, Json>> groups;
    f.ForEachWord(
        [&](const GameWord& w) {
            if (w.offset >= d.End()) return false;
            CurrentCancelCheck().Check();
            if (w.offset < d.Start() || !IsCalled(text, w.offset + w.length)) return true;
            std::vector<GameDefinitionRef> callees;
            const GameMeaning meaning = MeaningAt(game, ref.file, w.offset);
            for (const GameDefinitionRef& callee : meaning.definitions)
                if (IsRoutineKind(game.Definition(callee).Kind())) callees.push_back(callee);
            const std::string_view qualifier = QualifierBefore(text, w.offset);
            if (callees.empty() && EqualsFolded(qualifier, "self")) {
                const std::string object = EnclosingObject(game, ref.file, w.offset);
                if (!object.empty()) callees = game.FindDefinitions(object + "." + std::string(text.substr(w.offset, w.length)));
            }
            // The definition the compiler reads first that has a body.
            auto callee = std::find_if(callees.begin(), callees.end(), [&](const GameDefinitionRef& c) {
                const DefinitionKind kind = game.Definition(c).Kind();
                return kind == DefinitionKind::Routine || kind == DefinitionKind::PropertyRoutine;
            });
            if (callee == callees.end()) return true;
            auto group = std::find_if(groups.begin(), groups.end(), [&](const auto& g) { return g.first == *callee; });
            if (group == groups.end()) {
                groups.emplace_back(*callee, Json::array());
                group = groups.end() - 1;
            }
            group->second.push_back(m_answers.Range(ref.file, w.lineOffset, w.line, w.column, w.length));
            return true;
        },
        f.PositionOf(d.Start()).line);
    for (auto& [to, ranges] : groups) calls.push_back({{"to", Item(to)}, {"fromRanges", std::move(ranges)}});
    return calls;
}
