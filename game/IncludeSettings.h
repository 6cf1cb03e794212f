#pragma once
// The compiler's settings that decide where a game's includes are found, as its main
// file sets them in its header: the first lines of the file, while they begin "!%"
// (the first line that does not ends the header; a blank line does too). Each such
// line holds at most one command, optionally followed by a comment:
//   +include_path=a,b   the include path becomes the folders a, b
//   ++include_path=a,b  a, b go before the folders already on it
//   +dir, ++dir         the same, for the folder (or ,-separated folders) dir
//   +language_name=L    the language file is L instead of English
// Setting names compare without case; a value may stand in double quotes; an empty
// folder of a list (",b", "b,", or no value at all) is the folder the compiler runs in,
// which here is the main file's. Other commands (switches, other paths, memory
// settings) change nothing here, and a line that is not one command is passed over.
// Folders are kept as written: a relative one is the main file's folder's.

#include <string>
#include <string_view>
#include <vector>

struct IncludeSettings {
    std::vector<std::string> includePath;  // in the order they are tried
    std::string languageName = "English";

    // The settings of a main file's header (text as loaded).
    static IncludeSettings FromHeader(std::string_view text);
};
