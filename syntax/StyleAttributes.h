#pragma once
// The colour, bold and italic of each of the twelve codes as the text formats other
// than RTF show them: the record of the style set with that code (the last one in walk
// order, should there be two), or the built-in attributes when the set has none.

#include "StyleCodes.h"
#include "SyntaxStyleMap.h"

struct StyleAttributes {
    COLORREF colour = 0;  // 0x00BBGGRR; only the low three bytes count
    bool bold = false;
    bool italic = false;
};

inline void ResolveStyles(const CSyntaxStyleMap& styles, StyleAttributes (&out)[STYLE_COUNT])
{
    for (int code = 0; code < STYLE_COUNT; ++code)
        out[code] = {g_styleDefaults[code].colour & 0xFFFFFFu, g_styleDefaults[code].bold != 0,
                     g_styleDefaults[code].italic != 0};
    styles.ForEach([&](std::uint16_t, const CSyntaxStyle& s) {
        if (s.m_code >= 0 && s.m_code < STYLE_COUNT)
            out[s.m_code] = {s.m_colour & 0xFFFFFFu, s.m_bold != 0, s.m_italic != 0};
    });
}

// The style's name as a word of lower-case letters and hyphens ("quoted-text"), for
// the class names of HTML.
inline const char* StyleClassName(StyleCode code)
{
    static const char* const kNames[STYLE_COUNT] = {
        "foreground", "quoted-text", "comment", "directive", "property", "function",
        "code", "code-alpha", "assembly", "escape-character", "number", "code-number",
    };
    return code < STYLE_COUNT ? kNames[code] : "";
}
