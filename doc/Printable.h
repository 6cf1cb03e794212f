#pragma once
// Text for a one-line message on a terminal, from bytes that came from outside (a file
// name, an argument): the characters that could break the line, drive the terminal or
// reorder what it shows are written as escapes (syntax/ControlEscapes.h: \n, \t, \r,
// \xHH for the other C0 controls and DEL, \uHHHH for a C1 or bidirectional control in
// UTF-8). Of the bytes that are no well-formed UTF-8, those from 0x80 to 0x9F (which a
// terminal of 8-bit controls would obey) are \xHH; every other byte, UTF-8 or not,
// stays as it is, so a name reads as the system knows it.

#include <string>
#include <string_view>

std::string PrintableForTerminal(std::string_view bytes);
