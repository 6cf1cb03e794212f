#include "GameBuilder.h"

#include "syntax/ShownLines.h"

#include <algorithm>
#include <new>
#include <unordered_set>

CGameBuilder::CGameBuilder(const GameInputs& inputs, const IGameFileSource& source)
    : m_inputs(inputs), m_source(source), m_game(std::make_shared<CGame>()),
      m_files(m_game->m_files), m_byIdentity(0, IdentityHash{&m_game->m_identities}, IdentityEqual{&m_game->m_identities})
{
}

namespace {

constexpr std::size_t kLinesKeptFrom = 4096;  // bytes of text

}  // namespace

std::shared_ptr<const CGame> CGameBuilder::Build()
{
    m_game->m_inputs = m_inputs;
    Load(m_inputs.mainPath, m_source.Identity(m_inputs.mainPath), {}, NO_FILE);

    CompilerSwitches switches(m_inputs.libraryFolder);
    switches.ApplyCommandLine(m_inputs.switches);
    switches.ApplyHeader(m_files[0].Text());
    m_game->m_switches = switches;
    m_game->m_settings = switches.include;
    m_resolver = std::make_unique<CIncludeResolver>(m_inputs.mainPath, switches.include, m_inputs.includeFolders,
                                                    m_inputs.libraryFolder, m_source);
    m_game->m_searchFolders = m_resolver->SearchFolders();

    CGameCompiler compiler(switches, *this);
    compiler.Run(0);
    m_game->m_ifDecisions = compiler.IfDecisions();
    // The tokens were the compiler's alone: their room is the merge's too.
    m_tokens = {};
    m_tokenRuns = {};
    // What finds files and names is done with: its room is the merge's.
    compiler.ForgetNames();
    m_resolver.reset();
    {
        decltype(m_byIdentity) none(0, m_byIdentity.hash_function(), m_byIdentity.key_eq());
        m_byIdentity.swap(none);
    }
    Merge(compiler);
    IndexNames();
    return m_game;
}

std::uint32_t CGameBuilder::Load(const std::string& path, std::string identity, const std::vector<std::string>& classes,
                                 std::uint32_t from)
{
    const auto index = static_cast<std::uint32_t>(m_files.size());
    m_game->m_identities.push_back(std::move(identity));
    m_byIdentity.insert(index);
    m_game->m_includedFrom.push_back(from);
    m_game->m_includedAt.push_back(0);
    const CompileTokenPlace tokens = m_tokens.StartFile();
    const std::size_t lines = m_lineStarts.size();
    std::string reason;
    std::shared_ptr<const std::string> text = m_source.Load(path, reason);
    if (!text)
        m_files.emplace_back(path, reason);
    else {
        // Room for the tokens and lines of most sources (two bytes of tokens for every four
        // of text, a line every 16), so that a large file's are not copied as they grow:
        // pages not written to cost nothing.
        const std::size_t size = text->size();
        m_tokens.Reserve(size);
        const std::size_t wanted = lines + size / 16 + 16;
        if (size >= kLinesKeptFrom && wanted > m_lineStarts.capacity())
            m_lineStarts.reserve(std::max(wanted, lines + lines / 2));
        m_files.emplace_back(path, std::move(text), classes, nullptr, &m_tokens,
                             size >= kLinesKeptFrom ? &m_lineStarts : nullptr);
    }
    m_tokens.Close();
    m_tokenRuns.push_back(Run{tokens.at, m_tokens.Size()});
    m_lineRuns.push_back(Run{lines, m_lineStarts.size()});
    return index;
}

std::string_view CGameBuilder::Text(std::uint32_t file) { return m_files[file].Text(); }

const CCompileTokenList& CGameBuilder::Tokens(std::uint32_t file, CompileTokenPlace& start)
{
    start = CompileTokenPlace{m_tokenRuns[file].begin, m_tokenRuns[file].end, 0};
    return m_tokens;
}

