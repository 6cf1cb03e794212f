#include "SitePage.h"

#include "SiteText.h"
#include "game/GameWords.h"
#include "syntax/HtmlSpans.h"
#include "syntax/ShownLines.h"
#include "syntax/StyleAttributes.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <unordered_map>

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
    const std::string* href;
};

// The links of one page's words: each distinct name is looked up once.
class CLinker {
public:
    CLinker(const CSiteCatalog& catalog, std::uint32_t file) : m_catalog(catalog), m_file(file) {}

    // The link of the word at line, column (its bytes word), or null.
    const std::string* For(std::string_view word, std::uint32_t line, std::uint32_t column)
    {
        char folded[MAX_LINE_LENGTH + 1];
        const std::size_t n = std::min<std::size_t>(word.size(), MAX_LINE_LENGTH);
        for (std::size_t i = 0; i < n; ++i) {
            const auto c = static_cast<unsigned char>(word[i]);
            folded[i] = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
        }
        const std::string_view key(folded, n);
        const CSiteCatalog::NameEntry* entry = m_catalog.FindName(key);
        if (!entry) return nullptr;
        const auto cached = m_links.find(entry);
        const Target* target;
        if (cached != m_links.end()) {
            target = &cached->second;
        } else {
            target = &m_links.emplace(entry, Resolve(*entry)).first->second;
        }
        if (target->href.empty()) return nullptr;
        // A definition's own name does not link to itself.
        if (target->single && target->line == line && target->column == column) return nullptr;
        return &target->href;
    }

private:
    struct Target {
        std::string href;  // empty: no link
        bool single = false;
        std::uint32_t line = 0;
        std::uint32_t column = 0;
    };

    Target Resolve(const CSiteCatalog::NameEntry& entry) const
    {
        Target target;
        const SiteDefinitionRef* first = nullptr;
        std::size_t count = 0;
        for (const SiteDefinitionRef& ref : entry.definitions) {
            if (!m_catalog.Reaches(m_file, ref)) continue;
            if (!first) first = &ref;
            if (++count > 1) break;
        }
        if (count == 0) return target;
        if (count > 1) {
            target.href = "../names.html#" + CSiteCatalog::NameAnchor(entry.key);
            return target;
        }
        const SiteDefinition& d = m_catalog.Definition(*first);
        target.href = (first->file == m_file ? std::string() : m_catalog.Files()[first->file].page) + "#L" +
                      std::to_string(d.line);
        if (first->file == m_file) {
            target.single = true;
            target.line = d.line;
            target.column = d.column;
        }
        return target;
    }

    const CSiteCatalog& m_catalog;
    std::uint32_t m_file;
    std::unordered_map<const CSiteCatalog::NameEntry*, Target> m_links;
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

std::string PageHead(const SiteFile& file)
{
    const std::string name = file.path.substr(file.path.find_last_of('/') + 1);
    std::string html =
        "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n"
        "<meta name=\"generator\" content=\"glossel-render " GLOSSEL_VERSION_STRING "\">\n<title>";
    AppendEscapedHtml(html, ShownUtf8(name, display::ChooseEncoding(name.data(), name.size())));
    html += "</title>\n<link rel=\"stylesheet\" href=\"../style.css\">\n</head>\n<body>\n"
            "<header><a href=\"../index.html\">Games</a> <a href=\"../names.html\">A to Z</a> <h1>";
    AppendEscapedHtml(html, ShownUtf8(file.shown, display::ChooseEncoding(file.shown.data(), file.shown.size())));
    html += "</h1></header>\n<div class=\"site\">\n<nav class=\"outline\">\n<h2>Outline</h2>\n";
    WriteOutline(file, html);
    html += "</nav>\n<main>\n<pre class=\"glossel\">\n";
    return html;
}

}  // namespace

RenderStatus WriteSitePage(const CSiteCatalog& catalog, std::uint32_t fileIndex, const std::string& text,
                           COutputBuffer& out)
{
    const SiteFile& file = catalog.Files()[fileIndex];
    const std::size_t length = ShownLength(text.data(), text.size());
    const display::CShownText shown(display::ChooseEncoding(text.data(), length), true);
    const bool utf8 = shown.GetEncoding() == display::Encoding::Utf8;

    const CHtmlSpans spans;

    out.Clear();
    const std::size_t grow = std::max<std::size_t>(length, 4096);
    if (!out.SetCapacity(grow * 2) || !out.Append(PageHead(file))) {
        out.Free();
        return RenderStatus::OutOfMemory;
    }

    CLinker linker(catalog, fileIndex);
    CGameWordCollector words;
    std::size_t nextInclude = 0;
    std::vector<Link> links;
    std::vector<std::string> includeHrefs(file.includes.size());
    for (std::size_t k = 0; k < file.includes.size(); ++k) {
        const std::uint32_t target = file.includes[k].target;
        if (target != SITE_NO_FILE && !catalog.Files()[target].unreadable) includeHrefs[k] = catalog.Files()[target].page;
    }

    const RenderStatus status = ForEachShownLine(
        text.data(), length,
        [&](const ShownLine& line, StyleCode* cls) {
            const auto number = static_cast<std::uint32_t>(line.number);
            const std::size_t count = line.length;
            // The line's links, in order: its Includes' names and its words.
            links.clear();
            std::size_t hrefBytes = 0;
            while (nextInclude < file.includes.size() && file.includes[nextInclude].line < number) ++nextInclude;
            std::size_t include = nextInclude;
            for (const GameWord& word : words.Words()) {
                for (; include < file.includes.size() && file.includes[include].line == number &&
                       file.includes[include].column < word.column;
                     ++include) {
                    const SiteInclude& inc = file.includes[include];
                    if (!includeHrefs[include].empty())
                        links.push_back(Link{inc.column, inc.column + inc.length, &includeHrefs[include]});
                }
                if (const std::string* href =
                        linker.For(std::string_view(line.text + word.column, word.length), number, word.column))
                    links.push_back(Link{word.column, word.column + word.length, href});
            }
            for (; include < file.includes.size() && file.includes[include].line == number; ++include) {
                const SiteInclude& inc = file.includes[include];
                if (!includeHrefs[include].empty())
                    links.push_back(Link{inc.column, inc.column + inc.length, &includeHrefs[include]});
            }
            for (const Link& link : links) hrefBytes += link.href->size() + 16;

            const std::size_t need = 96 + hrefBytes +
                                     count * CHtmlSpans::MostFor(1) +
                                     display::CShownText::SLACK;
            if (!out.Room(need, grow)) return false;
            if (utf8) display::SpreadLeadStyles(line.text, count, cls);
            const auto* s = reinterpret_cast<const unsigned char*>(line.text);
            char* w = out.End();
            char digits[10];
            const auto n = static_cast<std::size_t>(std::to_chars(digits, digits + sizeof digits, number).ptr - digits);
            w = Put(w, "<span class=\"l\" id=\"L");
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
                    const std::string& href = *links[next].href;
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
        &words);
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
    tail += "</main>\n</div>\n</body>\n</html>\n";
    if (!out.Append(tail)) {
        out.Free();
        return RenderStatus::OutOfMemory;
    }
    return status;
}
