#include "Printable.h"

#include "syntax/ControlEscapes.h"
#include "syntax/Utf8.h"

std::string PrintableForTerminal(std::string_view bytes)
{
    std::string shown;
    shown.reserve(bytes.size());
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = s + bytes.size();
    char escape[display::MAX_ESCAPE];
    while (s < end) {
        const int n = Utf8CharLength(s, end);
        if (n == 0) {
            if (*s >= 0x80 && *s <= 0x9F)
                shown.append(escape, display::WriteByteEscape(escape, *s));
            else
                shown += static_cast<char>(*s);
            ++s;
            continue;
        }
        const char32_t c = DecodeUtf8(s);
        if (display::IsEscapedCharacter(c))
            shown.append(escape, display::WriteEscape(escape, c));
        else
            shown.append(reinterpret_cast<const char*>(s), static_cast<std::size_t>(n));
        s += n;
    }
    return shown;
}
