#include "SiteIndexPages.h"

#include "SiteText.h"
#include "syntax/HtmlBuilder.h"

namespace {

constexpr const char* kSiteRules =
    "body { margin: 0; font-family: sans-serif; color: #000000; background-color: #ffffff; }\n"
    "header { position: sticky; left: 0; padding: 0.4em 1em; border-bottom: 1px solid #c0c0c0;\n"
    "  background-color: #f4f4f4; }\n"
    "header a { margin-right: 1em; }\n"
    "header h1 { display: inline; font-size: 1.1em; font-family: monospace; }\n"
    "h1, h2 { font-weight: bold; }\n"
    ".index h2 { font-size: 1.05em; margin: 1em 0 0.2em 0; }\n"
    ".site { display: flex; align-items: flex-start; }\n"
    "nav.outline { flex: none; width: 20em; max-height: calc(100vh - 3em); overflow: auto; position: sticky;\n"
    "  top: 0; left: 0; z-index: 1; padding: 0 0.5em; border-right: 1px solid #c0c0c0; font-size: 0.9em;\n"
    "  background-color: #ffffff; }\n"
    "nav.outline h2 { font-size: 1em; }\n"
    "nav.outline ul { list-style: none; margin: 0; padding-left: 0; }\n"
    "nav.outline ul ul { padding-left: 1.2em; }\n"
    "nav.outline li { white-space: nowrap; overflow: hidden; text-overflow: ellipsis; }\n"
    ".k { color: #808080; font-size: 0.85em; }\n"
    "main { flex: 1; min-width: 0; padding: 0 1em; }\n"
    "main pre.glossel { margin: 0.5em 0; counter-reset: line; }\n"
    ".glossel a { color: inherit; text-decoration: none; }\n"
    ".glossel .l > a:not(.n) { text-decoration: underline dotted #b0b0b0; }\n"
    ".glossel a:hover { text-decoration: underline; }\n"
    ".glossel .l { counter-increment: line; }\n"
    ".glossel .l:target { background-color: #fff3a0; }\n"
    ".glossel a.n { display: inline-block; width: 6ch; margin-right: 2ch; text-align: right; color: #a0a0a0;\n"
    "  user-select: none; }\n"
    ".glossel a.n::before { content: counter(line); }\n"
    ".note { color: #c00000; }\n"
    ".index, .names { padding: 0 1em 1em 1em; }\n"
    ".index ul { list-style: none; padding-left: 0; font-family: monospace; }\n"
    ".index .missing, .index .failed { color: #c00000; }\n"
    ".index .outside { color: #a05000; }\n"
    ".letters a { margin-right: 0.6em; }\n"
    ".names dt { font-family: monospace; font-weight: bold; margin-top: 0.4em; }\n"
    ".names dd { font-family: monospace; margin-left: 2em; }\n"
    "dt:target { background-color: #fff3a0; }\n";

std::string Shown(const std::string& bytes)
{
    return ShownUtf8(bytes, display::ChooseEncoding(bytes.data(), bytes.size()));
}

std::string Head(const char* title)
{
    std::string html = "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n"
                       "<meta name=\"generator\" content=\"glossel-render " GLOSSEL_VERSION_STRING "\">\n<title>";
    html += title;
    html += "</title>\n<link rel=\"stylesheet\" href=\"style.css\">\n</head>\n<body>\n";
    return html;
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
    std::string html = Head("Games");
    html += "<header><a href=\"names.html\">A to Z</a> <h1>Games</h1></header>\n<main class=\"index\">\n";
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
    std::string html = Head("A to Z");
    html += "<header><a href=\"index.html\">Games</a> <h1>A to Z</h1></header>\n<main class=\"names\">\n"
            "<p class=\"letters\">";
    char letter = 0;
    for (const CSiteCatalog::NameEntry& entry : catalog.Names()) {
        const char first = CSiteCatalog::NameLetter(entry.key);
        if (first == letter) continue;
        letter = first;
        const std::string id = first == '#' ? std::string("other") : std::string(1, first);
        html += "<a href=\"#letter-" + id + "\">" + std::string(1, first) + "</a>";
    }
    html += "</p>\n";
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
            html += "</span></dd>\n";
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
    css += kSiteRules;
    return css;
}
