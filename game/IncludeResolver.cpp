#include "IncludeResolver.h"

#include "syntax/CharClass.h"

#include <algorithm>
#include <unordered_set>

namespace {

bool IsAlnum(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return charclass::IsLetter(u) || charclass::IsDigit(u);
}

// The folder of path ("" for a bare name, "/" for a name at the root).
std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return {};
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

// name with the extension rule applied: none added when its last part holds a '.',
// and a final '.' stands for no extension at all.
std::string WithExtension(std::string_view name, const char* extension)
{
    const std::size_t slash = name.find_last_of('/');
    const std::string_view last = slash == std::string_view::npos ? name : name.substr(slash + 1);
    if (!last.empty() && last.back() == '.') return std::string(name.substr(0, name.size() - 1));
    if (last.find('.') != std::string_view::npos) return std::string(name);
    return std::string(name) + extension;
}

}  // namespace

std::string JoinPath(const std::string& folder, std::string_view name)
{
    if (folder.empty() || (!name.empty() && name[0] == '/')) return std::string(name);
    if (folder.back() == '/') return folder + std::string(name);
    return folder + "/" + std::string(name);
}

std::string_view IncludeNameOf(std::string_view quoted)
{
    if (!quoted.empty() && quoted.front() == '"') quoted.remove_prefix(1);
    if (!quoted.empty() && quoted.back() == '"') quoted.remove_suffix(1);
    return quoted;
}

CIncludeResolver::CIncludeResolver(const std::string& mainPath, const IncludeSettings& settings,
                                   const std::vector<std::string>& extraFolders, const std::string& libraryFolder,
                                   const IGameFileSource& source)
    : m_source(source), m_mainFolder(FolderOf(mainPath)), m_language(settings.languageName),
      m_folders(std::make_shared<std::vector<IncludeFolder>>())
{
    // A folder given twice (with or without its final '/') is tried once, a header may
    // name thousands: two folders are one when they give the same path for a name.
    std::unordered_set<std::string> added;
    auto add = [this, &added](std::string path, bool compilerJoin, bool compilers) {
        while (!compilerJoin && path.size() > 1 && path.back() == '/') path.pop_back();
        IncludeFolder folder{std::move(path), compilerJoin, compilers};
        if (!added.insert(folder.Join("x")).second) return;
        m_folders->push_back(std::move(folder));
    };
    // The compiler's include path first (its default is the library's folder, which the
    // settings already hold unless a switch or the header replaced it), then the folders
    // a reader adds for convenience.
    for (const std::string& folder : settings.includePath)
        add(folder.empty() ? m_mainFolder : JoinPath(m_mainFolder, folder), !folder.empty(), true);
    for (const std::string& folder : extraFolders)
        if (!folder.empty()) add(folder, false, false);
    add(m_mainFolder, false, false);
    if (!libraryFolder.empty() && !source.ListFolder(libraryFolder).empty()) add(libraryFolder, false, false);
}

std::string IncludeFolder::Join(std::string_view file) const
{
    if (compilerJoin && !path.empty() && !IsAlnum(path.back())) return path + std::string(file);
    return JoinPath(path, file);
}

std::vector<std::string> CIncludeResolver::SearchFolders() const
{
    std::vector<std::string> folders;
    for (const IncludeFolder& f : *m_folders) folders.push_back(f.path.empty() ? "." : f.path);
    return folders;
}

IncludeAnswer& CIncludeResolver::Answer(std::string_view written, std::string* identity) const
{
    if (identity) identity->clear();
    auto known = m_answers.find(written);
    if (known == m_answers.end()) {
        std::string found;
        IncludeAnswer answer{std::make_shared<const IncludeResolution>(Search(written, found))};
        if (identity) *identity = std::move(found);
        char* key = static_cast<char*>(m_arena.allocate(std::max<std::size_t>(written.size(), 1), 1));
        std::copy(written.begin(), written.end(), key);
        known = m_answers.emplace(std::string_view(key, written.size()), std::move(answer)).first;
    }
    return known->second;
}

