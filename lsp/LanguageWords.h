#pragma once
// The words of Inform 6 itself that completion offers and rename refuses: the
// directives, the statements, and the words of expressions (with their operators).

#include <string_view>

extern const char* const g_directiveWords[];   // null-terminated
extern const char* const g_statementWords[];
extern const char* const g_expressionWords[];
extern const char* const g_operatorWords[];    // has, hasnt, in, notin, ofclass, provides, or, with, ...

// Whether word (without regard to case) is one of them.
bool IsLanguageWord(std::string_view word);
