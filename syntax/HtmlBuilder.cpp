#include "HtmlBuilder.h"

#include "DisplayText.h"
#include "HtmlSpans.h"
#include "ShownLines.h"
#include "StyleAttributes.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr std::string_view kPageStart =
    "<!DOCTYPE html>\n"
    "<html>\n"
    "<head>\n"
    "<meta charset=\"utf-8\">\n"
    "<meta name=\"generator\" content=\"glossel-render " GLOSSEL_VERSION_STRING "\">\n"
    "<title>";
constexpr std::string_view kTitleEnd = "</title>\n<style>\n";
constexpr std::string_view kStyleEnd = "</style>\n</head>\n<body>\n";
constexpr std::string_view kPreStart = "<pre class=\"glossel\">\n";
constexpr std::string_view kPreEnd = "</pre>\n";
constexpr std::string_view kPageEnd = "</body>\n</html>\n";

constexpr std::string_view kSheetStart =
    ".glossel {\n"
    "  font-family: \"Courier New\", monospace;\n"
    "  tab-size: 8;\n"
    "  -moz-tab-size: 8;\n"
    "  background-color: #ffffff;\n"
    "}\n";
constexpr std::size_t kMaxRule = 128;  // one style's rule
constexpr std::string_view kTintRule = ".glossel .skipped { background-color: #ececec; box-shadow: inset 3px 0 #b8b8b8; }\n";
constexpr std::string_view kTintStart = "<span class=\"skipped\" title=\"";
constexpr std::string_view kTintEnd = "</span>";

// A line's worst case: every character opens and closes a span and is escaped.
constexpr std::size_t kWorstLine = MAX_LINE_LENGTH * CHtmlSpans::MostFor(1) + display::CShownText::SLACK;

std::size_t WriteRule(char* w, StyleCode code, const StyleAttributes& a)
{
    const int n = std::snprintf(w, kMaxRule, "%s%s {\n  color: #%02x%02x%02x;\n  font-weight: %s;\n  font-style: %s;\n}\n",
                                code == STYLE_FOREGROUND ? ".glossel, .glossel ." : ".glossel .",
                                StyleClassName(code), GetRValue(a.colour), GetGValue(a.colour), GetBValue(a.colour),
                                a.bold ? "bold" : "normal", a.italic ? "italic" : "normal");
    return static_cast<std::size_t>(n);
}

// The style sheet, appended to out, which has room for it.
void WriteStyleSheet(const CSyntaxStyleMap& styles, COutputBuffer& out)
{
    StyleAttributes attributes[STYLE_COUNT];
    ResolveStyles(styles, attributes);
    out.AppendUnchecked(kSheetStart.data(), kSheetStart.size());
    for (int code = 0; code < STYLE_COUNT; ++code) {
        char rule[kMaxRule];
        out.AppendUnchecked(rule, WriteRule(rule, static_cast<StyleCode>(code), attributes[code]));
    }
}

constexpr std::size_t kStyleSheetRoom = kSheetStart.size() + STYLE_COUNT * kMaxRule;

}  // namespace

bool CHtmlBuilder::BuildStyleSheet(const CSyntaxStyleMap& styles, COutputBuffer& out)
{
    out.Clear();
    if (!out.SetCapacity(kStyleSheetRoom) || !out.Room(kStyleSheetRoom, kStyleSheetRoom)) return false;
    WriteStyleSheet(styles, out);
    return true;
}

RenderStatus CHtmlBuilder::BuildDocument(const char* text, std::size_t length, const CSyntaxStyleMap& styles,
                                         Kind kind, std::string_view title, COutputBuffer& out,
                                         const std::vector<HtmlTintedLines>& tinted)
{
    const display::CShownText shown(display::ChooseEncoding(text, length), true);
    const bool utf8 = shown.GetEncoding() == display::Encoding::Utf8;

    const CHtmlSpans spans;

    // Most text is copied as it is; a third more covers the spans of typical source.
    const std::size_t shownLength = ShownLength(text, length);
    const std::size_t B = shownLength > 1000 ? shownLength : 1000;
    const std::size_t titleRoom = title.size() * display::CShownText::MAX_PER_BYTE + display::CShownText::SLACK;
    const std::size_t fixed = kPageStart.size() + titleRoom + kTitleEnd.size() + kStyleSheetRoom + kTintRule.size() +
                              kStyleEnd.size() + kPreStart.size() + kPreEnd.size() + kPageEnd.size();
    out.Clear();
    if (title.size() > SIZE_MAX / 8 || B > (SIZE_MAX - fixed) / 2 || !out.SetCapacity(fixed + B + B / 3) ||
        !out.Room(fixed, B)) {
        out.Free();
        return RenderStatus::OutOfMemory;
    }

    if (kind == Page) {
        out.AppendUnchecked(kPageStart.data(), kPageStart.size());
        // The title: the name's bytes as UTF-8 when all of them are, else as Windows-1252.
        const display::CShownText name(display::EncodingOf(title), true);
        out.Commit(name.Write(out.End(), reinterpret_cast<const unsigned char*>(title.data()), title.size()));
        out.AppendUnchecked(kTitleEnd.data(), kTitleEnd.size());
        WriteStyleSheet(styles, out);
        if (!tinted.empty()) out.AppendUnchecked(kTintRule.data(), kTintRule.size());
        out.AppendUnchecked(kStyleEnd.data(), kStyleEnd.size());
    }
    out.AppendUnchecked(kPreStart.data(), kPreStart.size());

    std::size_t nextTint = 0;
    const RenderStatus status = ForEachShownLine(text, length, [&](const ShownLine& line, StyleCode* cls) {
        while (nextTint < tinted.size() && tinted[nextTint].last < line.number) ++nextTint;
        const HtmlTintedLines* tint =
            nextTint < tinted.size() && tinted[nextTint].first <= line.number ? &tinted[nextTint] : nullptr;
        const std::size_t tintRoom = tint ? kTintStart.size() + tint->title.size() + 2 + kTintEnd.size() : 0;
        if (!out.Room(kWorstLine + tintRoom + kPreEnd.size() + kPageEnd.size(), B)) return false;
        const std::size_t count = line.length;
        if (utf8) display::SpreadLeadStyles(line.text, count, cls);
        const auto* s = reinterpret_cast<const unsigned char*>(line.text);
        char* w = out.End();
        if (tint) {
            w = std::copy(kTintStart.begin(), kTintStart.end(), w);
            w = std::copy(tint->title.begin(), tint->title.end(), w);
            *w++ = '"';
            *w++ = '>';
        }
        std::size_t i = 0;
        while (i < count) {
            const StyleCode run = cls[i];
            const std::size_t j = display::CShownText::RunEnd(cls, i + 1, run);  // STYLE_END stops it
            w = spans.Write(w, shown, s + i, j - i, run);
            i = j;
        }
        if (tint) {
            // Closed before the line feed where it ends the line's markup, so that each
            // line's markup stays on its line.
            const bool feed = w > out.End() && w[-1] == '\n';
            if (feed) --w;
            w = std::copy(kTintEnd.begin(), kTintEnd.end(), w);
            if (feed) *w++ = '\n';
        }
        out.Commit(w);
        return true;
    });
    if (status == RenderStatus::OutOfMemory) {
        out.Free();
        return status;
    }
    out.AppendUnchecked(kPreEnd.data(), kPreEnd.size());
    if (kind == Page) out.AppendUnchecked(kPageEnd.data(), kPageEnd.size());
    return status;
}
