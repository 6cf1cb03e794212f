#pragma once
// Builds the text of an Inform file for a terminal: every run of characters of one
// style opens with an SGR sequence that states the style completely ("ESC [ 0 ; ...
// m": reset, then bold "1" and italic "3" when the style has them, then the colour),
// and every line that set anything ends with the reset "ESC [ 0 m" before its line
// feed, so that each line stands alone (less -R, head, grep).
//
// Colours are 24-bit ("38;2;R;G;B") or, for terminals of 256 colours, the nearest
// colour of the xterm palette ("38;5;N"): the 6x6x6 cube (16..231) and the grey ramp
// (232..255), nearest by the sum of the squared differences of red, green and blue,
// the lower number on a tie. The 16 system colours (0..15) are left out: each terminal
// and theme draws them differently.
//
// The text is decoded and its control characters replaced as DisplayText.h says, so
// that no byte of the source can drive the terminal: an ESC, CR or BEL of a file shows
// as its control picture. Tabs and line feeds stay. The lines shown are those of the
// RTF document, each with its line feed.

#include "OutputBuffer.h"
#include "ShownLines.h"
#include "StyleCodes.h"

class CSyntaxStyleMap;

class CAnsiBuilder {
public:
    enum Colours {
        TrueColour,  // 24-bit
        Palette256,  // xterm's 256 colours
    };

    RenderStatus BuildDocument(const char* text, std::size_t length, const CSyntaxStyleMap& styles, Colours colours,
                               COutputBuffer& out);

    // The number of the xterm palette colour (16..255) nearest to colour (0x00BBGGRR).
    static int NearestXtermColour(COLORREF colour);
    // The red, green and blue of xterm palette colour n (16..255) as 0x00BBGGRR.
    static COLORREF XtermColour(int n);
};
