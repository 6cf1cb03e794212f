#include "RtfBuilder.h"

#include "CharClass.h"
#include "SyntaxStyleMap.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr std::string_view kParagraph = "\\par ";
constexpr std::string_view kTail = "\n\\par }\n.";
constexpr std::size_t kReserveT = kParagraph.size() + kTail.size();  // 14
constexpr std::size_t kLineBufferSize = 32 * MAX_LINE_LENGTH + 1;

}  // namespace

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
                                        const CSyntaxStyleMap& styles, COutputBuffer& out)
{
    BuildPrefixes(styles);
    constexpr std::string_view kHeadStart = "{\\rtf1\\ansi{\\fonttbl{\\f2\\fmodern ";
    constexpr std::string_view kHeadFonts = ";}}\n{\\colortbl";
    constexpr std::string_view kHeadEnd = "}\n\\pard";
    std::size_t headerLength = kHeadStart.size() + m_fontName.size() + kHeadFonts.size() + kHeadEnd.size();
    for (std::size_t i = 0; i < m_colourCount; ++i) headerLength += std::strlen(m_colours[i]);

    const std::size_t shown = ShownLength(text, length);
    const std::size_t B = shown > 1000 ? shown : 1000;
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
