#include "SiteMeaning.h"

#include "syntax/CharClass.h"

#include <algorithm>

const std::vector<GameDefinitionRef>& CSiteMeaning::Lookup(std::string_view name)
{
    const std::uint32_t hash = HashFoldedName(name);
    std::size_t mask = m_table.size() - 1;
    std::size_t slot = hash & mask;
    for (; m_table[slot]; slot = (slot + 1) & mask) {
        const Found& found = m_found[m_table[slot] - 1];
        if (found.hash == hash && charclass::EqualsFolded(found.name, name)) return found.definitions;
    }
    m_found.push_back(Found{hash, std::string(name), m_game.FindDefinitions(name)});
    m_table[slot] = static_cast<std::uint32_t>(m_found.size());
    if (m_found.size() * 2 > m_table.size()) {  // grown past half full: twice the room
        m_table.assign(m_table.size() * 2, 0);
        mask = m_table.size() - 1;
        for (std::uint32_t i = 0; i < static_cast<std::uint32_t>(m_found.size()); ++i) {
            std::size_t at = m_found[i].hash & mask;
            while (m_table[at]) at = (at + 1) & mask;
            m_table[at] = i + 1;
        }
    }
    return m_found.back().definitions;
}

const std::vector<GameDefinitionRef>& CSiteMeaning::Of(std::uint32_t fileIndex, const GameWord& word)
{
    static const std::vector<GameDefinitionRef> kNone;
    const std::string_view text(m_game.File(fileIndex).Text());
    if (word.offset + word.length > text.size()) return kNone;  // words of a file that changed since
    const std::string_view name = text.substr(word.offset, word.length);
    // "lamp.before": lamp's property routine, when there is one.
    if (word.offset >= 2 && text[word.offset - 1] == '.') {
        std::uint64_t start = word.offset - 1;
        while (start > 0 && charclass::IsWordChar(static_cast<unsigned char>(text[start - 1]))) --start;
        if (start < word.offset - 1) {
            const std::vector<GameDefinitionRef>& routine = Lookup(text.substr(start, word.offset + word.length - start));
            if (!routine.empty()) return routine;
        }
    }
    return Lookup(name);
}

bool CSiteMeaning::NamesItsUses(const SiteDefinition& definition)
{
    return definition.kind != DefinitionKind::PropertyRoutine;
}

void CSiteMeaning::LinkOf(const CSiteCatalog& catalog, std::uint32_t file, const SiteUse& use, std::string& href)
{
    href.clear();
    if (use.count == 0) return;
    const std::vector<SiteDefinitionRef>& targets = catalog.Files()[file].useTargets;
    const SiteDefinitionRef& first = targets[use.first];
    if (use.count > 1) {
        href = "../names.html#";
        href += CSiteCatalog::NameAnchor(catalog.Definition(first).key);
        return;
    }
    if (first.file != file) href = catalog.Files()[first.file].page;
    href += "#L";
    href += std::to_string(catalog.Definition(first).line);
}

void CSiteMeaning::Order(const CSiteCatalog& catalog, std::vector<SiteDefinitionRef>& definitions)
{
    std::sort(definitions.begin(), definitions.end(), [&](const SiteDefinitionRef& a, const SiteDefinitionRef& b) {
        if (a.file != b.file) return catalog.PathRank(a.file) < catalog.PathRank(b.file);
        return a.index < b.index;
    });
}
