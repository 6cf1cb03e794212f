#include "SiteLayout.h"

#include "SiteText.h"

// The header stays in view both ways; the outline below it, at its left; a line or a
// list reached by its anchor stands below the header, not under it (a margin of the
// anchored elements, not a padding of the page, which would scroll the page whenever
// the header's search box takes a key).
const char* const SITE_STYLE_RULES =
    ".l, dt, h2, section { scroll-margin-top: 3.4em; }\n"
    ".page-names dt, .page-names h2 { scroll-margin-top: 5.6em; }\n"
    "body { margin: 0; font-family: sans-serif; color: #000000; background-color: #ffffff; }\n"
    "header { position: sticky; top: 0; left: 0; z-index: 2; box-sizing: border-box; min-height: 2.8em;\n"
    "  padding: 0.4em 1em; border-bottom: 1px solid #c0c0c0; background-color: #f4f4f4;\n"
    "  display: flex; flex-wrap: wrap; align-items: center; column-gap: 1em; }\n"
    "header h1 { margin: 0; font-size: 1.1em; font-family: monospace; }\n"
    "header form.search { margin-left: auto; position: relative; }\n"
    "header form.search[hidden] { display: none; }\n"
    "header input { width: 18em; font-size: 0.95em; }\n"
    "header .letters { flex-basis: 100%; margin: 0.3em 0 0 0; }\n"
    "ol.found { position: absolute; right: 0; top: 100%; width: 34em; max-height: 70vh; overflow: auto;\n"
    "  margin: 2px 0 0 0; padding: 0; list-style: none; background-color: #ffffff; border: 1px solid #a0a0a0;\n"
    "  box-shadow: 0 2px 6px rgba(0, 0, 0, 0.2); font-size: 0.9em; }\n"
    "ol.found[hidden] { display: none; }\n"
    "ol.found li { padding: 0.15em 0.5em; white-space: nowrap; overflow: hidden; text-overflow: ellipsis; }\n"
    "ol.found li a { font-family: monospace; text-decoration: none; color: #000080; }\n"
    "ol.found li.chosen { background-color: #dde8ff; }\n"
    "ol.found li.more { color: #808080; }\n"
    "h1, h2 { font-weight: bold; }\n"
    ".index h2 { font-size: 1.05em; margin: 1em 0 0.2em 0; }\n"
    ".site { display: flex; align-items: flex-start; }\n"
    "nav.outline { flex: none; width: 20em; max-height: calc(100vh - 2.8em); overflow: auto; position: sticky;\n"
    "  top: 2.8em; left: 0; z-index: 1; padding: 0 0.5em; border-right: 1px solid #c0c0c0; font-size: 0.9em;\n"
    "  background-color: #ffffff; }\n"
    "nav.outline h2 { font-size: 1em; }\n"
    "nav.outline ul { list-style: none; margin: 0; padding-left: 0; }\n"
    "nav.outline ul ul { padding-left: 1.2em; }\n"
    "nav.outline li { white-space: nowrap; overflow: hidden; text-overflow: ellipsis; }\n"
    ".k { color: #808080; font-size: 0.85em; }\n"
    "main { flex: 1; min-width: 0; padding: 0 1em; }\n"
    "p.included { margin: 0.5em 0; font-size: 0.9em; }\n"
    "p.included a { font-family: monospace; }\n"
    "main pre.glossel { margin: 0.5em 0; counter-reset: line; }\n"
    ".glossel a { color: inherit; text-decoration: none; }\n"
    ".glossel .l > a:not(.n) { text-decoration: underline dotted #b0b0b0; }\n"
    ".glossel a:hover { text-decoration: underline; }\n"
    ".glossel .l { counter-increment: line; }\n"
    ".glossel .l.skipped { background-color: #ececec; box-shadow: inset 3px 0 #b8b8b8; }\n"
    ".glossel .l:target { background-color: #fff3a0; }\n"
    ".glossel a.n { display: inline-block; width: 6ch; margin-right: 2ch; text-align: right; color: #a0a0a0;\n"
    "  user-select: none; }\n"
    ".glossel a.n::before { content: counter(line); }\n"
    ".note { color: #c00000; }\n"
    ".index, .names, .uses { padding: 0 1em 1em 1em; }\n"
    ".index ul { list-style: none; padding-left: 0; font-family: monospace; }\n"
    ".index .missing, .index .failed { color: #c00000; }\n"
    ".index .outside { color: #a05000; }\n"
    ".letters a { margin-right: 0.6em; }\n"
    ".names dt { font-family: monospace; font-weight: bold; margin-top: 0.4em; }\n"
    ".names dd { font-family: monospace; margin-left: 2em; }\n"
    ".names dd a.u { font-family: sans-serif; font-size: 0.85em; margin-left: 0.5em; }\n"
    "dt:target, section:target > h2 { background-color: #fff3a0; }\n"
    ".uses section { margin-bottom: 1.2em; }\n"
    ".uses h2 { font-size: 1em; font-family: monospace; margin: 1em 0 0.2em 0; }\n"
    ".uses h2 .k, .uses h2 .count { font-family: sans-serif; font-weight: normal; }\n"
    ".uses .count { color: #606060; font-size: 0.85em; }\n"
    ".uses h3 { font-size: 0.9em; font-family: monospace; font-weight: normal; margin: 0.4em 0 0.1em 1em; }\n"
    ".uses ul { list-style: none; margin: 0; padding-left: 2em; }\n"
    ".uses li { font-family: monospace; white-space: pre; }\n"
    ".uses li > a { display: inline-block; min-width: 6ch; text-align: right; margin-right: 1.5ch; }\n"
    ".uses mark { background-color: #ffe070; }\n"
    ".uses p.none { margin: 0.2em 0 0 2em; color: #808080; font-size: 0.9em; }\n";

std::string SitePageStart(const SitePageFrame& frame)
{
    std::string html = "<!DOCTYPE html>\n<html class=\"page-";
    html += frame.kind;
    html += "\">\n<head>\n<meta charset=\"utf-8\">\n"
            "<meta name=\"generator\" content=\"glossel-render " GLOSSEL_VERSION_STRING "\">\n<title>";
    AppendEscapedHtml(html, frame.title);
    html += "</title>\n<link rel=\"stylesheet\" href=\"";
    html += frame.root;
    html += "style.css\">\n<script src=\"";
    html += frame.root;
    html += "search.js\" defer></script>\n</head>\n<body>\n<header><a href=\"";
    html += frame.root;
    html += "index.html\">Games</a> <a href=\"";
    html += frame.root;
    html += "names.html\">A to Z</a> <h1>";
    html += frame.heading;
    html += "</h1>\n<form class=\"search\" role=\"search\" hidden><input type=\"search\" placeholder=\"Find a name\" "
            "aria-label=\"Find a name\" autocomplete=\"off\" spellcheck=\"false\"><ol class=\"found\" hidden></ol></form>\n";
    html += frame.extra;
    html += "</header>\n";
    return html;
}
