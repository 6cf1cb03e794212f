#include "OutputBuffer.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// Buffers from this size up are mappings of their own rather than heap blocks. A
// document of many megabytes is written once from start to end: large pages save most
// of the page faults of touching it, and the advice is given for the whole mapping. (On
// a part of a heap block it would split the block's mapping in pieces, which mremap
// cannot grow, so that every growth would copy the whole document: old and new copy
// resident at once.)
constexpr std::size_t kMapThreshold = 8u << 20;

std::size_t PageRound(std::size_t size)
{
    static const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    return size > SIZE_MAX - page ? 0 : (size + page - 1) / page * page;
}

}  // namespace

COutputBuffer::~COutputBuffer() { Free(); }

void COutputBuffer::ReleaseBefore(std::size_t offset)
{
#ifdef MADV_DONTNEED
    // Whole 2 MiB blocks only, at least 16 MiB at a time: a large page is never split,
    // and the system is asked rarely.
    constexpr std::uintptr_t kBlock = 2u << 20;
    constexpr std::size_t kBatch = 16u << 20;
    if (!m_data || offset > m_length) return;
    const std::uintptr_t base = reinterpret_cast<std::uintptr_t>(m_data);
    const std::uintptr_t begin = (base + kBlock - 1) & ~(kBlock - 1);
    const std::uintptr_t end = (base + offset) & ~(kBlock - 1);
    if (end <= begin || end - begin < m_released + kBatch) return;
    // The pages lie wholly inside this buffer, so nothing else lives on them.
    if (madvise(reinterpret_cast<void*>(begin + m_released), end - begin - m_released, MADV_DONTNEED) == 0)
        m_released = end - begin;
#else
    (void)offset;
#endif
}

void COutputBuffer::Free()
{
    if (m_mapSize)
        munmap(m_data, m_mapSize);
    else
        std::free(m_data);
    m_data = nullptr;
    m_mapSize = 0;
    m_released = 0;
    m_length = 0;
    m_capacity = 0;
}

bool COutputBuffer::SetCapacity(std::size_t capacity)
{
    // A stream needs no more than its chunk: it hands its content over instead.
    return Resize(m_sink && capacity > m_chunk ? m_chunk : capacity);
}

bool COutputBuffer::Resize(std::size_t capacity)
{
    if (capacity < m_length) capacity = m_length;
    if (capacity == SIZE_MAX) return false;
    char* grown;
    if (capacity + 1 >= kMapThreshold || m_mapSize) {
        // Once mapped, a buffer stays mapped; mremap moves its pages, never its bytes.
        const std::size_t size = PageRound(capacity + 1);
        if (size == 0) return false;
        void* mapped = m_mapSize ? mremap(m_data, m_mapSize, size, MREMAP_MAYMOVE)
                                 : mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapped == MAP_FAILED) return false;
        grown = static_cast<char*>(mapped);
        if (!m_mapSize && m_data) {
            std::memcpy(grown, m_data, m_length + 1);
            std::free(m_data);
        }
        m_mapSize = size;
#ifdef MADV_HUGEPAGE
        madvise(grown, size, MADV_HUGEPAGE);  // a hint; the kernel may ignore it
#endif
    } else {
        grown = static_cast<char*>(std::realloc(m_data, capacity + 1));
        if (!grown) return false;
    }
    if (grown != m_data) m_released = 0;
    m_data = grown;
    m_capacity = capacity;
    m_data[m_length] = '\0';
    return true;
}

void COutputBuffer::AppendUnchecked(const char* bytes, std::size_t n)
{
    std::memcpy(m_data + m_length, bytes, n);
    m_length += n;
    m_data[m_length] = '\0';
}

bool COutputBuffer::MakeRoom(std::size_t n, std::size_t grow)
{
    if (m_sink) {
        Flush();
        if (m_capacity >= n) return true;
        return Resize(n > m_chunk ? n : m_chunk);
    }
    const std::size_t by = n > grow ? n : grow;
    if (m_capacity > SIZE_MAX - 1 - by) return false;
    return Resize(m_capacity + by);
}

void COutputBuffer::SetSink(Sink sink, void* context, std::size_t chunk)
{
    m_sink = sink;
    m_sinkContext = context;
    m_chunk = chunk;
}

void COutputBuffer::Flush()
{
    if (m_sink && m_length > 0) m_sink(m_sinkContext, m_data, m_length);
    Clear();
}

bool COutputBuffer::Append(const char* bytes, std::size_t n)
{
    // Growing doubles the capacity, or more when n needs it.
    if (!Room(n, m_capacity)) return false;
    AppendUnchecked(bytes, n);
    return true;
}
