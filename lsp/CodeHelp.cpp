#include "CodeHelp.h"

#include "CaretContext.h"
#include "Cancellation.h"
#include "JsonAccess.h"
#include "LanguageWords.h"
#include "game/GameResolver.h"

#include "syntax/CharClass.h"

#include <algorithm>
#include <functional>
#include <unordered_map>

using Json = nlohmann::json;
using charclass::EqualsFolded;
using charclass::Fold;

namespace {

// The protocol's CompletionItemKind.
enum ItemKind { KIND_METHOD = 2, KIND_FUNCTION = 3, KIND_VARIABLE = 6, KIND_CLASS = 7, KIND_PROPERTY = 10,
                KIND_VALUE = 12, KIND_KEYWORD = 14, KIND_ENUM_MEMBER = 20, KIND_CONSTANT = 21, KIND_STRUCT = 22,
                KIND_EVENT = 23 };

int ItemKindOf(DefinitionKind kind)
{
    switch (kind) {
    case DefinitionKind::Routine:
    case DefinitionKind::Stub:
    case DefinitionKind::Replace: return KIND_FUNCTION;
    case DefinitionKind::Object: return KIND_VALUE;
    case DefinitionKind::Class: return KIND_CLASS;
    case DefinitionKind::Global: return KIND_VARIABLE;
    case DefinitionKind::Constant: return KIND_CONSTANT;
    case DefinitionKind::Array: return KIND_STRUCT;
    case DefinitionKind::Attribute: return KIND_ENUM_MEMBER;
    case DefinitionKind::Property: return KIND_PROPERTY;
    case DefinitionKind::PropertyRoutine: return KIND_METHOD;
    case DefinitionKind::FakeAction: return KIND_EVENT;
    default: return KIND_VALUE;
    }
}

bool StartsWithFolded(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && EqualsFolded(text.substr(0, prefix.size()), prefix);
}

std::string Folded(std::string_view text)
{
    std::string out(text);
    for (char& c : out) c = static_cast<char>(Fold(static_cast<unsigned char>(c)));
    return out;
}

// The items of one answer, one a name (without regard to case): the game's own before
// the library's, then the first found. Only the items sent are made into JSON.
class CItems {
public:
    CItems(const std::string& prefix, Json range) : m_prefix(prefix), m_range(std::move(range)) {}

    // detail and data are made only for an item that is sent.
    // A weak item (a property no directive declares) gives way to another of its rank.
    void Add(std::string_view label, int kind, int rank, std::function<Json()> detail = nullptr,
             std::function<Json()> data = nullptr, bool weak = false)
    {
        if (!StartsWithFolded(label, m_prefix)) return;
        std::string key = Folded(label);
        const auto found = m_items.find(key);
        if (found != m_items.end() && (found->second.rank < rank || (found->second.rank == rank && (weak || !found->second.weak))))
            return;
        m_items[std::move(key)] = Entry{std::string(label), kind, rank, std::move(detail), std::move(data), weak};
    }

