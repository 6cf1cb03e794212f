#pragma once
// What a word at a place of a game means, and which definition the compiler uses: the
// one resolver that the viewer (Go to Definition, its link, Find References), the
// language server (definition, references, highlights, hover, rename, call hierarchy,
// signature help, completion), the site's links and the tag files all ask.
//
// A place is, in this order:
//  - anywhere on the lines of an Include directive: that include;
//  - a local variable (or argument) of the routine it stands in, when that routine's
//    header names it (and it is not a property after '.' or an action after "##");
//    its uses are the words of that name in that routine;
//  - an action: after "##"; or its routine (TakeSub for Take) or a fake action exists
//    and it stands after '<' or "<<", after "->" on a grammar line (one with '*'), or
//    as a label of a property routine ("Take:", "Take, Drop:"); a routine XSub is the
//    action X too. Its definitions are XSub's, then the fake action X's; its uses are
//    the uses of XSub and those of X in those places;
//  - a property routine's property after "obj." ("lamp.before"), or where the routine
//    is given to it (the before of `with before [; ...`); after "obj." with no such
//    routine, the property;
//  - any other name the game defines (the second name of `Replace X Y` too), or none;
//    a word that is itself a definition's name and finds nothing else means that
//    definition.
// Definitions are ranked: the one the compiler uses first (of several compiled, the last
// of a Replace, which calls reach), then the others it compiles, then those that give
// way (Stub, Default) and Replace directives, then those it does not compile; each group in the compiler's
// reading order. A place in code the compiler skips means what it would mean there, and
// says that it is skipped.

#include "game/Game.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct GameMeaning {
    enum Kind { None, Name, Local, Action, Include };
    Kind kind = None;
    bool skipped = false;    // the place lies in code the compiler skips
    GameWord word{};         // the word at the place
    std::string text;        // its text
    std::string key;         // the name definitions are found by ("lamp.before", "TakeSub")
    std::string action;      // Action: the action's name ("Take")
    std::vector<GameDefinitionRef> definitions;  // ranked
    const GameInclude* include = nullptr;         // Include
    // Local: the routine (file, its start and end) and the local's word in its header.
    std::uint32_t file = NO_FILE;
    std::uint64_t routineStart = 0;
    std::uint64_t routineEnd = 0;
    GameWord local{};
};

// A routine's locals as its header names them.
struct RoutineHeader {
    std::uint64_t open = 0;            // its '['
    std::uint64_t end = 0;             // just after the ';' that ends the header
    std::vector<GameWord> locals;
};

GameMeaning MeaningAt(const CGame& game, std::uint32_t file, std::uint64_t offset);
// What a word of file (one of its words, as CGameFile::ForEachWord gives them) means.
GameMeaning MeaningOfWord(const CGame& game, std::uint32_t file, const GameWord& word);
// Every use of what meaning means (its definitions' names included), in game order.
std::vector<GameReference> UsesOf(const CGame& game, const GameMeaning& meaning);
// The definitions of a name, ranked as above.
std::vector<GameDefinitionRef> RankedDefinitions(const CGame& game, std::string_view name);
// Sorts definitions into the ranked order (stable: the compiler's order within a rank).
void RankDefinitions(const CGame& game, std::vector<GameDefinitionRef>& definitions);
// The rank of one definition: 0 the one the compiler uses, 1 compiled but superseded,
// 2 gives way (a Stub or Default another definition took the place of) or names a routine
// (a Replace directive), 3 not compiled.
int RankOf(const GameDefinition& definition);

// The routine or property routine of file whose body holds offset (its definition's
// index), or false.
bool EnclosingRoutine(const CGame& game, std::uint32_t file, std::uint64_t offset, std::uint32_t& index);
// The name of the object or class of file whose definition holds offset, or "".
std::string EnclosingObject(const CGame& game, std::uint32_t file, std::uint64_t offset);
// The header of a routine or property routine definition.
RoutineHeader HeaderOf(const CGame& game, const GameDefinitionRef& ref);
// Whether the word at offset of text is followed (blanks passed over) by '('.
bool IsCalled(std::string_view text, std::uint64_t end);
// Whether the definition is of a kind that runs (routine, property routine, stub, replace).
bool IsRoutineKind(DefinitionKind kind);
// Whether a name ends in Sub (in any case) after something: the form of an action's routine.
bool EndsWithSub(std::string_view name);
