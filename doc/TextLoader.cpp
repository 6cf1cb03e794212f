#include "TextLoader.h"

#include "TextModeTranslator.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <new>
#include <stdexcept>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// The raw bytes go through a buffer of this size on their way into the text, so that
// the text's own buffer is written once, by the translation, and never filled first.
constexpr std::size_t kReadChunk = 64 * 1024;
constexpr char kCtrlZ = 0x1A;

const std::string kTooLarge = "larger than " + std::string(MAX_SOURCE_SIZE_TEXT) + ", the most that loads";

std::function<void(const std::string&)>& LoadPause()
{
    static std::function<void(const std::string&)> pause;
    return pause;
}

bool Fail(LoadFailure* failure, int error, const std::string& reason = {})
{
    if (failure) {
        failure->error = error;
        failure->reason = reason.empty() ? std::strerror(error) : reason;
    }
    return false;
}

// Reads up to size bytes into buffer; returns the count read (0 at the end), or -1 on
// a read error.
ssize_t ReadSome(int fd, char* buffer, std::size_t size)
{
    for (;;) {
        const ssize_t got = ::read(fd, buffer, size);
        if (got >= 0 || errno != EINTR) return got;
    }
}

// Gives back the room of a text that came out much shorter than its buffer (a NUL or
// Ctrl-Z near the start of a large file); a few CRs of CR LF pairs are not worth a copy.
void ShrinkIfMostlyEmpty(std::string& text)
{
    if (text.capacity() - text.size() <= text.size() / 16) return;
    try {
        text.shrink_to_fit();
    } catch (const std::bad_alloc&) {
        // Keeping the larger buffer is harmless.
    }
}

// Asks for huge pages under the whole 2 MiB pieces of a large buffer about to be
// written: a 10 MB text then costs a handful of page faults instead of thousands. Only
// advice: where the system gives none, nothing changes.
void AdviseHugePages(char* buffer, std::size_t size)
{
    constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
    const auto start = (reinterpret_cast<std::uintptr_t>(buffer) + kHugePage - 1) & ~(kHugePage - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(buffer) + size) & ~(kHugePage - 1);
    if (end > start) ::madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
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
    return CTextModeTranslator::TranslateInPlace(data, size);
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

    // The size the file has now. A file that says it has none is asked where its end is:
    // files that the system makes up as they are read (those of /proc) have no end to
    // seek to, and "Invalid argument" would not tell the user why.
    off_t end = st.st_size;
    if (end == 0) {
        end = ::lseek(fd.Get(), 0, SEEK_END);
        if (end < 0 && (errno == EINVAL || errno == ESPIPE))
            return Fail(failure, errno, "its size cannot be known in advance (the system makes it up as it is read)");
        if (end < 0) return Fail(failure, errno);
        if (end == 0) return Fail(failure, 0, "file is empty");
        if (::lseek(fd.Get(), 0, SEEK_SET) != 0) return Fail(failure, errno);
    }
    if (static_cast<std::uint64_t>(end) > MAX_SOURCE_BYTES) return Fail(failure, EFBIG, kTooLarge);
    const auto size = static_cast<std::size_t>(end);

    std::string loaded;
    std::unique_ptr<char[]> chunk;
    try {
        loaded.reserve(size);  // the text is never longer than the file
        chunk = std::make_unique_for_overwrite<char[]>(std::min(size, kReadChunk));  // a small file, a small piece
    } catch (const std::bad_alloc&) {
        return Fail(failure, ENOMEM);
    } catch (const std::length_error&) {
        return Fail(failure, ENOMEM);
    }
    AdviseHugePages(loaded.data(), size);
    if (LoadPause()) LoadPause()(path);

    // The whole file is read, up to its size when it was opened, even after its text
    // has ended: a read error anywhere fails the load.
    CTextModeTranslator translator(loaded);
    for (std::size_t left = size; left > 0;) {
        const ssize_t got = ReadSome(fd.Get(), chunk.get(), std::min(left, kReadChunk));
        if (got < 0) return Fail(failure, errno);
        if (got == 0) return Fail(failure, 0, "the file changed while it was read");
        left -= static_cast<std::size_t>(got);
        translator.Append(chunk.get(), static_cast<std::size_t>(got));  // no allocation: room was reserved
    }
    translator.Finish();
    ShrinkIfMostlyEmpty(loaded);
    text.swap(loaded);
    return true;
}

