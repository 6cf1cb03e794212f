#pragma once
// file: URIs and the paths they name. A path's bytes are kept as they are (a name that
// is not UTF-8 survives the round trip through percent escapes).

#include <string>
#include <string_view>

// The path of a file URI ("file:///a%20b" or "file://localhost/a"); false for any
// other scheme or host, a relative path, or a path with a NUL.
bool PathFromUri(std::string_view uri, std::string& path);

// The file URI of a path (a relative one taken from the current folder, so that the
// URI is always file:///...): every byte but the unreserved ones and '/'
// percent-escaped.
std::string UriFromPath(std::string_view path);
