#pragma once
// CLspWorkspace: the games the server answers from, built by the game model from the
// files on disk with the editor's open documents in front of them.
//
// Which game a file belongs to: a .inf is the main file of its game; a .h belongs to the
// first game (by the main file's path) of the workspace's .inf files that includes it,
// else it is a game of its own. The workspace's .inf files are those in its folders
// (searched to a depth of WORKSPACE_DEPTH, looking at WORKSPACE_ENTRIES names at most
// and keeping at most WORKSPACE_MAIN_FILES) and those the editor opened.
//
// Two paths of one main file (a workspace folder that is a link to another, or one
// given twice) are one game: the path of the open document, else the one without links,
// else the first. A scan that stops at one of its limits says so in the log.
//
// The include path of every game: the !% lines of its main file, then the editor's
// folders (initializationOptions.includePath, workspace/didChangeConfiguration), then
// the main file's folder and the standard library's, as the viewer has it. A relative
// folder of the editor's is the workspace folder's that holds the main file (the main
// file's own folder's when none does), as for the compile on save.
//
// A game is built when first asked for and brought up to date, one file at a time,
// when it is next asked for after an edit of one of its files, or after a file of it
// changed on disk: the editor says so (FilesChanged, from its file watchers), and each
// time a game is asked for, the size, time and inode of each of its files that the
// editor does not hold open are looked at again, as are the paths its missing includes
// tried (a file that appeared there).

#include "game/Game.h"
#include "game/GameFileSource.h"

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

inline constexpr int WORKSPACE_DEPTH = 4;
inline constexpr std::size_t WORKSPACE_MAIN_FILES = 500;
inline constexpr std::size_t WORKSPACE_ENTRIES = 20000;  // names looked at in all
inline constexpr std::size_t QUICK_REINDEX_BYTES = std::size_t{1} << 20;

class CLspWorkspace {
public:
    using Logger = std::function<void(const std::string& line)>;

    CLspWorkspace() : m_overlay(m_disk) {}

    void SetLogger(Logger log) { m_log = std::move(log); }

    void SetRoots(std::vector<std::string> folders);
    // The editor's include folders; every game is built again with them.
    void SetIncludeFolders(std::vector<std::string> folders);
    const std::vector<std::string>& GetIncludeFolders() const { return m_includeFolders; }
    // The compiler's switches every game is built with (as glossel-render --switches takes them).
    void SetSwitches(std::string switches);
    const std::string& GetSwitches() const { return m_switches; }
    // The editor's folders for the game of mainPath, each absolute.
    std::vector<std::string> IncludeFoldersFor(const std::string& mainPath) const;
    // An open document's text (as the editor holds it) wins over the file.
    void SetOpenText(const std::string& path, const std::shared_ptr<const std::string>& text);
    void CloseText(const std::string& path);
    // Files that changed, appeared or went on disk.
    void FilesChanged(const std::vector<std::string>& paths);

    // The game that path belongs to; null only when memory ran out. Quick: a game whose
    // edited files hold more than QUICK_REINDEX_BYTES is given as it was last built (a
    // completion while typing in a large file does not wait for its index).
    std::shared_ptr<const CGame> GameOf(const std::string& path, bool quick = false);
    const std::vector<std::string>& Roots() const { return m_roots; }
    // The games of every main file of the workspace.
    std::vector<std::shared_ptr<const CGame>> AllGames();
    const IGameFileSource& Source() const { return m_overlay; }

private:
    // What a file on disk was when its game read it.
    struct Stamp {
        bool exists = false;
        std::uint64_t size = 0;
        std::uint64_t inode = 0;
        std::int64_t modified = 0;  // ns
        bool operator==(const Stamp&) const = default;
    };
    struct Entry {
        std::shared_ptr<const CGame> game;
        std::set<std::string> stale;  // files edited since it was built
        std::map<std::string, Stamp> stamps;  // its files on disk (not open in the editor)
    };
    static Stamp StampOf(const std::string& path);
    void TakeStamps(Entry& entry);
    void LookAtDisk(Entry& entry);

    std::shared_ptr<const CGame> MainGame(const std::string& mainPath, bool quick = false);
    std::vector<std::string> MainFiles();
    void MarkStale(const std::string& path);

    void Log(const std::string& line) const
    {
        if (m_log) m_log(line);
    }

    Logger m_log;
    CDiskFileSource m_disk;
    CGameFileOverlay m_overlay;
    std::vector<std::string> m_roots;
    std::vector<std::string> m_includeFolders;
    std::string m_switches;
    std::set<std::string> m_openMainFiles;
    std::set<std::string> m_openTexts;  // paths the editor holds open
    std::vector<std::string> m_mainFiles;  // found in the roots, once
    bool m_scanned = false;
    std::map<std::string, Entry> m_games;  // by main file
};

// Whether path names a main file (.inf in any case).
bool IsMainFileName(const std::string& path);