namespace {

// The raw bytes of a stream whose size is not known until its end, in pieces that are
// mapped one at a time as the bytes come and given back one at a time as the text is
// made of them, into a buffer made once, of the size of all of them: a stream never
// takes more memory than its size and one piece (a buffer that grew by doubling would
// take twice the stream's size on its way).
class CStreamPieces {
public:
    static constexpr std::size_t kPiece = std::size_t{1} << 20;

    CStreamPieces() = default;
    ~CStreamPieces()
    {
        for (char* piece : m_pieces)
            if (piece) ::munmap(piece, kPiece);
    }
    CStreamPieces(const CStreamPieces&) = delete;
    CStreamPieces& operator=(const CStreamPieces&) = delete;

    // The room left in the last piece (a new piece when it is full); throws
    // std::bad_alloc when there is no memory for one.
    char* Room(std::size_t& room)
    {
        if (m_pieces.empty() || m_used == kPiece) {
            m_pieces.reserve(m_pieces.size() + 1);
            void* piece = ::mmap(nullptr, kPiece, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            if (piece == MAP_FAILED) throw std::bad_alloc();
            m_pieces.push_back(static_cast<char*>(piece));
            m_used = 0;
        }
        room = kPiece - m_used;
        return m_pieces.back() + m_used;
    }
    void Used(std::size_t n)
    {
        m_used += n;
        m_total += n;
    }
    std::uint64_t Total() const { return m_total; }

    // The text of all the bytes, each piece given back once it is in the text.
    void Translate(std::string& text)
    {
        text.reserve(static_cast<std::size_t>(m_total));  // the text is never longer than its bytes
        CTextModeTranslator translator(text);
        for (std::size_t i = 0; i < m_pieces.size(); ++i) {
            translator.Append(m_pieces[i], i + 1 < m_pieces.size() ? kPiece : m_used);
            ::munmap(m_pieces[i], kPiece);
            m_pieces[i] = nullptr;
        }
        translator.Finish();
    }

private:
    std::vector<char*> m_pieces;
    std::size_t m_used = 0;  // of the last piece
    std::uint64_t m_total = 0;
};

// The first NUL or Ctrl-Z of data[0, n), which ends the text, or null.
const char* TextEnd(const char* data, std::size_t n)
{
    const char* nul = static_cast<const char*>(std::memchr(data, '\0', n));
    const char* ctrlZ = static_cast<const char*>(std::memchr(data, kCtrlZ, nul ? static_cast<std::size_t>(nul - data) : n));
    return ctrlZ ? ctrlZ : nul;
}

}  // namespace

bool LoadTextStream(int fd, std::string& text, LoadFailure* failure, std::uint64_t limit)
{
    std::string loaded;
    try {
        CStreamPieces pieces;
        for (;;) {
            // One byte past the limit is enough to know that the input is over it.
            std::size_t room = 0;
            char* at = pieces.Room(room);
            const std::uint64_t wanted = std::min<std::uint64_t>(room, limit - pieces.Total() + 1);
            const ssize_t got = ReadSome(fd, at, static_cast<std::size_t>(wanted));
            if (got < 0) return Fail(failure, errno);
            if (got == 0) break;
            // The text ends at the first NUL or Ctrl-Z, so nothing after one matters: a
            // stream with no end (/dev/zero, /dev/urandom) is read only that far. That
            // byte may be the one past the limit.
            if (const char* end = TextEnd(at, static_cast<std::size_t>(got))) {
                pieces.Used(static_cast<std::size_t>(end - at) + 1);
                break;
            }
            pieces.Used(static_cast<std::size_t>(got));
            if (pieces.Total() > limit) return Fail(failure, EFBIG, kTooLarge);
        }
        if (pieces.Total() == 0) return Fail(failure, 0, "file is empty");
        pieces.Translate(loaded);
    } catch (const std::bad_alloc&) {
        return Fail(failure, ENOMEM);
    } catch (const std::length_error&) {
        return Fail(failure, ENOMEM);
    }
    ShrinkIfMostlyEmpty(loaded);
    text.swap(loaded);
    return true;
}
