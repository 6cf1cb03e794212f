#include "RtfBuilder.h"

#include "CharClass.h"
#include "SyntaxStyleMap.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

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

bool CRtfOutput::Append(const char* bytes, std::size_t n)
{
    if (m_capacity - m_length < n) {
        std::size_t want = m_capacity + (m_capacity > n ? m_capacity : n);
        if (want < m_length + n) return false;  // overflow
        if (!SetCapacity(want)) return false;
    }
    AppendUnchecked(bytes, n);
    return true;
}

std::string LongLineMessage()
{
    char message[96];
    std::snprintf(message, sizeof message,
                  "The file contained a line longer than the maximum allowed (%ld)!",
                  static_cast<long>(MAX_LINE_LENGTH));
    return message;
}

std::string CRtfBuilder::BuildPrefixes(const CSyntaxStyleMap& styles)
{
    char word[64];
    std::snprintf(word, sizeof word, "\\plain\\f2\\fs%u", static_cast<unsigned>(m_fontSize / 5));
    for (std::string& prefix : m_prefixes) prefix = word;

    std::vector<std::string> table;
    table.reserve(STYLE_COUNT);
    styles.ForEach([&](std::uint16_t, const CSyntaxStyle& style) {
        char entry[64];
        std::snprintf(entry, sizeof entry, "\\red%u\\green%u\\blue%u;", GetRValue(style.m_colour),
                      GetGValue(style.m_colour), GetBValue(style.m_colour));
        std::size_t index = 0;
        while (index < table.size() && table[index] != entry) ++index;
        if (index == table.size()) table.emplace_back(entry);
        if (style.m_code < 0 || style.m_code >= STYLE_COUNT) return;
        std::string& prefix = m_prefixes[style.m_code];
        std::snprintf(word, sizeof word, "\\cf%zu", index);
        prefix += word;
        if (style.m_bold) prefix += "\\b";
        if (style.m_italic) prefix += "\\i";
        prefix += ' ';
    });

    std::string entries;
    for (const std::string& e : table) entries += e;
    return entries;
}

RenderStatus CRtfBuilder::BuildDocument(const char* text, std::size_t length,
                                        const CSyntaxStyleMap& styles, CRtfOutput& out)
{
    // The text is zero-terminated: nothing after a zero byte belongs to it.
    if (const void* nul = std::memchr(text, '\0', length))
        length = static_cast<std::size_t>(static_cast<const char*>(nul) - text);

    const std::string colourTable = BuildPrefixes(styles);
    std::string header = "{\\rtf1\\ansi{\\fonttbl{\\f2\\fmodern ";
    header += m_fontName;
    header += ";}}\n{\\colortbl";
    header += colourTable;
    header += "}\n\\pard";

    const std::size_t B = length > 1000 ? length : 1000;
    out.Clear();
    std::size_t capacity = 0;
    bool fits = B <= (SIZE_MAX - kReserveT - header.size() - 1) / 4;
    if (fits) capacity = kReserveT + 4 * B + header.size() + 1;
    if (!fits || !out.SetCapacity(capacity)) {
        out.Free();
        return RenderStatus::OutOfMemory;
    }
    out.AppendUnchecked(header.data(), header.size());

    // The working buffers of this render.
    std::unique_ptr<char[]> lineCopy(new char[MAX_LINE_LENGTH + 1]);
    std::unique_ptr<StyleCode[]> classes(new StyleCode[MAX_LINE_LENGTH + 1]);
    std::unique_ptr<char[]> lineRtf(new char[kLineBufferSize]);

    const char* prefix[STYLE_COUNT];
    std::size_t prefixLength[STYLE_COUNT];
    for (int i = 0; i < STYLE_COUNT; ++i) {
        prefix[i] = m_prefixes[i].data();
        prefixLength[i] = m_prefixes[i].size();
    }

    CSyntaxLexer lexer(LEX_DIRECTIVE_EXPECTED);
    RenderStatus status = RenderStatus::Ok;
    std::size_t pos = 0;
    while (pos < length) {
        const std::size_t n = MeasureLine(text, length, pos);
        if (n >= MAX_LINE_LENGTH) {
            status = RenderStatus::LongLine;
            break;
        }
        // The lexer gets the line with its line feed; a last line without one is given it.
        std::memcpy(lineCopy.get(), text + pos, n);
        lineCopy[n] = '\n';
        lineCopy[n + 1] = '\0';
        const std::size_t count = n + 1;
        lexer.ClassifyLine(lineCopy.get(), count, classes.get());

        const unsigned char* s = reinterpret_cast<const unsigned char*>(lineCopy.get());
        const StyleCode* cls = classes.get();
        char* w = lineRtf.get();
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
        pos += count;

        const std::size_t L = static_cast<std::size_t>(w - lineRtf.get());
        if (out.Capacity() <= out.Length() + L + kReserveT) {
            const std::size_t grow = (L + kReserveT) > B ? (L + kReserveT) : B;
            if (out.Capacity() > SIZE_MAX - 1 - grow || !out.SetCapacity(out.Capacity() + grow)) {
                out.Free();
                return RenderStatus::OutOfMemory;
            }
        }
        out.AppendUnchecked(lineRtf.get(), L);
        out.AppendUnchecked(kParagraph.data(), kParagraph.size());
    }
    out.AppendUnchecked(kTail.data(), kTail.size());
    return status;
}
