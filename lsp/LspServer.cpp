#include "LspServer.h"

#include "Cancellation.h"
#include "GameService.h"
#include "JsonAccess.h"
#include "JsonParse.h"
#include "JsonText.h"
#include "MessageReader.h"
#include "SemanticTokens.h"
#include "StructureAnswers.h"
#include "Uri.h"

#include <new>
#include <vector>

using Json = nlohmann::json;
using namespace jsonaccess;

namespace {

// Cancellations of requests never seen are kept no further back than this.
constexpr std::size_t kCancellationsKept = 1000;

}  // namespace

CLspServer::CLspServer(Writer writer, Logger logger)
    : m_writer(std::move(writer)), m_logger(std::move(logger)), m_documents([this](const std::string& line) { Log(line); })
{
    m_game = std::make_unique<CGameService>(
        [this](const std::string& path) { return m_documents.FindByPath(path); },
        [this](const std::string& uri, Json diagnostics) {
            std::string path;
            std::string client = uri;
            if (PathFromUri(uri, path))
                if (const std::string* open = m_documents.UriOfPath(path)) client = *open;
            Send(Json{{"jsonrpc", "2.0"},
                      {"method", "textDocument/publishDiagnostics"},
                      {"params", {{"uri", client}, {"diagnostics", std::move(diagnostics)}}}});
        },
        [this](const std::string& line) { Log(line); });
    m_gameRequests = std::make_unique<CGameRequests>(*m_game, m_failure);
    m_requests = {
        {"initialize", Own(&CLspServer::OnInitialize)},
        {"shutdown", Own(&CLspServer::OnShutdown)},
        {"textDocument/semanticTokens/full", Own(&CLspServer::OnSemanticTokensFull)},
        {"textDocument/semanticTokens/full/delta", Own(&CLspServer::OnSemanticTokensDelta)},
        {"textDocument/semanticTokens/range", Own(&CLspServer::OnSemanticTokensRange)},
        {"textDocument/documentSymbol", Own(&CLspServer::OnDocumentSymbol)},
        {"textDocument/foldingRange", Own(&CLspServer::OnFoldingRange)},
        {"textDocument/definition", Game(&CGameRequests::Definition)},
        {"textDocument/references", Game(&CGameRequests::References)},
        {"textDocument/documentHighlight", Game(&CGameRequests::DocumentHighlight)},
        {"textDocument/hover", Game(&CGameRequests::Hover)},
        {"textDocument/documentLink", Game(&CGameRequests::DocumentLink)},
        {"workspace/symbol", Game(&CGameRequests::WorkspaceSymbol)},
        {"textDocument/completion", Game(&CGameRequests::Completion)},
        {"completionItem/resolve", Game(&CGameRequests::CompletionResolve)},
        {"textDocument/signatureHelp", Game(&CGameRequests::SignatureHelp)},
        {"textDocument/prepareRename", Game(&CGameRequests::PrepareRename)},
        {"textDocument/rename", Game(&CGameRequests::Rename)},
        {"textDocument/prepareCallHierarchy", Game(&CGameRequests::PrepareCallHierarchy)},
        {"callHierarchy/incomingCalls", Game(&CGameRequests::IncomingCalls)},
        {"callHierarchy/outgoingCalls", Game(&CGameRequests::OutgoingCalls)},
    };
    m_game->SetVersions([this](const std::string& path) { return m_documents.VersionOfPath(path); });
    m_notifications = {
        {"initialized", Own(&CLspServer::OnInitialized)},
        {"exit", Own(&CLspServer::OnExit)},
        {"textDocument/didOpen", Own(&CLspServer::OnDidOpen)},
        {"textDocument/didChange", Own(&CLspServer::OnDidChange)},
        {"textDocument/didSave", Own(&CLspServer::OnDidSave)},
        {"textDocument/didClose", Own(&CLspServer::OnDidClose)},
        {"workspace/didChangeConfiguration", Own(&CLspServer::OnDidChangeConfiguration)},
        {"workspace/didChangeWatchedFiles", Own(&CLspServer::OnDidChangeWatchedFiles)},
        {"$/cancelRequest", Own(&CLspServer::OnIgnored)},
        {"$/setTrace", Own(&CLspServer::OnIgnored)},
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

void CLspServer::RespondWith(const Json& id, const std::function<void(CJsonText& out)>& write)
{
    const std::string head = "{\"jsonrpc\":\"2.0\",\"id\":" + id.dump() + ",\"result\":";
    CJsonText counted;
    counted.Raw(head);
    write(counted);
    counted.Char('}');
    m_answered = true;
    if (counted.Kept()) {
        m_writer(FrameMessage(counted.Text()));
        return;
    }
    // Too large to keep: written again, in pieces, after its length. Once it has begun
    // it is no longer cancelled.
    const std::size_t size = counted.Size();
    m_writer("Content-Length: " + std::to_string(size) + "\r\n\r\n");
    CCancelCheck never;
    CCancelScope scope(never);
    CJsonText out(m_writer);
    out.Raw(head);
    write(out);
    out.Char('}');
    // The same work gives the same text; should it not, blanks keep the frame whole.
    if (out.Size() < size) out.Raw(std::string(size - out.Size(), ' '));
    out.Flush();
    if (out.Size() != size) Log("an answer of " + std::to_string(out.Size()) + " bytes was announced as " + std::to_string(size));
}

CLspServer::Handler CLspServer::Own(std::optional<Json> (CLspServer::*handler)(Json&))
{
    return [this, handler](Json& params) { return (this->*handler)(params); };
}

CLspServer::Handler CLspServer::Game(std::optional<Json> (CGameRequests::*handler)(Json&))
{
    return [this, handler](Json& params) { return (m_gameRequests.get()->*handler)(params); };
}

void CLspServer::TakeFrames()
{
    LspFrame frame;
    while (m_reader && m_reader->Next(frame)) {
        if (!frame.ok) {
            Log("unreadable input: " + frame.body);
            continue;
        }
        Queued queued;
        const bool parsed = ParseJsonBody(std::move(frame.body), queued.message);
        frame.body = std::string();
        if (!parsed) {
            queued.message = nullptr;
            queued.unreadable = true;
        } else if (queued.message.is_object() && IsString(queued.message, "method") &&
                   queued.message["method"] == "$/cancelRequest") {
            if (const Json* params = Member(queued.message, "params"))
                if (const Json* id = Member(*params, "id"); id && (id->is_number_integer() || id->is_string()))
                    if (m_cancelled.insert(id->dump()).second) {
                        m_cancelOrder.push_back(id->dump());
                        if (m_cancelOrder.size() > kCancellationsKept) {
                            m_cancelled.erase(m_cancelOrder.front());
                            m_cancelOrder.pop_front();
                        }
                    }
        }
        m_queue.push_back(std::move(queued));
    }
}

bool CLspServer::CancelledWhileRunning()
{
    if (m_poll) m_poll();
    TakeFrames();
    return m_cancelled.count(m_running) > 0;
}

void CLspServer::Receive(CMessageReader& reader)
{
    m_reader = &reader;
    TakeFrames();
    while (!m_queue.empty() && !m_finished) {
        Queued queued = std::move(m_queue.front());
        m_queue.pop_front();
        if (queued.unreadable) RespondError(nullptr, LSP_PARSE_ERROR, "the message is not JSON");
        else Handle(queued.message);
        TakeFrames();
    }
    m_reader = nullptr;
}

void CLspServer::Handle(Json& message)
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
        // A response to a request of ours (a registration): nothing to do.
        if (id) return;
        RespondError(nullptr, LSP_INVALID_REQUEST, "a message with neither method nor id");
        return;
    }
    if (!method->is_string() || (id && !idOk)) {
        RespondError(replyId, LSP_INVALID_REQUEST, "the method must be a string and the id a number or a string");
        return;
    }
    // Absent params may also come as null, as some clients send them.
    Json* params = message.contains("params") ? &message["params"] : nullptr;
    if (params && params->is_null()) params = nullptr;
    if (params && !params->is_object() && !params->is_array()) {
        if (id) RespondError(*id, LSP_INVALID_REQUEST, "params must be an object or an array");
        return;
    }
    Json noParams = Json::object();
    Json& given = params ? *params : noParams;
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
            found->second(given);
        } catch (const std::bad_alloc&) {
            Log(name + ": out of memory");
        } catch (const std::exception& e) {
            Log(name + ": " + e.what());
        }
        return;
    }
    const std::string key = id->dump();
    if (m_cancelled.erase(key)) {
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
    const Json replyTo = *id;
    m_running = key;
    m_runningId = replyTo;
    Dispatch(replyTo, name, given);
    m_running.clear();
    m_runningId = nullptr;
    m_cancelled.erase(key);
}

