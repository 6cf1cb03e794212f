#include "GameRequests.h"

#include "GameService.h"
#include "JsonAccess.h"
#include "Uri.h"

using Json = nlohmann::json;
using namespace jsonaccess;

bool CGameRequests::Place(const Json& params, std::string& path, LspPosition& position)
{
    std::string uri;
    const Json* item = Member(params, "textDocument");
    const Json* at = Member(params, "position");
    if (!item || !GetString(*item, "uri", uri) || !at || !GetPosition(*at, position)) {
        m_failure.Fail(LSP_INVALID_PARAMS, "textDocument.uri and position are needed");
        return false;
    }
    if (!PathFromUri(uri, path)) {
        m_failure.Fail(LSP_REQUEST_FAILED, "not a file: " + uri);
        return false;
    }
    return true;
}

std::optional<Json> CGameRequests::Definition(Json& params)
{
    std::string path;
    LspPosition position;
    if (!Place(params, path, position)) return std::nullopt;
    return m_game.Definition(path, position);
}

std::optional<Json> CGameRequests::References(Json& params)
{
    std::string path;
    LspPosition position;
    if (!Place(params, path, position)) return std::nullopt;
    const Json* declaration = Path(params, {"context", "includeDeclaration"});
    return m_game.References(path, position, !declaration || !declaration->is_boolean() || declaration->get<bool>());
}

std::optional<Json> CGameRequests::DocumentHighlight(Json& params)
{
    std::string path;
    LspPosition position;
    if (!Place(params, path, position)) return std::nullopt;
    return m_game.Highlights(path, position);
}

std::optional<Json> CGameRequests::Hover(Json& params)
{
    std::string path;
    LspPosition position;
    if (!Place(params, path, position)) return std::nullopt;
    return m_game.Hover(path, position);
}

std::optional<Json> CGameRequests::DocumentLink(Json& params)
{
    std::string uri;
    std::string path;
    const Json* item = Member(params, "textDocument");
    if (!item || !GetString(*item, "uri", uri) || !PathFromUri(uri, path)) {
        m_failure.Fail(LSP_INVALID_PARAMS, "textDocument.uri is missing or not a file");
        return std::nullopt;
    }
    return m_game.Links(path);
}

std::optional<Json> CGameRequests::WorkspaceSymbol(Json& params)
{
    std::string query;
    GetString(params, "query", query);
    return m_game.Symbols(query);
}

std::optional<Json> CGameRequests::Completion(Json& params)
{
    std::string path;
    LspPosition position;
    if (!Place(params, path, position)) return std::nullopt;
    return m_game.Completion(path, position);
}

std::optional<Json> CGameRequests::CompletionResolve(Json& params)
{
    return m_game.ResolveCompletion(params);
}

std::optional<Json> CGameRequests::SignatureHelp(Json& params)
{
    std::string path;
    LspPosition position;
    if (!Place(params, path, position)) return std::nullopt;
    return m_game.SignatureHelp(path, position);
}

std::optional<Json> CGameRequests::PrepareRename(Json& params)
{
    std::string path;
    LspPosition position;
    if (!Place(params, path, position)) return std::nullopt;
    std::string refusal;
    Json result = m_game.PrepareRename(path, position, refusal);
    if (result.is_null()) {
        m_failure.Fail(LSP_REQUEST_FAILED, refusal);
        return std::nullopt;
    }
    return result;
}

std::optional<Json> CGameRequests::Rename(Json& params)
{
    std::string path;
    LspPosition position;
    std::string newName;
    if (!Place(params, path, position)) return std::nullopt;
    if (!GetString(params, "newName", newName)) {
        m_failure.Fail(LSP_INVALID_PARAMS, "newName is missing");
        return std::nullopt;
    }
    std::string refusal;
    Json result = m_game.Rename(path, position, newName, m_documentChanges, refusal);
    if (result.is_null()) {
        m_failure.Fail(LSP_REQUEST_FAILED, refusal);
        return std::nullopt;
    }
    return result;
}

std::optional<Json> CGameRequests::PrepareCallHierarchy(Json& params)
{
    std::string path;
    LspPosition position;
    if (!Place(params, path, position)) return std::nullopt;
    return m_game.PrepareCallHierarchy(path, position);
}

std::optional<Json> CGameRequests::IncomingCalls(Json& params)
{
    const Json* item = Member(params, "item");
    if (!item) {
        m_failure.Fail(LSP_INVALID_PARAMS, "item is missing");
        return std::nullopt;
    }
    return m_game.IncomingCalls(*item);
}

std::optional<Json> CGameRequests::OutgoingCalls(Json& params)
{
    const Json* item = Member(params, "item");
    if (!item) {
        m_failure.Fail(LSP_INVALID_PARAMS, "item is missing");
        return std::nullopt;
    }
    return m_game.OutgoingCalls(*item);
}

