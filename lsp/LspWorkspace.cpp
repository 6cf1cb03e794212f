#include "LspWorkspace.h"

#include "doc/TextLoader.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

bool IsMainFileName(const std::string& path)
{
    if (path.size() < 4) return false;
    std::string tail = path.substr(path.size() - 4);
    std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return tail == ".inf";
}

void CLspWorkspace::SetRoots(std::vector<std::string> folders)
{
    m_roots = std::move(folders);
    m_scanned = false;
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
                if (include.resolution.status == IncludeStatus::Missing) missing = true;
        if (missing) {
            entry.game.reset();
            continue;
        }
        if (main == path || entry.game->FindFile(path, m_overlay) != NO_FILE) entry.stale.insert(path);
    }
    std::erase_if(m_games, [](const auto& item) { return !item.second.game; });
}

void CLspWorkspace::SetOpenText(const std::string& path, const std::string& text)
{
    // The game reads files as the viewer loads them (text mode).
    m_overlay.SetText(path, std::make_shared<const std::string>(TextFromBytes(text)));
    if (IsMainFileName(path)) m_openMainFiles.insert(path);
    MarkStale(path);
}

void CLspWorkspace::CloseText(const std::string& path)
{
    m_overlay.Remove(path);
    m_openMainFiles.erase(path);
    MarkStale(path);
}

std::shared_ptr<const CGame> CLspWorkspace::MainGame(const std::string& mainPath)
{
    Entry& entry = m_games[mainPath];
    if (!entry.game) {
        GameInputs inputs;
        inputs.mainPath = mainPath;
        inputs.includeFolders = m_includeFolders;
        entry.game = CGame::Build(inputs, m_overlay);
        entry.stale.clear();
    }
    for (const std::string& path : entry.stale) {
        if (!entry.game) break;
        entry.game = entry.game->Reindex(path, m_overlay);
    }
    entry.stale.clear();
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
            for (; !error && it != fs::recursive_directory_iterator() && ++visited <= WORKSPACE_ENTRIES;
                 it.increment(error)) {
                if (it.depth() >= WORKSPACE_DEPTH) it.disable_recursion_pending();
                const std::string name = it->path().filename().string();
                if (!name.empty() && name[0] == '.' && it->is_directory(error)) {
                    it.disable_recursion_pending();
                    continue;
                }
                if (IsMainFileName(name) && it->is_regular_file(error)) m_mainFiles.push_back(it->path().string());
                if (m_mainFiles.size() >= WORKSPACE_MAIN_FILES) break;
            }
        }
    }
    std::vector<std::string> all = m_mainFiles;
    all.insert(all.end(), m_openMainFiles.begin(), m_openMainFiles.end());
    std::sort(all.begin(), all.end());
    all.erase(std::unique(all.begin(), all.end()), all.end());
    return all;
}

std::shared_ptr<const CGame> CLspWorkspace::GameOf(const std::string& path)
{
    if (IsMainFileName(path)) return MainGame(path);
    for (const std::string& main : MainFiles()) {
        std::shared_ptr<const CGame> game = MainGame(main);
        if (game && game->FindFile(path, m_overlay) != NO_FILE) return game;
    }
    return MainGame(path);
}

std::vector<std::shared_ptr<const CGame>> CLspWorkspace::AllGames()
{
    std::vector<std::shared_ptr<const CGame>> games;
    for (const std::string& main : MainFiles())
        if (std::shared_ptr<const CGame> game = MainGame(main)) games.push_back(std::move(game));
    return games;
}
