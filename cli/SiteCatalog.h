#pragma once
// What a source site knows of its games once they are read: every file of every game
// once (a file several games read, a library, is one file of the site), each with its
// definitions, its includes and the games that read it; the games with their files in
// the order they read them; and every definition by name, for the links and the A to Z.
//
// The catalog holds no text: games are added one at a time (from any number of threads
// at once), and a game's texts and index can go as soon as it is added, so that a site
// of many games never holds more than the games being read.
//
// A file that several games read is described as the first of those games (by game
// number) reads it; a name used in it means the definitions of that name in every game
// that reads it.

#include "game/Game.h"
#include "syntax/DisplayText.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

inline constexpr std::uint32_t SITE_NO_FILE = 0xFFFFFFFFu;

struct SiteDefinition {
    std::string name;  // for people (UTF-8): "lamp.before" for a property routine
    std::string key;   // how uses find it: the name the compiler gives it, folded
    std::uint32_t line = 0;
    std::uint32_t column = 0;  // bytes before its name on its line
    std::uint32_t length = 0;  // its own name's bytes
    std::uint32_t parent = NO_PARENT;  // a property routine's object or class, in the file's list
    DefinitionKind kind = DefinitionKind::Routine;
};

// A use of a name in a file: where it stands and the definitions it means (SiteMeaning.h),
// which are its file's useTargets[first, first + count).
struct SiteUse {
    std::uint32_t line = 0;
    std::uint16_t column = 0;  // bytes before it on its line (a line is shorter than MAX_LINE_LENGTH)
    std::uint16_t length = 0;
    std::uint32_t first = 0;
    std::uint32_t count = 0;
};

// A use of a name, by its file and its index in the file's uses; or an include, by its
// file and its index in the file's includes.
struct SiteUseRef {
    std::uint32_t file;
    std::uint32_t index;
};

struct SiteDefinitionRef {
    std::uint32_t file;
    std::uint32_t index;
    bool operator==(const SiteDefinitionRef&) const = default;
};

struct SiteInclude {
    std::string name;          // as written, for people (UTF-8)
    std::uint32_t line = 0;    // of its quoted name
    std::uint32_t column = 0;
    std::uint32_t length = 0;  // of its quoted name, quotes included
    IncludeStatus status = IncludeStatus::Missing;
    std::uint32_t target = SITE_NO_FILE;
    std::vector<std::string> tried;  // Missing: every path tried
};

struct SiteFile {
    std::string path;      // as the game that describes it found it
    std::string identity;
    std::string realPath;  // with links followed (the writer's), "" when unknown
    std::string shown;     // its path for people (Finish): inside a folder given, from that folder's name on
    std::string page;      // its page's file name in the pages' folder (Finish)
    std::uint32_t describedBy = 0;   // the game whose reading is kept
    std::vector<std::uint32_t> games;  // every game that reads it, sorted
    bool unreadable = false;
    std::string failure;   // why it could not be read
    std::size_t bytes = 0; // its text's length, for the order in which pages are written
    display::Encoding encoding = display::Encoding::Utf8;  // of its text
    std::vector<SiteDefinition> definitions;  // in text order
    std::vector<SiteInclude> includes;        // in text order
    // The runs of whole lines the compiler skips, in text order, and why ("not compiled: ...").
    struct Skipped {
        std::uint32_t first;
        std::uint32_t last;
        std::string why;
    };
    std::vector<Skipped> skipped;
    // The uses of names in it, in text order, as every game that reads it reads them;
    // a definition's own name is none.
    std::vector<SiteUse> uses;
    std::vector<SiteDefinitionRef> useTargets;
    // (Finish) The uses of each of its definitions: definition k's are
    // usesOf[usesStart[k], usesStart[k + 1]), in the order of their files' paths, then
    // in text order.
    std::vector<std::uint32_t> usesStart;
    std::vector<SiteUseRef> usesOf;
    // (Finish) The includes that read it, in the order of their files' paths.
    std::vector<SiteUseRef> includedBy;
};

struct SiteGame {
    std::string mainPath;  // as given
    bool added = false;
    bool standalone = false;  // a file of a folder that no game includes, shown as a game of its own
    struct Entry {
        std::uint32_t file;
        std::uint32_t depth;  // 0: the main file; an included file is one deeper than the file including it
        bool outside;         // it lies outside the game's folder (the folder given, or the main file's)
    };
    std::vector<Entry> files;  // in the order the game reads them
};

