#include "SiteFolder.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The temporaries being written, for the signal handler: each slot a folder and a
// name in it (the folder -1 when the slot is free). A job writes one file at a time,
// so that 1024 jobs and the top pages fit.
constexpr int kSlots = 1100;
struct TemporarySlot {
    std::atomic<int> dir{-1};
    char name[16];
};
TemporarySlot g_slots[kSlots];
std::atomic<bool> g_claimed[kSlots];

constexpr int kSignals[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGXFSZ};
constexpr std::size_t kSignalCount = sizeof kSignals / sizeof kSignals[0];
struct sigaction g_previous[kSignalCount];
bool g_installed[kSignalCount] = {};

// Removes every temporary, then lets the signal do what it would have done (installed
// with SA_RESETHAND, so the signal raised again ends the program).
void RemoveTemporariesOnSignal(int signal)
{
    for (TemporarySlot& slot : g_slots) {
        const int dir = slot.dir.load(std::memory_order_acquire);
        if (dir >= 0) ::unlinkat(dir, slot.name, 0);
    }
    ::raise(signal);
}

int ClaimSlot(int dir, const char* name)
{
    for (int i = 0; i < kSlots; ++i) {
        bool free = false;
        if (!g_claimed[i].compare_exchange_strong(free, true)) continue;
        std::memcpy(g_slots[i].name, name, sizeof g_slots[i].name);
        g_slots[i].dir.store(dir, std::memory_order_release);
        return i;
    }
    return -1;  // more files at once than slots: this one is not removed by a signal
}

void ReleaseSlot(int slot)
{
    if (slot < 0) return;
    g_slots[slot].dir.store(-1, std::memory_order_release);
    g_claimed[slot].store(false);
}

// ".glossel-" and six letters or digits, different each call.
void TemporaryName(char (&name)[16])
{
    static std::atomic<std::uint64_t> counter{
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        (static_cast<std::uint64_t>(::getpid()) << 32)};
    std::uint64_t x = counter.fetch_add(0x9e3779b97f4a7c15ull);
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ull;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebull;
    x ^= x >> 31;
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::memcpy(name, ".glossel-", 9);
    for (int i = 9; i < 15; ++i) {
        name[i] = kLetters[x % 62];
        x /= 62;
    }
    name[15] = '\0';
}

// A name in a folder: no '/', no NUL, neither "." nor "..".
bool IsName(std::string_view name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
           name.find('\0') == std::string_view::npos;
}

bool MakeFolders(const std::string& path)
{
    for (std::size_t at = 1; at <= path.size(); ++at) {
        if (at != path.size() && path[at] != '/') continue;
        const std::string part = path.substr(0, at);
        if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return false;
    }
    return true;
}

}  // namespace

CSiteFolder::~CSiteFolder()
{
    if (m_watching) {
        for (std::size_t i = 0; i < kSignalCount; ++i) {
            if (g_installed[i]) ::sigaction(kSignals[i], &g_previous[i], nullptr);
            g_installed[i] = false;
        }
    }
    for (const int fd : m_subfolders) ::close(fd);
    if (m_top >= 0) ::close(m_top);
}

bool CSiteFolder::Open(const std::string& folder, const std::vector<std::string>& subfolders, std::string& failedPath,
                       std::string& reason)
{
    m_path = folder;
    failedPath = folder;
    if (!MakeFolders(folder) || (m_top = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) < 0) {
        reason = std::strerror(errno);
        return false;
    }
    for (const std::string& name : subfolders) {
        failedPath = PathOf(name);
        if (::mkdirat(m_top, name.c_str(), 0777) != 0 && errno != EEXIST) {
            reason = std::strerror(errno);
            return false;
        }
        const int fd = ::openat(m_top, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) {
            struct stat st {};
            const bool link = ::fstatat(m_top, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode);
            reason = link ? "is a symbolic link; the site writes nothing through it" : std::strerror(errno);
            return false;
        }
        m_subfolderNames.push_back(name);
        m_subfolders.push_back(fd);
    }
    failedPath.clear();
    for (std::size_t i = 0; i < kSignalCount; ++i) {
        struct sigaction current {};
        if (::sigaction(kSignals[i], nullptr, &current) != 0 || current.sa_handler != SIG_DFL) continue;
        struct sigaction handler {};
        handler.sa_handler = RemoveTemporariesOnSignal;
        sigemptyset(&handler.sa_mask);
        handler.sa_flags = SA_RESETHAND;
        g_installed[i] = ::sigaction(kSignals[i], &handler, &g_previous[i]) == 0;
    }
    m_watching = true;
    return true;
}

