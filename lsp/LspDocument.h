#pragma once
// CLspDocument: the text of one file as the server holds it, with its lines, the
// conversion between byte offsets and the client's positions, and the lexer's state
// word at the start of every line, kept up to date through edits.
//
// Lines, two ways:
//  - The lexer's lines end at LF, as the viewer's do; a CR right before the LF is no
//    part of the line (text mode), any other CR is an ordinary character. The lexer
//    reads what the viewer shows: nothing from the first NUL or Ctrl-Z on, and nothing
//    from the first line of MAX_LINE_LENGTH or more characters on.
//  - The client's lines end at LF, CR LF or a lone CR. The lone CRs are kept in a list
//    of their own, so that a text without them (nearly every text) maps lines one to one.
//
// Positions count UTF-16 code units or UTF-8 bytes in the characters the bytes stand
// for: UTF-8 for a text that is UTF-8 (every text a client sends), Windows-1252 one
// character per byte otherwise. A byte that begins no well-formed UTF-8 character
// counts as one unit. A position past the end of its line means the line's end; one
// inside a character means that character's start.
//
// States: the start state of line 0 is LEX_DIRECTIVE_EXPECTED and each line's end state
// is the next line's start state. They are worked out on demand, from the start, and
// kept; an edit lexes again from its first line until a line after the edit ends in the
// state it had before, from where the kept states still hold.

#include "syntax/DisplayText.h"
#include "syntax/StyleCodes.h"
#include "syntax/SyntaxLexer.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

enum class PositionEncoding : std::uint8_t {
    Utf16,
    Utf8,
};

struct LspPosition {
    std::size_t line = 0;
    std::size_t character = 0;
    bool operator==(const LspPosition&) const = default;
};

// One lexer line as the lexer saw it.
struct ClassifiedLine {
    std::size_t offset = 0;  // of its first byte in the text
    std::size_t length = 0;  // the bytes classified, without the line feed the lexer was given
    char text[MAX_LINE_LENGTH + 1];
    StyleCode classes[MAX_LINE_LENGTH + 9];  // one per byte, STYLE_END after them, slack for run scans
};

class CLspDocument {
public:
    CLspDocument(std::string text, display::Encoding encoding);

    const std::string& Text() const { return *m_text; }
    // The text itself, for the game that reads it: held by both until the next change,
    // which then goes to a copy of the document's own.
    std::shared_ptr<const std::string> SharedText() const { return m_text; }
    display::Encoding GetEncoding() const { return m_encoding; }

    // The client's lines and positions.
    std::size_t ClientLineCount() const { return m_lineStarts.size() + m_loneCrs.size(); }
    std::size_t OffsetOf(LspPosition position, PositionEncoding encoding) const;
    LspPosition PositionOf(std::size_t offset, PositionEncoding encoding) const;
    // The units of text[from, to), all on one line of the client.
    std::size_t Units(std::size_t from, std::size_t to, PositionEncoding encoding) const;

    // Replaces text[from, to) (from <= to <= size) with the given bytes.
    void Replace(std::size_t from, std::size_t to, std::string_view with);
    void SetText(std::string text);

    // The lexer's lines.
    std::size_t LineCount() const { return m_lineStarts.size(); }
    std::size_t LineStart(std::size_t line) const { return m_lineStarts[line]; }
    // Where the line's LF is, or the text's end.
    std::size_t LineEnd(std::size_t line) const
    {
        return line + 1 < m_lineStarts.size() ? m_lineStarts[line + 1] - 1 : m_text->size();
    }
    std::size_t LineOfOffset(std::size_t offset) const;
    // The client's line where a lexer line starts.
    std::size_t ClientLineOf(std::size_t line) const
    {
        return m_loneCrs.empty() ? line : line + LoneCrsBefore(m_lineStarts[line]);
    }
    // Where the lexer stops reading: the first NUL or Ctrl-Z, or the text's end.
    std::size_t ShownEnd() const { return m_shownEnd; }

    // The bytes the lexer reads of a line: [offset, offset + length), without its line
    // feed. False when the viewer shows no such line.
    bool ShownBytes(std::size_t line, std::size_t& offset, std::size_t& length) const;
    // Classifies a line from its start state; false when the viewer shows no such line
    // (it lies at or after the end of the shown text, or at or after a long line).
    bool Classify(std::size_t line, ClassifiedLine& out, ISyntaxTokenListener* listener = nullptr);
    // The lexer's state at the start of a line, when the lines before it are shown.
    bool StateBefore(std::size_t line, std::uint32_t& state);

    // Lines lexed by the last edit (what a keystroke cost).
    std::size_t RelexedByLastEdit() const { return m_relexed; }
    // What the last Replace did to the lexer's lines: old lines [first, last] became new
    // lines [first, first + added]; the lines whose classes may differ are new lines
    // [first, changedUntil) (NO_LINE: to the end).
    struct LineEdit {
        std::size_t first = 0;
        std::size_t last = 0;
        std::size_t added = 0;
        std::size_t changedUntil = 0;
    };
    static constexpr std::size_t NO_LINE = static_cast<std::size_t>(-1);
    const LineEdit& LastEdit() const { return m_lastEdit; }
    // Bytes held beyond the text's own.
    std::size_t GetMemoryUse() const;

private:
    void IndexLines();
    void FindShownEnd(std::size_t from);
    // Lexes the line from state; false when it is not shown.
    bool LexLine(std::size_t line, std::uint32_t& state, ClassifiedLine& scratch, ISyntaxTokenListener* listener);
    bool EnsureStates(std::size_t line);
    std::size_t LoneCrsBefore(std::size_t offset) const;
    std::size_t CharLength(std::size_t offset) const;
    std::size_t CharUnits(std::size_t offset, std::size_t length, PositionEncoding encoding) const;

    std::shared_ptr<std::string> m_text;
    display::Encoding m_encoding;
    std::vector<std::size_t> m_lineStarts;  // the lexer's lines
    std::vector<std::size_t> m_loneCrs;     // offsets of CRs not followed by LF, in order
    std::vector<std::uint32_t> m_states;    // start states of lines 0 .. size - 1
    std::size_t m_shownEnd = 0;
    std::size_t m_relexed = 0;
    LineEdit m_lastEdit;
};

// The text's bytes as UTF-8 (Windows-1252 decoded; in UTF-8, a byte that begins no
// well-formed character becomes U+FFFD).
std::string ToUtf8(std::string_view bytes, display::Encoding encoding);
