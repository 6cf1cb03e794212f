#include "SiteUsesPage.h"

#include "SiteLayout.h"
#include "SiteText.h"

#include <algorithm>

namespace {

constexpr std::size_t kPiece = 64 * 1024;
// A line's text is shown whole up to this many bytes; a longer one from a little before
// its first use on, to its last use at least.
constexpr std::size_t kMostShown = 160;
constexpr std::size_t kBeforeUse = 48;

void AppendShown(std::string& html, std::string_view bytes, display::Encoding encoding)
{
    // Printable ASCII and tabs, what lines mostly hold, stand as they are; a run of any
    // other bytes goes through the stand-ins every text output uses.
    const auto plain = [](char ch) { return (ch >= 0x20 && ch < 0x7F) || ch == '\t'; };
    for (std::size_t i = 0; i < bytes.size();) {
        std::size_t j = i;
        if (plain(bytes[i])) {
            while (j < bytes.size() && plain(bytes[j])) ++j;
            AppendEscapedHtml(html, bytes.substr(i, j - i));
        } else {
            while (j < bytes.size() && !plain(bytes[j])) ++j;
            AppendEscapedHtml(html, ShownUtf8(bytes.substr(i, j - i), encoding));
        }
        i = j;
    }
}

// A cut at i of a text of encoding, moved back to the start of its character.
std::size_t CharacterStart(std::string_view text, std::size_t i, display::Encoding encoding)
{
    if (encoding != display::Encoding::Utf8) return i;
    while (i > 0 && i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) --i;
    return i;
}

// The line's text without its leading blanks (cut around its first use when long), the
// uses (columns and lengths, in order) marked.
void AppendLine(std::string& html, std::string_view line, display::Encoding encoding,
                const std::vector<std::pair<std::uint32_t, std::uint32_t>>& marks)
{
    std::size_t from = 0;
    while (from < line.size() && (line[from] == ' ' || line[from] == '\t')) ++from;
    std::size_t to = line.size();
    if (!marks.empty()) from = std::min<std::size_t>(from, marks.front().first);
    if (to - from > kMostShown && !marks.empty()) {
        const std::size_t use = marks.front().first;
        if (use > from + kBeforeUse) from = CharacterStart(line, use - kBeforeUse, encoding);
        to = std::max<std::size_t>(CharacterStart(line, std::min(line.size(), from + kMostShown), encoding),
                                   marks.back().first + marks.back().second);
    }
    if (from > 0 && line.find_first_not_of(" \t") < from) html += "\xE2\x80\xA6";  // …
    std::size_t at = from;
    for (const auto& [column, length] : marks) {
        if (column < at || column + length > to) continue;
        AppendShown(html, line.substr(at, column - at), encoding);
        html += "<mark>";
        AppendShown(html, line.substr(column, length), encoding);
        html += "</mark>";
        at = column + length;
    }
    AppendShown(html, line.substr(at, to - at), encoding);
    if (to < line.size()) html += "\xE2\x80\xA6";
}

std::string Count(std::size_t n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

void CSiteLines::Add(std::uint32_t number, std::string_view line)
{
    if (!m_numbers.empty() && m_numbers.back() >= number) return;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    m_numbers.push_back(number);
    m_starts.push_back(static_cast<std::uint32_t>(m_text.size()));
    m_text += line;
}

std::string_view CSiteLines::Line(std::uint32_t number) const
{
    const auto at = std::lower_bound(m_numbers.begin(), m_numbers.end(), number);
    if (at == m_numbers.end() || *at != number) return {};
    const auto i = static_cast<std::size_t>(at - m_numbers.begin());
    const std::size_t end = i + 1 < m_starts.size() ? m_starts[i + 1] : m_text.size();
    return std::string_view(m_text).substr(m_starts[i], end - m_starts[i]);
}

void CSiteLines::Clear()
{
    *this = CSiteLines();
}

bool HasUsesPage(const SiteFile& file)
{
    return !file.unreadable && !file.definitions.empty();
}

void SiteUsesPage(const CSiteCatalog& catalog, std::uint32_t fileIndex, const std::vector<CSiteLines>& lines,
                  const SitePieces& put)
{
    const std::vector<SiteFile>& files = catalog.Files();
    const SiteFile& file = files[fileIndex];
    std::string heading = "Uses of the names of ";
    const std::string shown = ShownUtf8(file.shown, display::ChooseEncoding(file.shown.data(), file.shown.size()));
    AppendEscapedHtml(heading, shown);
    std::string html = SitePageStart(SitePageFrame{"Uses: " + shown, "../", heading, "", "uses"});
    html += "<main class=\"uses\">\n";
    std::vector<std::pair<std::uint32_t, std::uint32_t>> marks;
    for (std::uint32_t k = 0; k < file.definitions.size(); ++k) {
        const SiteDefinitionRef ref{fileIndex, k};
        const SiteDefinition& d = file.definitions[k];
        const std::span<const SiteUseRef> uses = catalog.UsesOf(ref);
        std::size_t usingFiles = 0;
        for (std::size_t i = 0; i < uses.size(); ++i)
            if (i == 0 || uses[i].file != uses[i - 1].file) ++usingFiles;
        html += "<section id=\"" + catalog.UsesAnchor(ref) + "\">\n<h2><a href=\"../src/" + file.page + "#L" +
                std::to_string(d.line) + "\">";
        AppendEscapedHtml(html, d.name);
        html += "</a> <span class=\"k\">";
        html += DefinitionKindName(d.kind);
        html += "</span> <span class=\"count\">";
        html += uses.empty() ? std::string("no uses")
                             : Count(uses.size(), "use", "uses") + " in " + Count(usingFiles, "file", "files");
        html += "</span></h2>\n";
        if (uses.empty()) html += "<p class=\"none\">No uses in the games.</p>\n";
        std::size_t listed = 0;
        for (std::size_t i = 0; i < uses.size();) {
            const std::uint32_t u = uses[i].file;
            const SiteFile& using_ = files[u];
            const bool open = listed < SITE_MOST_USE_LINES;
            if (open) {
                html += "<h3><a href=\"../src/" + using_.page + "\">";
                AppendShown(html, using_.shown, display::ChooseEncoding(using_.shown.data(), using_.shown.size()));
                html += "</a></h3>\n<ul>\n";
            }
            for (; i < uses.size() && uses[i].file == u;) {
                // One line once, every use of the name on it marked.
                const std::uint32_t number = using_.uses[uses[i].index].line;
                marks.clear();
                for (; i < uses.size() && uses[i].file == u && using_.uses[uses[i].index].line == number; ++i) {
                    const SiteUse& use = using_.uses[uses[i].index];
                    marks.emplace_back(use.column, use.length);
                }
                if (++listed > SITE_MOST_USE_LINES) continue;
                const std::string n = std::to_string(number);
                html += "<li><a href=\"../src/" + using_.page + "#L" + n + "\">" + n + "</a> ";
                AppendLine(html, lines[u].Line(number), using_.encoding, marks);
                html += "</li>\n";
                if (html.size() >= kPiece) {
                    put(html);
                    html.clear();
                }
            }
            if (open) html += "</ul>\n";
        }
        if (listed > SITE_MOST_USE_LINES)
            html += "<p class=\"none\">" + Count(listed - SITE_MOST_USE_LINES, "more line", "more lines") +
                    " not listed.</p>\n";
        html += "</section>\n";
        if (html.size() >= kPiece) {
            put(html);
            html.clear();
        }
    }
    html += "</main>\n";
    html += SITE_PAGE_END;
    put(html);
}
