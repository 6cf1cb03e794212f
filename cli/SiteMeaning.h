#pragma once
// What names mean on a source site, decided here and nowhere else: which definitions a
// use of a name means (read off each game while it is whole), whether a definition's
// own name stands for its list of uses, where a use's link leads, and in what order a
// name's definitions are listed (the A to Z, the search index).
//
// A use means what the game's resolver says it means (game/GameResolver.h: a local
// means no definition, ##Take means TakeSub, "lamp.before" lamp's property routine,
// the definition the compiler uses first). A use in a file that several games read means what it means in
// any of them (SiteCatalog.h merges them). A use whose name has one definition links to
// its line; one whose name has several, to the name's entry in the A to Z. A
// definition's own name links to its list of uses, except a property routine's, which
// is a use of its property. A name's definitions are listed in the order of their files'
// paths, then of their lines.

#include "SiteCatalog.h"

#include <string>
#include <string_view>
#include <vector>

class CSiteMeaning {
public:
    explicit CSiteMeaning(const CGame& game) : m_game(game) {}

    // The definitions that word (a use in file fileIndex of the game) means, as the
    // game's resolver ranks them; empty when it means none. Kept until the next call.
    const std::vector<GameDefinitionRef>& Of(std::uint32_t fileIndex, const GameWord& word);

    // Whether the definition's own name is a link to its list of uses (false: it is a use).
    static bool NamesItsUses(const SiteDefinition& definition);
    // The link of a use in file of the site.
    static void LinkOf(const CSiteCatalog& catalog, std::uint32_t file, const SiteUse& use, std::string& href);
    // Sorts the definitions of one name into the order they are listed in.
    static void Order(const CSiteCatalog& catalog, std::vector<SiteDefinitionRef>& definitions);

private:
    const CGame& m_game;
    std::vector<GameDefinitionRef> m_last;
};