    Json Answer()
    {
        std::vector<std::pair<std::string, const Entry*>> sorted;
        sorted.reserve(m_items.size());
        for (const auto& [key, entry] : m_items) sorted.emplace_back(std::to_string(entry.rank) + key, &entry);
        const std::size_t count = std::min(sorted.size(), COMPLETION_LIMIT);
        std::partial_sort(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(count), sorted.end(),
                          [](const auto& a, const auto& b) { return a.first < b.first; });
        Json items = Json::array();
        for (std::size_t i = 0; i < count; ++i) {
            const Entry& e = *sorted[i].second;
            Json item = {{"label", e.label},
                         {"kind", e.kind},
                         {"sortText", sorted[i].first},
                         {"filterText", e.label},
                         {"textEdit", {{"range", m_range}, {"newText", e.label}}}};
            if (e.detail) item["detail"] = e.detail();
            if (e.data) item["data"] = e.data();
            items.push_back(std::move(item));
        }
        return {{"isIncomplete", sorted.size() > COMPLETION_LIMIT}, {"items", std::move(items)}};
    }

private:
    struct Entry {
        std::string label;
        int kind;
        int rank;
        std::function<Json()> detail;
        std::function<Json()> data;
        bool weak = false;
    };
    std::string m_prefix;
    Json m_range;
    std::unordered_map<std::string, Entry> m_items;  // by folded label
};

constexpr int RANK_LOCAL = 0;
constexpr int RANK_OWN = 1;
constexpr int RANK_LIBRARY = 2;
constexpr int RANK_WORD = 3;

// Which kinds of definition a place offers.
bool Offers(CaretPlace place, DefinitionKind kind)
{
    switch (place) {
    case CaretPlace::Property: return kind == DefinitionKind::Property || kind == DefinitionKind::PropertyRoutine;
    case CaretPlace::Attribute: return kind == DefinitionKind::Attribute;
    case CaretPlace::Action: return kind == DefinitionKind::FakeAction || IsRoutineKind(kind);
    case CaretPlace::Class:
    case CaretPlace::Directive: return kind == DefinitionKind::Class;
    case CaretPlace::Statement:
    case CaretPlace::Expression:
        return kind == DefinitionKind::Routine || kind == DefinitionKind::Object || kind == DefinitionKind::Class ||
               kind == DefinitionKind::Global || kind == DefinitionKind::Constant || kind == DefinitionKind::Array ||
               kind == DefinitionKind::Stub || kind == DefinitionKind::Replace;
    case CaretPlace::Nothing: break;
    }
    return false;
}

// A routine's header as one line, and where each local stands in it.
std::string HeaderLabel(std::string_view text, const RoutineHeader& header, std::vector<std::pair<std::size_t, std::size_t>>& params)
{
    std::string label;
    std::size_t next = 0;
    for (std::uint64_t at = header.open; at < header.end && at < text.size();) {
        const char c = text[at];
        if (c == '!') {
            while (at < text.size() && text[at] != '\n') ++at;
            continue;
        }
        if (charclass::IsBlank(static_cast<unsigned char>(c))) {
            if (!label.empty() && label.back() != ' ') label.push_back(' ');
            ++at;
            continue;
        }
        if (next < header.locals.size() && at == header.locals[next].offset) {
            params.emplace_back(label.size(), label.size() + header.locals[next].length);
            label.append(text.substr(at, header.locals[next].length));
            at += header.locals[next].length;
            ++next;
            continue;
        }
        label.push_back(c);
        ++at;
    }
    return label;
}

}  // namespace

bool CCodeHelp::IsLibrary(const std::string& path) const
{
    if (path.rfind(GAME_LIBRARY_FOLDER, 0) == 0) return true;
    if (m_roots.empty()) return false;
    for (const std::string& root : m_roots)
        if (path.size() > root.size() && path.compare(0, root.size(), root) == 0 && (root.back() == '/' || path[root.size()] == '/'))
            return false;
    return true;
}