void CLspServer::Dispatch(const Json& id, const std::string& method, Json& params)
{
    const auto found = m_requests.find(method);
    if (found == m_requests.end()) {
        RespondError(id, LSP_METHOD_NOT_FOUND, "unknown method " + method);
        return;
    }
    m_failure = RequestFailure();
    m_answered = false;
    CCancelCheck check([this] { return CancelledWhileRunning(); });
    CCancelScope scope(check);
    try {
        std::optional<Json> result = found->second(params);
        if (m_answered) return;
        if (result) Respond(id, std::move(*result));
        else RespondError(id, m_failure.code ? m_failure.code : LSP_INVALID_PARAMS, m_failure.message.empty() ? "invalid params" : m_failure.message);
    } catch (const RequestCancelled&) {
        RespondError(id, LSP_REQUEST_CANCELLED, "cancelled while it ran");
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

std::optional<Json> CLspServer::OnInitialize(Json& params)
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
    const Json* watch = Path(params, {"capabilities", "workspace", "didChangeWatchedFiles", "dynamicRegistration"});
    m_watchFiles = watch && watch->is_boolean() && watch->get<bool>();
    const Json* versioned = Path(params, {"capabilities", "workspace", "workspaceEdit", "documentChanges"});
    m_gameRequests->SetDocumentChanges(versioned && versioned->is_boolean() && versioned->get<bool>());
    const Json* prepare = Path(params, {"capabilities", "textDocument", "rename", "prepareSupport"});
    const bool prepareSupport = prepare && prepare->is_boolean() && prepare->get<bool>();
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
              {{"legend", {{"tokenTypes", types}, {"tokenModifiers", Json::array()}}},
               {"full", {{"delta", true}}},
               {"range", true}}},
             {"documentSymbolProvider", true},
             {"foldingRangeProvider", true},
             {"definitionProvider", true},
             {"referencesProvider", true},
             {"documentHighlightProvider", true},
             {"hoverProvider", true},
             {"documentLinkProvider", {{"resolveProvider", false}}},
             {"workspaceSymbolProvider", true},
             {"completionProvider", {{"triggerCharacters", {".", "#", "<"}}, {"resolveProvider", true}}},
             {"signatureHelpProvider", {{"triggerCharacters", {"(", ","}}, {"retriggerCharacters", {","}}}},
             {"renameProvider", prepareSupport ? Json{{"prepareProvider", true}} : Json(true)},
             {"callHierarchyProvider", true},
         }},
        {"serverInfo", {{"name", "glossel-lsp"}, {"version", GLOSSEL_VERSION_STRING}}},
    };
}

