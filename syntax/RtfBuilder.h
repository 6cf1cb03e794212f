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

#include "ShownLines.h"
#include "StyleCodes.h"
#include "SyntaxLexer.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class CSyntaxStyleMap;

// A growable, zero-terminated byte buffer that reports running out of memory
// instead of throwing. Every output format is built in one.
class CRtfOutput {
public:
    CRtfOutput() = default;
    ~CRtfOutput();
    CRtfOutput(const CRtfOutput&) = delete;
    CRtfOutput& operator=(const CRtfOutput&) = delete;

    const char* Data() const { return m_data ? m_data : ""; }
    std::size_t Length() const { return m_length; }
    std::size_t Capacity() const { return m_capacity; }
    std::string_view View() const { return {Data(), m_length}; }

    void Clear() { m_length = 0; if (m_data) m_data[0] = '\0'; }
    void Free();
    // Sets the capacity (never below the content; for a stream, never above its chunk);
    // false when memory runs out.
    bool SetCapacity(std::size_t capacity);
    // The caller has made room; writes bytes and the terminating zero.
    void AppendUnchecked(const char* bytes, std::size_t n);
    bool Append(const char* bytes, std::size_t n);
    bool Append(std::string_view s) { return Append(s.data(), s.size()); }

    // Writing in place: Room makes sure that n more bytes fit (growing the capacity by
    // at least grow when they do not, or handing the content to the sink; false when
    // memory runs out), the caller writes them from End(), and Commit takes the content
    // up to end.
    bool Room(std::size_t n, std::size_t grow)
    {
        return m_capacity - m_length >= n || MakeRoom(n, grow);
    }

    // A stream instead of a whole document: once a sink is set, the buffer never holds
    // more than about chunk bytes. Whenever a write would not fit, the content so far
    // goes to the sink and the buffer starts empty again; the writer hands the rest
    // over with Flush when it is done. Data() and Length() then hold only what has not
    // been handed over yet. The sink reports its own failures to its owner.
    using Sink = void (*)(void* context, const char* bytes, std::size_t n);
    void SetSink(Sink sink, void* context, std::size_t chunk);
    void Flush();
    char* End() { return m_data + m_length; }
    void Commit(char* end)
    {
        m_length = static_cast<std::size_t>(end - m_data);
        m_data[m_length] = '\0';
    }

    // For a reader that has consumed the bytes before offset and will not read them
    // again: gives their memory back to the system, in whole large pages, once enough
    // has gathered. Those bytes read as zeros afterwards; length and capacity stay.
    // While a document of hundreds of megabytes streams into the control, the control's
    // store grows as the document is consumed, so the two never peak together.
    void ReleaseBefore(std::size_t offset);

private:
    bool MakeRoom(std::size_t n, std::size_t grow);
    bool Resize(std::size_t capacity);

    Sink m_sink = nullptr;
    void* m_sinkContext = nullptr;
    std::size_t m_chunk = 0;

    char* m_data = nullptr;
    std::size_t m_mapSize = 0;   // the mapping's size when the buffer is a mapping of its own
    std::size_t m_released = 0;  // bytes from m_data's large-page boundary already given back
    std::size_t m_length = 0;
    std::size_t m_capacity = 0;  // bytes usable for content, the terminating zero not counted
};

class CRtfBuilder {
public:
    CRtfBuilder() = default;

    // Replaces out's content with the document of text (which ends at its first zero
    // byte, if any), coloured by styles (walked in its walk order).
    RenderStatus BuildDocument(const char* text, std::size_t length, const CSyntaxStyleMap& styles,
                               CRtfOutput& out);

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
