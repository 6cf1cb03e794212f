#include "GameAnswers.h"

#include "Cancellation.h"
#include "game/GameResolver.h"
#include "StructureAnswers.h"
#include "Uri.h"

#include <algorithm>

using Json = nlohmann::json;

namespace {

// What an editor calls each kind, in a hover.
std::string KindWords(DefinitionKind kind) { return DefinitionKindName(kind); }

bool ContainsNoCase(std::string_view text, std::string_view part)
{
    if (part.empty()) return true;
    const auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    return std::search(text.begin(), text.end(), part.begin(), part.end(),
                       [&](char a, char b) { return fold(a) == fold(b); }) != text.end();
}

}  // namespace

CGameAnswers::CGameAnswers(const CGame& game, const IGameFileSource& source, OpenDocuments open,
                           PositionEncoding encoding)
    : m_game(game), m_source(source), m_open(std::move(open)), m_encoding(encoding)
{
}

display::Encoding CGameAnswers::EncodingOf(std::uint32_t file)
{
    const auto found = m_encodings.find(file);
    if (found != m_encodings.end()) return found->second;
    const std::string& text = m_game.File(file).Text();
    const display::Encoding encoding = display::ChooseEncoding(text.data(), text.size());
    m_encodings[file] = encoding;
    return encoding;
}

Json CGameAnswers::Position(std::uint32_t file, std::uint64_t lineOffset, std::uint32_t line, std::uint32_t column)
{
    const CGameFile& f = m_game.File(file);
    if (CLspDocument* document = m_open(f.Path()); document && line >= 1 && line <= document->LineCount()) {
        const std::size_t start = document->LineStart(line - 1);
        const LspPosition p = document->PositionOf(std::min(start + column, document->LineEnd(line - 1)), m_encoding);
        return {{"line", p.line}, {"character", p.character}};
    }
    // The game's own text: its lines are the lexer's (the client's, but for lone CRs).
    const std::string_view text = f.LineAt(lineOffset).substr(0, column);
    const CLspDocument measure{std::string(text), EncodingOf(file)};
    return {{"line", line - 1}, {"character", measure.Units(0, text.size(), m_encoding)}};
}

Json CGameAnswers::Range(std::uint32_t file, std::uint64_t lineOffset, std::uint32_t line, std::uint32_t column,
                         std::uint32_t length)
{
    return {{"start", Position(file, lineOffset, line, column)}, {"end", Position(file, lineOffset, line, column + length)}};
}

Json CGameAnswers::Location(std::uint32_t file, std::uint64_t lineOffset, std::uint32_t line, std::uint32_t column,
                            std::uint32_t length)
{
    return {{"uri", UriFromPath(m_game.File(file).Path())}, {"range", Range(file, lineOffset, line, column, length)}};
}

Json CGameAnswers::DefinitionLocation(const GameDefinitionRef& ref)
{
    const GameDefinition& d = m_game.Definition(ref);
    const CGameFile& f = m_game.File(ref.file);
    return Location(ref.file, f.OffsetOf(d.Line()), d.Line(), d.Column(), d.Length());
}

bool CGameAnswers::Locate(const std::string& path, LspPosition position, std::uint32_t& file, std::uint64_t& offset)
{
    file = m_game.FindFile(path, m_source);
    if (file == NO_FILE) return false;
    const CGameFile& f = m_game.File(file);
    if (CLspDocument* document = m_open(path)) {
        const std::size_t at = document->OffsetOf(position, m_encoding);
        const std::size_t line = document->LineOfOffset(at);
        offset = f.OffsetOf(line + 1, static_cast<std::uint32_t>(at - document->LineStart(line)));
        return true;
    }
    const std::uint64_t lineOffset = f.OffsetOf(position.line + 1);
    const std::string_view text = f.LineAt(lineOffset);
    const CLspDocument measure{std::string(text), EncodingOf(file)};
    offset = lineOffset + measure.OffsetOf(LspPosition{0, position.character}, m_encoding);
    return true;
}

Json CGameAnswers::WordLocation(std::uint32_t file, const GameWord& word)
{
    return Location(file, word.lineOffset, word.line, word.column, word.length);
}

