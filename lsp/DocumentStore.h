#pragma once
// CDocumentStore: the documents the client has open, by their URIs, with their versions
// and what their last semantic-token answer held; changes applied as the client sends
// them (full texts, or ranges in the client's positions).

#include "LspDocument.h"
#include "TokenHistory.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

struct OpenDocument {
    std::unique_ptr<CLspDocument> document;
    std::int64_t version = 0;
    CTokenHistory tokens;
};

class CDocumentStore {
public:
    using Json = nlohmann::json;
    using Logger = std::function<void(const std::string& line)>;

    explicit CDocumentStore(Logger log) : m_log(std::move(log)) {}

    OpenDocument* Find(const std::string& uri);
    // The open document of a file's path, or null; and its URI as the client wrote it.
    CLspDocument* FindByPath(const std::string& path);
    const std::string* UriOfPath(const std::string& path) const;
    std::int64_t VersionOfPath(const std::string& path) const;

    // Opens (or opens again) uri with text; the path it names, or "" when it names none.
    std::string Open(const std::string& uri, std::string text, std::int64_t version);
    // Applies the changes; false when the document is not open.
    bool Change(const std::string& uri, const Json& changes, std::int64_t version, PositionEncoding encoding);
    // Closes uri; the path it named, or "".
    std::string Close(const std::string& uri);

private:
    Logger m_log;
    std::map<std::string, OpenDocument> m_open;       // by the client's URI
    std::map<std::string, std::string> m_uriOfPath;  // the open documents' URIs, by path
};
