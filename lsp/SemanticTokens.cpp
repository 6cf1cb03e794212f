#include "SemanticTokens.h"

#include "syntax/CharClass.h"

const char* const g_semanticTokenTypes[TOKEN_TYPE_COUNT] = {
    "foreground", "string", "dictionaryWord", "comment", "keyword", "property", "function",
    "operator", "variable", "assembly", "escapeCharacter", "number", "codeNumber",
};

namespace {

constexpr SemanticTokenType kTypeOfStyle[STYLE_COUNT] = {
    TOKEN_TYPE_FOREGROUND,       // Foreground
    TOKEN_TYPE_STRING,           // Quoted Text
    TOKEN_TYPE_COMMENT,          // Comment
    TOKEN_TYPE_KEYWORD,          // Directive
    TOKEN_TYPE_PROPERTY,         // Property
    TOKEN_TYPE_FUNCTION,         // Function
    TOKEN_TYPE_OPERATOR,         // Code
    TOKEN_TYPE_VARIABLE,         // Code Alpha
    TOKEN_TYPE_ASSEMBLY,         // Assembly
    TOKEN_TYPE_ESCAPE_CHARACTER, // Escape Character
    TOKEN_TYPE_NUMBER,           // Number
    TOKEN_TYPE_CODE_NUMBER,      // Code Number
};

// Marks the bytes of single-quoted pieces of a line.
class CSingleQuotes final : public ISyntaxTokenListener {
public:
    explicit CSingleQuotes(bool* marks) : m_marks(marks) {}
    void OnToken(const char*, const SyntaxToken& token) override
    {
        if (token.kind != TokenKind::QuotedText || (token.flags & TOKEN_DOUBLE_QUOTED)) return;
        for (std::uint32_t i = token.start; i < token.end; ++i) m_marks[i] = true;
    }

private:
    bool* m_marks;
};

class CTokenWriter {
public:
    CTokenWriter(const CLspDocument& document, PositionEncoding encoding, std::vector<std::uint32_t>& data)
        : m_document(document), m_encoding(encoding), m_data(data)
    {
    }

    // A token of the given type over text[from, to), both on the client's line `line`,
    // which starts at lineStart.
    void Add(std::size_t line, std::size_t lineStart, std::size_t from, std::size_t to, std::uint32_t type)
    {
        if (line != m_line || lineStart != m_lineStart || from < m_cursor) {
            m_cursor = lineStart;
            m_cursorUnits = 0;
        }
        m_cursorUnits += m_document.Units(m_cursor, from, m_encoding);
        const std::size_t length = m_document.Units(from, to, m_encoding);
        const std::size_t deltaLine = line - m_line;
        const std::size_t deltaStart = deltaLine == 0 ? m_cursorUnits - m_lastUnits : m_cursorUnits;
        m_data.push_back(static_cast<std::uint32_t>(deltaLine));
        m_data.push_back(static_cast<std::uint32_t>(deltaStart));
        m_data.push_back(static_cast<std::uint32_t>(length));
        m_data.push_back(type);
        m_data.push_back(0);
        m_line = line;
        m_lineStart = lineStart;
        m_lastUnits = m_cursorUnits;
        m_cursor = from;
    }

private:
    const CLspDocument& m_document;
    PositionEncoding m_encoding;
    std::vector<std::uint32_t>& m_data;
    std::size_t m_line = 0;
    std::size_t m_lineStart = 0;
    std::size_t m_cursor = 0;       // a byte of the current line
    std::size_t m_cursorUnits = 0;  // its units from the line's start
    std::size_t m_lastUnits = 0;    // the last token's start
};

}  // namespace

SemanticTokenType TokenTypeOfStyle(StyleCode style)
{
    return style < STYLE_COUNT ? kTypeOfStyle[style] : TOKEN_TYPE_FOREGROUND;
}

std::vector<std::uint32_t> BuildSemanticTokens(CLspDocument& document, std::size_t first, std::size_t last,
                                               PositionEncoding encoding)
{
    std::vector<std::uint32_t> data;
    CTokenWriter writer(document, encoding, data);
    ClassifiedLine line;
    bool single[MAX_LINE_LENGTH + 1];
    std::uint8_t types[MAX_LINE_LENGTH + 1];
    last = std::min(last, document.LineCount() - 1);
    for (std::size_t n = first; n <= last; ++n) {
        std::fill(single, single + MAX_LINE_LENGTH + 1, false);
        CSingleQuotes quotes(single);
        if (!document.Classify(n, line, &quotes)) break;
        for (std::size_t i = 0; i < line.length; ++i) {
            const SemanticTokenType type = TokenTypeOfStyle(line.classes[i]);
            types[i] = static_cast<std::uint8_t>(type == TOKEN_TYPE_STRING && single[i] ? TOKEN_TYPE_DICTIONARY_WORD : type);
        }
        // The client's line of the line's first byte, and where that line starts.
        std::size_t clientLine = document.PositionOf(line.offset, PositionEncoding::Utf8).line;
        std::size_t clientStart = line.offset;
        std::size_t i = 0;
        while (i < line.length) {
            const unsigned char c = static_cast<unsigned char>(line.text[i]);
            if (charclass::IsBlank(c)) {
                if (c == '\r') {
                    ++clientLine;
                    clientStart = line.offset + i + 1;
                }
                ++i;
                continue;
            }
            std::size_t j = i + 1;
            std::size_t end = j;  // past the last byte that is not blank
            while (j < line.length && types[j] == types[i] && line.text[j] != '\r') {
                if (!charclass::IsBlank(static_cast<unsigned char>(line.text[j]))) end = j + 1;
                ++j;
            }
            writer.Add(clientLine, clientStart, line.offset + i, line.offset + end, types[i]);
            i = end;
        }
    }
    return data;
}
