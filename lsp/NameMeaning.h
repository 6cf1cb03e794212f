#pragma once
// What a name at a place of a game means: the one place where the server decides it,
// for definition, references, highlights, hover, rename, call hierarchy, signature
// help and completion alike.
//
// A word at a place is, in this order:
//  - a local variable (or argument) of the routine it stands in, when that routine's
//    header names it (and it is not a property after '.' or an action after "##");
//    its uses are the words of that name in that routine;
//  - an action: after "##"; or its routine (TakeSub for Take) or a fake action exists
//    and it stands after '<' or "<<", after "->" on a grammar line (one with '*'), or
//    as a label of a property routine ("Take:", "Take, Drop:"); a routine XSub is the
//    action X too. Its uses are the uses of XSub and those of X in those places;
//  - a property routine's property after "obj." ("lamp.before"), or where the routine
//    is given to it (the before of `with before [; ...`);
//  - any other name the game defines, or none.
// Definitions come in the compiler's reading order.

#include "game/Game.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct NameMeaning {
    enum Kind { None, Name, Local, Action };
    Kind kind = None;
    GameWord word{};         // the word at the place
    std::string text;        // its text
    std::string key;         // the name definitions are found by ("lamp.before", "TakeSub")
    std::string action;      // Action: the action's name ("Take")
    std::vector<GameDefinitionRef> definitions;
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

NameMeaning MeaningAt(const CGame& game, std::uint32_t file, std::uint64_t offset);
// Every use of what meaning means (its definitions' names included), in game order.
std::vector<GameReference> UsesOf(const CGame& game, const NameMeaning& meaning);

// The routine or property routine of file whose body holds offset (its definition's
// index), or false.
bool EnclosingRoutine(const CGame& game, std::uint32_t file, std::uint64_t offset, std::uint32_t& index);
// The header of a routine or property routine definition.
RoutineHeader HeaderOf(const CGame& game, const GameDefinitionRef& ref);
// Whether the word at offset of text is followed (blanks passed over) by '('.
bool IsCalled(std::string_view text, std::uint64_t end);
// Whether the definition is of a kind that runs (routine, property routine, stub, replace).
bool IsRoutineKind(DefinitionKind kind);