std::uint32_t CGameBuilder::OpenInclude(std::uint32_t from, std::string_view name, const std::vector<std::string>& classes,
                                        std::shared_ptr<const IncludeResolution>& resolution)
{
    // One resolution for each name: the same name always leads to the same file, which
    // the answer keeps as its mark.
    std::string identity;
    IncludeAnswer& answer = m_resolver->Answer(name, &identity);
    resolution = answer.resolution;
    if (resolution->status == IncludeStatus::Missing) return COMPILE_NONE;
    if (answer.mark != IncludeAnswer::NO_MARK) return answer.mark;
    const std::string path = resolution->Path();
    if (identity.empty()) identity = m_source.Identity(path);
    const auto file = m_byIdentity.find(std::string_view(identity));
    answer.mark = file != m_byIdentity.end() ? *file : Load(path, std::move(identity), classes, from);
    return answer.mark;
}

// The starts of the lines the file reader reads (as the line loop has them: up to the
// first zero byte, and not the line too long that stops it), for a file whose were not
// kept.
void CGameBuilder::FindLines(std::uint32_t file)
{
    m_linesFoundFor = NO_FILE;
    if (m_lineRuns[file].end > m_lineRuns[file].begin) return;
    m_linesFound.clear();
    const std::string& text = m_files[file].Text();
    const std::size_t length = ShownLength(text.data(), text.size());
    for (std::size_t pos = 0; pos < length;) {
        const std::size_t n = MeasureLine(text.data(), length, pos);
        if (n >= MAX_LINE_LENGTH) break;
        m_linesFound.push_back(pos);
        pos += n + 1;
    }
    m_linesFoundFor = file;
}

// What the file reader found is kept for the text the compiler skips, and the file has
// none: its room is the compile pass's (a chain of 100,000 files ends its readings one
// after another while the compiler's records of them grow).
void CGameBuilder::ReadWithoutSkips(std::uint32_t file)
{
    CGameFile& f = m_files[file];
    std::vector<GameDefinition>().swap(f.m_definitions);
    std::vector<GameInclude>().swap(f.m_includes);
}

TextPosition CGameBuilder::PositionIn(std::uint32_t file, std::uint64_t offset) const
{
    const std::span<const std::uint64_t> starts = LineStarts(file);
    const auto after = std::upper_bound(starts.begin(), starts.end(), offset);
    if (after == starts.begin()) return TextPosition{offset, 1, static_cast<std::uint32_t>(offset)};
    const auto line = static_cast<std::uint64_t>(after - starts.begin());
    return TextPosition{offset, line, static_cast<std::uint32_t>(std::min<std::uint64_t>(offset - *(after - 1), 0xFFFFFFFFu))};
}

void CGameBuilder::Merge(CGameCompiler& compiler)
{
    m_game->m_reasons = std::move(compiler.Reasons());
    const auto files = static_cast<std::uint32_t>(m_files.size());
    // Each file's records are a run of the compiler's, in the order it made them: its
    // lists sorted by file (the definitions by their numbers, which others refer to).
    std::vector<SkippedText>& skipped = compiler.Skipped();
    std::stable_sort(skipped.begin(), skipped.end(), [](const SkippedText& a, const SkippedText& b) { return a.file < b.file; });
    std::deque<CompiledInclude>& compiledIncludes = compiler.Includes();
    const std::deque<CompiledDefinition>& compiled = compiler.Definitions();
    auto byFile = [](const auto& list) {
        std::vector<std::uint32_t> order(list.size());
        for (std::uint32_t i = 0; i < order.size(); ++i) order[i] = i;
        std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) { return list[a].file < list[b].file; });
        return order;
    };
    const std::vector<std::uint32_t> includes = byFile(compiledIncludes);
    const std::vector<std::uint32_t> definitions = byFile(compiled);
    std::size_t nextSkipped = 0, nextInclude = 0, nextDefinition = 0;
    auto runOf = [](auto& list, std::size_t& next, std::uint32_t f, auto fileOf) {
        const std::size_t first = next;
        while (next < list.size() && fileOf(list[next]) == f) ++next;
        return std::span(list.data() + first, next - first);
    };
    const std::vector<std::uint32_t>& readings = compiler.Readings();
    for (std::uint32_t f = 0; f < files; ++f) {
        FindLines(f);
        MergeSkipped(f, runOf(skipped, nextSkipped, f, [](const SkippedText& s) { return s.file; }),
                     f < readings.size() ? std::max<std::uint32_t>(readings[f], 1) : 1);
        MergeDefinitions(f, compiled, compiler.Aliases(),
                         runOf(definitions, nextDefinition, f, [&](std::uint32_t i) { return compiled[i].file; }));
        MergeIncludes(f, compiledIncludes,
                      runOf(includes, nextInclude, f, [&](std::uint32_t i) { return compiledIncludes[i].file; }));
    }
}

