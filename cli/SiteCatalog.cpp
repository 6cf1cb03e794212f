#include "SiteCatalog.h"

#include "SiteMeaning.h"
#include "SiteText.h"

#include <algorithm>
#include <set>

namespace {

// A page's name: the file's own name, with only letters, digits, '.', '_' and '-' (any
// other byte becomes '_', so that no link needs escaping), never hidden.
std::string PageBase(const std::string& path)
{
    std::string base = path.substr(path.find_last_of('/') + 1);
    for (char& ch : base) {
        const auto c = static_cast<unsigned char>(ch);
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                           c == '_' || c == '-';
        if (!plain) ch = '_';
    }
    if (base.empty() || base.front() == '.') base.insert(base.begin(), '_');
    return base;
}

// The A to Z orders names by their letters: a short name's or a verb's quotes do not count.
std::string_view SortKey(std::string_view key)
{
    if (!key.empty() && (key.front() == '"' || key.front() == '\'')) key.remove_prefix(1);
    return key;
}

}  // namespace

CSiteCatalog::CSiteCatalog(std::vector<std::string> mainPaths)
{
    for (std::string& path : mainPaths) {
        SiteGame game;
        game.mainPath = std::move(path);
        m_games.push_back(std::move(game));
    }
}

std::uint32_t CSiteCatalog::AppendGame(const std::string& mainPath)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    SiteGame game;
    game.mainPath = mainPath;
    game.standalone = true;
    m_games.push_back(std::move(game));
    return static_cast<std::uint32_t>(m_games.size() - 1);
}

bool CSiteCatalog::HasFile(const std::string& identity) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_byIdentity.count(identity) != 0;
}

std::uint32_t CSiteCatalog::FileOf(const std::string& identity)
{
    const auto found = m_byIdentity.find(identity);
    if (found != m_byIdentity.end()) return found->second;
    SiteFile file;
    file.identity = identity;
    file.describedBy = SITE_NO_FILE;
    m_files.push_back(std::move(file));
    const auto id = static_cast<std::uint32_t>(m_files.size() - 1);
    m_byIdentity.emplace(identity, id);
    return id;
}

CSiteWordCache::Words CSiteWordCache::Of(const std::string& identity, const CGameFile& file)
{
    bool keep = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        Entry& entry = m_files[identity];
        if (entry.words) return entry.words;
        keep = ++entry.reads >= 2;
    }
    auto words = std::make_shared<std::vector<GameWord>>();
    file.ForEachWord([&](const GameWord& word) {
        words->push_back(word);
        return true;
    });
    words->shrink_to_fit();
    if (keep) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_files[identity].words = words;
    }
    return words;
}

void CSiteWordCache::Clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_files = {};
}

