#include "LspServer.h"

#include "JsonAccess.h"
#include "MessageReader.h"
#include "SemanticTokens.h"
#include "GameService.h"
#include "StructureAnswers.h"
#include "Uri.h"
#include "doc/TextLoader.h"

#include <new>
#include <vector>

using Json = nlohmann::json;
using namespace jsonaccess;

CLspServer::CLspServer(Writer writer, Logger logger) : m_writer(std::move(writer)), m_logger(std::move(logger))
{
    m_game = std::make_unique<CGameService>(
        [this](const std::string& path) -> CLspDocument* {
            const auto uri = m_uriOfPath.find(path);
            return uri == m_uriOfPath.end() ? nullptr : FindOpenDocument(uri->second);
        },
        [this](const std::string& uri, Json diagnostics) {
            std::string path;
            std::string client = uri;
            if (PathFromUri(uri, path))
                if (const auto found = m_uriOfPath.find(path); found != m_uriOfPath.end()) client = found->second;
            Send(Json{{"jsonrpc", "2.0"},
                      {"method", "textDocument/publishDiagnostics"},
                      {"params", {{"uri", client}, {"diagnostics", std::move(diagnostics)}}}});
        },
        [this](const std::string& line) { Log(line); });
    m_requests = {
        {"initialize", &CLspServer::OnInitialize},
        {"shutdown", &CLspServer::OnShutdown},
        {"textDocument/semanticTokens/full", &CLspServer::OnSemanticTokensFull},
        {"textDocument/semanticTokens/range", &CLspServer::OnSemanticTokensRange},
        {"textDocument/documentSymbol", &CLspServer::OnDocumentSymbol},
        {"textDocument/foldingRange", &CLspServer::OnFoldingRange},
        {"textDocument/definition", &CLspServer::OnDefinition},
        {"textDocument/references", &CLspServer::OnReferences},
        {"textDocument/documentHighlight", &CLspServer::OnDocumentHighlight},
        {"textDocument/hover", &CLspServer::OnHover},
        {"textDocument/documentLink", &CLspServer::OnDocumentLink},
        {"workspace/symbol", &CLspServer::OnWorkspaceSymbol},
    };
    m_notifications = {
        {"initialized", &CLspServer::OnInitialized},
        {"exit", &CLspServer::OnExit},
        {"textDocument/didOpen", &CLspServer::OnDidOpen},
        {"textDocument/didChange", &CLspServer::OnDidChange},
        {"textDocument/didSave", &CLspServer::OnDidSave},
        {"textDocument/didClose", &CLspServer::OnDidClose},
        {"workspace/didChangeConfiguration", &CLspServer::OnDidChangeConfiguration},
        {"$/cancelRequest", &CLspServer::OnIgnored},
        {"$/setTrace", &CLspServer::OnIgnored},
    };
}

CLspServer::~CLspServer() = default;

void CLspServer::Log(const std::string& line)
{
    if (m_logger) m_logger(line);
}

void CLspServer::Send(const Json& message)
{
    // Text from a file that is not UTF-8 is decoded before it gets here; should a byte
    // slip through, it becomes U+FFFD rather than an exception.
    m_writer(FrameMessage(message.dump(-1, ' ', false, Json::error_handler_t::replace)));
}

void CLspServer::Respond(const Json& id, Json result)
{
    Send(Json{{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}});
}

void CLspServer::RespondError(const Json& id, int code, const std::string& message)
{
    Send(Json{{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}});
}

void CLspServer::Fail(int code, std::string message)
{
    m_errorCode = code;
    m_errorMessage = std::move(message);
}

void CLspServer::Receive(CMessageReader& reader)
{
    // Everything received so far: the cancellations among it apply to the requests
    // before them that have not been run yet.
    std::vector<Json> messages;
    std::map<std::string, bool> cancelled;
    LspFrame frame;
    while (reader.Next(frame)) {
        if (!frame.ok) {
            Log("unreadable input: " + frame.body);
            continue;
        }
        Json message = Json::parse(frame.body, nullptr, false);
        if (message.is_discarded()) {
            RespondError(nullptr, LSP_PARSE_ERROR, "the message is not JSON");
            continue;
        }
        if (message.is_object() && IsString(message, "method") && message["method"] == "$/cancelRequest") {
            if (const Json* params = Member(message, "params"))
                if (const Json* id = Member(*params, "id"); id && (id->is_number_integer() || id->is_string()))
                    cancelled[id->dump()] = true;
        }
        messages.push_back(std::move(message));
    }
    for (const Json& message : messages) {
        if (m_finished) break;
        Handle(message, cancelled);
    }
}

