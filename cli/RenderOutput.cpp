#include "RenderOutput.h"

#include "game/GameFileSource.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The temporary that a signal ending the program removes first. Only one output at a
// time has one; a path too long for the buffer is not removed by a signal.
char g_temporary[4096];
volatile std::sig_atomic_t g_hasTemporary = 0;
constexpr int kSignals[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGXFSZ};
constexpr std::size_t kSignalCount = sizeof kSignals / sizeof kSignals[0];
struct sigaction g_previous[kSignalCount];
bool g_installed[kSignalCount] = {};

// Removes the temporary, then lets the signal do what it would have done (the handler
// was installed with SA_RESETHAND, so the signal raised again ends the program).
void RemoveTemporaryOnSignal(int signal)
{
    if (g_hasTemporary) ::unlink(g_temporary);
    ::raise(signal);
}

// Installs the handler for every signal that would end the program as it stands (one
// that is ignored, or handled by someone else, is left alone).
void WatchSignals(const std::string& temporary)
{
    if (temporary.size() >= sizeof g_temporary) return;
    std::memcpy(g_temporary, temporary.c_str(), temporary.size() + 1);
    g_hasTemporary = 1;
    for (std::size_t i = 0; i < kSignalCount; ++i) {
        struct sigaction current {};
        if (::sigaction(kSignals[i], nullptr, &current) != 0 || current.sa_handler != SIG_DFL) continue;
        struct sigaction handler {};
        handler.sa_handler = RemoveTemporaryOnSignal;
        sigemptyset(&handler.sa_mask);
        handler.sa_flags = SA_RESETHAND;
        g_installed[i] = ::sigaction(kSignals[i], &handler, &g_previous[i]) == 0;
    }
}

void StopWatchingSignals()
{
    g_hasTemporary = 0;
    for (std::size_t i = 0; i < kSignalCount; ++i) {
        if (g_installed[i]) ::sigaction(kSignals[i], &g_previous[i], nullptr);
        g_installed[i] = false;
    }
}

bool StatOf(const std::string& path, std::FILE* stream, int fd, struct stat& st)
{
    if (!path.empty()) return ::stat(path.c_str(), &st) == 0;
    return ::fstat(stream ? fileno(stream) : fd, &st) == 0;
}

}  // namespace

CRenderOutput::~CRenderOutput()
{
    Abandon();
}

void CRenderOutput::UseStream(std::FILE* stream)
{
    m_file = stream;
    m_owned = false;
}

bool CRenderOutput::Open(const std::string& path)
{
    struct stat st {};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    if (!exists && errno != ENOENT) return false;
    struct stat link {};
    const bool dangling = !exists && ::lstat(path.c_str(), &link) == 0;
    if (exists && S_ISDIR(st.st_mode)) {
        errno = EISDIR;
        return false;
    }
    if ((exists && !S_ISREG(st.st_mode)) || dangling) {
        // A device or FIFO cannot be replaced; a link that leads nowhere creates its
        // target as it is written.
        m_file = std::fopen(path.c_str(), "wb");
        m_owned = m_file != nullptr;
        return m_file != nullptr;
    }
    if (exists && ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) return false;

    // The file replaced is the one a link leads to, so that the link stays.
    m_target = path;
    if (exists) {
        if (char* real = ::realpath(path.c_str(), nullptr)) {
            m_target = real;
            std::free(real);
        }
    }
    const std::size_t slash = m_target.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "./" : m_target.substr(0, slash + 1);
    std::string name = folder + ".glossel-render-XXXXXX";
    mode_t mode;
    if (exists) {
        mode = st.st_mode & 0777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    WatchSignals(name);  // before the file exists, so that no moment is left unwatched
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        StopWatchingSignals();
        errno = error;
        return false;
    }
    std::memcpy(g_temporary, name.c_str(), name.size() + 1);
    m_temporary = name;
    // The owner and group go with the old file where the system lets us; the bits are
    // set after them (a change of owner clears some).
    if (exists && ::fchown(fd, st.st_uid, st.st_gid) != 0) {
        // Not ours to give away: the new file is ours, with the old file's bits.
    }
    ::fchmod(fd, mode);
    m_file = ::fdopen(fd, "wb");
    if (!m_file) {
        const int error = errno;
        ::close(fd);
        Abandon();
        errno = error;
        return false;
    }
    m_owned = true;
    return true;
}

void CRenderOutput::Write(void* context, const char* bytes, std::size_t n)
{
    auto* self = static_cast<CRenderOutput*>(context);
    if (self->m_error == 0 && std::fwrite(bytes, 1, n, self->m_file) != n) self->m_error = errno ? errno : EIO;
}

int CRenderOutput::Finish()
{
    int error = m_error;
    if (m_file) {
        if ((std::fflush(m_file) != 0 || std::ferror(m_file)) && !error) error = errno ? errno : EIO;
        if (m_owned && std::fclose(m_file) != 0 && !error) error = errno ? errno : EIO;
        m_file = nullptr;
        m_owned = false;
    }
    if (!m_temporary.empty()) {
        if (!error && ::rename(m_temporary.c_str(), m_target.c_str()) != 0) error = errno;
        if (error) ::unlink(m_temporary.c_str());
        m_temporary.clear();
        StopWatchingSignals();
    }
    return error;
}

void CRenderOutput::Abandon()
{
    if (m_owned) std::fclose(m_file);
    m_file = nullptr;
    m_owned = false;
    if (!m_temporary.empty()) {
        ::unlink(m_temporary.c_str());
        m_temporary.clear();
        StopWatchingSignals();
    }
}

COutputTarget::COutputTarget(const std::string& path, std::FILE* stream)
{
    struct stat st {};
    if ((path.empty() && !stream) || !StatOf(path, stream, -1, st) || !S_ISREG(st.st_mode)) return;
    m_exists = true;
    m_device = st.st_dev;
    m_inode = st.st_ino;
}

bool COutputTarget::Is(const std::string& path, int fd) const
{
    struct stat st {};
    if (!m_exists || (path.empty() && fd < 0) || !StatOf(path, nullptr, fd, st)) return false;
    return st.st_dev == m_device && st.st_ino == m_inode;
}

std::string COutputTarget::Identity() const
{
    return CDiskFileSource::IdentityOf(m_device, m_inode);
}

bool CRenderOutput::IsTheInput(const std::string& path, std::FILE* stream, const std::string& input, int inFd)
{
    return COutputTarget(path, stream).Is(input == "-" ? std::string() : input, inFd);
}

bool CRenderOutput::IsTerminal(std::FILE* stream)
{
    return ::isatty(fileno(stream)) == 1;
}