std::optional<Json> CLspServer::OnShutdown(Json&)
{
    m_shutdown = true;
    return Json(nullptr);
}

std::optional<Json> CLspServer::OnInitialized(Json&)
{
    // The editor tells of the game files that change on disk; its answer is not needed.
    if (m_watchFiles)
        Send(Json{{"jsonrpc", "2.0"},
                  {"id", "glossel-watch"},
                  {"method", "client/registerCapability"},
                  {"params",
                   {{"registrations",
                     {{{"id", "glossel-watch"},
                       {"method", "workspace/didChangeWatchedFiles"},
                       {"registerOptions", {{"watchers", {{{"globPattern", "**/*.{inf,h,INF,H,Inf}"}}}}}}}}}}}});
    return std::nullopt;
}
std::optional<Json> CLspServer::OnIgnored(Json&) { return std::nullopt; }

std::optional<Json> CLspServer::OnExit(Json&)
{
    m_finished = true;
    return std::nullopt;
}

CLspDocument* CLspServer::FindOpenDocument(const std::string& uri)
{
    OpenDocument* open = m_documents.Find(uri);
    return open ? open->document.get() : nullptr;
}

std::optional<Json> CLspServer::OnDidOpen(Json& params)
{
    Json* item = params.is_object() && params.contains("textDocument") ? &params["textDocument"] : nullptr;
    std::string uri;
    if (!item || !GetString(*item, "uri", uri) || !IsString(*item, "text")) {
        Log("didOpen without a uri and a text");
        return std::nullopt;
    }
    // The text is taken from the message, not copied: it may be large.
    std::string text = std::move((*item)["text"].get_ref<std::string&>());
    const std::string path = m_documents.Open(uri, std::move(text), GetInteger(*item, "version").value_or(0));
    if (!path.empty()) m_game->Opened(path);
    return std::nullopt;
}

