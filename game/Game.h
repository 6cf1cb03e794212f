#pragma once
// CGame: an Inform 6 game as the compiler reads it, for a reader to find their way
// through: its main file and every file it includes (found as the compiler finds them,
// see IncludeResolver.h), every definition of every file, and the uses of names.
//
// A game is built once from its inputs and a file source, by a pure function that
// keeps no state between calls and may run on any thread; the game it returns is never
// changed again, so any number of threads may ask it questions at once. A change of a
// file gives a new game (Reindex), which shares nothing mutable with the old one.
//
// The files: the main file first, then each file where the compiler first reads it (a
// file before the files it includes; two includes of one file read it once, at the
// first; an include of a file already being read ends there, so cycles end).
// The game is read as the compiler compiles it with the game's switches (GameCompiler.h):
// an Include in code the compiler skips is never followed, and every definition says
// whether the compiler compiles it.
// A file defines objects of the classes of the files read before it and of those it
// includes, as the compiler would see them when it reaches the object.
//
// Names compare without case, as the compiler's symbols do. A property routine is named
// as the compiler names it, "object.property". A name defined more than once keeps every
// definition, in the order the compiler reads them (an included file's definitions
// where its Include stands).
//
// Uses of names are not stored: they are found on demand by the lexer, from the
// nearest of the states each file keeps every GAME_CHECKPOINT_LINES lines.

#include "CompilerSwitches.h"
#include "GameCompiler.h"
#include "GameFile.h"
#include "GameFileSource.h"
#include "IncludeResolver.h"
#include "IncludeSettings.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct GameInputs {
    std::string mainPath;                     // the main file, as the user gave it
    std::string switches;                     // the compiler's, as one argument (CompilerSwitches.h)
    std::vector<std::string> includeFolders;  // the caller's folders (--include-path), used as given
    std::string libraryFolder = GAME_LIBRARY_FOLDER;  // "" for none
};

struct GameDefinitionRef {
    std::uint32_t file;
    std::uint32_t index;  // in the file's Definitions()
    bool operator==(const GameDefinitionRef&) const = default;
};

struct GameReference {
    std::uint32_t file;
    GameWord word;
};

// What stands at a place of a file.
// The word before a '.' that ends just before offset ("lamp" of "lamp.before"), or "".
std::string_view QualifierBefore(std::string_view text, std::uint64_t offset);

struct GamePlace {
    enum Kind { Nothing, Name, Include };
    Kind kind = Nothing;
    GameWord word{};        // Name: the word (for ##Take, the Take of it)
    std::string name;       // Name: its text
    std::string qualified;  // Name: "lamp.before" when the word is the before of lamp.before; else ""
    std::uint32_t include = 0;  // Include: its index in the file's Includes()
};

class CGame {
public:
    // The game of inputs.mainPath. Null only when memory runs out. A main file that
    // cannot be read gives a game of that one file, Unreadable.
    static std::shared_ptr<const CGame> Build(const GameInputs& inputs, const IGameFileSource& source);
    // The same game after the file at path changed, appeared or went: that file is read
    // again from source, every other file keeps the text it had here.
    std::shared_ptr<const CGame> Reindex(const std::string& path, const IGameFileSource& source) const;

    const GameInputs& Inputs() const { return m_inputs; }
    const IncludeSettings& Settings() const { return m_settings; }
    // The compiler's switches the game is read with: the inputs' and the main file's header.
    const CompilerSwitches& Switches() const { return m_switches; }
    // Why something is not compiled (GameDefinition::Reason, GameSkippedRange::reason,
    // GameInclude::reason), and that as a line for people: "`#Ifdef TARGET_GLULX` is false
    // (parser.h:143)", "replaced (Replace at story.inf:12)", ...
    const CompileReason& Reason(std::uint32_t index) const { return m_reasons[index]; }
    std::uint32_t ReasonCount() const { return static_cast<std::uint32_t>(m_reasons.size()); }
    std::string DescribeReason(std::uint32_t index) const;
    // "file:line" of a place, the file by its name alone.
    std::string PlaceText(std::uint32_t file, std::uint64_t offset) const;
    // How many If directives the compiler decided.
    std::uint32_t IfDecisions() const { return m_ifDecisions; }
    // The include path's folders in the order they are tried.
    const std::vector<std::string>& SearchFolders() const { return m_searchFolders; }

    std::uint32_t FileCount() const { return static_cast<std::uint32_t>(m_files.size()); }
    const CGameFile& File(std::uint32_t index) const { return m_files[index]; }
    // The file at path (as the game has it, or the same file by the source's identity),
    // or NO_FILE.
    std::uint32_t FindFile(const std::string& path, const IGameFileSource& source) const;
    // The file with the source's identity, or NO_FILE; and a file's identity.
    std::uint32_t FindIdentity(const std::string& identity) const;
    const std::string& IdentityOf(std::uint32_t file) const { return m_identities[file]; }
    // The file that first read file (and its include there), or NO_FILE for the main file.
    std::uint32_t IncludingFile(std::uint32_t file, std::uint32_t* include = nullptr) const;

    // Every definition of name, in the order the compiler reads them.
    std::vector<GameDefinitionRef> FindDefinitions(std::string_view name) const;
    // The name the compiler gives a definition: its own full name ("lamp.before"), or
    // Y for the routine a `Replace X Y` renames.
    std::string CompiledNameOf(const GameDefinitionRef& ref) const;
    static std::uint64_t AliasKey(const GameDefinitionRef& ref) { return (std::uint64_t{ref.file} << 32) | ref.index; }
    const GameDefinition& Definition(const GameDefinitionRef& ref) const
    {
        return m_files[ref.file].Definitions()[ref.index];
    }
    // Every use of name as a word in the game: files in include order, each in text order.
    // "lamp.before" finds the before of lamp.before.
    std::vector<GameReference> FindReferences(std::string_view name) const;
    // The name or the Include at offset of a file: a word whose first byte is at offset
    // or which offset ends; anywhere on the lines of an Include directive, that Include.
    GamePlace WhatIsAt(std::uint32_t file, std::uint64_t offset) const;

    // Bytes held by the index, the texts not counted; and the texts' bytes.
    std::size_t GetMemoryUse() const;
    std::uint64_t GetTextSize() const;

private:
    friend class CGameBuilder;
    struct NameEntry {
        std::uint32_t hash;  // of the folded name
        std::uint32_t definition;  // numbered across files: m_firstDefinition[file] + index
    };

    GameDefinitionRef RefOf(std::uint32_t definition) const;

    GameInputs m_inputs;
    IncludeSettings m_settings;
    CompilerSwitches m_switches;
    std::vector<CompileReason> m_reasons;
    std::unordered_map<std::uint64_t, std::string> m_aliases;  // by AliasKey
    std::uint32_t m_ifDecisions = 0;
    std::vector<std::string> m_searchFolders;
    std::deque<CGameFile> m_files;  // made in place, grown in blocks
    std::deque<std::string> m_identities;       // of each file, from the source (grown in blocks)
    std::vector<std::uint32_t> m_includedFrom;  // each file's including file (NO_FILE for the main file)
    std::vector<std::uint32_t> m_includedAt;    // and the index of the include there
    std::vector<std::uint32_t> m_firstDefinition;
    std::vector<NameEntry> m_names;  // by hash, then in the compiler's order
};

// The hash by which names are found, over the name folded to lower case.
std::uint32_t HashFoldedName(std::string_view name, std::uint32_t hash = 2166136261u);
