#pragma once
// The page of the uses of one file's names (refs/ beside src/ in a source site): for
// each of its definitions in text order, a section (its anchor: CSiteCatalog::
// UsesAnchor) with the definition linked to its line, then every use of its name
// across the games (SiteMeaning.h), grouped by file in the order of their paths, each
// line once with its number linked to it and its text, the uses on it marked. A file
// read by several games has one such page, whatever reads it.
//
// The lines' texts come from SiteLines, gathered while the files' own pages are
// written (the catalog holds no text).

#include "SiteCatalog.h"
#include "SiteIndexPages.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The lines of one file that hold uses of names: their bytes as loaded.
class CSiteLines {
public:
    void Add(std::uint32_t number, std::string_view line);
    // The line's bytes, or "" when it was not added.
    std::string_view Line(std::uint32_t number) const;
    void Clear();

private:
    std::vector<std::uint32_t> m_numbers;  // in order
    std::vector<std::uint32_t> m_starts;   // into m_text, one per number
    std::string m_text;
};

// At most this many lines are listed for one definition; the rest are counted.
inline constexpr std::size_t SITE_MOST_USE_LINES = 5000;

// Hands the page of file's uses to put in pieces; lines[f] holds file f's lines.
void SiteUsesPage(const CSiteCatalog& catalog, std::uint32_t file, const std::vector<CSiteLines>& lines,
                  const SitePieces& put);
// Whether file has a page of uses (it has definitions).
bool HasUsesPage(const SiteFile& file);
