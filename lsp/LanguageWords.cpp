#include "LanguageWords.h"

#include "syntax/CharClass.h"

const char* const g_directiveWords[] = {
    "Abbreviate", "Array", "Attribute", "Class", "Constant", "Default", "Dictionary", "End", "Endif", "Extend",
    "Fake_action", "Global", "Ifdef", "Ifndef", "Ifnot", "Ifv3", "Ifv5", "Iftrue", "Iffalse", "Import", "Include",
    "Link", "Lowstring", "Message", "Nearby", "Object", "Origsource", "Property", "Release", "Replace", "Serial",
    "Switches", "Statusline", "Stub", "System_file", "Trace", "Undef", "Verb", "Version", "Zcharacter", nullptr,
};
const char* const g_statementWords[] = {
    "box", "break", "continue", "do", "font", "for", "give", "if", "inversion", "jump", "move", "new_line",
    "objectloop", "print", "print_ret", "quit", "read", "remove", "restore", "return", "rfalse", "rtrue", "save",
    "spaces", "string", "style", "switch", "while", "else", "until", "default", nullptr,
};
const char* const g_expressionWords[] = {
    "true", "false", "nothing", "self", "child", "children", "parent", "sibling", "elder", "eldest", "younger",
    "youngest", "metaclass", "random", "indirect", nullptr,
};
const char* const g_operatorWords[] = {
    "has", "hasnt", "in", "notin", "ofclass", "provides", "or", "to", "with", "private", "class", nullptr,
};

bool IsLanguageWord(std::string_view word)
{
    for (const char* const* list : {g_directiveWords, g_statementWords, g_expressionWords, g_operatorWords})
        for (; *list; ++list)
            if (charclass::EqualsFolded(word, *list)) return true;
    return false;
}
