#pragma once
// CLspServer: the language server's side of one connection. It takes the frames the
// message reader cut, answers each request with one response and sends nothing but
// protocol to its writer; what it has to say about itself goes to its logger.
//
// The life of a connection: before `initialize` every request is answered with
// ServerNotInitialized and every notification but `exit` is dropped; after `shutdown`
// every request is an InvalidRequest. `exit`, or the end of the input, ends it, with
// status 0 when `shutdown` came first and 1 otherwise. Nothing a client sends ends it
// otherwise: a body that is not JSON is a ParseError, a message that is not a request
// an InvalidRequest, an unknown method MethodNotFound (an unknown notification is
// dropped), and parameters of the wrong shape InvalidParams.
//
// Messages are handled one at a time, in the order they came. A `$/cancelRequest`
// cancels the request it names: one not yet run is answered with RequestCancelled at
// its turn; one that is running learns of it at its next cancellation check (see
// Cancellation.h), when the server reads what has come in meanwhile (through the
// input poll), and is answered with RequestCancelled then. Large answers are written
// in pieces, never held whole (JsonText.h).

#include "DocumentStore.h"
#include "GameRequests.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

struct LspFrame;
class CMessageReader;
class CGameService;
class CJsonText;


class CLspServer {
public:
    using Json = nlohmann::json;
    using Writer = std::function<void(const std::string& bytes)>;
    using Logger = std::function<void(const std::string& line)>;
    // Reads what input is there without waiting and feeds it to the reader.
    using InputPoll = std::function<void()>;

    CLspServer(Writer writer, Logger logger);
    ~CLspServer();

    // Handles every frame the reader holds, in order (and those that come in through
    // the input poll meanwhile).
    void Receive(CMessageReader& reader);
    // The input has ended; pendingBytes of a message were cut short.
    void EndOfInput(std::size_t pendingBytes);
    void SetInputPoll(InputPoll poll) { m_poll = std::move(poll); }

    bool Finished() const { return m_finished; }
    int ExitStatus() const { return m_shutdown ? 0 : 1; }

    // No folder searched for games and no compiler run, whatever the client asks (the
    // fuzz target's server).
    void SetSandboxed(bool sandboxed);

    // Documents the client has open (tests and benchmarks look at them).
    CLspDocument* FindOpenDocument(const std::string& uri);

private:
    using Handler = std::function<std::optional<Json>(Json& params)>;
    struct Queued {
        Json message;
        bool unreadable = false;  // a body that is not JSON
    };

    void TakeFrames();
    bool CancelledWhileRunning();
    void Handle(Json& message);
    void Dispatch(const Json& id, const std::string& method, Json& params);
    void Respond(const Json& id, Json result);
    void RespondError(const Json& id, int code, const std::string& message);
    // Answers id with the result that write puts out (called once or twice, see JsonText.h).
    void RespondWith(const Json& id, const std::function<void(CJsonText& out)>& write);
    void Send(const Json& message);
    void Log(const std::string& line);

    // Requests.
    std::optional<Json> OnInitialize(Json& params);
    std::optional<Json> OnShutdown(Json& params);
    std::optional<Json> OnSemanticTokensFull(Json& params);
    std::optional<Json> OnSemanticTokensDelta(Json& params);
    std::optional<Json> OnSemanticTokensRange(Json& params);
    std::optional<Json> OnDocumentSymbol(Json& params);
    std::optional<Json> OnFoldingRange(Json& params);
    // Notifications (their result is never sent).
    std::optional<Json> OnInitialized(Json& params);
    std::optional<Json> OnExit(Json& params);
    std::optional<Json> OnDidOpen(Json& params);
    std::optional<Json> OnDidChange(Json& params);
    std::optional<Json> OnDidSave(Json& params);
    std::optional<Json> OnDidClose(Json& params);
    std::optional<Json> OnDidChangeConfiguration(Json& params);
    std::optional<Json> OnDidChangeWatchedFiles(Json& params);
    std::optional<Json> OnIgnored(Json& params);

    // The open document a request names; null (and an error prepared) when there is none.
    OpenDocument* RequestDocument(const Json& params);
    void Fail(int code, std::string message) { m_failure.Fail(code, std::move(message)); }
    Handler Own(std::optional<Json> (CLspServer::*handler)(Json&));
    Handler Game(std::optional<Json> (CGameRequests::*handler)(Json&));

    Writer m_writer;
    Logger m_logger;
    InputPoll m_poll;
    CMessageReader* m_reader = nullptr;  // while Receive runs
    std::deque<Queued> m_queue;
    std::set<std::string> m_cancelled;    // ids (as JSON text) a $/cancelRequest named
    std::deque<std::string> m_cancelOrder;
    std::string m_running;                // the id of the request being handled, as JSON text
    Json m_runningId;                     // and as it came
    std::map<std::string, Handler> m_requests;
    std::map<std::string, Handler> m_notifications;
    CDocumentStore m_documents;
    std::unique_ptr<CGameService> m_game;
    std::unique_ptr<CGameRequests> m_gameRequests;
    PositionEncoding m_encoding = PositionEncoding::Utf16;
    bool m_initialized = false;
    bool m_watchFiles = false;       // the client registers file watchers when asked
    bool m_shutdown = false;
    bool m_finished = false;
    // The request being handled: its error when its handler gives no result, or that
    // the handler answered it itself.
    RequestFailure m_failure;
    bool m_answered = false;
};
