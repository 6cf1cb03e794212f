#include "LspWorkspace.h"

#include "doc/TextLoader.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <sys/stat.h>

namespace fs = std::filesystem;

bool IsMainFileName(const std::string& path)
{
    if (path.size() < 4) return false;
    std::string tail = path.substr(path.size() - 4);
    std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return tail == ".inf";
}

namespace {

// The path without links or "." and ".." parts, or the path itself when it cannot be
// found out.
std::string WithoutLinks(const std::string& path)
{
    std::error_code error;
    const fs::path real = fs::canonical(path, error);
    return error ? path : real.string();
}

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool IsInside(const std::string& path, const std::string& folder)
{
    if (folder.empty() || path.size() <= folder.size() || path.compare(0, folder.size(), folder) != 0) return false;
    return folder.back() == '/' || path[folder.size()] == '/';
}

}  // namespace

void CLspWorkspace::SetRoots(std::vector<std::string> folders)
{
    // A folder given twice, or under two names, is searched once.
    m_roots.clear();
    std::set<std::string> seen;
    for (std::string& folder : folders)
        if (seen.insert(WithoutLinks(folder)).second) m_roots.push_back(std::move(folder));
    m_scanned = false;
}

std::vector<std::string> CLspWorkspace::IncludeFoldersFor(const std::string& mainPath) const
{
    std::string base;
    for (const std::string& root : m_roots)
        if (IsInside(mainPath, root) && root.size() > base.size()) base = root;
    if (base.empty()) base = FolderOf(mainPath);
    std::vector<std::string> folders;
    for (const std::string& folder : m_includeFolders)
        folders.push_back(!folder.empty() && folder.front() == '/' ? folder : (fs::path(base) / folder).lexically_normal().string());
    return folders;
}

void CLspWorkspace::SetSwitches(std::string switches)
{
    if (switches == m_switches) return;
    m_switches = std::move(switches);
    m_games.clear();
}

void CLspWorkspace::SetIncludeFolders(std::vector<std::string> folders)
{
    if (folders == m_includeFolders) return;
    m_includeFolders = std::move(folders);
    m_games.clear();
}

void CLspWorkspace::MarkStale(const std::string& path)
{
    for (auto& [main, entry] : m_games) {
        // A new or changed file may also be one that an include could not find before:
        // a game with a missing include is built again.
        bool missing = false;
        for (std::uint32_t f = 0; f < entry.game->FileCount() && !missing; ++f)
            for (const GameInclude& include : entry.game->File(f).Includes())
                if (include.Resolution().status == IncludeStatus::Missing) missing = true;
        if (missing) {
            entry.game.reset();
            continue;
        }
        if (main == path || entry.game->FindFile(path, m_overlay) != NO_FILE) entry.stale.insert(path);
    }
    std::erase_if(m_games, [](const auto& item) { return !item.second.game; });
}

void CLspWorkspace::SetOpenText(const std::string& path, const std::shared_ptr<const std::string>& text)
{
    // The game reads files as the viewer loads them (text mode); a text that reads the
    // same is the document's own, not a second copy.
    std::string loaded = TextFromBytes(*text);
    m_overlay.SetText(path, loaded == *text ? text : std::make_shared<const std::string>(std::move(loaded)));
    m_openTexts.insert(path);
    if (IsMainFileName(path)) m_openMainFiles.insert(path);
    MarkStale(path);
}

void CLspWorkspace::CloseText(const std::string& path)
{
    m_overlay.Remove(path);
    m_openTexts.erase(path);
    m_openMainFiles.erase(path);
    MarkStale(path);
}

void CLspWorkspace::FilesChanged(const std::vector<std::string>& paths)
{
    for (const std::string& path : paths) {
        // A main file that appeared or went changes the workspace's games.
        if (IsMainFileName(path)) m_scanned = false;
        // The editor's text of an open document wins over the file.
        if (!m_openTexts.count(path)) MarkStale(path);
    }
}

CLspWorkspace::Stamp CLspWorkspace::StampOf(const std::string& path)
{
    struct stat st {};
    Stamp stamp;
    if (::stat(path.c_str(), &st) != 0) return stamp;
    stamp.exists = true;
    stamp.size = static_cast<std::uint64_t>(st.st_size);
    stamp.inode = static_cast<std::uint64_t>(st.st_ino);
    stamp.modified = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return stamp;
}

void CLspWorkspace::TakeStamps(Entry& entry)
{
    if (!entry.game) return;
    for (std::uint32_t f = 0; f < entry.game->FileCount(); ++f) {
        const std::string& path = entry.game->File(f).Path();
        if (!m_openTexts.count(path) && !entry.stamps.count(path)) entry.stamps[path] = StampOf(path);
    }
}