// A file read more than once is skipped only where every reading skipped it.
void CGameBuilder::MergeSkipped(std::uint32_t f, std::span<const SkippedText> skipped, std::uint32_t readings)
{
    struct Range {
        std::uint64_t start, end;
        std::uint32_t reason;
    };
    auto sorted = [&](std::uint32_t reading) {
        std::vector<Range> ranges;
        for (const SkippedText& s : skipped)
            if (s.reading == reading) ranges.push_back(Range{s.start, s.end, s.reason});
        std::sort(ranges.begin(), ranges.end(), [](const Range& a, const Range& b) { return a.start < b.start; });
        return ranges;
    };
    std::vector<Range> result = sorted(1);
    for (std::uint32_t r = 2; r <= readings && !result.empty(); ++r) {
        const std::vector<Range> other = sorted(r);
        std::vector<Range> both;
        std::size_t i = 0, j = 0;
        while (i < result.size() && j < other.size()) {
            const std::uint64_t start = std::max(result[i].start, other[j].start);
            const std::uint64_t end = std::min(result[i].end, other[j].end);
            if (start < end) both.push_back(Range{start, end, result[i].reason});
            if (result[i].end < other[j].end) ++i;
            else ++j;
        }
        result = std::move(both);
    }
    CGameFile& file = m_files[f];
    const std::uint64_t size = file.Text().size();
    const std::span<const std::uint64_t> starts = LineStarts(f);
    for (const Range& r : result) {
        GameSkippedRange range{r.start, r.end, 0, 0, r.reason};
        // The whole lines it covers: those that begin in it and whose line feed (or the
        // end of the text) is in it too.
        const auto first = std::lower_bound(starts.begin(), starts.end(), r.start);
        std::uint64_t firstLine = static_cast<std::uint64_t>(first - starts.begin()) + 1;
        std::uint64_t lastLine = firstLine - 1;
        for (auto it = first; it != starts.end() && *it < r.end; ++it) {
            const std::uint64_t next = it + 1 != starts.end() ? *(it + 1) : size + 1;
            if (next - 1 > r.end) break;
            ++lastLine;
        }
        range.firstLine = static_cast<std::uint32_t>(firstLine);
        range.lastLine = static_cast<std::uint32_t>(lastLine);
        file.MakeRare().skipped.push_back(range);
    }
}

