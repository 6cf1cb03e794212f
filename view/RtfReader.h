#pragma once
// CRtfReader turns an RTF byte stream into a CRichTextStore.
//
// It reads the RTF the document builder writes: \rtf1 and \ansi, a font table, a colour
// table of \redN\greenN\blueN; entries (counted from 0), \pard, \par, \plain, \f, \fsN,
// \cfN, \b and \i (with an optional 0 to turn them off), the escapes \\ \{ \}, and 8-bit
// text in which raw line feeds and carriage returns are ignored. It also understands
// the common RTF that costs nothing to honour: \line, \tab, \'hh, \binN and
// destinations that hold no text (\*, \info, \stylesheet, \pict, ...).
//
// Any bytes are accepted: unknown control words and symbols are ignored, numbers of any
// length saturate, group nesting past a fixed depth is counted but keeps its format,
// extra closing braces are ignored, and input that ends early keeps what was read.
// Memory grows only with the text stored (colour table and nesting are capped), and
// every byte is looked at once, so reading is linear in the input.
//
// The document ends at the brace that closes its outermost group; later bytes are
// ignored. The final paragraph mark of the document closes its last line and adds no
// character, so a document whose text is "a\nb\n" ends with the empty line after "b".
//
// The reader is fed in pieces of any size (a stream-in hands over buffers as they come)
// and needs no user interface: ReadRtf is a plain function from bytes to a store.

#include "RichTextStore.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

class CRtfReader {
public:
    static constexpr std::size_t MAX_DEPTH = 256;
    static constexpr std::size_t MAX_COLOURS = 4096;

    // Clears store and reads into it. byteLimit caps the text stored: reaching it
    // fails like running out of memory.
    explicit CRtfReader(CRichTextStore& store, std::uint64_t byteLimit = UINT64_MAX);

    // Reads the next bytes; false once the store could not grow (out of memory), after
    // which further bytes are ignored.
    bool Feed(const char* data, std::size_t n);
    // Ends the input, closes the text and builds the store's display index. False when
    // memory ran out at any point.
    bool Finish();

    bool Failed() const { return m_failed; }
    // True once the brace closing the document's outermost group has been read.
    bool Ended() const { return m_state == State::Ended; }

private:
    enum class State : std::uint8_t { Text, Backslash, Word, Number, Hex1, Hex2, Binary, Ended };
    enum class Destination : std::uint8_t { Text, Skip, ColourTable };
    struct Group {
        COLORREF colour = 0;
        bool bold = false;
        bool italic = false;
        Destination destination = Destination::Text;
    };

    void FeedBytes(const char* data, std::size_t n);
    const char* FastControl(const char* p, const char* end, std::string_view* parsed);
    const char* RunPrefix(const char* p, const char* end);
    void ForgetPrefixes();
    const char* Step(const char* p, const char* end);
    void ControlWord(std::string_view word, bool hasNumber, std::int64_t value);
    void SetColourComponent(int shift, std::int64_t value);
    void OpenGroup();
    void CloseGroup();
    void EndWord();
    void ControlSymbol(char c);
    void TextByte(char c);
    void Paragraph();
    void AddText(const char* bytes, std::size_t n);
    CRichTextStore::FormatIndex CurrentFormat();
    void SetFormatDirty() { m_formatDirty = true; }

    CRichTextStore& m_store;
    std::uint64_t m_byteLimit;
    bool m_failed = false;
    bool m_lastWasParagraph = false;
    bool m_opened = false;  // the outermost group has begun

    State m_state = State::Text;
    char m_word[32];
    std::size_t m_wordLength = 0;
    bool m_wordTooLong = false;
    bool m_negative = false;
    bool m_hasNumber = false;
    std::int64_t m_number = 0;
    int m_hex = 0;
    std::uint64_t m_binaryLeft = 0;

    std::vector<Group> m_groups;     // m_groups[0] stands outside every brace
    std::size_t m_hiddenDepth = 0;   // groups opened past MAX_DEPTH
    std::vector<std::uint32_t> m_colours;  // the colour table; bit 31 marks "automatic"
    std::uint32_t m_pendingColour = 0;
    bool m_pendingHasComponent = false;

    // Run prefixes already read: their bytes and the format they leave.
    struct PrefixEntry {
        std::uint32_t length = 0;  // 0: empty slot
        std::uint64_t tail = 0;    // the last 8 bytes, compared first
        char bytes[40];
        COLORREF colour = 0;
        bool bold = false;
        bool italic = false;
        CRichTextStore::FormatIndex format = 0;
    };
    PrefixEntry m_prefixes[64];

    bool m_formatDirty = true;
    CRichTextStore::FormatIndex m_format = 0;
};

// Reads a whole document. failed (when given) receives whether memory ran out.
CRichTextStore ReadRtf(std::string_view rtf, bool* failed = nullptr);
