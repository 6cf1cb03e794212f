#include "ControlEscapes.h"

namespace display {

namespace {
const char kHex[] = "0123456789abcdef";
}

char* WriteEscape(char* w, char32_t c)
{
    *w++ = '\\';
    switch (c) {
    case U'\t': *w++ = 't'; return w;
    case U'\n': *w++ = 'n'; return w;
    case U'\r': *w++ = 'r'; return w;
    default: break;
    }
    if (c < 0x80) return WriteByteEscape(w - 1, static_cast<unsigned char>(c));
    *w++ = 'u';
    for (int shift = 12; shift >= 0; shift -= 4) *w++ = kHex[(c >> shift) & 0xF];
    return w;
}

char* WriteByteEscape(char* w, unsigned char b)
{
    *w++ = '\\';
    *w++ = 'x';
    *w++ = kHex[b >> 4];
    *w++ = kHex[b & 0xF];
    return w;
}

}  // namespace display
