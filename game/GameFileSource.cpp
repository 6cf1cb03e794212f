#include "GameFileSource.h"

#include "doc/TextLoader.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The folder part of path ("" for a bare name) and the name after it.
void SplitPath(const std::string& path, std::string& folder, std::string& name)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        folder.clear();
        name = path;
    } else {
        folder = slash == 0 ? "/" : path.substr(0, slash);
        name = path.substr(slash + 1);
    }
}

// What stands at path, with what stat said of it.
PathState StateAndStat(const std::string& path, struct stat& st)
{
    if (path.empty()) return PathState::Nothing;
    if (::stat(path.c_str(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR || errno == ENAMETOOLONG ? PathState::Nothing
                                                                            : PathState::Unopenable;
    if (!S_ISREG(st.st_mode)) return PathState::NotAFile;
    // The rights of the user the files are opened as (the effective one), as open has them.
    return ::faccessat(AT_FDCWD, path.c_str(), R_OK, AT_EACCESS) == 0 ? PathState::File : PathState::Unopenable;
}

}  // namespace

bool CDiskFileSource::IsFile(const std::string& path) const
{
    return StateOf(path) == PathState::File;
}

PathState CDiskFileSource::StateOf(const std::string& path) const
{
    struct stat st {};
    return StateAndStat(path, st);
}

PathState CDiskFileSource::LookAt(const std::string& path, std::string& identity) const
{
    struct stat st {};
    const PathState state = StateAndStat(path, st);
    if (state == PathState::File) identity = IdentityOf(st.st_dev, st.st_ino);
    return state;
}

std::vector<std::string> CDiskFileSource::ListFolder(const std::string& folder) const
{
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
    return names;
}

std::shared_ptr<const std::string> CDiskFileSource::Load(const std::string& path, std::string& reason) const
{
    auto text = std::make_shared<std::string>();
    LoadFailure failure;
    if (LoadTextFile(path, *text, &failure)) return text;
    // An included file with nothing in it is read as nothing, as the compiler reads it.
    struct stat st {};
    if (failure.error == 0 && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0)
        return text;
    reason = failure.reason;
    return nullptr;
}

std::string CDiskFileSource::Identity(const std::string& path) const
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return path;
    return IdentityOf(st.st_dev, st.st_ino);
}

std::string CDiskFileSource::IdentityOf(std::uint64_t device, std::uint64_t inode)
{
    return std::to_string(device) + ":" + std::to_string(inode);
}

void CGameFileOverlay::SetText(const std::string& path, std::shared_ptr<const std::string> text)
{
    m_texts[path] = std::move(text);
    if (m_below.IsFile(path)) m_identities[m_below.Identity(path)] = path;
}

void CGameFileOverlay::Remove(const std::string& path)
{
    m_texts.erase(path);
    for (auto it = m_identities.begin(); it != m_identities.end();) {
        if (it->second == path)
            it = m_identities.erase(it);
        else
            ++it;
    }
}

const std::shared_ptr<const std::string>* CGameFileOverlay::Find(const std::string& path) const
{
    auto it = m_texts.find(path);
    if (it == m_texts.end() && !m_identities.empty() && m_below.IsFile(path)) {
        const auto same = m_identities.find(m_below.Identity(path));
        if (same != m_identities.end()) it = m_texts.find(same->second);
    }
    return it == m_texts.end() ? nullptr : &it->second;
}

bool CGameFileOverlay::IsFile(const std::string& path) const
{
    return m_texts.count(path) != 0 || m_below.IsFile(path);
}

PathState CGameFileOverlay::StateOf(const std::string& path) const
{
    return m_texts.count(path) != 0 ? PathState::File : m_below.StateOf(path);
}


std::vector<std::string> CGameFileOverlay::ListFolder(const std::string& folder) const
{
    std::vector<std::string> names = m_below.ListFolder(folder);
    std::string textFolder;
    std::string name;
    for (const auto& [path, text] : m_texts) {
        SplitPath(path, textFolder, name);
        if (textFolder == folder) names.push_back(name);
    }
    return names;
}

std::shared_ptr<const std::string> CGameFileOverlay::Load(const std::string& path, std::string& reason) const
{
    if (const auto* text = Find(path)) return *text;
    return m_below.Load(path, reason);
}

std::string CGameFileOverlay::Identity(const std::string& path) const
{
    if (m_texts.count(path) != 0 && !m_below.IsFile(path)) return "text:" + path;
    return m_below.Identity(path);
}
