#pragma once
// Builds the one RTF document that shows a whole Inform text in its syntax styles.
//
// The document is the header (font table with font 2, colour table), then for every
// line its runs followed by "\par ", then the tail "\n\par }\n.". A run is the prefix
// of its style ("\plain\f2\fs20\cfN", "\b", "\i", " ") followed by its characters,
// of which only '\', '{' and '}' are escaped. White space joins the run before it.
// A line of MAX_LINE_LENGTH (1020) or more characters before its line feed ends the
// document there: the lines before it are followed by the tail, and the result says so.
//
// The builder is pure: it reads the text and a style set and writes bytes; the
// control that shows the document does the window steps (message box, stream-in,
// caret). Its only allocation is the output, and running out of memory is a status,
// never an exception.

#include "OutputBuffer.h"
#include "ShownLines.h"
#include "StyleCodes.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class CSyntaxStyleMap;

class CRtfBuilder {
public:
    CRtfBuilder() = default;

    // Replaces out's content with the document of text (which ends at its first zero
    // byte, if any), coloured by styles (walked in its walk order).
    RenderStatus BuildDocument(const char* text, std::size_t length, const CSyntaxStyleMap& styles,
                               COutputBuffer& out);

    std::string_view GetPrefix(StyleCode code) const { return {m_prefixes[code], m_prefixLengths[code]}; }
    const std::string& GetFontName() const { return m_fontName; }
    std::uint32_t GetFontSize() const { return m_fontSize; }

private:
    static constexpr std::size_t MAX_PREFIX = 48;  // "\plain\f2\fs" + 10 digits + "\cf11\b\i "
    static constexpr std::size_t MAX_COLOUR_ENTRY = 32;  // "\red255\green255\blue255;"
    static constexpr std::size_t MAX_COLOURS = 64;        // twelve styles need at most 12

    // Rebuilds the twelve prefixes and the colour table's entries.
    void BuildPrefixes(const CSyntaxStyleMap& styles);

    std::string m_fontName = "Courier New";
    std::uint32_t m_fontSize = 100;  // tenths of a point; half-points in the document
    char m_prefixes[STYLE_COUNT][MAX_PREFIX] = {};
    std::size_t m_prefixLengths[STYLE_COUNT] = {};
    char m_colours[MAX_COLOURS][MAX_COLOUR_ENTRY] = {};
    std::size_t m_colourCount = 0;
};
