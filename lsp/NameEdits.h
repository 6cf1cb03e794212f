#pragma once
// Rename (prepareRename and rename) and the call hierarchy: answers about a name that
// reach across the game, from what it means (game/GameResolver.h).
//
// Rename: a name the game defines in a file inside the workspace (or a routine's
// local), renamed at its definitions and at every use, across the game's files, as one
// workspace edit (with the open documents' versions where the client takes them).
// Refused, with a message: no name at the place, a word of the language, a name
// defined or used outside the workspace (the library in /usr/share), a property (its
// name is every object's), and a new name that is not an Inform identifier, is a word
// of the language, or already names something in the game. An action renames its
// routine too (Take and TakeSub). Words in quoted text, dictionary words and comments
// are never uses, so never touched.
//
// Call hierarchy: a routine or property routine; its incoming calls are the uses of
// its name followed by '(' (for a property routine: `obj.prop(`, and `self.prop(` in
// obj), grouped by the routine they stand in; its outgoing calls are the names
// followed by '(' in its body that name a routine.

#include "GameAnswers.h"

#include <nlohmann/json.hpp>

#include <functional>
#include <string>
#include <vector>

class CNameEdits {
public:
    using Json = nlohmann::json;
    // The version of the open document of a path, or -1.
    using Versions = std::function<std::int64_t(const std::string& path)>;

    CNameEdits(CGameAnswers& answers, std::vector<std::string> roots, Versions versions)
        : m_answers(answers), m_roots(std::move(roots)), m_versions(std::move(versions))
    {
    }

    // Null result and a message when refused.
    Json PrepareRename(std::uint32_t file, std::uint64_t offset, std::string& refusal);
    Json Rename(std::uint32_t file, std::uint64_t offset, const std::string& newName, bool documentChanges,
                std::string& refusal);

    Json PrepareCallHierarchy(std::uint32_t file, std::uint64_t offset);
    Json IncomingCalls(const Json& item);
    Json OutgoingCalls(const Json& item);

private:
    bool Inside(const std::string& path) const;
    Json Item(const GameDefinitionRef& ref);
    bool FindItem(const Json& item, GameDefinitionRef& ref);

    CGameAnswers& m_answers;
    std::vector<std::string> m_roots;
    Versions m_versions;
};