std::optional<Json> CLspServer::OnDidChange(Json& params)
{
    std::string uri;
    const Json* item = Member(params, "textDocument");
    const Json* changes = Member(params, "contentChanges");
    if (!item || !GetString(*item, "uri", uri) || !changes || !changes->is_array()) {
        Log("didChange without a document and its changes");
        return std::nullopt;
    }
    if (!m_documents.Change(uri, *changes, GetInteger(*item, "version").value_or(-1), m_encoding)) {
        Log("didChange for a document that is not open: " + uri);
        return std::nullopt;
    }
    if (std::string path; PathFromUri(uri, path)) m_game->Changed(path);
    return std::nullopt;
}

std::optional<Json> CLspServer::OnDidSave(Json& params)
{
    std::string uri;
    std::string path;
    if (const Json* item = Member(params, "textDocument"); item && GetString(*item, "uri", uri) && PathFromUri(uri, path))
        m_game->Saved(path);
    return std::nullopt;
}

std::optional<Json> CLspServer::OnDidClose(Json& params)
{
    std::string uri;
    if (const Json* item = Member(params, "textDocument"); item && GetString(*item, "uri", uri)) {
        const std::string path = m_documents.Close(uri);
        if (!path.empty()) m_game->Closed(path);
    }
    return std::nullopt;
}

std::optional<Json> CLspServer::OnDidChangeConfiguration(Json& params)
{
    // The settings may stand as they are or under the server's name.
    if (const Json* settings = Member(params, "settings")) {
        const Json* ours = Member(*settings, "glossel");
        m_game->Configure(ours ? *ours : *settings);
    }
    return std::nullopt;
}

std::optional<Json> CLspServer::OnDidChangeWatchedFiles(Json& params)
{
    std::vector<std::string> paths;
    if (const Json* changes = Member(params, "changes"); changes && changes->is_array())
        for (const Json& change : *changes)
            if (std::string uri, path; GetString(change, "uri", uri) && PathFromUri(uri, path)) paths.push_back(path);
    if (!paths.empty()) m_game->FilesChanged(paths);
    return std::nullopt;
}

OpenDocument* CLspServer::RequestDocument(const Json& params)
{
    std::string uri;
    const Json* item = Member(params, "textDocument");
    if (!item || !GetString(*item, "uri", uri)) {
        Fail(LSP_INVALID_PARAMS, "textDocument.uri is missing");
        return nullptr;
    }
    if (OpenDocument* open = m_documents.Find(uri)) return open;
    Fail(LSP_REQUEST_FAILED, "the document is not open: " + uri);
    return nullptr;
}

std::optional<Json> CLspServer::OnSemanticTokensFull(Json& params)
{
    OpenDocument* open = RequestDocument(params);
    if (!open) return std::nullopt;
    RespondWith(m_runningId, [&](CJsonText& out) {
        open->tokens.WriteFull(*open->document, m_encoding, out);
    });
    open->tokens.Commit();
    return std::nullopt;
}

std::optional<Json> CLspServer::OnSemanticTokensDelta(Json& params)
{
    OpenDocument* open = RequestDocument(params);
    if (!open) return std::nullopt;
    std::string previous;
    GetString(params, "previousResultId", previous);
    RespondWith(m_runningId, [&](CJsonText& out) {
        open->tokens.WriteDelta(*open->document, m_encoding, previous, out);
    });
    open->tokens.Commit();
    return std::nullopt;
}

std::optional<Json> CLspServer::OnSemanticTokensRange(Json& params)
{
    OpenDocument* open = RequestDocument(params);
    if (!open) return std::nullopt;
    CLspDocument* document = open->document.get();
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

std::optional<Json> CLspServer::OnDocumentSymbol(Json& params)
{
    OpenDocument* open = RequestDocument(params);
    if (!open) return std::nullopt;
    CDocumentStructure structure;
    structure.Read(*open->document);
    RespondWith(m_runningId,
                [&](CJsonText& out) { WriteDocumentSymbols(structure, *open->document, m_encoding, out); });
    return std::nullopt;
}

std::optional<Json> CLspServer::OnFoldingRange(Json& params)
{
    OpenDocument* open = RequestDocument(params);
    if (!open) return std::nullopt;
    CDocumentStructure structure;
    structure.Read(*open->document);
    RespondWith(m_runningId, [&](CJsonText& out) { WriteFoldingRanges(structure, out); });
    return std::nullopt;
}

void CLspServer::SetSandboxed(bool sandboxed)
{
    m_game->SetSandboxed(sandboxed);
}
