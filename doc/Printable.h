#pragma once
// Text for a one-line message on a terminal, from bytes that came from outside (a file
// name, an argument): control bytes, which could break the line or drive the terminal,
// are written as escapes (\n, \t, \r, \xHH); every other byte, UTF-8 or not, stays as
// it is, so a name reads as the system knows it.

#include <string>
#include <string_view>

std::string PrintableForTerminal(std::string_view bytes);
