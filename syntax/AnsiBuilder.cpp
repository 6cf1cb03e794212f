#include "AnsiBuilder.h"

#include "DisplayText.h"
#include "ShownLines.h"
#include "StyleAttributes.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr std::string_view kLineEnd = "\x1b[0m\n";
constexpr std::size_t kMaxSgr = 32;  // ESC [ 0 ; 1 ; 3 ; 3 8 ; 2 ; 255 ; 255 ; 255 m

// A line's worst case: every character opens a run.
constexpr std::size_t kWorstLine =
    MAX_LINE_LENGTH * (kMaxSgr + display::CShownText::MAX_PER_BYTE) + kLineEnd.size() + display::CShownText::SLACK;

constexpr unsigned kCubeLevels[6] = {0, 95, 135, 175, 215, 255};

}  // namespace

COLORREF CAnsiBuilder::XtermColour(int n)
{
    if (n >= 232) {
        const unsigned grey = 8 + 10 * static_cast<unsigned>(n - 232);
        return RGB(grey, grey, grey);
    }
    const int k = n - 16;
    return RGB(kCubeLevels[k / 36], kCubeLevels[(k / 6) % 6], kCubeLevels[k % 6]);
}

int CAnsiBuilder::NearestXtermColour(COLORREF colour)
{
    int best = 16;
    unsigned bestDistance = ~0u;
    for (int n = 16; n < 256; ++n) {
        const COLORREF c = XtermColour(n);
        const int dr = static_cast<int>(GetRValue(c)) - static_cast<int>(GetRValue(colour));
        const int dg = static_cast<int>(GetGValue(c)) - static_cast<int>(GetGValue(colour));
        const int db = static_cast<int>(GetBValue(c)) - static_cast<int>(GetBValue(colour));
        const unsigned distance = static_cast<unsigned>(dr * dr + dg * dg + db * db);
        if (distance < bestDistance) {
            best = n;
            bestDistance = distance;
        }
    }
    return best;
}

RenderStatus CAnsiBuilder::BuildDocument(const char* text, std::size_t length, const CSyntaxStyleMap& styles,
                                         Colours colours, CRtfOutput& out)
{
    if (const void* nul = std::memchr(text, '\0', length))
        length = static_cast<std::size_t>(static_cast<const char*>(nul) - text);
    const display::CShownText shown(display::ChooseEncoding(text, length), false);
    const bool utf8 = shown.GetEncoding() == display::Encoding::Utf8;

    StyleAttributes attributes[STYLE_COUNT];
    ResolveStyles(styles, attributes);
    char sgr[STYLE_COUNT][kMaxSgr + 1];
    std::size_t sgrLength[STYLE_COUNT];
    for (int code = 0; code < STYLE_COUNT; ++code) {
        const StyleAttributes& a = attributes[code];
        const char* weight = a.bold ? ";1" : "";
        const char* slant = a.italic ? ";3" : "";
        const int n = colours == Palette256
                          ? std::snprintf(sgr[code], sizeof sgr[code], "\x1b[0%s%s;38;5;%dm", weight, slant,
                                          NearestXtermColour(a.colour))
                          : std::snprintf(sgr[code], sizeof sgr[code], "\x1b[0%s%s;38;2;%u;%u;%um", weight, slant,
                                          GetRValue(a.colour), GetGValue(a.colour), GetBValue(a.colour));
        sgrLength[code] = static_cast<std::size_t>(n);
    }

    const std::size_t B = length > 1000 ? length : 1000;
    out.Clear();
    if (B > SIZE_MAX / 4 || !out.SetCapacity(B + B)) {
        out.Free();
        return RenderStatus::OutOfMemory;
    }

    const RenderStatus status = ForEachShownLine(text, length, [&](const ShownLine& line, StyleCode* cls) {
        if (!out.Room(kWorstLine, B)) return false;
        if (utf8) display::SpreadLeadStyles(line.text, line.length, cls);
        const auto* s = reinterpret_cast<const unsigned char*>(line.text);
        const std::size_t shownCount = line.length - 1;  // the line feed ends the line unstyled
        cls[shownCount] = STYLE_END;
        char* w = out.End();
        std::size_t i = 0;
        while (i < shownCount) {
            const StyleCode run = cls[i];
            const std::size_t j = display::CShownText::RunEnd(cls, i + 1, run);
            char* const start = w;
            std::memcpy(w, sgr[run], kMaxSgr);
            w += sgrLength[run];
            char* const content = w;
            w = shown.Write(w, s + i, j - i);
            if (w == content) w = start;  // only characters that are left out
            i = j;
        }
        if (w != out.End()) {
            std::memcpy(w, kLineEnd.data(), kLineEnd.size());
            w += kLineEnd.size();
        } else {
            *w++ = '\n';
        }
        out.Commit(w);
        return true;
    });
    if (status == RenderStatus::OutOfMemory) out.Free();
    return status;
}
