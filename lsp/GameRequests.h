#pragma once
// CGameRequests: the requests answered from the whole game (definition, references,
// highlights, hover, links, workspace symbols, completion, signature help, rename,
// call hierarchy): each reads its parameters, asks the game service, and gives its
// result, or the error it failed with.

#include "LspDocument.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <string>

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

// Why the request being answered gave no result.
struct RequestFailure {
    int code = 0;
    std::string message;
    void Fail(int failCode, std::string failMessage)
    {
        code = failCode;
        message = std::move(failMessage);
    }
};

class CGameRequests {
public:
    using Json = nlohmann::json;

    CGameRequests(CGameService& game, RequestFailure& failure) : m_game(game), m_failure(failure) {}
    // The client takes versioned edits (documentChanges).
    void SetDocumentChanges(bool documentChanges) { m_documentChanges = documentChanges; }

    std::optional<Json> Definition(Json& params);
    std::optional<Json> References(Json& params);
    std::optional<Json> DocumentHighlight(Json& params);
    std::optional<Json> Hover(Json& params);
    std::optional<Json> DocumentLink(Json& params);
    std::optional<Json> WorkspaceSymbol(Json& params);
    std::optional<Json> Completion(Json& params);
    std::optional<Json> CompletionResolve(Json& params);
    std::optional<Json> SignatureHelp(Json& params);
    std::optional<Json> PrepareRename(Json& params);
    std::optional<Json> Rename(Json& params);
    std::optional<Json> PrepareCallHierarchy(Json& params);
    std::optional<Json> IncomingCalls(Json& params);
    std::optional<Json> OutgoingCalls(Json& params);

private:
    // The path and position a request names; false (and the failure set) when it names none.
    bool Place(const Json& params, std::string& path, LspPosition& position);

    CGameService& m_game;
    RequestFailure& m_failure;
    bool m_documentChanges = false;
};
