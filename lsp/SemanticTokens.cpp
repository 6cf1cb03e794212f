#include "SemanticTokens.h"

#include "Cancellation.h"

#include "syntax/CharClass.h"

#include <utility>

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

// The single-quoted pieces of a line (a line has few, usually none).
class CSingleQuotes final : public ISyntaxTokenListener {
public:
    void OnToken(const char*, const SyntaxToken& token) override
    {
        if (token.kind != TokenKind::QuotedText || (token.flags & TOKEN_DOUBLE_QUOTED)) return;
        if (m_count < kMax) m_pieces[m_count++] = {token.start, token.end};
    }
    // Gives the pieces' bytes the dictionary word's type.
    void Mark(std::uint8_t* types) const
    {
        for (std::size_t p = 0; p < m_count; ++p)
            for (std::uint32_t i = m_pieces[p].first; i < m_pieces[p].second; ++i)
                if (types[i] == TOKEN_TYPE_STRING) types[i] = TOKEN_TYPE_DICTIONARY_WORD;
    }

private:
    // A piece takes two bytes at least (its quotes, or a character and the line's end).
    static constexpr std::size_t kMax = MAX_LINE_LENGTH / 2 + 1;
    std::pair<std::uint32_t, std::uint32_t> m_pieces[kMax];
    std::size_t m_count = 0;
};

}  // namespace

SemanticTokenType TokenTypeOfStyle(StyleCode style)
{
    return style < STYLE_COUNT ? kTypeOfStyle[style] : TOKEN_TYPE_FOREGROUND;
}

bool TokensOfLine(CLspDocument& document, std::size_t n, PositionEncoding encoding, std::vector<LineToken>& tokens)
{
    tokens.clear();
    CurrentCancelCheck().Check();
    thread_local ClassifiedLine line;
    CSingleQuotes quotes;
    if (!document.Classify(n, line, &quotes)) return false;
    std::uint8_t types[MAX_LINE_LENGTH + 1];
    unsigned char high = 0;
    for (std::size_t i = 0; i < line.length; ++i) {
        types[i] = static_cast<std::uint8_t>(kTypeOfStyle[line.classes[i] < STYLE_COUNT ? line.classes[i] : 0]);
        high |= static_cast<unsigned char>(line.text[i]);
    }
    quotes.Mark(types);
    // A line of ASCII counts one unit a byte in both encodings.
    const bool ascii = high < 0x80;
    const auto units = [&](std::size_t from, std::size_t to) { return ascii ? to - from : document.Units(from, to, encoding); };
    // The client's line of the line's first byte; where that line starts, and the
    // units up to a byte of it (counted on from the last token).
    std::size_t clientLine = document.ClientLineOf(n);
    std::size_t cursor = line.offset;
    std::size_t cursorUnits = 0;
    std::size_t i = 0;
    while (i < line.length) {
        const unsigned char c = static_cast<unsigned char>(line.text[i]);
        if (charclass::IsBlank(c)) {
            if (c == '\r') {
                ++clientLine;
                cursor = line.offset + i + 1;
                cursorUnits = 0;
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
        const std::size_t from = line.offset + i;
        cursorUnits += units(cursor, from);
        cursor = from;
        tokens.push_back(LineToken{clientLine, cursorUnits, units(from, line.offset + end), types[i]});
        i = end;
    }
    return true;
}

std::vector<std::uint32_t> BuildSemanticTokens(CLspDocument& document, std::size_t first, std::size_t last,
                                               PositionEncoding encoding)
{
    std::vector<std::uint32_t> data;
    std::vector<LineToken> tokens;
    CTokenEncoder encoder;
    last = std::min(last, document.LineCount() - 1);
    for (std::size_t n = first; n <= last; ++n) {
        if (!TokensOfLine(document, n, encoding, tokens)) break;
        for (const LineToken& token : tokens)
            encoder.Add(token, [&](std::size_t dl, std::size_t ds, std::size_t length, std::uint32_t type) {
                data.insert(data.end(), {static_cast<std::uint32_t>(dl), static_cast<std::uint32_t>(ds),
                                         static_cast<std::uint32_t>(length), type, 0u});
            });
    }
    return data;
}
