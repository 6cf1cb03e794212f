#include "Printable.h"

std::string PrintableForTerminal(std::string_view bytes)
{
    static const char kHex[] = "0123456789abcdef";
    std::string shown;
    shown.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b != 0x7F) {
            shown += c;
        } else if (b == '\n') {
            shown += "\\n";
        } else if (b == '\t') {
            shown += "\\t";
        } else if (b == '\r') {
            shown += "\\r";
        } else {
            shown += "\\x";
            shown += kHex[b >> 4];
            shown += kHex[b & 15];
        }
    }
    return shown;
}
