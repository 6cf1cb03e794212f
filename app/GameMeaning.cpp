#include "GameMeaning.h"

#include <algorithm>

GameMeaning MeaningAt(const CGame& game, std::uint32_t file, std::uint64_t offset)
{
    GameMeaning meaning;
    if (file >= game.FileCount()) return meaning;
    const GamePlace at = game.WhatIsAt(file, offset);
    const CGameFile& text = game.File(file);
    if (at.kind == GamePlace::Include) {
        meaning.kind = GameMeaning::Include;
        meaning.include = &text.Includes()[at.include];
        return meaning;
    }
    if (at.kind != GamePlace::Name) return meaning;
    meaning.kind = GameMeaning::Name;
    meaning.word = at.word;
    meaning.usesOf = at.qualified.empty() ? at.name : at.qualified;
    std::vector<GameDefinitionRef>& found = meaning.definitions;
    if (!at.qualified.empty()) {
        meaning.name = at.qualified;
        found = game.FindDefinitions(meaning.name);
    }
    if (found.empty()) {
        meaning.name = at.name;
        found = game.FindDefinitions(meaning.name);
    }
    // An action (##Take) is carried out by its routine (TakeSub).
    const std::string_view bytes(text.Text());
    if (found.empty() && at.word.offset >= 2 && bytes.substr(at.word.offset - 2, 2) == "##") {
        found = game.FindDefinitions(at.name + "Sub");
        if (!found.empty()) meaning.name = at.name + "Sub";
    }
    // The name a definition is made by (a property's name where its object gives it a
    // routine): that definition itself.
    const std::vector<GameDefinition>& own = text.Definitions();
    for (std::uint32_t i = 0; found.empty() && i < own.size(); ++i)
        if (own[i].Line() == at.word.line && own[i].Column() == at.word.column) {
            found.push_back(GameDefinitionRef{file, i});
            meaning.name = text.FullNameOf(own[i]);
        }
    // Those that count first; Stub and Default give way to any other.
    std::stable_partition(found.begin(), found.end(),
                          [&](const GameDefinitionRef& ref) { return !game.Definition(ref).GivesWay(); });
    return meaning;
}
