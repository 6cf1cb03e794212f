#include "SitePage.h"

#include "SiteLayout.h"
#include "SiteMeaning.h"
#include "SiteText.h"
#include "SiteUsesPage.h"
#include "syntax/HtmlSpans.h"
#include "syntax/ShownLines.h"
#include "syntax/StyleAttributes.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>

namespace {

constexpr std::string_view kLinkEnd = "</a>";

char* Put(char* w, std::string_view bytes)
{
    std::memcpy(w, bytes.data(), bytes.size());
    return w + bytes.size();
}

struct Link {
    std::uint32_t start;
    std::uint32_t end;
    std::uint32_t href;  // in the line's hrefs
};

void WriteOutline(const SiteFile& file, std::string& html)
{
    const std::vector<SiteDefinition>& definitions = file.definitions;
    std::vector<std::vector<std::uint32_t>> children(definitions.size());
    std::vector<std::uint32_t> top;
    for (std::uint32_t i = 0; i < definitions.size(); ++i) {
        if (definitions[i].parent < i)
            children[definitions[i].parent].push_back(i);
        else
            top.push_back(i);
    }
    auto item = [&](std::uint32_t i) {
        const SiteDefinition& d = definitions[i];
        html += "<li><a href=\"#L" + std::to_string(d.line) + "\">";
        // Under its object, a property routine is named by its property alone.
        const std::string_view name =
            d.parent < i ? std::string_view(d.name).substr(d.name.find('.') + 1) : std::string_view(d.name);
        AppendEscapedHtml(html, name);
        html += "</a> <span class=\"k\">";
        html += DefinitionKindName(d.kind);
        html += "</span>";
    };
    html += "<ul>\n";
    for (const std::uint32_t i : top) {
        item(i);
        if (!children[i].empty()) {
            html += "\n<ul>\n";
            for (const std::uint32_t child : children[i]) {
                item(child);
                html += "</li>\n";
            }
            html += "</ul>\n";
        }
        html += "</li>\n";
    }
    html += "</ul>\n";
}

std::string PageHead(const CSiteCatalog& catalog, const SiteFile& file)
{
    const std::string name = file.path.substr(file.path.find_last_of('/') + 1);
    std::string heading;
    AppendEscapedHtml(heading, ShownUtf8(file.shown, display::ChooseEncoding(file.shown.data(), file.shown.size())));
    std::string html = SitePageStart(SitePageFrame{ShownUtf8(name, display::ChooseEncoding(name.data(), name.size())),
                                                   "../", heading, "", "source"});
    html += "<div class=\"site\">\n<nav class=\"outline\">\n<h2>Outline</h2>\n";
    WriteOutline(file, html);
    html += "</nav>\n<main>\n";
    // The files that include it, each linked to its Include.
    if (!file.includedBy.empty()) {
        html += "<p class=\"included\">Included by ";
        std::uint32_t last = SITE_NO_FILE;
        for (const SiteUseRef& by : file.includedBy) {
            if (by.file == last) continue;
            const SiteFile& including = catalog.Files()[by.file];
            if (last != SITE_NO_FILE) html += ", ";
            last = by.file;
            html += "<a href=\"" + including.page + "#L" + std::to_string(including.includes[by.index].line) + "\">";
            AppendEscapedHtml(html, ShownUtf8(including.shown, display::ChooseEncoding(including.shown.data(),
                                                                                      including.shown.size())));
            html += "</a>";
        }
        html += "</p>\n";
    }
    html += "<pre class=\"glossel\">\n";
    return html;
}

}  // namespace

