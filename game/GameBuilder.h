#pragma once
// Builds a CGame (see Game.h): reads the main file, follows its includes depth first
// as the compiler does, reads again the files whose directives name a class that was
// found only after them, then numbers every definition in the compiler's order and
// indexes the names. Everything it holds is its own, so builds on several threads
// never meet.

#include "Game.h"

#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class CGameBuilder {
public:
    CGameBuilder(const GameInputs& inputs, const IGameFileSource& source) : m_inputs(inputs), m_source(source) {}

    // Throws std::bad_alloc when memory runs out.
    std::shared_ptr<const CGame> Build();

private:
    std::shared_ptr<CGameFile> Load(const std::string& path, std::vector<std::string>& directiveWords);
    void AddClasses(const CGameFile& file);
    void FollowIncludes(const CIncludeResolver& resolver);
    void ReadAgainForLaterClasses();
    void IndexNames();

    const GameInputs& m_inputs;
    const IGameFileSource& m_source;
    std::shared_ptr<CGame> m_game;
    std::vector<std::shared_ptr<CGameFile>> m_files;
    std::vector<std::vector<std::string>> m_directiveWords;  // of each file, folded and sorted
    std::vector<std::size_t> m_classesOwn;                   // the classes known once each file added its own
    std::vector<std::string> m_classes;                      // every class found, folded, in order
    std::unordered_set<std::string> m_classSet;
    std::unordered_map<std::string, std::uint32_t> m_byIdentity;
};
