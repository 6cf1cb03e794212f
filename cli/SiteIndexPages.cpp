#include "SiteIndexPages.h"

#include "SiteLayout.h"
#include "SiteText.h"
#include "syntax/HtmlBuilder.h"

namespace {

std::string Shown(const std::string& bytes)
{
    return ShownUtf8(bytes, display::ChooseEncoding(bytes.data(), bytes.size()));
}

constexpr const char* kTail = "</main>\n</body>\n</html>\n";

void FileLink(const SiteFile& file, std::string& html)
{
    if (file.unreadable) {
        AppendEscapedHtml(html, Shown(file.shown));
        return;
    }
    html += "<a href=\"src/" + file.page + "\">";
    AppendEscapedHtml(html, Shown(file.shown));
    html += "</a>";
}

std::string Indent(std::uint32_t depth)
{
    return depth ? " style=\"padding-left: " + std::to_string(depth * 2) + "em\"" : std::string();
}

void WriteGame(const CSiteCatalog& catalog, const SiteGame& game, std::string& html)
{
    const std::vector<SiteFile>& files = catalog.Files();
    const std::string& main = game.files.empty() ? game.mainPath : files[game.files.front().file].shown;
    html += "<section>\n<h2>";
    AppendEscapedHtml(html, Shown(main.substr(main.find_last_of('/') + 1)));
    html += "</h2>\n<ul>\n";
    for (const SiteGame::Entry& entry : game.files) {
        const SiteFile& file = files[entry.file];
        html += "<li" + Indent(entry.depth) + ">";
        FileLink(file, html);
        // Whoever publishes the site sees what it takes from outside the game's folder.
        if (entry.outside) {
            html += " <span class=\"outside\">outside the game's folder: ";
            AppendEscapedHtml(html, Shown(file.realPath));
            html += "</span>";
        }
        if (file.unreadable) {
            html += " <span class=\"failed\">cannot be read: ";
            AppendEscapedHtml(html, file.failure);
            html += "</span>";
        }
        html += "</li>\n";
        for (const SiteInclude& include : file.includes) {
            if (include.status == IncludeStatus::Missing) {
                html += "<li class=\"missing\"" + Indent(entry.depth + 1) + ">Include \"";
                AppendEscapedHtml(html, include.name);
                html += "\" (line " + std::to_string(include.line) + "): not found</li>\n";
            }
        }
    }
    html += "</ul>\n</section>\n";
}

}  // namespace

std::string SiteIndexPage(const CSiteCatalog& catalog)
{
    std::string html = SitePageStart(SitePageFrame{"Games", "", "Games", "", "index"});
    html += "<main class=\"index\">\n";
    bool alone = false;
    for (const SiteGame& game : catalog.Games()) {
        if (!game.added) continue;
        if (game.standalone && !alone) {
            html += "<h2>Files that no game includes</h2>\n";
            alone = true;
        }
        WriteGame(catalog, game, html);
    }
    html += kTail;
    return html;
}

void SiteNamesPage(const CSiteCatalog& catalog, const SitePieces& put)
{
    constexpr std::size_t kPiece = 64 * 1024;
    const std::vector<SiteFile>& files = catalog.Files();
    // The letters stand in the header, in view wherever the page is scrolled to.
    std::string letters = "<p class=\"letters\">";
    char letter = 0;
    for (const CSiteCatalog::NameEntry& entry : catalog.Names()) {
        const char first = CSiteCatalog::NameLetter(entry.key);
        if (first == letter) continue;
        letter = first;
        const std::string id = first == '#' ? std::string("other") : std::string(1, first);
        letters += "<a href=\"#letter-" + id + "\">" + std::string(1, first) + "</a>";
    }
    letters += "</p>\n";
    std::string html = SitePageStart(SitePageFrame{"A to Z", "", "A to Z", letters, "names"});
    html += "<main class=\"names\">\n";
    letter = 0;
    for (const CSiteCatalog::NameEntry& entry : catalog.Names()) {
        const char first = CSiteCatalog::NameLetter(entry.key);
        if (first != letter) {
            if (letter) html += "</dl>\n";
            letter = first;
            const std::string id = first == '#' ? std::string("other") : std::string(1, first);
            html += "<h2 id=\"letter-" + id + "\">" + std::string(1, first) + "</h2>\n<dl>\n";
        }
        html += "<dt id=\"" + CSiteCatalog::NameAnchor(entry.key) + "\">";
        AppendEscapedHtml(html, catalog.Definition(entry.definitions.front()).name);
        html += "</dt>\n";
        for (const SiteDefinitionRef& ref : entry.definitions) {
            const SiteFile& file = files[ref.file];
            const SiteDefinition& d = catalog.Definition(ref);
            const std::string line = std::to_string(d.line);
            html += "<dd><a href=\"src/" + file.page + "#L" + line + "\">";
            AppendEscapedHtml(html, Shown(file.shown));
            html += ":" + line + "</a> <span class=\"k\">";
            html += DefinitionKindName(d.kind);
            html += "</span>";
            const std::size_t uses = catalog.UsesOf(ref).size();
            html += " <a class=\"u\" href=\"refs/" + file.page + "#" + catalog.UsesAnchor(ref) + "\">";
            html += uses == 0 ? std::string("no uses") : uses == 1 ? std::string("1 use") : std::to_string(uses) + " uses";
            html += "</a></dd>\n";
        }
        if (html.size() >= kPiece) {
            put(html);
            html.clear();
        }
    }
    if (letter) html += "</dl>\n";
    html += kTail;
    put(html);
}

std::string SiteStyleSheet(const CSyntaxStyleMap& styles)
{
    COutputBuffer sheet;
    if (!CHtmlBuilder::BuildStyleSheet(styles, sheet)) return std::string();
    std::string css(sheet.View());
    css += SITE_STYLE_RULES;
    return css;
}
