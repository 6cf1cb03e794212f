#include "OutlineWriter.h"

#include "ControlEscapes.h"
#include "DisplayText.h"
#include "Outline.h"
#include "ShownLines.h"
#include "Utf8.h"

#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

constexpr std::size_t kMaxName = 1024;  // a name lies within one line
constexpr std::size_t kMaxRow = 20 + 1 + 16 + 1 + kMaxName * display::MAX_ESCAPE + 1;

// Writes c as UTF-8, or its escape.
char* WriteCharacter(char* w, char32_t c)
{
    if (display::IsEscapedCharacter(c)) return display::WriteEscape(w, c);
    return w + EncodeUtf8(c, w);
}

char* WriteName(char* w, std::string_view name, bool utf8)
{
    const auto* s = reinterpret_cast<const unsigned char*>(name.data());
    const auto* end = s + name.size();
    while (s < end) {
        if (!utf8) {
            w = WriteCharacter(w, display::Windows1252(*s++));
            continue;
        }
        const int n = Utf8CharLength(s, end);
        if (n == 0) {
            // Not a whole character (a name holds whole ones): its byte, escaped.
            w = display::WriteByteEscape(w, *s++);
            continue;
        }
        w = WriteCharacter(w, DecodeUtf8(s));
        s += n;
    }
    return w;
}

}  // namespace

RenderStatus WriteOutline(const char* text, std::size_t length, CRtfOutput& out)
{
    length = ShownLength(text, length);
    out.Clear();
    COutline outline;
    const OutlineStatus built = outline.Build(text, length);
    const std::size_t grow = length / 4 > 1000 ? length / 4 : 1000;
    if (built == OutlineStatus::OutOfMemory) {
        out.Free();
        return RenderStatus::OutOfMemory;
    }
    const bool utf8 = display::ChooseEncoding(text, length) == display::Encoding::Utf8;
    const std::string_view whole(text, length);
    for (const OutlineEntry& entry : outline.GetEntries()) {
        if (!out.Room(kMaxRow, grow)) {
            out.Free();
            return RenderStatus::OutOfMemory;
        }
        char* w = out.End();
        w += std::snprintf(w, 24, "%llu\t", static_cast<unsigned long long>(entry.Line()));
        const char* kind = OutlineKindName(entry.Kind());
        const std::size_t kindLength = std::strlen(kind);
        std::memcpy(w, kind, kindLength);
        w += kindLength;
        *w++ = '\t';
        w = WriteName(w, COutline::Name(entry, whole), utf8);
        *w++ = '\n';
        out.Commit(w);
    }
    return built == OutlineStatus::LongLine ? RenderStatus::LongLine : RenderStatus::Ok;
}