void CLspWorkspace::LookAtDisk(Entry& entry)
{
    if (!entry.game) return;
    for (auto& [path, stamp] : entry.stamps)
        if (!m_openTexts.count(path) && StampOf(path) != stamp) entry.stale.insert(path);
    // An include that was missing may be found now.
    for (std::uint32_t f = 0; f < entry.game->FileCount(); ++f)
        for (const GameInclude& include : entry.game->File(f).Includes())
            if (include.Resolution().status == IncludeStatus::Missing)
                for (const std::string& tried : include.Resolution().tried)
                    if (m_overlay.IsFile(tried)) {
                        entry.game.reset();
                        return;
                    }
}

std::shared_ptr<const CGame> CLspWorkspace::MainGame(const std::string& mainPath, bool quick)
{
    Entry& entry = m_games[mainPath];
    if (quick && entry.game && !entry.stale.empty()) {
        std::size_t bytes = 0;
        std::string reason;
        for (const std::string& path : entry.stale)
            if (const auto text = m_overlay.Load(path, reason)) bytes += text->size();
        if (bytes > QUICK_REINDEX_BYTES) return entry.game;
    }
    LookAtDisk(entry);
    if (!entry.game) {
        GameInputs inputs;
        inputs.mainPath = mainPath;
        inputs.includeFolders = IncludeFoldersFor(mainPath);
        inputs.switches = m_switches;
        entry.stale.clear();
        entry.stamps.clear();
        entry.game = CGame::Build(inputs, m_overlay);
    }
    for (const std::string& path : entry.stale) {
        if (!entry.game) break;
        // The stamp is taken before the file is read: a change while it is read is seen
        // at the next look.
        entry.stamps.erase(path);
        if (!m_openTexts.count(path)) entry.stamps[path] = StampOf(path);
        entry.game = entry.game->Reindex(path, m_overlay);
    }
    entry.stale.clear();
    TakeStamps(entry);
    return entry.game;
}

std::vector<std::string> CLspWorkspace::MainFiles()
{
    if (!m_scanned) {
        m_scanned = true;
        m_mainFiles.clear();
        std::size_t visited = 0;
        for (const std::string& root : m_roots) {
            std::error_code error;
            fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, error);
            for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
                if (++visited > WORKSPACE_ENTRIES) {
                    Log("the search for main files (.inf) stopped in " + root + " after " + std::to_string(WORKSPACE_ENTRIES) +
                        " names; the game of a main file it did not reach is read when that file is opened");
                    break;
                }
                if (it.depth() >= WORKSPACE_DEPTH) it.disable_recursion_pending();
                const std::string name = it->path().filename().string();
                if (!name.empty() && name[0] == '.' && it->is_directory(error)) {
                    it.disable_recursion_pending();
                    continue;
                }
                if (IsMainFileName(name) && it->is_regular_file(error)) m_mainFiles.push_back(it->path().string());
                if (m_mainFiles.size() >= WORKSPACE_MAIN_FILES) {
                    Log("the search for main files (.inf) stopped in " + root + " at " + std::to_string(WORKSPACE_MAIN_FILES) +
                        " of them; the game of another main file is read when that file is opened");
                    break;
                }
            }
            // A folder that cannot be read on the way (one removed while it is read, say)
            // ends the search there: said, as the limits are.
            if (error && visited <= WORKSPACE_ENTRIES && m_mainFiles.size() < WORKSPACE_MAIN_FILES)
                Log("the search for main files (.inf) stopped in " + root + ": " + error.message() +
                    "; the game of a main file it did not reach is read when that file is opened");
            if (visited > WORKSPACE_ENTRIES || m_mainFiles.size() >= WORKSPACE_MAIN_FILES) break;
        }
    }
    std::vector<std::string> all = m_mainFiles;
    all.insert(all.end(), m_openMainFiles.begin(), m_openMainFiles.end());
    std::sort(all.begin(), all.end());
    all.erase(std::unique(all.begin(), all.end()), all.end());
    // One path a file: the open document's, else the one without links, else the first.
    std::map<std::string, std::size_t> byIdentity;
    std::vector<std::string> unique;
    for (const std::string& path : all) {
        const auto [at, added] = byIdentity.emplace(m_disk.Identity(path), unique.size());
        if (added) {
            unique.push_back(path);
            continue;
        }
        std::string& kept = unique[at->second];
        const bool keptOpen = m_openMainFiles.count(kept) > 0;
        const bool open = m_openMainFiles.count(path) > 0;
        if ((open && !keptOpen) || (open == keptOpen && WithoutLinks(kept) != kept && WithoutLinks(path) == path)) kept = path;
    }
    return unique;
}

std::shared_ptr<const CGame> CLspWorkspace::GameOf(const std::string& path, bool quick)
{
    if (IsMainFileName(path)) return MainGame(path, quick);
    for (const std::string& main : MainFiles()) {
        std::shared_ptr<const CGame> game = MainGame(main, quick);
        if (game && game->FindFile(path, m_overlay) != NO_FILE) return game;
    }
    return MainGame(path, quick);
}

std::vector<std::shared_ptr<const CGame>> CLspWorkspace::AllGames()
{
    std::vector<std::shared_ptr<const CGame>> games;
    for (const std::string& main : MainFiles())
        if (std::shared_ptr<const CGame> game = MainGame(main)) games.push_back(std::move(game));
    return games;
}
