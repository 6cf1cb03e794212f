#pragma once
// Builds HTML that shows a whole Inform text in its syntax styles: a complete HTML5
// page, the <pre> element alone (to embed in a page of one's own), or the style sheet
// alone (which a site includes once for all its <pre> elements).
//
// The page: "<!DOCTYPE html>", a head with the UTF-8 charset, the title and the style
// sheet in a <style> element, and a body that holds one <pre class="glossel">. The
// <pre> start tag is followed by a line feed, which HTML parsers drop, so that a text
// that begins with an empty line keeps it. Then every line shown (the same lines as
// the RTF document, with its line feed), and "</pre>".
//
// The text is decoded and its control characters replaced as DisplayText.h says; '&',
// '<' and '>' are escaped. A run of characters of one style is one
// <span class="NAME"> element (NAME as StyleClassName gives it), except that
// Foreground text stands in the <pre> itself, which has Foreground's attributes.
//
// The style sheet: ".glossel" (the <pre>) gets the fixed-pitch font, tabs at 8 columns
// and a white ground (the styles assume a light one); ".glossel, .glossel .foreground"
// and ".glossel .NAME" for the other eleven styles each get their colour, weight and
// slant, all three always stated.
//
// Lines may be tinted: each line of a tinted run is one <span class="skipped"> (its
// title the run's, written as given), and the style sheet has the rule of that class.
// A game's main file shown as the compiler compiles it tints the code the compiler skips.
//
// Like the RTF builder the writer allocates nothing but the output, and running out
// of memory is a status.

#include "OutputBuffer.h"
#include "ShownLines.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CSyntaxStyleMap;

// A run of whole lines, from 1, both included; title already escaped for an attribute.
struct HtmlTintedLines {
    std::uint64_t first;
    std::uint64_t last;
    std::string title;
};

class CHtmlBuilder {
public:
    enum Kind {
        Page,      // the whole page; title names it
        Fragment,  // the <pre> element alone
    };

    RenderStatus BuildDocument(const char* text, std::size_t length, const CSyntaxStyleMap& styles, Kind kind,
                               std::string_view title, COutputBuffer& out,
                               const std::vector<HtmlTintedLines>& tinted = {});

    // Replaces out's content with the style sheet of styles; false when memory runs out.
    static bool BuildStyleSheet(const CSyntaxStyleMap& styles, COutputBuffer& out);
};
