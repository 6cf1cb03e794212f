#include "IncludeSettings.h"

#include "syntax/CharClass.h"

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

}  // namespace

// The one command of a header line (what follows "!%"), its quotes removed; false when
// the line holds something after it other than a comment. An empty line gives "".
bool IncludeSettings::ReadHeaderLine(std::string_view line, std::string& command)
{
    std::size_t i = 0;
    while (i < line.size() && IsSpace(line[i])) ++i;
    command.clear();
    while (i < line.size() && !IsSpace(line[i])) {
        if (line[i] == '"') {
            const std::size_t close = line.find('"', i + 1);
            const std::size_t end = close == std::string_view::npos ? line.size() : close;
            command.append(line.substr(i + 1, end - i - 1));
            i = close == std::string_view::npos ? line.size() : close + 1;
        } else {
            command.push_back(line[i++]);
        }
    }
    while (i < line.size() && IsSpace(line[i])) ++i;
    return i == line.size() || line[i] == '!';
}

namespace {

std::vector<std::string> SplitFolders(std::string_view list)
{
    std::vector<std::string> folders;
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t comma = list.find(',', start);
        if (comma == std::string_view::npos) comma = list.size();
        folders.emplace_back(list.substr(start, comma - start));
        start = comma + 1;
    }
    return folders;
}

// The include path as commands build it, in time linear in their folders (a header may
// hold tens of thousands of lines): a "++" command puts its folders before all the others,
// so the path is the blocks of those commands, the last first, then the list the last "+"
// command set (or the path as it was before them).
struct IncludePathBuilder {
    std::vector<std::vector<std::string>> prepended;  // in the order of their commands
    std::vector<std::string> base;

    std::vector<std::string> Path() &&
    {
        std::vector<std::string> path;
        for (auto block = prepended.rbegin(); block != prepended.rend(); ++block)
            for (std::string& folder : *block) path.push_back(std::move(folder));
        for (std::string& folder : base) path.push_back(std::move(folder));
        return path;
    }
};

void Apply(IncludeSettings& settings, IncludePathBuilder& path, std::string_view command)
{
    if (command.empty() || command[0] != '+') return;
    const bool prepend = command.size() > 1 && command[1] == '+';
    std::string_view body = command.substr(prepend ? 2 : 1);
    std::string_view folders = body;
    if (const std::size_t equals = body.find('='); equals != std::string_view::npos) {
        const std::string_view setting = body.substr(0, equals);
        const std::string_view value = body.substr(equals + 1);
        if (charclass::EqualsFolded(setting, "language_name")) {
            settings.languageName = std::string(value);
            return;
        }
        if (!charclass::EqualsFolded(setting, "include_path")) return;
        folders = value;
    }
    if (prepend) {
        path.prepended.push_back(SplitFolders(folders));
    } else {
        path.prepended.clear();
        path.base = SplitFolders(folders);
    }
}

}  // namespace

void IncludeSettings::ApplyCommands(const std::vector<std::string>& commands)
{
    IncludePathBuilder path;
    path.base = std::move(includePath);
    for (const std::string& command : commands) Apply(*this, path, command);
    includePath = std::move(path).Path();
}

void IncludeSettings::ApplyCommand(std::string_view command) { ApplyCommands({std::string(command)}); }

IncludeSettings IncludeSettings::FromHeader(std::string_view text)
{
    IncludeSettings settings;
    std::vector<std::string> commands;
    ForEachHeaderCommand(text, [&](std::string_view command) { commands.emplace_back(command); });
    settings.ApplyCommands(commands);
    return settings;
}
