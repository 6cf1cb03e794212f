#include "GameService.h"

#include "CodeHelp.h"
#include "CompilerRun.h"
#include "NameEdits.h"
#include "JsonAccess.h"
#include "Uri.h"

using Json = nlohmann::json;
using namespace jsonaccess;

CGameService::CGameService(CGameAnswers::OpenDocuments open, Publisher publish, Logger log)
    : m_open(std::move(open)), m_publish(std::move(publish)), m_log(std::move(log))
{
    m_workspace.SetLogger(m_log);
}

void CGameService::Configure(const Json& settings)
{
    if (const Json* folders = Member(settings, "includePath"); folders && folders->is_array()) {
        std::vector<std::string> list;
        for (const Json& folder : *folders)
            if (folder.is_string() && !folder.get_ref<const std::string&>().empty()) list.push_back(folder.get<std::string>());
        m_workspace.SetIncludeFolders(std::move(list));
    }
    // The compiler's switches, as one string ("-G -D"), for the game and the compile on save.
    if (const Json* switches = Member(settings, "switches"); switches && switches->is_string())
        m_workspace.SetSwitches(switches->get<std::string>());
    if (const Json* compiler = Member(settings, "compiler"); compiler && compiler->is_string()) {
        m_compiler = compiler->get<std::string>();
        m_compilerGiven = true;
        m_compilerMissingSaid = false;
    }
}

std::shared_ptr<const CGame> CGameService::GameOf(const std::string& path, bool quick)
{
    for (auto it = m_dirty.begin(); it != m_dirty.end();) {
        CLspDocument* document = m_open(*it);
        // Quick: a large document's text is handed over at the next request that waits.
        if (quick && document && document->Text().size() > QUICK_REINDEX_BYTES) {
            ++it;
            continue;
        }
        if (document) m_workspace.SetOpenText(*it, document->SharedText());
        it = m_dirty.erase(it);
    }
    return m_workspace.GameOf(path, quick);
}

std::shared_ptr<const CGame> CGameService::GameOfItem(const Json& item)
{
    std::string path;
    std::string uri;
    const Json* data = Member(item, "data");
    if ((!data || !GetString(*data, "path", path)) && !(GetString(item, "uri", uri) && PathFromUri(uri, path))) return nullptr;
    return GameOf(path);
}

Json CGameService::Completion(const std::string& path, LspPosition position)
{
    CLspDocument* document = m_open(path);
    std::shared_ptr<const CGame> game = document ? GameOf(path, true) : nullptr;
    if (!game) return Json::array();
    CGameAnswers answers(*game, m_workspace.Source(), m_open, m_encoding);
    std::uint32_t file = NO_FILE;
    std::uint64_t offset = 0;
    if (!answers.Locate(path, position, file, offset)) file = NO_FILE;
    return CCodeHelp(answers, m_workspace.Roots()).Completion(*document, document->OffsetOf(position, m_encoding), file, offset);
}

Json CGameService::ResolveCompletion(Json item)
{
    return CCodeHelp::Resolve(std::move(item), m_workspace.Source());
}

Json CGameService::SignatureHelp(const std::string& path, LspPosition position)
{
    CLspDocument* document = m_open(path);
    std::shared_ptr<const CGame> game = document ? GameOf(path, true) : nullptr;
    if (!game) return nullptr;
    CGameAnswers answers(*game, m_workspace.Source(), m_open, m_encoding);
    std::uint32_t file = NO_FILE;
    std::uint64_t offset = 0;
    if (!answers.Locate(path, position, file, offset)) return nullptr;
    return CCodeHelp(answers, m_workspace.Roots()).SignatureHelp(*document, document->OffsetOf(position, m_encoding), file, offset);
}

Json CGameService::PrepareRename(const std::string& path, LspPosition position, std::string& refusal)
{
    refusal = "There is no name here to rename";
    return AtPosition(path, position, Json(nullptr), [&](CGameAnswers& a, std::uint32_t file, std::uint64_t offset) {
        return CNameEdits(a, m_workspace.Roots(), m_versions).PrepareRename(file, offset, refusal);
    });
}