// What the catalog takes from one game, read off it without the catalog (so from any
// number of threads at once): its files in the order it reads them, each described as
// this game reads it.
struct SiteGameReading {
    std::vector<SiteFile> files;
    std::vector<std::uint32_t> depth;                 // per file: SiteGame::Entry's depth
    std::vector<char> outside;                        // per file: SiteGame::Entry's outside (the writer's; none: no)
    std::vector<std::vector<std::uint32_t>> targets;  // per file, per include: the file it reads, or past the end
};

// The words of the files that several games read, lexed once for all of them: a file's
// words are kept from the second game that reads it on (most files of a folder of games
// are read by one). Safe to ask from several threads at once.
class CSiteWordCache {
public:
    using Words = std::shared_ptr<const std::vector<GameWord>>;
    // The words of file (by its identity): kept ones, or the file's own, read now.
    Words Of(const std::string& identity, const CGameFile& file);
    // Lets every kept word go.
    void Clear();

private:
    struct Entry {
        unsigned reads = 0;
        Words words;
    };
    std::mutex m_mutex;
    std::unordered_map<std::string, Entry> m_files;
};

class CSiteCatalog {
public:
    // Games are numbered from 0 in the order they are to be shown.
    explicit CSiteCatalog(std::vector<std::string> mainPaths);

    // What the catalog needs of game; the game can go afterwards.
    static SiteGameReading Read(const CGame& game, const IGameFileSource& source, CSiteWordCache& words);
    // Adds game number gameIndex as read; safe to call from several threads at once.
    void AddGame(std::uint32_t gameIndex, SiteGameReading reading);
    // A game added after the first ones (a file of a folder that no game read), numbered
    // after them.
    std::uint32_t AppendGame(const std::string& mainPath);
    // Whether a game read the file at path (by the source's identity).
    bool HasFile(const std::string& identity) const;
    // Whether reading reads the file at path (by the source's identity).
    static bool Reads(const SiteGameReading& reading, const std::string& identity);

    // Names the pages (after the files' names, unique without regard to case, in the
    // order of their paths), indexes the names, the uses of each definition and the
    // includes of each file. A file inside one of folders (the folders given) is shown
    // from that folder's own name on. Call once, when every game is added.
    void Finish(const std::vector<std::string>& folders = {});

    const std::vector<SiteFile>& Files() const { return m_files; }
    const std::vector<SiteGame>& Games() const { return m_games; }
    const SiteDefinition& Definition(const SiteDefinitionRef& ref) const
    {
        return m_files[ref.file].definitions[ref.index];
    }
    // The files in the order of their paths, and each file's place in that order.
    const std::vector<std::uint32_t>& FilesByPath() const { return m_byPath; }
    std::uint32_t PathRank(std::uint32_t file) const { return m_pathRank[file]; }
    // The uses of a definition's name (Finish).
    std::span<const SiteUseRef> UsesOf(const SiteDefinitionRef& ref) const;
    // Where a definition's uses are listed: its anchor on its file's page of uses.
    std::string UsesAnchor(const SiteDefinitionRef& ref) const;

    // Every name defined, folded, in A to Z order, each with its definitions (in the
    // order SiteMeaning.h lists them).
    struct NameEntry {
        std::string_view key;  // its definitions' own
        std::vector<SiteDefinitionRef> definitions;
    };
    const std::vector<NameEntry>& Names() const { return m_names; }
    // The entry of a folded name, or null.
    const NameEntry* FindName(std::string_view key) const;
    // The anchor of a name's entry in the A to Z.
    static std::string NameAnchor(std::string_view key);
    // The letter the A to Z lists a name under: its first letter in upper case (a
    // quoted name's first letter after its quote), or '#' for any other first byte.
    static char NameLetter(std::string_view key);

private:
    std::uint32_t FileOf(const std::string& identity);
    // Adds the uses read by one game (their targets in the catalog's file numbers) to
    // those the file has from other games.
    static void MergeUses(SiteFile& file, std::vector<SiteUse> uses, const std::vector<SiteDefinitionRef>& targets);
    void IndexUses();

    mutable std::mutex m_mutex;
    std::vector<SiteFile> m_files;
    std::vector<SiteGame> m_games;
    std::unordered_map<std::string, std::uint32_t> m_byIdentity;
    std::vector<std::uint32_t> m_byPath;
    std::vector<std::uint32_t> m_pathRank;
    std::vector<NameEntry> m_names;
    std::unordered_map<std::string_view, std::uint32_t> m_nameIndex;  // into m_names
};
