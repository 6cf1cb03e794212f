#pragma once
// The pages at the top of a source site (SiteCatalog.h, SitePage.h): the index of its
// games (index.html: each game's files in the order it reads them, indented under the
// file that includes them, each linked to its page, with the includes that were not
// found and the files that could not be read), the A to Z of every definition
// (names.html: names in order, grouped by their first letter, each with the file, line
// and kind of each of its definitions, linked to its line), and the style sheet of all
// pages (style.css: the HTML format's colours, then the layout). Every link is relative.

#include "SiteCatalog.h"

#include <functional>
#include <string>
#include <string_view>

class CSyntaxStyleMap;

// Receives a page a piece at a time, in order.
using SitePieces = std::function<void(std::string_view)>;

std::string SiteIndexPage(const CSiteCatalog& catalog);
// The A to Z is handed to put in pieces of some tens of kilobytes: it lists every
// definition of every game, and is never whole in memory.
void SiteNamesPage(const CSiteCatalog& catalog, const SitePieces& put);
// Empty when memory runs out.
std::string SiteStyleSheet(const CSyntaxStyleMap& styles);
