#pragma once
// Help while writing code: completion (and the resolve of an item) and signature help.
//
// Completion offers, narrowed by the caret's place (CaretContext.h) and matched as a
// prefix without regard to case: the names the game defines (properties after '.',
// attributes after has, hasnt and give, actions after "##", '<', "->" and as labels in
// property routines, classes after class and ofclass), the routine's own locals, and
// the words of the language (directive words where a directive may start, statement
// words where a statement may start); nothing inside quoted text, dictionary words or
// comments. Each item has its kind, and where it is defined as its detail; the game's
// own names come before the library's. Resolving an item adds, as its documentation,
// the comment just above its definition and the definition's line.
//
// Signature help inside `Name(...` or `obj.prop(...`: each definition's header
// (`[ Name a b c;`, all its locals as parameters), its comment, and the argument the
// caret is on.

#include "GameAnswers.h"
#include "LspDocument.h"

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

inline constexpr std::size_t COMPLETION_LIMIT = 500;

class CCodeHelp {
public:
    using Json = nlohmann::json;

    // roots: the workspace's folders (a definition outside them is the library's).
    CCodeHelp(CGameAnswers& answers, std::vector<std::string> roots) : m_answers(answers), m_roots(std::move(roots)) {}

    // The caret at documentOffset of document, which is the game's file at gameOffset.
    Json Completion(CLspDocument& document, std::size_t documentOffset, std::uint32_t file, std::uint64_t gameOffset);
    Json SignatureHelp(CLspDocument& document, std::size_t documentOffset, std::uint32_t file, std::uint64_t gameOffset);

    // The item with its documentation, read from source (the data the item was given).
    static Json Resolve(Json item, const IGameFileSource& source);
    // The comment just above line (from 1) of text: its lines without their '!', rules
    // of dashes and the like left out; "" when there is none.
    static std::string CommentAbove(std::string_view text, std::uint64_t line);

private:
    bool IsLibrary(const std::string& path) const;

    CGameAnswers& m_answers;
    std::vector<std::string> m_roots;
};
