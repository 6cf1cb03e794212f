#pragma once
// The search of a source site: the index of its names (search-index.js: every
// definition of the A to Z, in its order, with its kind, file and line) and the script
// (search.js) that every page loads and that alone shows the page's search box. As the
// reader types, the box lists the definitions whose names begin with what is typed,
// then those that hold it, without regard to case, each with its kind and file; Enter
// goes to the one chosen (the first unless the arrow keys chose another), Escape
// closes the list. The index is loaded as a script (not fetched), on the box's first
// use, so that the site works from disk as from any server; links stay relative.
// Without scripts the box is never shown, and the A to Z is the way.

#include "SiteCatalog.h"
#include "SiteIndexPages.h"

#include <string_view>

// search-index.js, in pieces: one call, glosselNames({kinds, files, names}), where
// kinds are the kinds' names, files [shown path, page] pairs, and names [name, kind,
// file, line] rows (kind and file as indexes into those lists).
void SiteSearchIndex(const CSiteCatalog& catalog, const SitePieces& put);
// search.js.
std::string_view SiteSearchScript();