IncludeResolution CIncludeResolver::Search(std::string_view written, std::string& found) const
{
    IncludeResolution result;
    std::string_view name = written;
    // The paths to try: one given whole, or the file in each folder in turn.
    std::string file;
    bool whole = true;
    if (!name.empty() && name[0] == '>') {
        file = JoinPath(m_mainFolder, WithExtension(name.substr(1), ".inf"));
    } else {
        if (name == "language__") name = m_language;
        file = WithExtension(name, ".h");
        if (name.find('/') != std::string_view::npos) file = JoinPath(m_mainFolder, file);
        else whole = false;
    }
    const std::vector<IncludeFolder>& folders = *m_folders;
    const std::size_t count = whole ? 1 : folders.size();
    auto candidate = [&](std::size_t i) { return whole ? file : folders[i].Join(file); };
    auto tried = [&](std::size_t n) {
        return whole ? IncludePaths(file) : IncludePaths(m_folders, file, n);
    };
    std::size_t unopenable = count;  // the first file there that cannot be opened
    for (std::size_t i = 0; i < count; ++i) {
        std::string path = candidate(i);
        std::string identity;
        const PathState state = m_source.LookAt(path, identity);
        if (state == PathState::File || state == PathState::NotAFile) {
            found = std::move(identity);
            result.status = state == PathState::NotAFile   ? IncludeStatus::Unreadable
                            : whole || folders[i].compilers ? IncludeStatus::Found
                                                            : IncludeStatus::FoundOutsidePath;
            result.pathAt = static_cast<std::uint32_t>(i);
            result.tried = tried(i + 1);
            return result;
        }
        if (state == PathState::Unopenable && unopenable == count) unopenable = i;
    }
    if (unopenable < count) {
        result.status = IncludeStatus::Unreadable;
        result.pathAt = static_cast<std::uint32_t>(unopenable);
    } else {
        for (std::size_t i = 0; i < count; ++i) {
            std::string byCase = FindByCase(candidate(i));
            if (!byCase.empty()) {
                result.status = IncludeStatus::FoundByCase;
                result.byCase = std::make_shared<const std::string>(std::move(byCase));
                break;
            }
        }
    }
    result.tried = tried(count);
    return result;
}

// The path of an existing file whose name equals path but for the case of its letters
// (the parts that exist as written are kept), or "".
std::string CIncludeResolver::FindByCase(const std::string& path) const
{
    const std::size_t slash = path.find_last_of('/');
    const std::string leaf = slash == std::string::npos ? path : path.substr(slash + 1);
    if (leaf.empty()) return {};
    std::string folder = FindFolderByCase(FolderOf(path));
    if (slash != std::string::npos && folder.empty()) return {};
    for (const std::string& name : List(folder)) {
        if (!charclass::EqualsFolded(name, leaf)) continue;
        const std::string candidate = slash == std::string::npos ? name : JoinPath(folder, name);
        if (m_source.IsFile(candidate)) return candidate;
    }
    return {};
}

const std::vector<std::string>& CIncludeResolver::List(const std::string& folder) const
{
    auto it = m_listings.find(folder);
    if (it == m_listings.end()) {
        std::vector<std::string> names = m_source.ListFolder(folder);
        std::sort(names.begin(), names.end());
        it = m_listings.emplace(folder, std::move(names)).first;
    }
    return it->second;
}

// folder, or an existing folder whose name differs from it only in case; "" for none
// (the current folder, named "", is always there).
std::string CIncludeResolver::FindFolderByCase(const std::string& folder) const
{
    if (folder.empty() || folder == "/") return folder;
    const std::size_t slash = folder.find_last_of('/');
    const std::string leaf = slash == std::string::npos ? folder : folder.substr(slash + 1);
    std::string parent = slash == std::string::npos ? std::string() : FindFolderByCase(FolderOf(folder));
    if (slash != std::string::npos && parent.empty()) return {};
    if (leaf.empty() || leaf == "." || leaf == "..") return slash == std::string::npos ? leaf : JoinPath(parent, leaf);
    const std::vector<std::string>& names = List(parent);
    if (std::binary_search(names.begin(), names.end(), leaf))
        return slash == std::string::npos ? leaf : JoinPath(parent, leaf);
    for (const std::string& name : names) {
        if (!charclass::EqualsFolded(name, leaf)) continue;
        const std::string candidate = slash == std::string::npos ? name : JoinPath(parent, name);
        if (!List(candidate).empty()) return candidate;
    }
    return {};
}