Json CGameAnswers::OffsetPosition(std::uint32_t file, std::uint64_t offset)
{
    const TextPosition at = m_game.File(file).PositionOf(offset);
    return Position(file, offset - at.column, static_cast<std::uint32_t>(at.line), at.column);
}

Json CGameAnswers::Definition(std::uint32_t file, std::uint64_t offset)
{
    const GamePlace place = m_game.WhatIsAt(file, offset);
    Json locations = Json::array();
    if (place.kind == GamePlace::Include) {
        const GameInclude& include = m_game.File(file).Includes()[place.include];
        if (include.target != NO_FILE)
            locations.push_back({{"uri", UriFromPath(m_game.File(include.target).Path())},
                                 {"range", {{"start", {{"line", 0}, {"character", 0}}}, {"end", {{"line", 0}, {"character", 0}}}}}});
        return locations;
    }
    const GameMeaning meaning = MeaningAt(m_game, file, offset);
    if (meaning.kind == GameMeaning::Local) {
        locations.push_back(WordLocation(file, meaning.local));
        return locations;
    }
    for (const GameDefinitionRef& ref : meaning.definitions) locations.push_back(DefinitionLocation(ref));
    return locations;
}

Json CGameAnswers::References(std::uint32_t file, std::uint64_t offset, bool includeDeclaration)
{
    Json locations = Json::array();
    const GameMeaning meaning = MeaningAt(m_game, file, offset);
    std::vector<std::pair<std::uint32_t, std::uint64_t>> declarations;
    if (!includeDeclaration) {
        for (const GameDefinitionRef& ref : meaning.definitions) declarations.emplace_back(ref.file, m_game.Definition(ref).Offset());
        if (meaning.kind == GameMeaning::Local) declarations.emplace_back(file, meaning.local.offset);
    }
    for (const GameReference& use : UsesOf(m_game, meaning)) {
        CurrentCancelCheck().Check();
        if (std::find(declarations.begin(), declarations.end(), std::make_pair(use.file, use.word.offset)) != declarations.end())
            continue;
        locations.push_back(WordLocation(use.file, use.word));
    }
    return locations;
}

Json CGameAnswers::Highlights(std::uint32_t file, std::uint64_t offset)
{
    Json highlights = Json::array();
    for (const GameReference& use : UsesOf(m_game, MeaningAt(m_game, file, offset)))
        if (use.file == file)
            highlights.push_back({{"range", Range(use.file, use.word.lineOffset, use.word.line, use.word.column, use.word.length)},
                                  {"kind", 1}});
    return highlights;
}

Json CGameAnswers::Hover(std::uint32_t file, std::uint64_t offset)
{
    const GameMeaning meaning = MeaningAt(m_game, file, offset);
    std::string text;
    if (meaning.kind == GameMeaning::Local) {
        const CGameFile& f = m_game.File(file);
        std::uint32_t routine = 0;
        std::string owner;
        if (EnclosingRoutine(m_game, file, meaning.local.offset, routine)) owner = f.FullNameOf(f.Definitions()[routine]);
        text = "**local variable** `" + ToUtf8(meaning.text, EncodingOf(file)) + "` of `" + ToUtf8(owner, EncodingOf(file)) +
               "` in `" + ToUtf8(f.Path(), display::Encoding::Utf8) + ":" + std::to_string(meaning.local.line) +
               "`\n\n```inform6\n" + ToUtf8(f.LineAt(meaning.local.lineOffset), EncodingOf(file)) + "\n```";
        return {{"contents", {{"kind", "markdown"}, {"value", text}}}};
    }
    if (meaning.definitions.empty()) return nullptr;
    for (const GameDefinitionRef& ref : meaning.definitions) {
        const GameDefinition& d = m_game.Definition(ref);
        const CGameFile& f = m_game.File(ref.file);
        std::string line = ToUtf8(f.LineAt(f.OffsetOf(d.Line())), EncodingOf(ref.file));
        if (line.size() > 200) line = line.substr(0, 200) + "...";
        if (!text.empty()) text += "\n\n---\n\n";
        text += "**" + KindWords(d.Kind()) + "** `" + ToUtf8(f.FullNameOf(d), EncodingOf(ref.file)) + "`";
        if (d.GivesWay()) text += " (unless defined elsewhere)";
        text += " in `" + ToUtf8(f.Path(), display::Encoding::Utf8) + ":" + std::to_string(d.Line()) + "`\n\n```inform6\n" +
                line + "\n```";
    }
    return {{"contents", {{"kind", "markdown"}, {"value", text}}}};
}