RenderStatus WriteSitePage(const CSiteCatalog& catalog, std::uint32_t fileIndex, const std::string& text,
                           COutputBuffer& out, CSiteLines* lines)
{
    const SiteFile& file = catalog.Files()[fileIndex];
    const std::size_t length = ShownLength(text.data(), text.size());
    const display::CShownText shown(display::ChooseEncoding(text.data(), length), true);
    const bool utf8 = shown.GetEncoding() == display::Encoding::Utf8;

    const CHtmlSpans spans;

    out.Clear();
    const std::size_t grow = std::max<std::size_t>(length, 4096);
    if (!out.SetCapacity(grow * 2) || !out.Append(PageHead(catalog, file))) {
        out.Free();
        return RenderStatus::OutOfMemory;
    }

    // What links where, each list in text order: the Includes' names, the definitions'
    // own names (to their lists of uses) and the uses (SiteMeaning.h).
    std::vector<std::string> includeHrefs(file.includes.size());
    for (std::size_t k = 0; k < file.includes.size(); ++k) {
        const std::uint32_t target = file.includes[k].target;
        if (target != SITE_NO_FILE && !catalog.Files()[target].unreadable) includeHrefs[k] = catalog.Files()[target].page;
    }
    std::vector<std::uint32_t> named;
    for (std::uint32_t k = 0; k < file.definitions.size(); ++k)
        if (CSiteMeaning::NamesItsUses(file.definitions[k])) named.push_back(k);
    std::stable_sort(named.begin(), named.end(), [&](std::uint32_t a, std::uint32_t b) {
        const SiteDefinition& x = file.definitions[a];
        const SiteDefinition& y = file.definitions[b];
        return x.line != y.line ? x.line < y.line : x.column < y.column;
    });
    // Lines the compiler skips are tinted (the class "skipped"), their reason the title.
    std::vector<std::string> skippedTitles;
    for (const SiteFile::Skipped& run : file.skipped) {
        std::string title;
        AppendEscapedHtml(title, run.why);
        skippedTitles.push_back(std::move(title));
    }
    std::size_t nextSkipped = 0;
    std::size_t nextInclude = 0;
    std::size_t nextNamed = 0;
    std::size_t nextUse = 0;
    std::vector<Link> links;
    std::vector<std::string> hrefs;  // of the line's links; kept, so that their room is reused
    std::size_t hrefCount = 0;
    auto addLink = [&](std::uint32_t start, std::uint32_t end) -> std::string& {
        if (hrefCount == hrefs.size()) hrefs.emplace_back();
        links.push_back(Link{start, end, static_cast<std::uint32_t>(hrefCount)});
        return hrefs[hrefCount++];
    };

    const RenderStatus status = ForEachShownLine(
        text.data(), length,
        [&](const ShownLine& line, StyleCode* cls) {
            const auto number = static_cast<std::uint32_t>(line.number);
            const std::size_t count = line.length;
            links.clear();
            hrefCount = 0;
            while (nextInclude < file.includes.size() && file.includes[nextInclude].line < number) ++nextInclude;
            for (; nextInclude < file.includes.size() && file.includes[nextInclude].line == number; ++nextInclude) {
                const SiteInclude& inc = file.includes[nextInclude];
                if (!includeHrefs[nextInclude].empty())
                    addLink(inc.column, inc.column + inc.length) = includeHrefs[nextInclude];
            }
            while (nextNamed < named.size() && file.definitions[named[nextNamed]].line < number) ++nextNamed;
            for (; nextNamed < named.size() && file.definitions[named[nextNamed]].line == number; ++nextNamed) {
                const SiteDefinition& d = file.definitions[named[nextNamed]];
                std::string& href = addLink(d.column, d.column + d.length);
                href = "../refs/" + file.page + "#" + catalog.UsesAnchor(SiteDefinitionRef{fileIndex, named[nextNamed]});
            }
            while (nextUse < file.uses.size() && file.uses[nextUse].line < number) ++nextUse;
            const std::size_t firstUse = nextUse;
            for (; nextUse < file.uses.size() && file.uses[nextUse].line == number; ++nextUse) {
                const SiteUse& use = file.uses[nextUse];
                CSiteMeaning::LinkOf(catalog, fileIndex, use, addLink(use.column, use.column + use.length));
                if (hrefs[hrefCount - 1].empty()) {  // a use that means nothing links nowhere
                    links.pop_back();
                    --hrefCount;
                }
            }
            if (lines && nextUse > firstUse) lines->Add(number, std::string_view(line.text, count));
            std::sort(links.begin(), links.end(), [](const Link& a, const Link& b) { return a.start < b.start; });
            std::size_t hrefBytes = 0;
            for (const Link& link : links) hrefBytes += hrefs[link.href].size() + 16;

            while (nextSkipped < file.skipped.size() && file.skipped[nextSkipped].last < number) ++nextSkipped;
            const std::string* skippedTitle =
                nextSkipped < file.skipped.size() && file.skipped[nextSkipped].first <= number ? &skippedTitles[nextSkipped]
                                                                                              : nullptr;
            const std::size_t need = 96 + hrefBytes + (skippedTitle ? skippedTitle->size() + 32 : 0) +
                                     count * CHtmlSpans::MostFor(1) +
                                     display::CShownText::SLACK;
            if (!out.Room(need, grow)) return false;
            if (utf8) display::SpreadLeadStyles(line.text, count, cls);
            const auto* s = reinterpret_cast<const unsigned char*>(line.text);
            char* w = out.End();
            char digits[10];
            const auto n = static_cast<std::size_t>(std::to_chars(digits, digits + sizeof digits, number).ptr - digits);
            if (skippedTitle) {
                w = Put(w, "<span class=\"l skipped\" title=\"");
                w = Put(w, *skippedTitle);
                w = Put(w, "\" id=\"L");
            } else {
                w = Put(w, "<span class=\"l\" id=\"L");
            }
            w = Put(w, std::string_view(digits, n));
            w = Put(w, "\"><a class=\"n\" href=\"#L");
            w = Put(w, std::string_view(digits, n));
            w = Put(w, "\"></a>");
            std::size_t i = 0;
            std::size_t next = 0;  // the next link
            bool inLink = false;
            while (i < count) {
                while (!inLink && next < links.size() && links[next].start < i) ++next;  // overlapping: dropped
                if (!inLink && next < links.size() && links[next].start == i && links[next].end <= count) {
                    const std::string& href = hrefs[links[next].href];
                    std::memcpy(w, "<a href=\"", 9);
                    w += 9;
                    std::memcpy(w, href.data(), href.size());
                    w += href.size();
                    *w++ = '"';
                    *w++ = '>';
                    inLink = true;
                }
                std::size_t boundary = count;
                if (inLink)
                    boundary = links[next].end;
                else if (next < links.size() && links[next].start > i)
                    boundary = links[next].start;
                const StyleCode run = cls[i];
                const std::size_t j = std::min(display::CShownText::RunEnd(cls, i + 1, run), boundary);
                w = spans.Write(w, shown, s + i, j - i, run);
                i = j;
                if (inLink && i == links[next].end) {
                    std::memcpy(w, kLinkEnd.data(), kLinkEnd.size());
                    w += kLinkEnd.size();
                    inLink = false;
                    ++next;
                }
            }
            std::memcpy(w, CHtmlSpans::SPAN_END.data(), CHtmlSpans::SPAN_END.size());
            w += CHtmlSpans::SPAN_END.size();
            out.Commit(w);
            return true;
        },
        nullptr);
    if (status == RenderStatus::OutOfMemory) {
        out.Free();
        return status;
    }
    std::string tail = "</pre>\n";
    if (status == RenderStatus::LongLine) {
        tail += "<p class=\"note\">";
        AppendEscapedHtml(tail, LongLineMessage());
        tail += " The text shown ends before it.</p>\n";
    }
    tail += "</main>\n</div>\n";
    tail += SITE_PAGE_END;
    if (!out.Append(tail)) {
        out.Free();
        return RenderStatus::OutOfMemory;
    }
    return status;
}
