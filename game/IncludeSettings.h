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
    // Applies one command (a `+...` one; others change nothing here), as a header line or
    // the compiler's command line gives it.
    void ApplyCommand(std::string_view command);
    // Applies commands in order, in time linear in their folders.
    void ApplyCommands(const std::vector<std::string>& commands);
    // Calls command for the one command of each line of a main file's header, in order,
    // its quotes removed; a line that holds more than one command is passed over.
    template <class Command>
    static void ForEachHeaderCommand(std::string_view text, Command&& command);

private:
    static bool ReadHeaderLine(std::string_view line, std::string& command);
};

template <class Command>
void IncludeSettings::ForEachHeaderCommand(std::string_view text, Command&& command)
{
    std::size_t pos = 0;
    std::string one;
    while (pos < text.size() && text.compare(pos, 2, "!%") == 0) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        if (ReadHeaderLine(text.substr(pos + 2, end - pos - 2), one)) command(std::string_view(one));
        pos = end + 1;
    }
}