SiteGameReading CSiteCatalog::Read(const CGame& game, const IGameFileSource& source, CSiteWordCache& cache)
{
    const std::uint32_t count = game.FileCount();
    SiteGameReading reading;
    reading.files.resize(count);
    reading.depth.assign(count, 0);
    reading.targets.resize(count);
    // Each file's definitions, and where each of the game's stands in the site's list
    // (NO_PARENT: a definition the site does not show).
    std::vector<std::vector<std::uint32_t>> shownAt(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        const CGameFile& file = game.File(i);
        SiteFile& out = reading.files[i];
        out.path = file.Path();
        out.identity = source.Identity(file.Path());
        out.unreadable = file.Status() == GameFileStatus::Unreadable;
        out.failure = file.Failure();
        out.bytes = file.Text().size();
        out.encoding = display::ChooseEncoding(file.Text().data(), file.ShownLength());
        for (const GameSkippedRange& run : file.SkippedRanges())
            if (run.lastLine >= run.firstLine)
                out.skipped.push_back(SiteFile::Skipped{run.firstLine, run.lastLine,
                                                        ShownUtf8("not compiled: " + game.DescribeReason(run.reason), out.encoding)});
        out.definitions.reserve(file.Definitions().size());
        shownAt[i].assign(file.Definitions().size(), NO_PARENT);
        for (std::uint32_t k = 0; k < file.Definitions().size(); ++k) {
            const GameDefinition& d = file.Definitions()[k];
            if (d.IsImplicit()) continue;  // a property no directive declares
            shownAt[i][k] = static_cast<std::uint32_t>(out.definitions.size());
            SiteDefinition site;
            const std::string full = file.FullNameOf(d);
            site.name = ShownUtf8(full, out.encoding);
            site.key = FoldedName(full);
            site.line = d.Line();
            site.column = d.Column();
            site.length = d.Length();
            site.parent = d.Parent() < shownAt[i].size() ? shownAt[i][d.Parent()] : d.Parent();
            site.kind = d.Kind();
            out.definitions.push_back(std::move(site));
        }
        for (const GameInclude& include : file.Includes()) {
            SiteInclude site;
            site.name = ShownUtf8(include.Name(file), out.encoding);
            site.line = include.line;
            site.column = include.column;
            site.length = include.length;
            site.status = include.Resolution().status;
            if (site.status == IncludeStatus::Missing) site.tried = include.Resolution().tried;
            out.includes.push_back(std::move(site));
            reading.targets[i].push_back(include.target);
        }
        const std::uint32_t including = game.IncludingFile(i);
        if (including != NO_FILE && including < i) reading.depth[i] = reading.depth[including] + 1;
    }
    // The uses: every word that means a definition the site shows, but a definition's own name.
    CSiteMeaning meaning(game);
    for (std::uint32_t i = 0; i < count; ++i) {
        const CGameFile& file = game.File(i);
        SiteFile& out = reading.files[i];
        std::vector<std::uint64_t> ownNames;
        for (std::uint32_t k = 0; k < file.Definitions().size(); ++k)
            if (shownAt[i][k] != NO_PARENT && CSiteMeaning::NamesItsUses(out.definitions[shownAt[i][k]]))
                ownNames.push_back(file.Definitions()[k].Offset());
        std::sort(ownNames.begin(), ownNames.end());
        const CSiteWordCache::Words words = cache.Of(out.identity, file);
        for (const GameWord& word : *words) {
            if (std::binary_search(ownNames.begin(), ownNames.end(), word.offset)) continue;
            SiteUse use;
            use.first = static_cast<std::uint32_t>(out.useTargets.size());
            for (const GameDefinitionRef& ref : meaning.Of(i, word))
                if (ref.file < count && ref.index < shownAt[ref.file].size() && shownAt[ref.file][ref.index] != NO_PARENT)
                    out.useTargets.push_back(SiteDefinitionRef{ref.file, shownAt[ref.file][ref.index]});
            use.count = static_cast<std::uint32_t>(out.useTargets.size()) - use.first;
            if (use.count == 0) continue;
            use.line = word.line;
            use.column = static_cast<std::uint16_t>(word.column);
            use.length = static_cast<std::uint16_t>(word.length);
            out.uses.push_back(use);
        }
    }
    return reading;
}

bool CSiteCatalog::Reads(const SiteGameReading& reading, const std::string& identity)
{
    for (const SiteFile& file : reading.files)
        if (file.identity == identity) return true;
    return false;
}

void CSiteCatalog::AddGame(std::uint32_t gameIndex, SiteGameReading reading)
{
    const auto count = static_cast<std::uint32_t>(reading.files.size());
    std::vector<SiteFile>& described = reading.files;
    const std::vector<std::uint32_t>& depth = reading.depth;
    const std::vector<std::vector<std::uint32_t>>& targets = reading.targets;
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::uint32_t> ids(count);
    for (std::uint32_t i = 0; i < count; ++i) ids[i] = FileOf(described[i].identity);
    SiteGame& siteGame = m_games[gameIndex];
    siteGame.files.clear();
    for (std::uint32_t i = 0; i < count; ++i) {
        SiteFile& file = m_files[ids[i]];
        const auto at = std::lower_bound(file.games.begin(), file.games.end(), gameIndex);
        if (at == file.games.end() || *at != gameIndex) file.games.insert(at, gameIndex);
        // The uses' targets in the catalog's numbers; what they mean in this game joins
        // what they mean in the others.
        for (SiteDefinitionRef& target : described[i].useTargets) target.file = ids[target.file];
        MergeUses(file, std::move(described[i].uses), described[i].useTargets);
        described[i].useTargets = std::vector<SiteDefinitionRef>();
        if (file.describedBy == SITE_NO_FILE || gameIndex < file.describedBy) {
            SiteFile& from = described[i];
            for (std::size_t k = 0; k < from.includes.size(); ++k)
                from.includes[k].target = targets[i][k] < count ? ids[targets[i][k]] : SITE_NO_FILE;
            file.path = std::move(from.path);
            file.realPath = std::move(from.realPath);
            file.unreadable = from.unreadable;
            file.failure = std::move(from.failure);
            file.bytes = from.bytes;
            file.encoding = from.encoding;
            file.definitions = std::move(from.definitions);
            file.includes = std::move(from.includes);
            file.skipped = std::move(from.skipped);
            file.describedBy = gameIndex;
        }
        siteGame.files.push_back(SiteGame::Entry{ids[i], depth[i], i < reading.outside.size() && reading.outside[i]});
    }
    siteGame.added = true;
}

