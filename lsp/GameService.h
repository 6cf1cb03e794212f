#pragma once
// CGameService: the server's answers that need the whole game, and its diagnostics.
//
// Diagnostics of a file: its includes that cannot be found (errors, with the paths
// tried) or are found only by case (warnings), published when it is opened, saved or
// changed (while it is under DIAGNOSE_ON_CHANGE bytes); and, on save, the messages of
// the Inform 6 compiler run on the main file of its game (when one is configured or
// "inform6" is on the PATH), on every file they name. A file's compiler messages last
// until the next compile, which clears those that went away. A compiler that is
// missing or fails is one line in the log.

#include "GameAnswers.h"
#include "LspWorkspace.h"

#include <nlohmann/json.hpp>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

inline constexpr std::size_t DIAGNOSE_ON_CHANGE = 256 * 1024;

class CGameService {
public:
    using Json = nlohmann::json;
    using Publisher = std::function<void(const std::string& uri, Json diagnostics)>;
    using Logger = std::function<void(const std::string& line)>;

    CGameService(CGameAnswers::OpenDocuments open, Publisher publish, Logger log);

    void SetEncoding(PositionEncoding encoding) { m_encoding = encoding; }
    void SetRoots(std::vector<std::string> folders)
    {
        if (!m_sandboxed) m_workspace.SetRoots(std::move(folders));
    }
    // Sandboxed: no folder is searched for main files and no compiler runs (for fuzzing).
    void SetSandboxed(bool sandboxed) { m_sandboxed = sandboxed; }
    // includePath (a list of folders) and compiler (a path or name; "" for none), as
    // initializationOptions or settings give them; absent keys change nothing.
    void Configure(const Json& settings);

    void Opened(const std::string& path);
    void Changed(const std::string& path);
    void Saved(const std::string& path);
    void Closed(const std::string& path);
    // Files changed on disk (the editor's watchers): their games read them again, and
    // the open documents' diagnostics are given again.
    void FilesChanged(const std::vector<std::string>& paths);

    Json Definition(const std::string& path, LspPosition position);
    Json References(const std::string& path, LspPosition position, bool includeDeclaration);
    Json Highlights(const std::string& path, LspPosition position);
    Json Hover(const std::string& path, LspPosition position);
    Json Links(const std::string& path);
    Json Symbols(const std::string& query);
    Json Completion(const std::string& path, LspPosition position);
    Json ResolveCompletion(Json item);
    Json SignatureHelp(const std::string& path, LspPosition position);
    // Null and a message when refused.
    Json PrepareRename(const std::string& path, LspPosition position, std::string& refusal);
    Json Rename(const std::string& path, LspPosition position, const std::string& newName, bool documentChanges,
                std::string& refusal);
    Json PrepareCallHierarchy(const std::string& path, LspPosition position);
    Json IncomingCalls(const Json& item);
    Json OutgoingCalls(const Json& item);
    // The versions of open documents (for the edits of a rename).
    void SetVersions(std::function<std::int64_t(const std::string& path)> versions) { m_versions = std::move(versions); }

private:
    // The game of path with every edited open document in it.
    std::shared_ptr<const CGame> GameOf(const std::string& path, bool quick = false);
    // The game of an item's data.path, and that path.
    std::shared_ptr<const CGame> GameOfItem(const Json& item);
    template <typename Answer>
    Json AtPosition(const std::string& path, LspPosition position, Json none, Answer answer);
    void Publish(const std::string& path);
    void Compile(const std::string& mainPath, const std::vector<std::string>& includeFolders);

    CGameAnswers::OpenDocuments m_open;
    Publisher m_publish;
    Logger m_log;
    CLspWorkspace m_workspace;
    PositionEncoding m_encoding = PositionEncoding::Utf16;
    std::set<std::string> m_dirty;  // open documents whose text the workspace has not yet had
    std::set<std::string> m_opened;  // open documents
    std::string m_compiler;
    bool m_compilerGiven = false;
    bool m_compilerMissingSaid = false;
    bool m_sandboxed = false;
    std::map<std::string, Json> m_compilerDiagnostics;  // by path
    std::function<std::int64_t(const std::string& path)> m_versions = [](const std::string&) { return std::int64_t{-1}; };
};
