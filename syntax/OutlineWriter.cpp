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

char* WriteOutlineRow(char* w, std::uint64_t line, std::string_view kind, std::string_view name, bool utf8)
{
    w += std::snprintf(w, 24, "%llu\t", static_cast<unsigned long long>(line));
    const std::size_t kindLength = kind.size() < 16 ? kind.size() : 16;
    std::memcpy(w, kind.data(), kindLength);
    w += kindLength;
    *w++ = '\t';
    w = WriteName(w, name.substr(0, 1023), utf8);
    *w++ = '\n';
    return w;
}

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
        if (!out.Room(OUTLINE_MAX_ROW, grow)) {
            out.Free();
            return RenderStatus::OutOfMemory;
        }
        out.Commit(WriteOutlineRow(out.End(), entry.Line(), OutlineKindName(entry.Kind()),
                                   COutline::Name(entry, whole), utf8));
    }
    return built == OutlineStatus::LongLine ? RenderStatus::LongLine : RenderStatus::Ok;
}