void CLspServer::Handle(const Json& message, const std::map<std::string, bool>& cancelled)
{
    const Json* id = Member(message, "id");
    const bool idOk = id && (id->is_number_integer() || id->is_string() || id->is_null());
    const Json replyId = idOk ? *id : Json(nullptr);
    if (!message.is_object() || !IsString(message, "jsonrpc") || message["jsonrpc"] != "2.0") {
        RespondError(replyId, LSP_INVALID_REQUEST, "not a JSON-RPC 2.0 message");
        return;
    }
    const Json* method = Member(message, "method");
    if (!method) {
        // A response to a request of ours; the server sends none.
        if (id) return;
        RespondError(nullptr, LSP_INVALID_REQUEST, "a message with neither method nor id");
        return;
    }
    if (!method->is_string() || (id && !idOk)) {
        RespondError(replyId, LSP_INVALID_REQUEST, "the method must be a string and the id a number or a string");
        return;
    }
    // Absent params may also come as null, as some clients send them.
    const Json* params = Member(message, "params");
    if (params && params->is_null()) params = nullptr;
    if (params && !params->is_object() && !params->is_array()) {
        if (id) RespondError(*id, LSP_INVALID_REQUEST, "params must be an object or an array");
        return;
    }
    static const Json kNoParams = Json::object();
    const Json& given = params ? *params : kNoParams;
    const std::string name = method->get<std::string>();
    if (!id) {
        // A notification: nothing is ever answered.
        if (!m_initialized && name != "exit") return;
        const auto found = m_notifications.find(name);
        if (found == m_notifications.end()) {
            if (name.rfind("$/", 0) != 0) Log("notification " + name + " is not handled");
            return;
        }
        try {
            (this->*found->second)(given);
        } catch (const std::bad_alloc&) {
            Log(name + ": out of memory");
        } catch (const std::exception& e) {
            Log(name + ": " + e.what());
        }
        return;
    }
    if (cancelled.count(id->dump())) {
        RespondError(*id, LSP_REQUEST_CANCELLED, "cancelled");
        return;
    }
    if (!m_initialized && name != "initialize") {
        RespondError(*id, LSP_SERVER_NOT_INITIALIZED, "the server has not been initialized");
        return;
    }
    if (m_shutdown) {
        RespondError(*id, LSP_INVALID_REQUEST, "the server has been shut down");
        return;
    }
    Dispatch(*id, name, given);
}

void CLspServer::Dispatch(const Json& id, const std::string& method, const Json& params)
{
    const auto found = m_requests.find(method);
    if (found == m_requests.end()) {
        RespondError(id, LSP_METHOD_NOT_FOUND, "unknown method " + method);
        return;
    }
    m_errorCode = 0;
    m_errorMessage.clear();
    try {
        std::optional<Json> result = (this->*found->second)(params);
        if (result) Respond(id, std::move(*result));
        else RespondError(id, m_errorCode ? m_errorCode : LSP_INVALID_PARAMS, m_errorMessage.empty() ? "invalid params" : m_errorMessage);
    } catch (const std::bad_alloc&) {
        Log(method + ": out of memory");
        RespondError(id, LSP_REQUEST_FAILED, "out of memory");
    } catch (const std::exception& e) {
        Log(method + ": " + e.what());
        RespondError(id, LSP_INTERNAL_ERROR, e.what());
    }
}

void CLspServer::EndOfInput(std::size_t pendingBytes)
{
    if (pendingBytes > 0) Log("the input ended inside a message (" + std::to_string(pendingBytes) + " bytes)");
    m_finished = true;
}

std::optional<Json> CLspServer::OnInitialize(const Json& params)
{
    if (m_initialized) {
        Fail(LSP_INVALID_REQUEST, "initialize was already received");
        return std::nullopt;
    }
    m_initialized = true;
    m_encoding = PositionEncoding::Utf16;
    if (const Json* offered = Path(params, {"capabilities", "general", "positionEncodings"}); offered && offered->is_array())
        for (const Json& name : *offered)
            if (name == "utf-8") m_encoding = PositionEncoding::Utf8;
    m_game->SetEncoding(m_encoding);
    // The workspace's folders, where the main files of its games are looked for.
    std::vector<std::string> roots;
    std::string root;
    if (const Json* folders = Member(params, "workspaceFolders"); folders && folders->is_array())
        for (const Json& folder : *folders)
            if (std::string uri; GetString(folder, "uri", uri) && PathFromUri(uri, root)) roots.push_back(root);
    if (std::string uri; roots.empty() && GetString(params, "rootUri", uri) && PathFromUri(uri, root)) roots.push_back(root);
    if (roots.empty() && GetString(params, "rootPath", root) && !root.empty()) roots.push_back(root);
    m_game->SetRoots(std::move(roots));
    if (const Json* options = Member(params, "initializationOptions")) m_game->Configure(*options);
    Json types = Json::array();
    for (const char* type : g_semanticTokenTypes) types.push_back(type);
    return Json{
        {"capabilities",
         {
             {"positionEncoding", m_encoding == PositionEncoding::Utf8 ? "utf-8" : "utf-16"},
             {"textDocumentSync", {{"openClose", true}, {"change", 2}, {"save", {{"includeText", false}}}}},
             {"semanticTokensProvider",
              {{"legend", {{"tokenTypes", types}, {"tokenModifiers", Json::array()}}}, {"full", true}, {"range", true}}},
             {"documentSymbolProvider", true},
             {"foldingRangeProvider", true},
             {"definitionProvider", true},
             {"referencesProvider", true},
             {"documentHighlightProvider", true},
             {"hoverProvider", true},
             {"documentLinkProvider", {{"resolveProvider", false}}},
             {"workspaceSymbolProvider", true},
         }},
        {"serverInfo", {{"name", "glossel-lsp"}, {"version", GLOSSEL_VERSION_STRING}}},
    };
}