void CSiteCatalog::MergeUses(SiteFile& file, std::vector<SiteUse> uses, const std::vector<SiteDefinitionRef>& targets)
{
    if (file.uses.empty()) {
        file.uses = std::move(uses);
        file.useTargets = targets;
        return;
    }
    // Both in text order: one pass, a use in both meaning what it means in either.
    const auto before = [](const SiteUse& a, const SiteUse& b) {
        return a.line != b.line ? a.line < b.line : a.column < b.column;
    };
    std::vector<SiteUse> merged;
    std::vector<SiteDefinitionRef> mergedTargets;
    merged.reserve(std::max(file.uses.size(), uses.size()));
    mergedTargets.reserve(std::max(file.useTargets.size(), targets.size()));
    const auto add = [&](const SiteUse& use, const std::vector<SiteDefinitionRef>& from, std::size_t start) {
        for (std::uint32_t t = 0; t < use.count; ++t) {
            const SiteDefinitionRef& target = from[use.first + t];
            if (std::find(mergedTargets.begin() + static_cast<std::ptrdiff_t>(start), mergedTargets.end(), target) ==
                mergedTargets.end())
                mergedTargets.push_back(target);
        }
    };
    std::size_t a = 0;
    std::size_t b = 0;
    while (a < file.uses.size() || b < uses.size()) {
        const bool takeA = b == uses.size() || (a < file.uses.size() && !before(uses[b], file.uses[a]));
        const bool takeB = a == file.uses.size() || (b < uses.size() && !before(file.uses[a], uses[b]));
        SiteUse use = takeA ? file.uses[a] : uses[b];
        const std::size_t start = mergedTargets.size();
        if (takeA) add(file.uses[a++], file.useTargets, start);
        if (takeB) add(uses[b++], targets, start);
        use.first = static_cast<std::uint32_t>(start);
        use.count = static_cast<std::uint32_t>(mergedTargets.size() - start);
        merged.push_back(use);
    }
    file.uses = std::move(merged);
    file.useTargets = std::move(mergedTargets);
}

char CSiteCatalog::NameLetter(std::string_view key)
{
    key = SortKey(key);
    const char c = key.empty() ? '#' : key.front();
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : '#';
}

void CSiteCatalog::Finish(const std::vector<std::string>& folders)
{
    for (SiteFile& file : m_files) {
        file.shown = file.path;
        for (std::string folder : folders) {
            while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
            if (file.path.size() <= folder.size() + 1 || file.path.compare(0, folder.size(), folder) != 0 ||
                file.path[folder.size()] != '/')
                continue;
            const std::size_t name = folder.find_last_of('/', folder.size() - 2);
            file.shown = file.path.substr(name == std::string::npos || folder == "/" ? 0 : name + 1);
            break;
        }
    }
    m_byPath.resize(m_files.size());
    for (std::uint32_t i = 0; i < m_files.size(); ++i) m_byPath[i] = i;
    std::sort(m_byPath.begin(), m_byPath.end(),
              [&](std::uint32_t a, std::uint32_t b) { return m_files[a].path < m_files[b].path; });
    m_pathRank.assign(m_files.size(), 0);
    for (std::uint32_t rank = 0; rank < m_byPath.size(); ++rank) m_pathRank[m_byPath[rank]] = rank;

    std::set<std::string> taken;  // folded
    for (const std::uint32_t id : m_byPath) {
        const std::string base = PageBase(m_files[id].path);
        std::string page = base + ".html";
        for (int n = 2; !taken.insert(FoldedName(page)).second; ++n) page = base + "-" + std::to_string(n) + ".html";
        m_files[id].page = page;
    }

    // Every definition, by its name, each name's in the order of their files' paths.
    std::vector<SiteDefinitionRef> refs;
    for (const std::uint32_t id : m_byPath)
        for (std::uint32_t k = 0; k < m_files[id].definitions.size(); ++k) refs.push_back(SiteDefinitionRef{id, k});
    std::stable_sort(refs.begin(), refs.end(), [&](const SiteDefinitionRef& a, const SiteDefinitionRef& b) {
        return Definition(a).key < Definition(b).key;
    });
    std::size_t distinct = 0;
    for (std::size_t i = 0; i < refs.size(); ++i)
        if (i == 0 || Definition(refs[i]).key != Definition(refs[i - 1]).key) ++distinct;
    m_names.clear();
    m_names.reserve(distinct);
    for (std::size_t i = 0; i < refs.size();) {
        const std::string_view key = Definition(refs[i]).key;
        std::size_t end = i + 1;
        while (end < refs.size() && Definition(refs[end]).key == key) ++end;
        m_names.push_back(NameEntry{key, std::vector<SiteDefinitionRef>(refs.begin() + static_cast<std::ptrdiff_t>(i),
                                                                         refs.begin() + static_cast<std::ptrdiff_t>(end))});
        i = end;
    }
    refs = std::vector<SiteDefinitionRef>();
    std::stable_sort(m_names.begin(), m_names.end(), [](const NameEntry& a, const NameEntry& b) {
        // Names that begin with no letter come first, together.
        const bool letterA = NameLetter(a.key) != '#';
        const bool letterB = NameLetter(b.key) != '#';
        if (letterA != letterB) return letterB;
        const std::string_view x = SortKey(a.key);
        const std::string_view y = SortKey(b.key);
        return x != y ? x < y : a.key < b.key;
    });
    for (NameEntry& entry : m_names) CSiteMeaning::Order(*this, entry.definitions);
    m_nameIndex.clear();
    for (std::uint32_t i = 0; i < m_names.size(); ++i) m_nameIndex.emplace(m_names[i].key, i);
    IndexUses();
}

