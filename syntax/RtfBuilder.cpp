#include "RtfBuilder.h"

#include "CharClass.h"
#include "ShownLines.h"
#include "SyntaxStyleMap.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

namespace {

constexpr std::string_view kParagraph = "\\par ";
constexpr std::string_view kTail = "\n\\par }\n.";
constexpr std::size_t kReserveT = kParagraph.size() + kTail.size();  // 14
constexpr std::size_t kLineBufferSize = 32 * MAX_LINE_LENGTH + 1;

}  // namespace

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

CRtfOutput::~CRtfOutput() { Free(); }

void CRtfOutput::ReleaseBefore(std::size_t offset)
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

void CRtfOutput::Free()
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

bool CRtfOutput::SetCapacity(std::size_t capacity)
{
    // A stream needs no more than its chunk: it hands its content over instead.
    return Resize(m_sink && capacity > m_chunk ? m_chunk : capacity);
}

bool CRtfOutput::Resize(std::size_t capacity)
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

void CRtfOutput::AppendUnchecked(const char* bytes, std::size_t n)
{
    std::memcpy(m_data + m_length, bytes, n);
    m_length += n;
    m_data[m_length] = '\0';
}

bool CRtfOutput::MakeRoom(std::size_t n, std::size_t grow)
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

void CRtfOutput::SetSink(Sink sink, void* context, std::size_t chunk)
{
    m_sink = sink;
    m_sinkContext = context;
    m_chunk = chunk;
}

void CRtfOutput::Flush()
{
    if (m_sink && m_length > 0) m_sink(m_sinkContext, m_data, m_length);
    Clear();
}

bool CRtfOutput::Append(const char* bytes, std::size_t n)
{
    // Growing doubles the capacity, or more when n needs it.
    if (!Room(n, m_capacity)) return false;
    AppendUnchecked(bytes, n);
    return true;
}

void CRtfBuilder::BuildPrefixes(const CSyntaxStyleMap& styles)
{
    char start[MAX_PREFIX];
    const int startLength =
        std::snprintf(start, sizeof start, "\\plain\\f2\\fs%u", static_cast<unsigned>(m_fontSize / 5));
    for (int code = 0; code < STYLE_COUNT; ++code) {
        std::memcpy(m_prefixes[code], start, static_cast<std::size_t>(startLength));
        m_prefixLengths[code] = static_cast<std::size_t>(startLength);
    }

    m_colourCount = 0;
    styles.ForEach([&](std::uint16_t, const CSyntaxStyle& style) {
        char entry[MAX_COLOUR_ENTRY];
        std::snprintf(entry, sizeof entry, "\\red%u\\green%u\\blue%u;", GetRValue(style.m_colour),
                      GetGValue(style.m_colour), GetBValue(style.m_colour));
        std::size_t index = 0;
        while (index < m_colourCount && std::strcmp(m_colours[index], entry) != 0) ++index;
        if (index == m_colourCount) {
            // Only a map of many records besides the twelve styles fills the table; a
            // colour past its end is written as the first one.
            if (m_colourCount == MAX_COLOURS) index = 0;
            else std::memcpy(m_colours[m_colourCount++], entry, sizeof entry);
        }
        if (style.m_code < 0 || style.m_code >= STYLE_COUNT) return;
        char* prefix = m_prefixes[style.m_code];
        std::size_t& length = m_prefixLengths[style.m_code];
        length += static_cast<std::size_t>(std::snprintf(prefix + length, MAX_PREFIX - length, "\\cf%zu%s%s ", index,
                                                         style.m_bold ? "\\b" : "", style.m_italic ? "\\i" : ""));
    });
}

RenderStatus CRtfBuilder::BuildDocument(const char* text, std::size_t length,
                                        const CSyntaxStyleMap& styles, CRtfOutput& out)
{
    // The text is zero-terminated: nothing after a zero byte belongs to it.
    if (const void* nul = std::memchr(text, '\0', length))
        length = static_cast<std::size_t>(static_cast<const char*>(nul) - text);

    BuildPrefixes(styles);
    constexpr std::string_view kHeadStart = "{\\rtf1\\ansi{\\fonttbl{\\f2\\fmodern ";
    constexpr std::string_view kHeadFonts = ";}}\n{\\colortbl";
    constexpr std::string_view kHeadEnd = "}\n\\pard";
    std::size_t headerLength = kHeadStart.size() + m_fontName.size() + kHeadFonts.size() + kHeadEnd.size();
    for (std::size_t i = 0; i < m_colourCount; ++i) headerLength += std::strlen(m_colours[i]);

    const std::size_t B = length > 1000 ? length : 1000;
    out.Clear();
    std::size_t capacity = 0;
    bool fits = B <= (SIZE_MAX - kReserveT - headerLength - 1) / 4;
    if (fits) capacity = kReserveT + 4 * B + headerLength + 1;
    // (A stream keeps less: Room makes sure of the header and the tail.)
    if (!fits || !out.SetCapacity(capacity) || !out.Room(headerLength + kReserveT, B)) {
        out.Free();
        return RenderStatus::OutOfMemory;
    }
    out.AppendUnchecked(kHeadStart.data(), kHeadStart.size());
    out.AppendUnchecked(m_fontName.data(), m_fontName.size());
    out.AppendUnchecked(kHeadFonts.data(), kHeadFonts.size());
    for (std::size_t i = 0; i < m_colourCount; ++i) out.AppendUnchecked(m_colours[i], std::strlen(m_colours[i]));
    out.AppendUnchecked(kHeadEnd.data(), kHeadEnd.size());

    const char* prefix[STYLE_COUNT];
    std::size_t prefixLength[STYLE_COUNT];
    for (int i = 0; i < STYLE_COUNT; ++i) {
        prefix[i] = m_prefixes[i];
        prefixLength[i] = m_prefixLengths[i];
    }

    // Each line is written in place, once there is room for the longest a line can be.
    const RenderStatus status = ForEachShownLine(text, length, [&](const ShownLine& line, const StyleCode* cls) {
        if (!out.Room(kLineBufferSize + kReserveT, B)) return false;
        const unsigned char* s = reinterpret_cast<const unsigned char*>(line.text);
        const std::size_t count = line.length;
        char* w = out.End();
        std::size_t i = 0;
        while (i < count) {
            const StyleCode run = cls[i];
            std::memcpy(w, prefix[run], prefixLength[run]);
            w += prefixLength[run];
            do {
                const unsigned char ch = s[i];
                if (charclass::Is(ch, charclass::ESCAPE)) *w++ = '\\';
                *w++ = static_cast<char>(ch);
                ++i;
            } while (i < count && (cls[i] == run || charclass::IsBlank(s[i])));
        }
        std::memcpy(w, kParagraph.data(), kParagraph.size());
        out.Commit(w + kParagraph.size());
        return true;
    });
    if (status == RenderStatus::OutOfMemory) {
        out.Free();
        return status;
    }
    out.AppendUnchecked(kTail.data(), kTail.size());
    return status;
}
