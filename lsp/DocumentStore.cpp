#include "DocumentStore.h"

#include "JsonAccess.h"
#include "Uri.h"

using Json = nlohmann::json;
using namespace jsonaccess;

OpenDocument* CDocumentStore::Find(const std::string& uri)
{
    const auto found = m_open.find(uri);
    return found == m_open.end() ? nullptr : &found->second;
}

CLspDocument* CDocumentStore::FindByPath(const std::string& path)
{
    const std::string* uri = UriOfPath(path);
    OpenDocument* open = uri ? Find(*uri) : nullptr;
    return open ? open->document.get() : nullptr;
}

const std::string* CDocumentStore::UriOfPath(const std::string& path) const
{
    const auto found = m_uriOfPath.find(path);
    return found == m_uriOfPath.end() ? nullptr : &found->second;
}

std::int64_t CDocumentStore::VersionOfPath(const std::string& path) const
{
    const std::string* uri = UriOfPath(path);
    if (!uri) return -1;
    const auto found = m_open.find(*uri);
    return found == m_open.end() ? -1 : found->second.version;
}

std::string CDocumentStore::Open(const std::string& uri, std::string text, std::int64_t version)
{
    OpenDocument& open = m_open[uri];
    open.document = std::make_unique<CLspDocument>(std::move(text), display::Encoding::Utf8);
    open.version = version;
    open.tokens = CTokenHistory();
    std::string path;
    if (!PathFromUri(uri, path)) return "";
    m_uriOfPath[path] = uri;
    return path;
}

bool CDocumentStore::Change(const std::string& uri, const Json& changes, std::int64_t version, PositionEncoding encoding)
{
    OpenDocument* open = Find(uri);
    if (!open) return false;
    CLspDocument& document = *open->document;
    for (const Json& change : changes) {
        std::string text;
        if (!GetString(change, "text", text)) {
            m_log("a change without text in " + uri);
            continue;
        }
        const Json* range = Member(change, "range");
        if (!range) {
            document.SetText(std::move(text));
            open->tokens.Reset();
            continue;
        }
        LspPosition start;
        LspPosition end;
        if (!GetRange(*range, start, end)) {
            m_log("a change with a bad range in " + uri);
            continue;
        }
        std::size_t from = document.OffsetOf(start, encoding);
        std::size_t to = document.OffsetOf(end, encoding);
        if (to < from) std::swap(from, to);
        document.Replace(from, to, text);
        open->tokens.Edited(document.LastEdit());
    }
    if (version >= 0) open->version = version;
    return true;
}

std::string CDocumentStore::Close(const std::string& uri)
{
    m_open.erase(uri);
    std::string path;
    if (!PathFromUri(uri, path)) return "";
    const auto found = m_uriOfPath.find(path);
    if (found != m_uriOfPath.end() && found->second == uri) m_uriOfPath.erase(found);
    return path;
}