void CGameBuilder::MergeDefinitions(std::uint32_t f, const std::deque<CompiledDefinition>& compiled,
                                    const std::vector<std::string>& aliases, std::span<const std::uint32_t> mine)
{
    CGameFile& file = m_files[f];
    struct Entry {
        GameDefinition definition;
        std::uint64_t order;         // the compiler's ones in their order, the reader's after them
        std::uint32_t parent;        // in the same numbering as order, or NO_PARENT
        const std::string* alias;
    };
    std::vector<Entry> entries;
    entries.reserve(mine.size() + 16);
    // The compiler's definitions, each once (a file read again compiles them again).
    std::unordered_map<std::uint32_t, std::uint64_t> orderOf;  // a compiled definition's index -> its order
    std::unordered_set<std::uint64_t> seen;  // name offset and kind
    std::unordered_set<std::uint64_t> names;
    for (std::uint32_t i : mine) {
        const CompiledDefinition& c = compiled[i];
        if (!seen.insert(c.nameOffset * 16 + static_cast<std::uint64_t>(c.kind)).second) continue;
        names.insert(c.nameOffset);
        Definition d;
        d.kind = c.kind;
        d.flags = c.givesWay ? DEFINITION_GIVES_WAY : 0;
        d.nameLength = c.nameLength;
        d.name = PositionIn(f, c.nameOffset);
        d.start = PositionIn(f, c.start);
        GameDefinition definition(d, c.end, NO_PARENT);
        definition.m_compilerLine = static_cast<std::uint32_t>(PositionIn(f, c.located).line);
        definition.m_state = (c.reason == COMPILE_NONE ? 0 : (c.reason + 1) & GameDefinition::STATE_REASON) |
                             (c.superseded ? GameDefinition::STATE_SUPERSEDED : 0) |
                             (c.implicit ? GameDefinition::STATE_IMPLICIT : 0);
        orderOf.emplace(i, entries.size());
        entries.push_back(Entry{definition, entries.size(), c.parent, c.alias == COMPILE_NONE ? nullptr : &aliases[c.alias]});
    }
    for (Entry& e : entries) {
        const auto parent = e.parent == COMPILE_NONE ? orderOf.end() : orderOf.find(e.parent);
        e.parent = parent == orderOf.end() ? NO_PARENT : static_cast<std::uint32_t>(parent->second);
    }
    // The reader's definitions of the text the compiler skips.
    const std::uint64_t base = entries.size();
    const std::vector<GameDefinition>& read = file.m_definitions;
    for (std::uint32_t i = 0; i < read.size(); ++i) {
        const GameSkippedRange* range = file.SkippedAt(read[i].Offset());
        if (!range || names.count(read[i].Offset())) continue;
        GameDefinition definition = read[i];
        definition.m_state = (range->reason + 1) & GameDefinition::STATE_REASON;
        const std::uint32_t parent = read[i].Parent() == NO_PARENT ? NO_PARENT
                                                                   : static_cast<std::uint32_t>(base + read[i].Parent());
        entries.push_back(Entry{definition, base + i, parent, nullptr});
    }
    // In the order of their names in the text (a property routine after its object).
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.definition.Offset() < b.definition.Offset(); });
    std::unordered_map<std::uint64_t, std::uint32_t> indexOf;
    for (std::uint32_t i = 0; i < entries.size(); ++i) indexOf.emplace(entries[i].order, i);
    std::vector<GameDefinition> result;
    result.reserve(entries.size());
    for (std::uint32_t i = 0; i < entries.size(); ++i) {
        GameDefinition d = entries[i].definition;
        const auto parent = entries[i].parent == NO_PARENT ? indexOf.end() : indexOf.find(entries[i].parent);
        d.m_parent = parent == indexOf.end() ? NO_PARENT : parent->second;
        if (entries[i].alias) m_game->m_aliases.emplace(CGame::AliasKey(GameDefinitionRef{f, i}), *entries[i].alias);
        result.push_back(d);
    }
    file.m_definitions = std::move(result);
}