void CSiteCatalog::IndexUses()
{
    // A use's definitions in the order of their files' paths, whichever game came first.
    for (SiteFile& file : m_files) {
        for (SiteUse& use : file.uses) {
            const auto first = file.useTargets.begin() + use.first;
            auto end = std::remove_if(first, first + use.count, [&](const SiteDefinitionRef& t) {
                return t.file >= m_files.size() || t.index >= m_files[t.file].definitions.size();
            });
            std::fill(end, first + use.count, SiteDefinitionRef{0, 0});
            use.count = static_cast<std::uint32_t>(end - first);
            std::sort(first, end, [&](const SiteDefinitionRef& a, const SiteDefinitionRef& b) {
                return m_pathRank[a.file] != m_pathRank[b.file] ? m_pathRank[a.file] < m_pathRank[b.file]
                                                                : a.index < b.index;
            });
        }
    }
    // Counted, then placed: walking the files by path and each file's uses in text order
    // leaves every definition's list in its order.
    for (SiteFile& file : m_files) {
        file.usesStart.assign(file.definitions.size() + 1, 0);
        file.usesOf.clear();
        file.includedBy.clear();
    }
    for (const std::uint32_t u : m_byPath)
        for (const SiteUse& use : m_files[u].uses)
            for (std::uint32_t t = 0; t < use.count; ++t) {
                const SiteDefinitionRef& target = m_files[u].useTargets[use.first + t];
                ++m_files[target.file].usesStart[target.index + 1];
            }
    for (SiteFile& file : m_files) {
        for (std::size_t k = 1; k < file.usesStart.size(); ++k) file.usesStart[k] += file.usesStart[k - 1];
        file.usesOf.resize(file.usesStart.back());
    }
    std::vector<std::vector<std::uint32_t>> next(m_files.size());
    for (std::uint32_t f = 0; f < m_files.size(); ++f)
        next[f].assign(m_files[f].usesStart.begin(), m_files[f].usesStart.end() - 1);
    for (const std::uint32_t u : m_byPath) {
        const SiteFile& file = m_files[u];
        for (std::uint32_t i = 0; i < file.uses.size(); ++i)
            for (std::uint32_t t = 0; t < file.uses[i].count; ++t) {
                const SiteDefinitionRef& target = file.useTargets[file.uses[i].first + t];
                m_files[target.file].usesOf[next[target.file][target.index]++] = SiteUseRef{u, i};
            }
        for (std::uint32_t k = 0; k < file.includes.size(); ++k) {
            const std::uint32_t target = file.includes[k].target;
            if (target < m_files.size()) m_files[target].includedBy.push_back(SiteUseRef{u, k});
        }
    }
}

std::span<const SiteUseRef> CSiteCatalog::UsesOf(const SiteDefinitionRef& ref) const
{
    const SiteFile& file = m_files[ref.file];
    if (ref.index + 1 >= file.usesStart.size()) return {};
    return std::span<const SiteUseRef>(file.usesOf).subspan(file.usesStart[ref.index],
                                                             file.usesStart[ref.index + 1] - file.usesStart[ref.index]);
}

std::string CSiteCatalog::UsesAnchor(const SiteDefinitionRef& ref) const
{
    // The name and its line; a second definition of the name on that line takes its number.
    const std::vector<SiteDefinition>& definitions = m_files[ref.file].definitions;
    const SiteDefinition& d = definitions[ref.index];
    std::string anchor = NameAnchor(d.key) + "-L" + std::to_string(d.line);
    for (std::uint32_t k = ref.index; k-- > 0 && definitions[k].line == d.line;)
        if (definitions[k].key == d.key) return anchor + "-" + std::to_string(ref.index);
    return anchor;
}

const CSiteCatalog::NameEntry* CSiteCatalog::FindName(std::string_view key) const
{
    const auto found = m_nameIndex.find(key);
    return found == m_nameIndex.end() ? nullptr : &m_names[found->second];
}

std::string CSiteCatalog::NameAnchor(std::string_view key)
{
    static const char kHex[] = "0123456789abcdef";
    std::string anchor = "n-";
    for (const char ch : key) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '.') {
            anchor += ch;
        } else {
            anchor += '-';
            anchor += kHex[c >> 4];
            anchor += kHex[c & 15];
        }
    }
    return anchor;
}
