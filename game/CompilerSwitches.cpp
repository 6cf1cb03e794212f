#include "CompilerSwitches.h"

#include "syntax/CharClass.h"

#include <charconv>

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

// A number as the compiler reads a setting's value: decimal, or $hex; false if not one.
bool ReadNumber(std::string_view text, std::int32_t& value)
{
    int base = 10;
    if (!text.empty() && text[0] == '$') {
        text.remove_prefix(1);
        base = 16;
    }
    bool negative = false;
    if (!text.empty() && text[0] == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    if (text.empty()) return false;
    std::int64_t v = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), v, base);
    if (error != std::errc() || end != text.data() + text.size()) return false;
    value = static_cast<std::int32_t>(negative ? -v : v);
    return true;
}

std::string Upper(std::string_view s)
{
    std::string u(s);
    for (char& c : u)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return u;
}

}  // namespace

CompilerSwitches::CompilerSwitches(const std::string& libraryFolder)
{
    if (!libraryFolder.empty())
        include.includePath.push_back(libraryFolder.back() == '/' ? libraryFolder : libraryFolder + "/");
}

bool CompilerSwitches::StrictMode() const
{
    if (strictGiven) return strict == 1;
    return !m_strictOffByVersion;
}

std::string CompilerSwitches::Describe() const
{
    std::string s = glulx ? "Glulx" : "Z-code v" + std::to_string(version);
    if (debug) s += " with Debug";
    return s;
}

std::vector<std::string> CompilerSwitches::SplitWords(std::string_view words)
{
    std::vector<std::string> split;
    std::size_t i = 0;
    while (i < words.size()) {
        while (i < words.size() && IsSpace(words[i])) ++i;
        if (i >= words.size()) break;
        std::string word;
        while (i < words.size() && !IsSpace(words[i])) {
            if (words[i] == '"') {
                // A quoted part, as a shell would have read it: blanks kept.
                const std::size_t close = words.find('"', i + 1);
                const std::size_t end = close == std::string_view::npos ? words.size() : close;
                word.append(words.substr(i + 1, end - i - 1));
                i = close == std::string_view::npos ? words.size() : close + 1;
            } else {
                word.push_back(words[i++]);
            }
        }
        split.push_back(std::move(word));
    }
    return split;
}

bool CompilerSwitches::ApplyCommandLine(std::string_view words)
{
    bool ok = true;
    for (const std::string& word : SplitWords(words)) ok = ApplyWord(word) && ok;
    if (m_defineNext) {
        problems.push_back("--define needs a NAME=value after it");
        m_defineNext = false;
        ok = false;
    }
    return ok;
}

bool CompilerSwitches::ApplyWord(std::string_view word)
{
    if (word.empty()) return true;
    if (m_defineNext || word.substr(0, 2) == "$#") {
        std::string_view body = m_defineNext ? word : word.substr(2);
        m_defineNext = false;
        const std::size_t equals = body.find('=');
        std::int32_t value = 0;
        const std::string_view name = body.substr(0, equals);
        if (name.empty() || (equals != std::string_view::npos && !ReadNumber(body.substr(equals + 1), value))) {
            problems.push_back("not a constant to define: " + std::string(word));
            return false;
        }
        defines.emplace_back(Upper(name), value);
        return true;
    }
    if (word == "--define") {
        m_defineNext = true;
        return true;
    }
    if (word[0] == '$') {
        const std::size_t equals = word.find('=');
        std::int32_t value = 0;
        if (equals != std::string_view::npos && charclass::EqualsFolded(word.substr(1, equals - 1), "DICT_CHAR_SIZE") &&
            ReadNumber(word.substr(equals + 1), value))
            dictCharSize = value;
        return true;  // memory settings change nothing else that is read
    }
    if (word[0] == '+') {
        include.ApplyCommand(word);
        return true;
    }
    if (word[0] != '-' || word.size() < 2 || word[1] == '-') {
        problems.push_back("not a switch of the compiler: " + std::string(word));
        return false;
    }
    bool on = true;
    for (std::size_t i = 1; i < word.size(); ++i) {
        const char c = word[i];
        if (c == '~') {
            on = false;
            continue;
        }
        switch (c) {
        case 'G':
            if (on && versionGiven && !glulx) {
                problems.push_back("the -G switch cannot follow the -v switch");
            } else {
                glulx = on;
            }
            break;
        case 'v':
            if (i + 1 < word.size() && word[i + 1] >= '3' && word[i + 1] <= '8') {
                if (!glulx) {
                    version = word[i + 1] - '0';
                    versionGiven = true;
                    // -v3 and -v4 turn strict mode off for good, unless -S is given.
                    if (version == 3 || version == 4) m_strictOffByVersion = true;
                }
                ++i;
            } else {
                problems.push_back("-v needs a version from 3 to 8");
            }
            break;
        case 'D': debug = on; break;
        case 'X': infix = on; break;
        case 'S':
            strict = on ? 1 : 0;
            strictGiven = true;
            break;
        default:
            // Letters that take a figure (-E1, -W3, -s, -Cu ...) change nothing that is read.
            while (i + 1 < word.size() && (charclass::IsDigit(static_cast<unsigned char>(word[i + 1])) ||
                                           (c == 'C' && word[i + 1] == 'u')))
                ++i;
            break;
        }
        on = true;
    }
    return true;
}

void CompilerSwitches::ApplyHeader(std::string_view text)
{
    // The path settings are applied together, in time linear in the header (it may hold
    // tens of thousands of "++" lines); they change nothing else.
    std::vector<std::string> paths;
    IncludeSettings::ForEachHeaderCommand(text, [&](std::string_view command) {
        // A header line holds one command: a switch, a path setting or a memory setting.
        if (!command.empty() && command[0] == '+')
            paths.emplace_back(command);
        else if (!command.empty())
            ApplyWord(command);
        m_defineNext = false;
    });
    include.ApplyCommands(paths);
}
