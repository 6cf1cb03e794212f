#include "Uri.h"

#include <filesystem>
#include <system_error>

namespace {

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix)
{
    if (s.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = s[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        if (c != prefix[i]) return false;
    }
    return true;
}

}  // namespace

bool PathFromUri(std::string_view uri, std::string& path)
{
    if (!StartsWithNoCase(uri, "file://")) return false;
    uri.remove_prefix(7);
    if (StartsWithNoCase(uri, "localhost/")) uri.remove_prefix(9);
    if (uri.empty() || uri.front() != '/') return false;
    // A query or fragment names no part of a file.
    const std::size_t cut = uri.find_first_of("?#");
    if (cut != std::string_view::npos) uri = uri.substr(0, cut);
    std::string out;
    out.reserve(uri.size());
    for (std::size_t i = 0; i < uri.size(); ++i) {
        char c = uri[i];
        if (c == '%') {
            if (i + 2 >= uri.size()) return false;
            const int hi = HexValue(uri[i + 1]);
            const int lo = HexValue(uri[i + 2]);
            if (hi < 0 || lo < 0) return false;
            c = static_cast<char>(hi * 16 + lo);
            i += 2;
        }
        if (c == '\0') return false;
        out.push_back(c);
    }
    path = std::move(out);
    return true;
}

std::string UriFromPath(std::string_view given)
{
    static const char kHex[] = "0123456789ABCDEF";
    // A URI names a file by its absolute path: a relative one is the current folder's,
    // where the system would look for it.
    std::string path(given);
    if (path.empty() || path.front() != '/') {
        std::error_code error;
        const std::filesystem::path here = std::filesystem::current_path(error);
        path = (error ? std::filesystem::path("/") : here) / path;
    }
    std::string out = "file://";
    for (const char c : path) {
        const unsigned char b = static_cast<unsigned char>(c);
        const bool plain = (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || b == '-' ||
                           b == '.' || b == '_' || b == '~' || b == '/';
        if (plain) {
            out.push_back(c);
        } else {
            out.push_back('%');
            out.push_back(kHex[b >> 4]);
            out.push_back(kHex[b & 15]);
        }
    }
    return out;
}
