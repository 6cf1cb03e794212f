#pragma once
// The page of one file of a source site (SiteCatalog.h): an HTML5 page in UTF-8 that
// shows the file as the HTML format does (the same lines, characters, stand-ins and
// style classes, in one <pre class="glossel">), with, beside it, the file's outline
// (its definitions in text order, each property routine under its object or class).
//
// In the <pre>, every line shown is one <span class="l" id="L12"> holding an empty
// <a class="n" href="#L12"> (the style sheet draws the line's number there, so that
// copied text holds none), then the line's text and its line feed. Every use of a name
// with a definition in reach (a game that reads this file reads the definition's
// file) is a link: to the definition's line when there is one (a definition's own
// name is no link then), to the name's entry in the A to Z when there are several.
// Every Include's quoted name links to its file's page. Links never cross a style
// run: a run that a link cuts is two spans.
//
// Pages stand together in one folder below the site's top, where the index (index.html),
// the A to Z (names.html) and the style sheet (style.css) are.

#include "SiteCatalog.h"
#include "syntax/OutputBuffer.h"
#include "syntax/ShownLines.h"

#include <string>

// Replaces out's content with the page of file, whose text (as loaded) is text.
// LongLine: the page ends its text before a line of MAX_LINE_LENGTH or more, and says so.
RenderStatus WriteSitePage(const CSiteCatalog& catalog, std::uint32_t file, const std::string& text,
                           COutputBuffer& out);