Json CCodeHelp::Completion(CLspDocument& document, std::size_t documentOffset, std::uint32_t file, std::uint64_t gameOffset)
{
    const CaretContext caret = ReadCaret(document, documentOffset);
    const PositionEncoding encoding = m_answers.Encoding();
    const LspPosition from = document.PositionOf(caret.prefixStart, encoding);
    const LspPosition to = document.PositionOf(documentOffset, encoding);
    CItems items(caret.prefix, {{"start", {{"line", from.line}, {"character", from.character}}},
                                {"end", {{"line", to.line}, {"character", to.character}}}});
    if (caret.place == CaretPlace::Nothing) return items.Answer();
    const CGame& game = m_answers.Game();

    // A property routine's labels are actions.
    std::uint32_t routine = 0;
    const bool inRoutine = file != NO_FILE && EnclosingRoutine(game, file, gameOffset, routine);
    const bool labels = caret.place == CaretPlace::Statement && inRoutine &&
                        game.File(file).Definitions()[routine].Kind() == DefinitionKind::PropertyRoutine;

    for (std::uint32_t f = 0; f < game.FileCount(); ++f) {
        const CGameFile& gameFile = game.File(f);
        const int rank = IsLibrary(gameFile.Path()) ? RANK_LIBRARY : RANK_OWN;
        for (const GameDefinition& d : gameFile.Definitions()) {
            CurrentCancelCheck().Check();
            const std::string_view name = gameFile.NameOf(d);
            // An item's label is its name or a beginning of it (an action's, without Sub).
            if (name.empty() || name.front() == '"' || !StartsWithFolded(name, caret.prefix)) continue;
            const bool action = caret.place == CaretPlace::Action || (labels && (IsRoutineKind(d.Kind()) || d.Kind() == DefinitionKind::FakeAction));
            if (!Offers(caret.place, d.Kind()) && !action) continue;
            std::string label(name);
            int kind = ItemKindOf(d.Kind());
            if (action && d.Kind() != DefinitionKind::FakeAction) {
                if (!EndsWithSub(name)) {
                    if (caret.place == CaretPlace::Action) continue;
                } else {
                    label = label.substr(0, label.size() - 3);
                    kind = KIND_EVENT;
                    items.Add(label, kind, rank, [name] { return Json("action (" + std::string(name) + ")"); },
                              [&gameFile, &d] { return Json{{"path", gameFile.Path()}, {"line", d.Line()}}; });
                    if (caret.place == CaretPlace::Action) continue;
                    label = std::string(name);
                    kind = ItemKindOf(d.Kind());
                }
            }
            items.Add(
                label, kind, rank,
                [&gameFile, &d] {
                    return Json(std::string(DefinitionKindName(d.Kind())) + " in " + gameFile.Path() + ":" + std::to_string(d.Line()));
                },
                [&gameFile, &d] { return Json{{"path", gameFile.Path()}, {"line", d.Line()}}; }, d.IsImplicit());
        }
    }
    if ((caret.place == CaretPlace::Statement || caret.place == CaretPlace::Expression) && inRoutine) {
        const GameDefinitionRef ref{file, routine};
        const CGameFile& f = game.File(file);
        const std::string owner = f.FullNameOf(game.Definition(ref));
        for (const GameWord& local : HeaderOf(game, ref).locals)
            items.Add(f.Text().substr(local.offset, local.length), KIND_VARIABLE, RANK_LOCAL, [owner] { return Json("local of " + owner); });
    }
    const auto words = [&](const char* const* list) {
        for (; *list; ++list) items.Add(*list, KIND_KEYWORD, RANK_WORD, [] { return Json("keyword"); });
    };
    if (caret.place == CaretPlace::Directive) words(g_directiveWords);
    if (caret.place == CaretPlace::Statement) words(g_statementWords);
    if (caret.place == CaretPlace::Statement || caret.place == CaretPlace::Expression) words(g_expressionWords);
    return items.Answer();
}

std::string CCodeHelp::CommentAbove(std::string_view text, std::uint64_t line)
{
    // The lines of text, from 1.
    std::vector<std::string_view> above;
    std::size_t start = 0;
    std::uint64_t number = 1;
    std::vector<std::string_view> lines;
    while (number < line && start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
        ++number;
    }
    for (std::size_t i = lines.size(); i-- > 0 && above.size() < 40;) {
        std::string_view l = lines[i];
        while (!l.empty() && (l.front() == ' ' || l.front() == '\t')) l.remove_prefix(1);
        if (l.empty() || l.front() != '!') break;
        above.push_back(l);
    }
    std::string comment;
    for (std::size_t i = above.size(); i-- > 0;) {
        std::string_view l = above[i];
        while (!l.empty() && l.front() == '!') l.remove_prefix(1);
        if (!l.empty() && l.front() == ' ') l.remove_prefix(1);
        while (!l.empty() && (l.back() == ' ' || l.back() == '\r' || l.back() == '\t')) l.remove_suffix(1);
        // A rule of dashes (or of '=', '*', '~') is no part of what it says.
        if (!l.empty() && l.find_first_not_of("-=*~_ ") == std::string_view::npos) continue;
        if (l.empty() && comment.empty()) continue;
        comment.append(l).push_back('\n');
    }
    while (!comment.empty() && comment.back() == '\n') comment.pop_back();
    return comment;
}