Json CGameService::Rename(const std::string& path, LspPosition position, const std::string& newName, bool documentChanges,
                          std::string& refusal)
{
    refusal = "There is no name here to rename";
    return AtPosition(path, position, Json(nullptr), [&](CGameAnswers& a, std::uint32_t file, std::uint64_t offset) {
        return CNameEdits(a, m_workspace.Roots(), m_versions).Rename(file, offset, newName, documentChanges, refusal);
    });
}

Json CGameService::PrepareCallHierarchy(const std::string& path, LspPosition position)
{
    return AtPosition(path, position, Json(nullptr), [&](CGameAnswers& a, std::uint32_t file, std::uint64_t offset) {
        return CNameEdits(a, m_workspace.Roots(), m_versions).PrepareCallHierarchy(file, offset);
    });
}

Json CGameService::IncomingCalls(const Json& item)
{
    std::shared_ptr<const CGame> game = GameOfItem(item);
    if (!game) return Json::array();
    CGameAnswers answers(*game, m_workspace.Source(), m_open, m_encoding);
    return CNameEdits(answers, m_workspace.Roots(), m_versions).IncomingCalls(item);
}

Json CGameService::OutgoingCalls(const Json& item)
{
    std::shared_ptr<const CGame> game = GameOfItem(item);
    if (!game) return Json::array();
    CGameAnswers answers(*game, m_workspace.Source(), m_open, m_encoding);
    return CNameEdits(answers, m_workspace.Roots(), m_versions).OutgoingCalls(item);
}

void CGameService::Opened(const std::string& path)
{
    m_dirty.insert(path);
    m_opened.insert(path);
    Publish(path);
}

void CGameService::Changed(const std::string& path)
{
    m_dirty.insert(path);
    if (CLspDocument* document = m_open(path); document && document->Text().size() < DIAGNOSE_ON_CHANGE) Publish(path);
}

void CGameService::Saved(const std::string& path)
{
    Publish(path);
    if (std::shared_ptr<const CGame> game = GameOf(path)) Compile(game->Inputs().mainPath, game->Inputs().includeFolders);
}

void CGameService::FilesChanged(const std::vector<std::string>& paths)
{
    m_workspace.FilesChanged(paths);
    for (const std::string& path : m_opened)
        if (CLspDocument* document = m_open(path); document && document->Text().size() < DIAGNOSE_ON_CHANGE) Publish(path);
}

void CGameService::Closed(const std::string& path)
{
    m_dirty.erase(path);
    m_opened.erase(path);
    m_workspace.CloseText(path);
    // What the editor no longer shows it need not keep; the compiler's messages stay.
    const auto found = m_compilerDiagnostics.find(path);
    m_publish(UriFromPath(path), found == m_compilerDiagnostics.end() ? Json::array() : found->second);
}

void CGameService::Publish(const std::string& path)
{
    Json diagnostics = Json::array();
    if (std::shared_ptr<const CGame> game = GameOf(path)) {
        const std::uint32_t file = game->FindFile(path, m_workspace.Source());
        if (file != NO_FILE) diagnostics = CGameAnswers(*game, m_workspace.Source(), m_open, m_encoding).IncludeDiagnostics(file);
    }
    if (const auto found = m_compilerDiagnostics.find(path); found != m_compilerDiagnostics.end())
        for (const Json& d : found->second) diagnostics.push_back(d);
    m_publish(UriFromPath(path), std::move(diagnostics));
}

