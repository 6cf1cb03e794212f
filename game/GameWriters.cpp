#include "GameWriters.h"

#include "doc/Printable.h"
#include "syntax/DisplayText.h"
#include "syntax/OutlineWriter.h"

#include <algorithm>
#include <string>
#include <unordered_map>

namespace {

// Where each list of paths tried was written first: the file and line of its Include.
using ListedPaths = std::unordered_map<const void*, std::string>;

bool WriteInclude(const CGame& game, const CGameFile& file, const GameInclude& include, std::size_t depth,
                  ListedPaths& listed, COutputBuffer& out)
{
    const std::size_t indent = std::min(depth, INCLUDE_TREE_INDENT_LEVELS) * 2;
    const std::string place = PrintableForTerminal(file.Path()) + ":" + std::to_string(include.line);
    std::string line(indent, ' ');
    line += place + ": Include \"" + PrintableForTerminal(include.Name(file)) + "\" -> ";
    if (include.Resolution().status == IncludeStatus::NotRead) {
        const CompileReason& reason = game.Reason(include.reason);
        line += "not read: in code skipped by `" + PrintableForTerminal(reason.what) + "` (" +
                PrintableForTerminal(game.PlaceText(reason.file, reason.offset)) + ")\n";
        return out.Append(line);
    }
    if (include.target == NO_FILE) {
        // Includes of one name share one answer: a list of several paths is written once.
        if (include.Resolution().tried.size() > 1) {
            const void* list = &include.Resolution();
            const auto [first, isNew] = listed.emplace(list, place);
            if (!isNew) return out.Append(line + "missing; tried as at " + first->second + "\n");
        }
        line += "missing; tried:\n";
        if (!out.Append(line)) return false;
        for (const std::string& tried : include.Resolution().tried)
            if (!out.Append(std::string(indent + 4, ' ') + PrintableForTerminal(tried) + "\n")) return false;
        return true;
    }
    const CGameFile& target = game.File(include.target);
    line += PrintableForTerminal(target.Path());
    if (include.Resolution().status == IncludeStatus::FoundByCase)
        line += " (another case: the compiler would not find it)";
    if (include.Resolution().status == IncludeStatus::FoundOutsidePath)
        line += " (outside the compiler's include path: it would not find it)";
    if (!include.firstRead) line += " (read before)";
    if (include.firstRead && target.Status() == GameFileStatus::Unreadable)
        line += " (cannot be read: " + target.Failure() + ")";
    line += "\n";
    return out.Append(line);
}

}  // namespace

bool WriteIncludeTree(const CGame& game, COutputBuffer& out)
{
    struct Frame {
        std::uint32_t file;
        std::uint32_t next;
    };
    ListedPaths listed;
    std::vector<Frame> stack{Frame{0, 0}};
    while (!stack.empty()) {
        const Frame top = stack.back();
        const CGameFile& file = game.File(top.file);
        if (top.next >= file.Includes().size()) {
            stack.pop_back();
            continue;
        }
        ++stack.back().next;
        const GameInclude& include = file.Includes()[top.next];
        if (!WriteInclude(game, file, include, stack.size() - 1, listed, out)) return false;
        if (include.firstRead) stack.push_back(Frame{include.target, 0});
    }
    return true;
}

bool WriteGameOutline(const CGame& game, COutputBuffer& out)
{
    for (std::uint32_t f = 0; f < game.FileCount(); ++f) {
        const CGameFile& file = game.File(f);
        const std::string path = PrintableForTerminal(file.Path()) + "\t";
        const bool utf8 =
            display::ChooseEncoding(file.Text().data(), file.ShownLength()) == display::Encoding::Utf8;
        for (std::uint32_t i = 0; i < file.Definitions().size(); ++i) {
            const GameDefinition& d = file.Definitions()[i];
            DefinitionKind kind = d.Kind();
            // A Stub the compiler compiles is a routine; a property no directive declares
            // is no row of the outline.
            if (kind == DefinitionKind::Stub) kind = DefinitionKind::Routine;
            else if (static_cast<int>(kind) > static_cast<int>(DefinitionKind::PropertyRoutine) || d.IsImplicit()) continue;
            const std::string name = game.CompiledNameOf(GameDefinitionRef{f, i});
            if (!out.Append(path) || !out.Room(OUTLINE_MAX_ROW + path.size() + 1, 4096)) return false;
            char* end = WriteOutlineRow(out.End(), d.CompilerLine(), DefinitionKindName(kind), name, utf8);
            if (!d.IsCompiled()) {
                --end;  // the row's line feed: a fifth field goes before it
                out.Commit(end);
                if (!out.Append("\tnot compiled: " + PrintableForTerminal(game.DescribeReason(d.Reason())) + "\n"))
                    return false;
            } else {
                out.Commit(end);
            }
        }
    }
    return true;
}

bool WriteSkippedCode(const CGame& game, COutputBuffer& out)
{
    for (std::uint32_t f = 0; f < game.FileCount(); ++f) {
        const CGameFile& file = game.File(f);
        const std::string path = PrintableForTerminal(file.Path()) + "\t";
        for (const GameSkippedRange& range : file.SkippedRanges()) {
            if (range.lastLine < range.firstLine) continue;
            if (!out.Append(path + std::to_string(range.firstLine) + "\t" + std::to_string(range.lastLine) + "\t" +
                            PrintableForTerminal(game.DescribeReason(range.reason)) + "\n"))
                return false;
        }
    }
    return true;
}
