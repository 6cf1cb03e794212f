#pragma once
// Where the caret stands in a document, as completion and signature help need it,
// read from the lexer's classes of the lines before it (so that quoted text, dictionary
// words and comments are passed over as the colours show them).
//
// The places (the first that fits):
//  - Nothing: inside quoted text, a dictionary word or a comment;
//  - Property: right after '.' ("self.", "obj.");
//  - Action: right after "##" or '<', after "->" on a grammar line (one with '*');
//  - Attribute: after has or hasnt, and after give and its object;
//  - Class: after class (and the classes after it) or ofclass;
//  - Directive: outside routines where a directive may start (after ';' or at the top);
//  - Statement: inside a routine where a statement may start (after ';', '{', '}', a
//    label's ':', else or do); in a property routine a label (an action) may stand
//    there too;
//  - Expression: anywhere else.

#include "LspDocument.h"

#include <cstddef>
#include <string>

enum class CaretPlace { Nothing, Property, Action, Attribute, Class, Directive, Statement, Expression };

struct CaretContext {
    CaretPlace place = CaretPlace::Nothing;
    std::size_t prefixStart = 0;  // the name being typed: [prefixStart, caret)
    std::string prefix;
    std::string qualifier;        // Property: the word before the '.'
    bool inRoutine = false;
};

CaretContext ReadCaret(CLspDocument& document, std::size_t offset);

// The call the caret stands in: `Name(...` or `obj.prop(...`, and the argument it is on
// (the commas before it at the call's own depth).
struct CallAtCaret {
    bool found = false;
    std::size_t nameOffset = 0;  // of Name, or of prop
    std::string name;
    std::string qualifier;       // obj, for obj.prop(
    std::size_t argument = 0;
};

CallAtCaret FindCall(CLspDocument& document, std::size_t offset);
