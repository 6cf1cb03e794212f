#pragma once
// The page of one file of a source site (SiteCatalog.h): an HTML5 page in UTF-8 that
// shows the file as the HTML format does (the same lines, characters, stand-ins and
// style classes, in one <pre class="glossel">), with, beside it, the file's outline
// (its definitions in text order, each property routine under its object or class).
//
// Above the text, the files that include it, each linked to its Include. In the
// <pre>, every line shown is one <span class="l" id="L12"> holding an empty
// <a class="n" href="#L12"> (the style sheet draws the line's number there, so that
// copied text holds none), then the line's text and its line feed. Every use of a name
// links where SiteMeaning.h says; a definition's own name links to its list of uses
// (SiteUsesPage.h). Every Include's quoted name links to its file's page. Links never
// cross a style run: a run that a link cuts is two spans.
//
// Pages stand together in one folder below the site's top, where the index (index.html),
// the A to Z (names.html) and the style sheet (style.css) are.

#include "SiteCatalog.h"
#include "syntax/OutputBuffer.h"
#include "syntax/ShownLines.h"

#include <string>

class CSiteLines;

// Replaces out's content with the page of file, whose text (as loaded) is text; adds
// the lines that hold uses of names to lines, when given.
// LongLine: the page ends its text before a line of MAX_LINE_LENGTH or more, and says so.
RenderStatus WriteSitePage(const CSiteCatalog& catalog, std::uint32_t file, const std::string& text,
                           COutputBuffer& out, CSiteLines* lines = nullptr);
