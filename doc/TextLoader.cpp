#include "TextLoader.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char kCtrlZ = 0x1A;

std::function<void(const std::string&)>& LoadPause()
{
    static std::function<void(const std::string&)> pause;
    return pause;
}

bool Fail(LoadFailure* failure, int error, const char* reason = nullptr)
{
    if (failure) {
        failure->error = error;
        failure->reason = reason ? reason : std::strerror(error);
    }
    return false;
}

// Reads up to size bytes into buffer; returns the count read, or -1 on a read error.
long long ReadFully(int fd, char* buffer, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::read(fd, buffer + done, size - done);
        if (got < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    return static_cast<long long>(done);
}

class CFileDescriptor {
public:
    explicit CFileDescriptor(int fd) : m_fd(fd) {}
    ~CFileDescriptor() { if (m_fd >= 0) ::close(m_fd); }
    CFileDescriptor(const CFileDescriptor&) = delete;
    CFileDescriptor& operator=(const CFileDescriptor&) = delete;
    int Get() const { return m_fd; }

private:
    int m_fd;
};

}  // namespace

void SetLoadPauseForTesting(std::function<void(const std::string& path)> pause)
{
    LoadPause() = std::move(pause);
}

std::size_t TranslateTextMode(char* data, std::size_t size)
{
    // The text ends at the first Ctrl-Z (text-mode input stops there) or NUL.
    std::size_t end = size;
    if (const void* nul = std::memchr(data, '\0', end))
        end = static_cast<std::size_t>(static_cast<const char*>(nul) - data);
    if (const void* ctrlZ = std::memchr(data, kCtrlZ, end))
        end = static_cast<std::size_t>(static_cast<const char*>(ctrlZ) - data);

    char* cr = static_cast<char*>(std::memchr(data, '\r', end));
    if (!cr) return end;
    std::size_t out = static_cast<std::size_t>(cr - data);
    for (std::size_t in = out; in < end; ++in) {
        if (data[in] == '\r' && in + 1 < end && data[in + 1] == '\n') continue;
        data[out++] = data[in];
    }
    return out;
}

std::string TextFromBytes(std::string_view bytes)
{
    std::string text(bytes);
    text.resize(TranslateTextMode(text.data(), text.size()));
    return text;
}

bool LoadTextFile(const std::string& path, std::string& text, LoadFailure* failure)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return Fail(failure, errno);
    if (S_ISDIR(st.st_mode)) return Fail(failure, EISDIR);
    if (!S_ISREG(st.st_mode)) return Fail(failure, 0, "not a regular file");

    // O_NONBLOCK: should the path become a FIFO after the check, opening it must not wait.
    CFileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.Get() < 0) return Fail(failure, errno);
    if (::fstat(fd.Get(), &st) != 0) return Fail(failure, errno);
    if (!S_ISREG(st.st_mode)) return Fail(failure, 0, "not a regular file");

    const off_t end = ::lseek(fd.Get(), 0, SEEK_END);
    // Files that the system makes up as they are read (those of /proc) have no end to
    // seek to; "Invalid argument" would not tell the user why.
    if (end < 0 && (errno == EINVAL || errno == ESPIPE))
        return Fail(failure, errno, "its size cannot be known in advance (the system makes it up as it is read)");
    if (end < 0) return Fail(failure, errno);
    if (end == 0) return Fail(failure, 0, "file is empty");
    if (::lseek(fd.Get(), 0, SEEK_SET) != 0) return Fail(failure, errno);
    if (static_cast<unsigned long long>(end) >= static_cast<unsigned long long>(SIZE_MAX / 2))
        return Fail(failure, ENOMEM);

    std::string loaded;
    try {
        loaded.resize(static_cast<std::size_t>(end));
    } catch (const std::bad_alloc&) {
        return Fail(failure, ENOMEM);
    } catch (const std::length_error&) {
        return Fail(failure, ENOMEM);
    }
    if (LoadPause()) LoadPause()(path);
    const long long got = ReadFully(fd.Get(), loaded.data(), loaded.size());
    if (got < 0) return Fail(failure, errno);
    loaded.resize(TranslateTextMode(loaded.data(), static_cast<std::size_t>(got)));
    try {
        loaded.shrink_to_fit();
    } catch (const std::bad_alloc&) {
        // Keeping the larger buffer is harmless.
    }
    text.swap(loaded);
    return true;
}

bool LoadTextStream(int fd, std::string& text, LoadFailure* failure)
{
    std::string loaded;
    std::size_t used = 0;
    try {
        loaded.resize(1 << 16);
        for (;;) {
            if (used == loaded.size()) loaded.resize(loaded.size() * 2);
            const ssize_t got = ::read(fd, loaded.data() + used, loaded.size() - used);
            if (got < 0) {
                if (errno == EINTR) continue;
                return Fail(failure, errno);
            }
            if (got == 0) break;
            // The text ends at the first NUL or Ctrl-Z, so nothing after one matters: a
            // stream with no end (/dev/zero, /dev/urandom) is read only that far.
            const char* fresh = loaded.data() + used;
            used += static_cast<std::size_t>(got);
            if (std::memchr(fresh, '\0', static_cast<std::size_t>(got)) ||
                std::memchr(fresh, kCtrlZ, static_cast<std::size_t>(got)))
                break;
        }
    } catch (const std::bad_alloc&) {
        return Fail(failure, ENOMEM);
    } catch (const std::length_error&) {
        return Fail(failure, ENOMEM);
    }
    if (used == 0) return Fail(failure, 0, "file is empty");
    loaded.resize(TranslateTextMode(loaded.data(), used));
    try {
        loaded.shrink_to_fit();
    } catch (const std::bad_alloc&) {
    }
    text.swap(loaded);
    return true;
}