std::optional<Json> CLspServer::OnShutdown(const Json&)
{
    m_shutdown = true;
    return Json(nullptr);
}

std::optional<Json> CLspServer::OnInitialized(const Json&) { return std::nullopt; }
std::optional<Json> CLspServer::OnIgnored(const Json&) { return std::nullopt; }

std::optional<Json> CLspServer::OnExit(const Json&)
{
    m_finished = true;
    return std::nullopt;
}

CLspDocument* CLspServer::FindOpenDocument(const std::string& uri)
{
    const auto found = m_open.find(uri);
    return found == m_open.end() ? nullptr : found->second.document.get();
}

std::optional<Json> CLspServer::OnDidOpen(const Json& params)
{
    const Json* item = Member(params, "textDocument");
    std::string uri;
    std::string text;
    if (!item || !GetString(*item, "uri", uri) || !GetString(*item, "text", text)) {
        Log("didOpen without a uri and a text");
        return std::nullopt;
    }
    OpenDocument& open = m_open[uri];
    open.document = std::make_unique<CLspDocument>(std::move(text), display::Encoding::Utf8);
    open.version = GetInteger(*item, "version").value_or(0);
    if (std::string path; PathFromUri(uri, path)) {
        m_uriOfPath[path] = uri;
        m_game->Opened(path);
    }
    return std::nullopt;
}

std::optional<Json> CLspServer::OnDidChange(const Json& params)
{
    std::string uri;
    const Json* item = Member(params, "textDocument");
    const Json* changes = Member(params, "contentChanges");
    if (!item || !GetString(*item, "uri", uri) || !changes || !changes->is_array()) {
        Log("didChange without a document and its changes");
        return std::nullopt;
    }
    const auto found = m_open.find(uri);
    if (found == m_open.end()) {
        Log("didChange for a document that is not open: " + uri);
        return std::nullopt;
    }
    CLspDocument& document = *found->second.document;
    for (const Json& change : *changes) {
        std::string text;
        if (!GetString(change, "text", text)) {
            Log("a change without text in " + uri);
            continue;
        }
        const Json* range = Member(change, "range");
        if (!range) {
            document.SetText(std::move(text));
            continue;
        }
        LspPosition start;
        LspPosition end;
        if (!GetRange(*range, start, end)) {
            Log("a change with a bad range in " + uri);
            continue;
        }
        std::size_t from = document.OffsetOf(start, m_encoding);
        std::size_t to = document.OffsetOf(end, m_encoding);
        if (to < from) std::swap(from, to);
        document.Replace(from, to, text);
    }
    found->second.version = GetInteger(*item, "version").value_or(found->second.version);
    if (std::string path; PathFromUri(uri, path)) m_game->Changed(path);
    return std::nullopt;
}

std::optional<Json> CLspServer::OnDidSave(const Json& params)
{
    std::string uri;
    std::string path;
    if (const Json* item = Member(params, "textDocument"); item && GetString(*item, "uri", uri) && PathFromUri(uri, path))
        m_game->Saved(path);
    return std::nullopt;
}

std::optional<Json> CLspServer::OnDidClose(const Json& params)
{
    std::string uri;
    if (const Json* item = Member(params, "textDocument"); item && GetString(*item, "uri", uri)) {
        m_open.erase(uri);
        if (std::string path; PathFromUri(uri, path)) {
            m_game->Closed(path);
            m_uriOfPath.erase(path);
        }
    }
    return std::nullopt;
}

