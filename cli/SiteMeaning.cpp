#include "SiteMeaning.h"

#include "game/GameResolver.h"

#include <algorithm>

const std::vector<GameDefinitionRef>& CSiteMeaning::Of(std::uint32_t fileIndex, const GameWord& word)
{
    GameMeaning meaning = MeaningOfWord(m_game, fileIndex, word);
    // A property routine's own word (the before of `with before [;`) is a use of its
    // property here, the routine's list being the uses of the routine.
    bool itself = false;
    if (meaning.kind == GameMeaning::Name)
        for (const GameDefinitionRef& ref : meaning.definitions)
            itself = itself || (ref.file == fileIndex && m_game.Definition(ref).Offset() == word.offset &&
                                m_game.Definition(ref).Kind() == DefinitionKind::PropertyRoutine);
    m_last = itself ? RankedDefinitions(m_game, meaning.text) : std::move(meaning.definitions);
    return m_last;
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