void CGameService::Compile(const std::string& mainPath, const std::vector<std::string>& includeFolders)
{
    if (m_sandboxed) return;
    const std::string compiler = FindCompiler(m_compiler, m_compilerGiven);
    if (compiler.empty()) {
        if (!m_compilerMissingSaid)
            m_log(m_compilerGiven && !m_compiler.empty() ? "the compiler " + m_compiler + " cannot be found; no compile on save"
                                                         : "no Inform 6 compiler (inform6) on the PATH; no compile on save");
        m_compilerMissingSaid = true;
        return;
    }
    std::vector<CompilerMessage> messages;
    std::string failure;
    if (!RunCompiler(compiler, mainPath, includeFolders, m_workspace.GetSwitches(), messages, failure)) {
        m_log("compiling " + mainPath + " failed: " + failure);
        return;
    }
    std::map<std::string, Json> byPath;
    for (const CompilerMessage& m : messages) {
        // The compiler names lines only; the diagnostic covers the line's start.
        const std::size_t line = m.line - 1;
        byPath[m.path].push_back({{"range", {{"start", {{"line", line}, {"character", 0}}}, {"end", {{"line", line}, {"character", 0}}}}},
                                  {"severity", m.severity},
                                  {"source", "inform6"},
                                  {"message", ToUtf8(m.text, display::ChooseEncoding(m.text.data(), m.text.size()))}});
    }
    // Files whose messages went away are cleared; the rest get their new ones.
    std::set<std::string> paths;
    for (const auto& [path, list] : m_compilerDiagnostics) paths.insert(path);
    for (const auto& [path, list] : byPath) paths.insert(path);
    m_compilerDiagnostics = std::move(byPath);
    for (const std::string& path : paths) Publish(path);
}

template <typename Answer>
Json CGameService::AtPosition(const std::string& path, LspPosition position, Json none, Answer answer)
{
    std::shared_ptr<const CGame> game = GameOf(path);
    if (!game) return none;
    CGameAnswers answers(*game, m_workspace.Source(), m_open, m_encoding);
    std::uint32_t file;
    std::uint64_t offset;
    if (!answers.Locate(path, position, file, offset)) return none;
    return answer(answers, file, offset);
}

Json CGameService::Definition(const std::string& path, LspPosition position)
{
    return AtPosition(path, position, Json::array(),
                      [](CGameAnswers& a, std::uint32_t file, std::uint64_t offset) { return a.Definition(file, offset); });
}

Json CGameService::References(const std::string& path, LspPosition position, bool includeDeclaration)
{
    return AtPosition(path, position, Json::array(), [&](CGameAnswers& a, std::uint32_t file, std::uint64_t offset) {
        return a.References(file, offset, includeDeclaration);
    });
}

Json CGameService::Highlights(const std::string& path, LspPosition position)
{
    return AtPosition(path, position, Json::array(),
                      [](CGameAnswers& a, std::uint32_t file, std::uint64_t offset) { return a.Highlights(file, offset); });
}

Json CGameService::Hover(const std::string& path, LspPosition position)
{
    return AtPosition(path, position, Json(nullptr),
                      [](CGameAnswers& a, std::uint32_t file, std::uint64_t offset) { return a.Hover(file, offset); });
}

Json CGameService::Links(const std::string& path)
{
    std::shared_ptr<const CGame> game = GameOf(path);
    if (!game) return Json::array();
    const std::uint32_t file = game->FindFile(path, m_workspace.Source());
    if (file == NO_FILE) return Json::array();
    return CGameAnswers(*game, m_workspace.Source(), m_open, m_encoding).DocumentLinks(file);
}

Json CGameService::Symbols(const std::string& query)
{
    // A library file belongs to every game that includes it: each definition once.
    Json symbols = Json::array();
    std::set<std::string> seen;
    for (const std::shared_ptr<const CGame>& game : m_workspace.AllGames()) {
        Json some = Json::array();
        CGameAnswers(*game, m_workspace.Source(), m_open, m_encoding).AddSymbols(query, some, 5000);
        for (Json& symbol : some)
            if (seen.insert(symbol["location"].dump() + symbol["name"].dump()).second) symbols.push_back(std::move(symbol));
    }
    return symbols;
}