void CGameBuilder::MergeIncludes(std::uint32_t f, std::deque<CompiledInclude>& compiled,
                                 std::span<const std::uint32_t> mine)
{
    CGameFile& file = m_files[f];
    std::vector<GameInclude> result;
    for (std::uint32_t i : mine) {
        CompiledInclude& c = compiled[i];
        const auto same = std::find_if(result.begin(), result.end(),
                                       [&](const GameInclude& i) { return i.offset == c.nameOffset; });
        if (same != result.end()) {
            same->firstRead = same->firstRead || c.firstRead;
            continue;
        }
        GameInclude include;
        if (c.nameFile != f) {
            std::deque<std::string>& far = file.MakeRare().farNames;
            far.emplace_back(IncludeNameOf(m_files[c.nameFile].Text().substr(c.nameOffset, c.nameLength)));
            include.farName = &far.back();
        }
        include.offset = c.nameOffset;
        const TextPosition at = PositionIn(f, c.nameOffset);
        include.line = static_cast<std::uint32_t>(at.line);
        include.column = static_cast<std::uint16_t>(at.column);
        include.length = c.nameLength;
        include.start = c.start;
        include.end = c.end;
        include.resolution = c.resolution;
        include.target = c.target == COMPILE_NONE ? NO_FILE : c.target;
        include.firstRead = c.firstRead;
        result.push_back(std::move(include));
    }
    // The includes of skipped text, as the reader found them: never looked for.
    for (const GameInclude& read : file.m_includes) {
        const GameSkippedRange* range = file.SkippedAt(read.offset);
        if (!range) continue;
        GameInclude include = read;
        static const auto notRead = std::make_shared<const IncludeResolution>(
            IncludeResolution{IncludeStatus::NotRead, IncludeResolution::NOT_TRIED, {}, {}});
        include.resolution = notRead;
        include.reason = range->reason;
        include.target = NO_FILE;
        include.firstRead = false;
        result.push_back(std::move(include));
    }
    std::sort(result.begin(), result.end(), [](const GameInclude& a, const GameInclude& b) { return a.offset < b.offset; });
    for (std::uint32_t i = 0; i < result.size(); ++i)
        if (result[i].firstRead) m_game->m_includedAt[result[i].target] = i;
    file.m_includes = std::move(result);
}

namespace {

std::uint32_t HashOf(const CGame& game, std::uint32_t f, std::uint32_t i)
{
    const CGameFile& file = game.File(f);
    const GameDefinition& d = file.Definitions()[i];
    if (d.Parent() == NO_PARENT) return HashFoldedName(game.CompiledNameOf(GameDefinitionRef{f, i}));
    const std::uint32_t parent = HashFoldedName(".", HashFoldedName(file.NameOf(file.Definitions()[d.Parent()])));
    return HashFoldedName(file.NameOf(d), parent);
}

}  // namespace

// Numbers the definitions in the compiler's order (each file's own where they stand
// around its includes) and sorts the names by hash, keeping that order within each.
void CGameBuilder::IndexNames()
{
    CGame& game = *m_game;
    std::uint64_t total = 0;
    for (const CGameFile& file : game.m_files) {
        game.m_firstDefinition.push_back(static_cast<std::uint32_t>(total));
        total += file.Definitions().size();
    }
    if (total > 0xFFFFFFFFu) throw std::bad_alloc();
    std::vector<std::uint32_t> rank(total);
    std::uint32_t next = 0;
    struct Frame {
        std::uint32_t file;
        std::uint32_t definition;
        std::uint32_t include;
    };
    std::vector<Frame> stack{Frame{0, 0, 0}};
    while (!stack.empty()) {
        Frame& top = stack.back();
        const CGameFile& file = game.m_files[top.file];
        const auto& definitions = file.Definitions();
        const std::uint64_t until =
            top.include < file.Includes().size() ? file.Includes()[top.include].start : UINT64_MAX;
        while (top.definition < definitions.size() && definitions[top.definition].Offset() < until)
            rank[game.m_firstDefinition[top.file] + top.definition++] = next++;
        if (top.include >= file.Includes().size()) {
            stack.pop_back();
            continue;
        }
        const GameInclude& include = file.Includes()[top.include++];
        if (include.firstRead) stack.push_back(Frame{include.target, 0, 0});
    }

    game.m_names.reserve(total);
    for (std::uint32_t f = 0; f < game.m_files.size(); ++f) {
        const CGameFile& file = game.m_files[f];
        for (std::uint32_t i = 0; i < file.Definitions().size(); ++i)
            game.m_names.push_back(CGame::NameEntry{HashOf(game, f, i), game.m_firstDefinition[f] + i});
    }
    std::sort(game.m_names.begin(), game.m_names.end(), [&](const CGame::NameEntry& a, const CGame::NameEntry& b) {
        return a.hash != b.hash ? a.hash < b.hash : rank[a.definition] < rank[b.definition];
    });
}
