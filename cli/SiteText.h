#pragma once
// Small text helpers shared by the tag and site writers (engine side, no Qt): a piece
// of a source as the characters a reader sees, and HTML escaping of such text.

#include "syntax/DisplayText.h"

#include <string>
#include <string_view>

// bytes of a text of encoding as UTF-8, with the stand-ins every text output uses
// (DisplayText.h): no control character but tab and line feed comes through.
std::string ShownUtf8(std::string_view bytes, display::Encoding encoding);

// Appends UTF-8 text to out with '&', '<', '>' and '"' escaped, for element text and
// attribute values alike.
void AppendEscapedHtml(std::string& out, std::string_view text);

// An Inform name in its folded form (ASCII letters to lower case), as names compare.
std::string FoldedName(std::string_view name);
