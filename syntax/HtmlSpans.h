#pragma once
// CHtmlSpans: how HTML output writes a run of one style: the run's characters as the
// text shows them, inside a span of the style's class, or bare in the foreground style.
// The HTML page and the site's pages write their runs through one.

#include "DisplayText.h"
#include "StyleAttributes.h"
#include "StyleCodes.h"

#include <cstdio>
#include <cstring>
#include <string_view>

class CHtmlSpans {
public:
    static constexpr std::size_t MAX_SPAN_START = 32;  // <span class="escape-character">
    static constexpr std::string_view SPAN_END = "</span>";
    // The most a run of n bytes takes.
    static constexpr std::size_t MostFor(std::size_t n)
    {
        return MAX_SPAN_START + SPAN_END.size() + n * display::CShownText::MAX_PER_BYTE;
    }

    CHtmlSpans()
    {
        for (int code = 0; code < STYLE_COUNT; ++code)
            m_startLength[code] = static_cast<std::size_t>(std::snprintf(
                m_start[code], sizeof m_start[code], "<span class=\"%s\">", StyleClassName(static_cast<StyleCode>(code))));
    }

    // Writes the n bytes at s, all of style run, at w and returns the end. A run that
    // shows nothing (only characters that are left out) writes no empty element.
    char* Write(char* w, const display::CShownText& shown, const unsigned char* s, std::size_t n, StyleCode run) const
    {
        if (run == STYLE_FOREGROUND) return shown.Write(w, s, n);
        char* const start = w;
        std::memcpy(w, m_start[run], MAX_SPAN_START);
        w += m_startLength[run];
        char* const content = w;
        w = shown.Write(w, s, n);
        if (w == content) return start;
        std::memcpy(w, SPAN_END.data(), SPAN_END.size());
        return w + SPAN_END.size();
    }

private:
    char m_start[STYLE_COUNT][MAX_SPAN_START + 1];
    std::size_t m_startLength[STYLE_COUNT];
};