Json CGameAnswers::DocumentLinks(std::uint32_t file)
{
    Json links = Json::array();
    const CGameFile& f = m_game.File(file);
    for (const GameInclude& include : f.Includes()) {
        if (include.Resolution().status == IncludeStatus::Missing) continue;
        Json link = {{"range", Range(file, f.OffsetOf(include.line), include.line, include.column, include.length)},
                     {"target", UriFromPath(include.Resolution().Path())}};
        if (include.Resolution().status == IncludeStatus::FoundByCase)
            link["tooltip"] = "found only by ignoring case: the compiler would not find it here";
        links.push_back(std::move(link));
    }
    return links;
}

Json CGameAnswers::IncludeDiagnostics(std::uint32_t file)
{
    Json diagnostics = Json::array();
    const CGameFile& f = m_game.File(file);
    for (const GameInclude& include : f.Includes()) {
        std::string message;
        int severity = 0;
        if (include.Resolution().status == IncludeStatus::Missing) {
            severity = 1;
            message = "Include \"" + std::string(include.Name(f)) + "\" cannot be found; tried:";
            for (const std::string& path : include.Resolution().tried) message += "\n" + path;
        } else if (include.Resolution().status == IncludeStatus::FoundByCase) {
            severity = 2;
            message = "Include \"" + std::string(include.Name(f)) + "\" is " + include.Resolution().Path() +
                      " only when case is ignored: the compiler would not find it here";
        } else {
            continue;
        }
        diagnostics.push_back({{"range", Range(file, f.OffsetOf(include.line), include.line, include.column, include.length)},
                               {"severity", severity},
                               {"source", "glossel"},
                               {"message", ToUtf8(message, EncodingOf(file))}});
    }
    // Code the compiler skips: a hint an editor fades, as code that is not compiled.
    for (const GameSkippedRange& skipped : f.SkippedRanges()) {
        const TextPosition from = f.PositionOf(skipped.start);
        const TextPosition to = f.PositionOf(skipped.end);
        const auto line = [](const TextPosition& p) { return static_cast<std::uint32_t>(p.line); };
        const auto column = [](const TextPosition& p) { return static_cast<std::uint32_t>(p.column); };
        diagnostics.push_back({{"range",
                                {{"start", Position(file, f.OffsetOf(from.line), line(from), column(from))},
                                 {"end", Position(file, f.OffsetOf(to.line), line(to), column(to))}}},
                               {"severity", 4},
                               {"tags", Json::array({1})},
                               {"source", "glossel"},
                               {"message", ToUtf8("not compiled: " + m_game.DescribeReason(skipped.reason), EncodingOf(file))}});
    }
    return diagnostics;
}

void CGameAnswers::AddSymbols(const std::string& query, Json& symbols, std::size_t limit)
{
    for (std::uint32_t file = 0; file < m_game.FileCount(); ++file) {
        const CGameFile& f = m_game.File(file);
        for (std::uint32_t i = 0; i < f.Definitions().size(); ++i) {
            if (symbols.size() >= limit) return;
            const GameDefinition& d = f.Definitions()[i];
            if (d.IsImplicit()) continue;
            const std::string name = f.FullNameOf(d);
            if (!ContainsNoCase(name, query)) continue;
            Json symbol = {{"name", ToUtf8(name, EncodingOf(file))},
                           {"kind", SymbolKindOf(d.Kind())},
                           {"location", DefinitionLocation(GameDefinitionRef{file, i})}};
            if (d.Parent() != NO_PARENT) symbol["containerName"] = ToUtf8(f.NameOf(f.Definitions()[d.Parent()]), EncodingOf(file));
            symbols.push_back(std::move(symbol));
        }
    }
}