std::string CSiteFolder::PathOf(std::string_view entry) const
{
    std::string path = m_path;
    if (!path.empty() && path.back() != '/') path += '/';
    path += entry;
    return path;
}

int CSiteFolder::DirOf(std::string_view entry, std::string& name) const
{
    const std::size_t slash = entry.find('/');
    if (slash == std::string_view::npos) {
        if (!IsName(entry)) return -1;
        name = entry;
        return m_top;
    }
    const std::string_view sub = entry.substr(0, slash);
    const std::string_view rest = entry.substr(slash + 1);
    if (!IsName(rest)) return -1;
    for (std::size_t i = 0; i < m_subfolderNames.size(); ++i) {
        if (m_subfolderNames[i] != sub) continue;
        name = rest;
        return m_subfolders[i];
    }
    return -1;
}

bool CSiteFolder::IsEntry(std::string_view entry) const
{
    std::string name;
    return DirOf(entry, name) >= 0 && name.front() != '.';
}

bool CSiteFolder::Exists(std::string_view entry) const
{
    std::string name;
    const int dir = DirOf(entry, name);
    struct stat st {};
    return dir >= 0 && ::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

void CSiteFolder::Remove(std::string_view entry) const
{
    std::string name;
    const int dir = DirOf(entry, name);
    if (dir >= 0) ::unlinkat(dir, name.c_str(), 0);
}

std::vector<std::string> CSiteFolder::ReadList(std::string_view entry) const
{
    std::vector<std::string> entries;
    std::string name;
    const int dir = DirOf(entry, name);
    const int fd = dir < 0 ? -1 : ::openat(dir, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return entries;
    struct stat st {};
    std::string text;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        char buffer[65536];
        for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        const std::string line = text.substr(at, end - at);
        if (IsEntry(line)) entries.push_back(line);
        at = end + 1;
    }
    return entries;
}

CSiteFolder::CFile::CFile(const CSiteFolder& folder, std::string_view entry, mode_t mode)
{
    m_dir = folder.DirOf(entry, m_name);
    if (m_dir < 0) {
        m_error = EINVAL;
        return;
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        TemporaryName(m_temporary);
        m_slot = ClaimSlot(m_dir, m_temporary);
        m_fd = ::openat(m_dir, m_temporary, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (m_fd >= 0) return;
        m_error = errno;
        ReleaseSlot(m_slot);
        m_slot = -1;
        if (m_error != EEXIST) return;
    }
}

CSiteFolder::CFile::~CFile()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        ::unlinkat(m_dir, m_temporary, 0);
    }
    ReleaseSlot(m_slot);
}

void CSiteFolder::CFile::Write(std::string_view bytes)
{
    for (std::size_t done = 0; done < bytes.size() && m_fd >= 0 && !m_error;) {
        const ssize_t n = ::write(m_fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno != EINTR) m_error = errno;
        if (n > 0) done += static_cast<std::size_t>(n);
    }
}

int CSiteFolder::CFile::Close(int error)
{
    if (m_fd < 0) return m_error ? m_error : EBADF;
    if (!m_error) m_error = error;
    if (::close(m_fd) != 0 && !m_error) m_error = errno;
    m_fd = -1;
    if (!m_error && ::renameat(m_dir, m_temporary, m_dir, m_name.c_str()) != 0) m_error = errno;
    if (m_error) ::unlinkat(m_dir, m_temporary, 0);
    ReleaseSlot(m_slot);
    m_slot = -1;
    return m_error;
}

int CSiteFolder::WriteWhole(std::string_view entry, std::string_view bytes, mode_t mode) const
{
    CFile file(*this, entry, mode);
    file.Write(bytes);
    return file.Close();
}