Json CCodeHelp::Resolve(Json item, const IGameFileSource& source)
{
    std::string path;
    const Json* data = jsonaccess::Member(item, "data");
    const std::optional<std::int64_t> line = data ? jsonaccess::GetInteger(*data, "line") : std::nullopt;
    if (!data || !jsonaccess::GetString(*data, "path", path) || !line || *line < 1) return item;
    std::string reason;
    const std::shared_ptr<const std::string> text = source.Load(path, reason);
    if (!text) return item;
    const display::Encoding encoding = display::ChooseEncoding(text->data(), text->size());
    const std::string comment = CommentAbove(*text, static_cast<std::uint64_t>(*line));
    std::size_t start = 0;
    for (std::int64_t n = 1; n < *line && start < text->size(); ++n) start = text->find('\n', start) + 1;
    std::string definition = text->substr(start, text->find('\n', start) - start);
    if (definition.size() > 200) definition = definition.substr(0, 200) + "...";
    std::string value = comment.empty() ? std::string() : comment + "\n\n";
    value += "```inform6\n" + definition + "\n```";
    item["documentation"] = {{"kind", "markdown"}, {"value", ToUtf8(value, encoding)}};
    return item;
}

Json CCodeHelp::SignatureHelp(CLspDocument& document, std::size_t documentOffset, std::uint32_t file, std::uint64_t)
{
    const CallAtCaret call = FindCall(document, documentOffset);
    if (!call.found || file == NO_FILE) return nullptr;
    const CGame& game = m_answers.Game();
    const CGameFile& f = game.File(file);
    // The call's name in the game's text: the same line and column as in the document.
    const std::size_t line = document.LineOfOffset(call.nameOffset);
    const std::uint64_t nameOffset = f.OffsetOf(line + 1, static_cast<std::uint32_t>(call.nameOffset - document.LineStart(line)));
    const GameMeaning meaning = MeaningAt(game, file, nameOffset);
    if (meaning.kind == GameMeaning::None || meaning.kind == GameMeaning::Local) return nullptr;
    std::vector<GameDefinitionRef> definitions;
    for (const GameDefinitionRef& ref : meaning.definitions)
        if (IsRoutineKind(game.Definition(ref).Kind())) definitions.push_back(ref);
    if (definitions.empty() && !call.qualifier.empty()) {
        // self.prop( in an object's own routine, else any object's prop.
        const std::string object = EqualsFolded(call.qualifier, "self") ? EnclosingObject(game, file, nameOffset) : std::string();
        if (!object.empty()) definitions = game.FindDefinitions(object + "." + call.name);
        for (std::uint32_t g = 0; g < game.FileCount() && definitions.empty(); ++g)
            for (std::uint32_t i = 0; i < game.File(g).Definitions().size() && definitions.size() < 8; ++i) {
                const GameDefinition& d = game.File(g).Definitions()[i];
                if (d.Kind() == DefinitionKind::PropertyRoutine && EqualsFolded(game.File(g).NameOf(d), call.name))
                    definitions.push_back(GameDefinitionRef{g, i});
            }
    }
    Json signatures = Json::array();
    for (const GameDefinitionRef& ref : definitions) {
        const RoutineHeader header = HeaderOf(game, ref);
        if (header.end == 0) continue;
        const CGameFile& df = game.File(ref.file);
        const display::Encoding encoding = m_answers.EncodingOf(ref.file);
        std::vector<std::pair<std::size_t, std::size_t>> params;
        const std::string label = HeaderLabel(df.Text(), header, params);
        // Parameter places count UTF-16 units of the label as the client has it.
        const std::string utf8 = ToUtf8(label, encoding);
        const CLspDocument measure(utf8, display::Encoding::Utf8);
        const auto units = [&](std::size_t bytes) {
            return measure.Units(0, ToUtf8(label.substr(0, bytes), encoding).size(), PositionEncoding::Utf16);
        };
        Json parameters = Json::array();
        for (const auto& [s, e] : params) parameters.push_back({{"label", {units(s), units(e)}}});
        Json signature = {{"label", utf8}, {"parameters", std::move(parameters)}};
        const std::string comment = CommentAbove(df.Text(), df.PositionOf(game.Definition(ref).Start()).line);
        if (!comment.empty()) signature["documentation"] = {{"kind", "plaintext"}, {"value", ToUtf8(comment, encoding)}};
        signatures.push_back(std::move(signature));
    }
    if (signatures.empty()) return nullptr;
    return {{"signatures", std::move(signatures)}, {"activeSignature", 0}, {"activeParameter", call.argument}};
}
