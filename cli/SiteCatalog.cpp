#include "SiteCatalog.h"

#include "SiteText.h"

#include <algorithm>
#include <set>

namespace {

bool Shares(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b)
{
    const std::vector<std::uint32_t>& small = a.size() <= b.size() ? a : b;
    const std::vector<std::uint32_t>& large = a.size() <= b.size() ? b : a;
    for (const std::uint32_t x : small)
        if (std::binary_search(large.begin(), large.end(), x)) return true;
    return false;
}

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

SiteGameReading CSiteCatalog::Read(const CGame& game, const IGameFileSource& source)
{
    const std::uint32_t count = game.FileCount();
    SiteGameReading reading;
    reading.files.resize(count);
    reading.depth.assign(count, 0);
    reading.targets.resize(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        const CGameFile& file = game.File(i);
        SiteFile& out = reading.files[i];
        out.path = file.Path();
        out.identity = source.Identity(file.Path());
        out.unreadable = file.Status() == GameFileStatus::Unreadable;
        out.failure = file.Failure();
        out.bytes = file.Text().size();
        const display::Encoding encoding = display::ChooseEncoding(file.Text().data(), file.ShownLength());
        out.definitions.reserve(file.Definitions().size());
        std::vector<std::uint32_t> shownAt(file.Definitions().size(), NO_PARENT);  // its index here
        for (std::uint32_t k = 0; k < file.Definitions().size(); ++k) {
            const GameDefinition& d = file.Definitions()[k];
            if (d.IsImplicit()) continue;  // a property no directive declares
            shownAt[k] = static_cast<std::uint32_t>(out.definitions.size());
            SiteDefinition site;
            const std::string full = file.FullNameOf(d);
            site.name = ShownUtf8(full, encoding);
            site.key = FoldedName(full);
            site.line = d.Line();
            site.column = d.Column();
            site.length = d.Length();
            site.parent = d.Parent() < shownAt.size() ? shownAt[d.Parent()] : d.Parent();
            site.kind = d.Kind();
            out.definitions.push_back(std::move(site));
        }
        for (const GameInclude& include : file.Includes()) {
            SiteInclude site;
            site.name = ShownUtf8(include.name, encoding);
            site.line = include.line;
            site.column = include.column;
            site.length = include.length;
            site.status = include.resolution.status;
            if (site.status == IncludeStatus::Missing) site.tried = include.resolution.tried;
            out.includes.push_back(std::move(site));
            reading.targets[i].push_back(include.target);
        }
        const std::uint32_t including = game.IncludingFile(i);
        if (including != NO_FILE && including < i) reading.depth[i] = reading.depth[including] + 1;
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
        if (file.describedBy == SITE_NO_FILE || gameIndex < file.describedBy) {
            SiteFile& from = described[i];
            for (std::size_t k = 0; k < from.includes.size(); ++k)
                from.includes[k].target = targets[i][k] < count ? ids[targets[i][k]] : SITE_NO_FILE;
            file.path = std::move(from.path);
            file.unreadable = from.unreadable;
            file.failure = std::move(from.failure);
            file.bytes = from.bytes;
            file.definitions = std::move(from.definitions);
            file.includes = std::move(from.includes);
            file.describedBy = gameIndex;
        }
        siteGame.files.push_back(SiteGame::Entry{ids[i], depth[i]});
    }
    siteGame.added = true;
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
    m_nameIndex.clear();
    for (std::uint32_t i = 0; i < m_names.size(); ++i) m_nameIndex.emplace(m_names[i].key, i);
}

const CSiteCatalog::NameEntry* CSiteCatalog::FindName(std::string_view key) const
{
    const auto found = m_nameIndex.find(key);
    return found == m_nameIndex.end() ? nullptr : &m_names[found->second];
}

bool CSiteCatalog::Reaches(std::uint32_t file, const SiteDefinitionRef& ref) const
{
    return ref.file == file || Shares(m_files[ref.file].games, m_files[file].games);
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