std::optional<Json> CLspServer::OnDidChangeConfiguration(const Json& params)
{
    // The settings may stand as they are or under the server's name.
    if (const Json* settings = Member(params, "settings")) {
        const Json* ours = Member(*settings, "glossel");
        m_game->Configure(ours ? *ours : *settings);
    }
    return std::nullopt;
}

CLspDocument* CLspServer::RequestDocument(const Json& params)
{
    std::string uri;
    const Json* item = Member(params, "textDocument");
    if (!item || !GetString(*item, "uri", uri)) {
        Fail(LSP_INVALID_PARAMS, "textDocument.uri is missing");
        return nullptr;
    }
    if (CLspDocument* open = FindOpenDocument(uri)) return open;
    Fail(LSP_REQUEST_FAILED, "the document is not open: " + uri);
    return nullptr;
}

std::optional<Json> CLspServer::OnSemanticTokensFull(const Json& params)
{
    CLspDocument* document = RequestDocument(params);
    if (!document) return std::nullopt;
    return Json{{"data", BuildSemanticTokens(*document, 0, document->LineCount() - 1, m_encoding)}};
}

std::optional<Json> CLspServer::OnSemanticTokensRange(const Json& params)
{
    CLspDocument* document = RequestDocument(params);
    if (!document) return std::nullopt;
    LspPosition start;
    LspPosition end;
    const Json* range = Member(params, "range");
    if (!range || !GetRange(*range, start, end)) {
        Fail(LSP_INVALID_PARAMS, "range is missing or malformed");
        return std::nullopt;
    }
    const std::size_t first = document->LineOfOffset(document->OffsetOf(start, m_encoding));
    const std::size_t last = document->LineOfOffset(document->OffsetOf(end, m_encoding));
    return Json{{"data", BuildSemanticTokens(*document, first, std::max(first, last), m_encoding)}};
}

std::optional<Json> CLspServer::OnDocumentSymbol(const Json& params)
{
    CLspDocument* document = RequestDocument(params);
    if (!document) return std::nullopt;
    CDocumentStructure structure;
    structure.Read(*document);
    return DocumentSymbols(structure, *document, m_encoding);
}

std::optional<Json> CLspServer::OnFoldingRange(const Json& params)
{
    CLspDocument* document = RequestDocument(params);
    if (!document) return std::nullopt;
    CDocumentStructure structure;
    structure.Read(*document);
    return FoldingRanges(structure);
}

// The path and position a request names; false (and an error prepared) when it names none.
bool CLspServer::RequestPlace(const Json& params, std::string& path, LspPosition& position)
{
    std::string uri;
    const Json* item = Member(params, "textDocument");
    const Json* at = Member(params, "position");
    if (!item || !GetString(*item, "uri", uri) || !at || !GetPosition(*at, position)) {
        Fail(LSP_INVALID_PARAMS, "textDocument.uri and position are needed");
        return false;
    }
    if (!PathFromUri(uri, path)) {
        Fail(LSP_REQUEST_FAILED, "not a file: " + uri);
        return false;
    }
    return true;
}

std::optional<Json> CLspServer::OnDefinition(const Json& params)
{
    std::string path;
    LspPosition position;
    if (!RequestPlace(params, path, position)) return std::nullopt;
    return m_game->Definition(path, position);
}

std::optional<Json> CLspServer::OnReferences(const Json& params)
{
    std::string path;
    LspPosition position;
    if (!RequestPlace(params, path, position)) return std::nullopt;
    const Json* declaration = Path(params, {"context", "includeDeclaration"});
    return m_game->References(path, position, !declaration || !declaration->is_boolean() || declaration->get<bool>());
}

std::optional<Json> CLspServer::OnDocumentHighlight(const Json& params)
{
    std::string path;
    LspPosition position;
    if (!RequestPlace(params, path, position)) return std::nullopt;
    return m_game->Highlights(path, position);
}

std::optional<Json> CLspServer::OnHover(const Json& params)
{
    std::string path;
    LspPosition position;
    if (!RequestPlace(params, path, position)) return std::nullopt;
    return m_game->Hover(path, position);
}

std::optional<Json> CLspServer::OnDocumentLink(const Json& params)
{
    std::string uri;
    std::string path;
    const Json* item = Member(params, "textDocument");
    if (!item || !GetString(*item, "uri", uri) || !PathFromUri(uri, path)) {
        Fail(LSP_INVALID_PARAMS, "textDocument.uri is missing or not a file");
        return std::nullopt;
    }
    return m_game->Links(path);
}

std::optional<Json> CLspServer::OnWorkspaceSymbol(const Json& params)
{
    std::string query;
    GetString(params, "query", query);
    return m_game->Symbols(query);
}

void CLspServer::SetSandboxed(bool sandboxed)
{
    m_game->SetSandboxed(sandboxed);
}
