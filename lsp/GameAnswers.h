#pragma once
// CGameAnswers: the answers that come from a whole game (definition, references,
// documentHighlight, hover, documentLink, the diagnostics of includes), with every
// place of the game given in the client's positions. A file the editor has open is
// measured in its open document; any other in its own text, decoded as the viewer
// decodes it (UTF-8 when it is that, else Windows-1252).

#include "LspDocument.h"

#include "game/Game.h"

#include <nlohmann/json.hpp>

#include <functional>
#include <map>
#include <string>
#include <vector>

class CGameAnswers {
public:
    using Json = nlohmann::json;
    // The open document of a path, or null.
    using OpenDocuments = std::function<CLspDocument*(const std::string& path)>;

    CGameAnswers(const CGame& game, const IGameFileSource& source, OpenDocuments open, PositionEncoding encoding);

    // The game's file and the offset in its text of a position of the document of path;
    // false when the game has no such file.
    bool Locate(const std::string& path, LspPosition position, std::uint32_t& file, std::uint64_t& offset);

    Json Definition(std::uint32_t file, std::uint64_t offset);
    Json References(std::uint32_t file, std::uint64_t offset, bool includeDeclaration);
    Json Highlights(std::uint32_t file, std::uint64_t offset);
    Json Hover(std::uint32_t file, std::uint64_t offset);
    Json DocumentLinks(std::uint32_t file);
    // Missing includes (errors, with the paths tried) and includes found only by case
    // (warnings).
    Json IncludeDiagnostics(std::uint32_t file);
    // The definitions whose names hold query (without regard to case), as symbols.
    void AddSymbols(const std::string& query, Json& symbols, std::size_t limit);

    // Places of the game in the client's positions.
    Json Position(std::uint32_t file, std::uint64_t lineOffset, std::uint32_t line, std::uint32_t column);
    Json Range(std::uint32_t file, std::uint64_t lineOffset, std::uint32_t line, std::uint32_t column,
               std::uint32_t length);
    Json Location(std::uint32_t file, std::uint64_t lineOffset, std::uint32_t line, std::uint32_t column,
                  std::uint32_t length);
    Json DefinitionLocation(const GameDefinitionRef& ref);
    Json WordLocation(std::uint32_t file, const GameWord& word);
    // The position of any offset of a file.
    Json OffsetPosition(std::uint32_t file, std::uint64_t offset);
    display::Encoding EncodingOf(std::uint32_t file);
    const CGame& Game() const { return m_game; }
    CLspDocument* OpenDocument(const std::string& path) { return m_open(path); }
    PositionEncoding Encoding() const { return m_encoding; }

private:
    const CGame& m_game;
    const IGameFileSource& m_source;
    OpenDocuments m_open;
    PositionEncoding m_encoding;
    std::map<std::uint32_t, display::Encoding> m_encodings;
};
