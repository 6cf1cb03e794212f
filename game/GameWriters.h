#pragma once
// A game as lines of text, for glossel-render.
//
// The include tree (--includes): one line per Include directive, in the order the
// compiler meets them (an Include in code the compiler skips says
// `not read: in code skipped by `#Ifdef X` (file:line)` after its arrow), each indented
// two spaces per file it lies within below the main file, up to
// INCLUDE_TREE_INDENT_LEVELS files deep (deeper ones are indented as that level, so that
// a chain of any depth writes lines of a bounded length):
//   FILE:LINE: Include "NAME" -> PATH
// with " (another case: the compiler would not find it)" after a file found only by a
// name in another case, " (read before)" after a file the game read at an earlier
// Include (a second inclusion, or a cycle), " (cannot be read: REASON)" after a file
// that could not be read; and for a name that leads nowhere
//   FILE:LINE: Include "NAME" -> missing; tried:
// followed by every path tried, one a line, indented four spaces more; a later Include
// of the same name tried the same paths, and when they are several it says where they
// are listed instead:
//   FILE:LINE: Include "NAME" -> missing; tried as at FILE:LINE
// The tree of a file stops where the file's reading stopped (a line too long).
//
// The outline of the game (--outline --game): every file in the game's order, each row
// of its outline (OutlineWriter.h) after the file's path and a tab, at the line the
// compiler gives the definition; property routines are rows of their own, kind
// "property routine", named as the compiler names them (lamp.before); a Stub is a
// routine; a definition the compiler does not compile has a fifth field,
// "not compiled: REASON".
//
// Paths and names are written with their control characters escaped, as the outline
// and the messages write them.

#include "Game.h"
#include "syntax/RtfBuilder.h"

#include <cstddef>

inline constexpr std::size_t INCLUDE_TREE_INDENT_LEVELS = 32;

// The code the compiler skips (--skipped): a line per run of whole lines it skips, in
// the game's file order, each file's in text order:
//   PATH<tab>FIRST<tab>LAST<tab>REASON
// lines from 1, inclusive; REASON as CGame::DescribeReason gives it.
//
// Each appends to out; false when memory runs out.
bool WriteIncludeTree(const CGame& game, COutputBuffer& out);
bool WriteGameOutline(const CGame& game, COutputBuffer& out);
bool WriteSkippedCode(const CGame& game, COutputBuffer& out);
