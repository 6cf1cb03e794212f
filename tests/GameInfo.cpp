#include "GameInfo.h"

#include "ChildProcess.h"
#include "TestSupport.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <unistd.h>

namespace fs = std::filesystem;

namespace testsupport {

namespace {

// Runs program with args in folder; its standard output and error into log.
bool Run(const std::vector<std::string>& args, const fs::path& folder, std::string& log)
{
    ChildOptions options;
    options.workingDirectory = folder.string();
    const ChildResult run = RunProgram(args, options);
    log += run.out + run.err;
    return run.Succeeded();
}

// Just enough XML for the compiler's debugging information: elements, their text and
// the five predefined entities. Attributes are kept as raw text.
struct Element {
    std::string name;
    std::string attributes;
    std::string text;
    std::vector<Element> children;

    const Element* Child(const char* childName) const
    {
        for (const Element& c : children)
            if (c.name == childName) return &c;
        return nullptr;
    }
    std::string ChildText(const char* childName) const
    {
        const Element* c = Child(childName);
        return c ? c->text : std::string();
    }
};

std::string Unescape(const std::string& s)
{
    static const std::pair<const char*, char> kEntities[] = {
        {"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        bool replaced = false;
        for (const auto& [entity, ch] : kEntities) {
            if (s.compare(i, std::strlen(entity), entity) == 0) {
                out.push_back(ch);
                i += std::strlen(entity);
                replaced = true;
                break;
            }
        }
        if (!replaced) out.push_back(s[i++]);
    }
    return out;
}

bool ParseElement(const std::string& xml, std::size_t& pos, Element& element)
{
    // At '<' of a start tag.
    const std::size_t close = xml.find('>', pos);
    if (close == std::string::npos) return false;
    std::string tag = xml.substr(pos + 1, close - pos - 1);
    const bool empty = !tag.empty() && tag.back() == '/';
    if (empty) tag.pop_back();
    const std::size_t space = tag.find(' ');
    element.name = tag.substr(0, space);
    if (space != std::string::npos) element.attributes = tag.substr(space + 1);
    pos = close + 1;
    if (empty) return true;
    for (;;) {
        const std::size_t lt = xml.find('<', pos);
        if (lt == std::string::npos) return false;
        element.text += Unescape(xml.substr(pos, lt - pos));
        pos = lt;
        if (xml.compare(pos, 2, "</") == 0) {
            const std::size_t end = xml.find('>', pos);
            if (end == std::string::npos) return false;
            pos = end + 1;
            return true;
        }
        element.children.emplace_back();
        if (!ParseElement(xml, pos, element.children.back())) return false;
    }
}

bool ParseDocument(const std::string& xml, Element& root)
{
    std::size_t pos = 0;
    while ((pos = xml.find('<', pos)) != std::string::npos) {
        if (xml.compare(pos, 2, "<?") == 0 || xml.compare(pos, 2, "<!") == 0) {
            pos = xml.find('>', pos);
            if (pos == std::string::npos) return false;
            continue;
        }
        return ParseElement(xml, pos, root);
    }
    return false;
}

std::string Trim(const std::string& s)
{
    const std::size_t first = s.find_first_not_of(" \t\n");
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t\n") - first + 1);
}

bool ReadDebugInformation(const std::string& xml, const std::vector<std::string>& opened, CompiledGame& game)
{
    Element root;
    if (!ParseDocument(xml, root)) return false;
    std::map<std::string, std::string> files;  // source index -> the file opened
    std::size_t sources = 0;
    for (const Element& e : root.children) {
        if (e.name != "source") continue;
        const std::size_t quote = e.attributes.find('"');
        const std::string index = e.attributes.substr(quote + 1, e.attributes.find('"', quote + 1) - quote - 1);
        if (sources >= opened.size()) return false;
        files[index] = opened[sources++];
    }
    static const char* const kKinds[] = {"routine", "object", "class", "global-variable", "constant",
                                         "array", "attribute", "property", "fake-action"};
    for (const Element& e : root.children) {
        bool wanted = false;
        for (const char* kind : kKinds) wanted = wanted || e.name == kind;
        const Element* identifier = e.Child("identifier");
        const Element* location = e.Child("source-code-location");
        if (!wanted || !identifier || !location) continue;
        const auto file = files.find(Trim(location->ChildText("file-index")));
        if (file == files.end()) return false;
        game.definitions.push_back(CompiledDefinition{
            e.name, Trim(identifier->text), file->second,
            static_cast<std::uint32_t>(std::strtoul(Trim(location->ChildText("line")).c_str(), nullptr, 10)),
            identifier->attributes.find("artificial") != std::string::npos});
    }
    for (const Element& e : root.children) {
        if (e.name != "routine") continue;
        for (const Element& point : e.children) {
            const Element* location = point.name == "sequence-point" ? point.Child("source-code-location") : nullptr;
            if (!location) continue;
            const auto file = files.find(Trim(location->ChildText("file-index")));
            if (file == files.end()) return false;
            game.statements.emplace_back(
                file->second,
                static_cast<std::uint32_t>(std::strtoul(Trim(location->ChildText("line")).c_str(), nullptr, 10)));
        }
    }
    return true;
}

// The compiler counts a CR as a line break of its own, so a CR LF pair as two; the
// viewer's lines are its line feeds. Gives every definition the line the viewer counts.
void CountLinesAsTheViewer(CompiledGame& game)
{
    std::map<std::string, std::vector<std::uint32_t>> lines;  // per file: the viewer's line of each compiler line
    auto toViewer = [&](const std::string& path, std::uint32_t& line) {
        auto it = lines.find(path);
        if (it == lines.end()) {
            std::vector<std::uint32_t> viewerLine{0, 1};
            const std::string bytes = ReadFile(path);
            if (bytes.find('\r') != std::string::npos) {
                std::uint32_t viewer = 1;
                for (const char c : bytes) {
                    if (c == '\n') ++viewer;
                    if (c == '\n' || c == '\r') viewerLine.push_back(viewer);
                }
            } else {
                viewerLine.clear();
            }
            it = lines.emplace(path, std::move(viewerLine)).first;
        }
        if (!it->second.empty() && line < it->second.size()) line = it->second[line];
    };
    for (CompiledDefinition& d : game.definitions) toViewer(d.file, d.line);
    for (auto& [file, line] : game.statements) toViewer(file, line);
}

}  // namespace

std::string FindCompiler()
{
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= folders.size()) {
        std::size_t colon = folders.find(':', start);
        if (colon == std::string::npos) colon = folders.size();
        const fs::path candidate = fs::path(folders.substr(start, colon - start)) / "inform6";
        if (::access(candidate.c_str(), X_OK) == 0) return candidate.string();
        start = colon + 1;
    }
    return {};
}

CompiledGame CompileForReference(const std::string& compiler, const fs::path& main,
                                 const std::vector<std::string>& arguments)
{
    CompiledGame game;
    TempDir out;
    const fs::path folder = main.has_parent_path() ? main.parent_path() : fs::path(".");
    for (const char* target : {"-k", "-Gk"}) {
        std::vector<std::string> args{compiler, target, "$!FILES",
                                      "+debugging_name=" + (out / "gameinfo.dbg").string()};
        args.insert(args.end(), arguments.begin(), arguments.end());
        args.push_back(main.filename().string());
        args.push_back((out / "story").string());
        game.log.clear();
        if (!Run(args, folder, game.log)) continue;
        game.files.clear();
        const std::string opening = "Opening file \"";
        for (std::size_t at = game.log.find(opening); at != std::string::npos; at = game.log.find(opening, at + 1)) {
            const std::size_t start = at + opening.size();
            const std::string name = game.log.substr(start, game.log.find('"', start) - start);
            game.files.push_back(name.empty() || name[0] == '/' ? name : (folder / name).string());
        }
        game.compiled = ReadDebugInformation(ReadFile(out / "gameinfo.dbg"), game.files, game);
        game.target = std::string(target) == "-k" ? "" : "-G";
        if (game.compiled) {
            CountLinesAsTheViewer(game);
            return game;
        }
        game.definitions.clear();
        game.statements.clear();
    }
    return game;
}

}  // namespace testsupport
