#include "CodesWriter.h"

#include "ShownLines.h"

namespace {
constexpr std::size_t kStateDigits = 8;
}

RenderStatus WriteCodes(const char* text, std::size_t length, CRtfOutput& out)
{
    static const char kHex[] = "0123456789abcdef";
    const std::size_t grow = length > 1000 ? length : 1000;
    out.Clear();
    const RenderStatus status = ForEachShownLine(text, length, [&](const ShownLine& line, const StyleCode* classes) {
        if (!out.Room(line.length + 1 + kStateDigits + 1, grow)) return false;
        char* w = out.End();
        for (std::size_t i = 0; i < line.length; ++i) *w++ = kHex[classes[i] & 0xF];
        *w++ = ' ';
        for (int shift = 28; shift >= 0; shift -= 4) *w++ = kHex[(line.stateAfter >> shift) & 0xF];
        *w++ = '\n';
        out.Commit(w);
        return true;
    });
    if (status == RenderStatus::OutOfMemory) out.Free();
    return status;
}
