#pragma once
// CLspServer: the language server's side of one connection. It takes the frames the
// message reader cut, answers each request with one response and sends nothing but
// protocol to its writer; what it has to say about itself goes to its logger.
//
// The life of a connection: before `initialize` every request is answered with
// ServerNotInitialized and every notification but `exit` is dropped; after `shutdown`
// every request is an InvalidRequest. `exit`, or the end of the input, ends it, with
// status 0 when `shutdown` came first and 1 otherwise. A request that a
// `$/cancelRequest` among the frames received with it names is answered with
// RequestCancelled instead of being run. Nothing a client sends ends it otherwise:
// a body that is not JSON is a ParseError, a message that is not a request an
// InvalidRequest, an unknown method MethodNotFound (an unknown notification is
// dropped), and parameters of the wrong shape InvalidParams.

#include "LspDocument.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

struct LspFrame;
class CMessageReader;
class CGameService;

// The protocol's error codes.
inline constexpr int LSP_PARSE_ERROR = -32700;
inline constexpr int LSP_INVALID_REQUEST = -32600;
inline constexpr int LSP_METHOD_NOT_FOUND = -32601;
inline constexpr int LSP_INVALID_PARAMS = -32602;
inline constexpr int LSP_INTERNAL_ERROR = -32603;
inline constexpr int LSP_SERVER_NOT_INITIALIZED = -32002;
inline constexpr int LSP_REQUEST_FAILED = -32803;
inline constexpr int LSP_REQUEST_CANCELLED = -32800;

class CLspServer {
public:
    using Json = nlohmann::json;
    using Writer = std::function<void(const std::string& bytes)>;
    using Logger = std::function<void(const std::string& line)>;

    CLspServer(Writer writer, Logger logger);
    ~CLspServer();

    // Handles every frame the reader holds, in order.
    void Receive(CMessageReader& reader);
    // The input has ended; pendingBytes of a message were cut short.
    void EndOfInput(std::size_t pendingBytes);

    bool Finished() const { return m_finished; }
    int ExitStatus() const { return m_shutdown ? 0 : 1; }

    // No folder searched for games and no compiler run, whatever the client asks (the
    // fuzz target's server).
    void SetSandboxed(bool sandboxed);

    // Documents the client has open (tests and benchmarks look at them).
    CLspDocument* FindOpenDocument(const std::string& uri);

private:
    struct OpenDocument {
        std::unique_ptr<CLspDocument> document;
        std::int64_t version = 0;
    };
    using Handler = std::optional<Json> (CLspServer::*)(const Json& params);

    void Handle(const Json& message, const std::map<std::string, bool>& cancelled);
    void Dispatch(const Json& id, const std::string& method, const Json& params);
    void Respond(const Json& id, Json result);
    void RespondError(const Json& id, int code, const std::string& message);
    void Send(const Json& message);
    void Log(const std::string& line);

    // Requests.
    std::optional<Json> OnInitialize(const Json& params);
    std::optional<Json> OnShutdown(const Json& params);
    std::optional<Json> OnSemanticTokensFull(const Json& params);
    std::optional<Json> OnSemanticTokensRange(const Json& params);
    std::optional<Json> OnDocumentSymbol(const Json& params);
    std::optional<Json> OnFoldingRange(const Json& params);
    std::optional<Json> OnDefinition(const Json& params);
    std::optional<Json> OnReferences(const Json& params);
    std::optional<Json> OnDocumentHighlight(const Json& params);
    std::optional<Json> OnHover(const Json& params);
    std::optional<Json> OnDocumentLink(const Json& params);
    std::optional<Json> OnWorkspaceSymbol(const Json& params);
    // Notifications (their result is never sent).
    std::optional<Json> OnInitialized(const Json& params);
    std::optional<Json> OnExit(const Json& params);
    std::optional<Json> OnDidOpen(const Json& params);
    std::optional<Json> OnDidChange(const Json& params);
    std::optional<Json> OnDidSave(const Json& params);
    std::optional<Json> OnDidClose(const Json& params);
    std::optional<Json> OnDidChangeConfiguration(const Json& params);
    std::optional<Json> OnIgnored(const Json& params);

    // The document a request names, open or read from its file; null (and an error
    // answer prepared) when there is none.
    CLspDocument* RequestDocument(const Json& params);
    bool RequestPlace(const Json& params, std::string& path, LspPosition& position);
    void Fail(int code, std::string message);

    Writer m_writer;
    Logger m_logger;
    std::map<std::string, Handler> m_requests;
    std::map<std::string, Handler> m_notifications;
    std::map<std::string, OpenDocument> m_open;       // by the client's URI
    std::map<std::string, std::string> m_uriOfPath;  // the open documents' URIs, by path
    std::unique_ptr<CGameService> m_game;
    PositionEncoding m_encoding = PositionEncoding::Utf16;
    bool m_initialized = false;
    bool m_shutdown = false;
    bool m_finished = false;
    // The error of the request being handled, when its handler gives no result.
    int m_errorCode = 0;
    std::string m_errorMessage;
};
