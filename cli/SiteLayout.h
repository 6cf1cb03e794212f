#pragma once
// What every page of a source site shares: its head (the style sheet, and the search
// script that only a browser running scripts runs), its header (the links to the index
// and the A to Z, its heading, the search box that the script shows, and what the page
// adds there), and its end; and the site's own style rules. Every link is relative to
// the page: root is "" for a page at the site's top, "../" for one a folder below.

#include <string>
#include <string_view>

struct SitePageFrame {
    std::string_view title;    // UTF-8, escaped here
    std::string_view root;     // "" or "../"
    std::string_view heading;  // HTML: the header's <h1>
    std::string_view extra;    // HTML: more of the header (the A to Z's letters)
    std::string_view kind;     // the <html> element's class, after "page-": "source", "uses", "index", "names"
};

// The page up to the end of its header.
std::string SitePageStart(const SitePageFrame& frame);
inline constexpr std::string_view SITE_PAGE_END = "</body>\n</html>\n";

// The site's rules, after the styles' own in style.css.
extern const char* const SITE_STYLE_RULES;
