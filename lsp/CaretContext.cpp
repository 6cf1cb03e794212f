#include "CaretContext.h"

#include "syntax/CharClass.h"
#include "syntax/LexerState.h"

#include <string_view>

namespace {

bool IsNameChar(char c)
{
    const auto b = static_cast<unsigned char>(c);
    return charclass::IsLetter(b) || (b >= '0' && b <= '9') || c == '_';
}

bool IsBlank(char c) { return charclass::IsBlank(static_cast<unsigned char>(c)); }

// The routine brackets of a line, for whether the caret is in a routine.
class CBrackets final : public ISyntaxTokenListener {
public:
    explicit CBrackets(std::size_t column) : m_column(column) {}
    void OnToken(const char*, const SyntaxToken& token) override
    {
        if (token.start >= m_column) return;
        if (token.kind == TokenKind::RoutineOpen) m_last = 1;
        if (token.kind == TokenKind::RoutineClose) m_last = -1;
    }
    int Last() const { return m_last; }

private:
    std::size_t m_column;
    int m_last = 0;  // 1: a '[' last, -1: a ']' last, 0: neither
};

// Reads a document backwards from a place, a line's classes at a time, passing over
// comments and quoted text.
class CBackwardReader {
public:
    CBackwardReader(CLspDocument& document, std::size_t offset) : m_document(document), m_at(offset) {}

    // The style of the byte at offset (STYLE_END when the line is not shown).
    StyleCode StyleOf(std::size_t offset)
    {
        if (!Load(m_document.LineOfOffset(offset))) return STYLE_END;
        const std::size_t column = offset - m_line.offset;
        return column < m_line.length ? m_line.classes[column] : STYLE_FOREGROUND;
    }
    // The byte before the current place that is neither blank nor in a comment or
    // quoted text; false at the top of the text or after `limit` bytes.
    bool Previous(char& c, std::size_t& where, std::size_t limit = 4096)
    {
        while (m_at > 0 && limit-- > 0) {
            --m_at;
            const char b = m_document.Text()[m_at];
            if (IsBlank(b)) continue;
            const StyleCode style = StyleOf(m_at);
            if (style == STYLE_COMMENT || style == STYLE_QUOTED_TEXT || style == STYLE_ESCAPE_CHARACTER) continue;
            c = b;
            where = m_at;
            return true;
        }
        return false;
    }
    // The word that ends at or just before the current place (blanks passed over), and
    // its start; "" when something else stands there.
    std::string PreviousWord(std::size_t& start)
    {
        char c;
        std::size_t where;
        const std::size_t saved = m_at;
        if (!Previous(c, where) || !IsNameChar(c)) {
            m_at = saved;
            return {};
        }
        std::size_t from = where;
        while (from > 0 && IsNameChar(m_document.Text()[from - 1])) --from;
        m_at = start = from;
        return m_document.Text().substr(from, where + 1 - from);
    }
    void MoveTo(std::size_t offset) { m_at = offset; }
    std::size_t Place() const { return m_at; }

private:
    bool Load(std::size_t line)
    {
        if (m_loaded && m_lineNumber == line) return m_shown;
        m_loaded = true;
        m_lineNumber = line;
        m_shown = m_document.Classify(line, m_line);
        return m_shown;
    }

    CLspDocument& m_document;
    std::size_t m_at;
    ClassifiedLine m_line;
    std::size_t m_lineNumber = 0;
    bool m_loaded = false;
    bool m_shown = false;
};

bool Is(std::string_view word, const char* name) { return charclass::EqualsFolded(word, name); }

bool InRoutine(CLspDocument& document, std::size_t offset)
{
    const std::size_t line = document.LineOfOffset(offset);
    std::uint32_t state = 0;
    if (!document.StateBefore(line, state)) return false;
    CBrackets brackets(offset - document.LineStart(line));
    ClassifiedLine classified;
    if (!document.Classify(line, classified, &brackets)) return false;
    if (brackets.Last() != 0) return brackets.Last() > 0;
    return (state & LEX_IN_ROUTINE) != 0;
}

}  // namespace

CaretContext ReadCaret(CLspDocument& document, std::size_t offset)
{
    CaretContext context;
    const std::string& text = document.Text();
    offset = std::min(offset, text.size());
    std::size_t start = offset;
    while (start > 0 && IsNameChar(text[start - 1])) --start;
    context.prefixStart = start;
    context.prefix = text.substr(start, offset - start);
    CBackwardReader reader(document, start);
    // Inside a comment, quoted text or a dictionary word: nothing. The byte before the
    // caret tells (an open string's line end included).
    if (offset > 0) {
        const StyleCode style = reader.StyleOf(offset - 1);
        const bool closingQuote = (text[offset - 1] == '"' || text[offset - 1] == '\'') && style == STYLE_QUOTED_TEXT &&
                                  offset >= 2 && reader.StyleOf(offset - 2) == STYLE_QUOTED_TEXT;
        if (style == STYLE_COMMENT || style == STYLE_ESCAPE_CHARACTER || (style == STYLE_QUOTED_TEXT && !closingQuote))
            return context;
        if (style == STYLE_END) return context;
    }
    context.inRoutine = InRoutine(document, start);
    const auto place = [&](CaretPlace p) {
        context.place = p;
        return context;
    };
    // Right before the name, with no blank between.
    if (start >= 1 && text[start - 1] == '.') {
        std::size_t q = start - 1;
        while (q > 0 && IsNameChar(text[q - 1])) --q;
        context.qualifier = text.substr(q, start - 1 - q);
        return place(CaretPlace::Property);
    }
    if (start >= 2 && text[start - 1] == '#' && text[start - 2] == '#') return place(CaretPlace::Action);
    if (start >= 1 && text[start - 1] == '<') return place(CaretPlace::Action);
    char c = 0;
    std::size_t where = 0;
    if (!reader.Previous(c, where)) return place(context.inRoutine ? CaretPlace::Statement : CaretPlace::Directive);
    if (c == '>' && where > 0 && text[where - 1] == '-') {
        const std::size_t lineStart = document.LineStart(document.LineOfOffset(where));
        if (text.substr(lineStart, where - lineStart).find('*') != std::string::npos) return place(CaretPlace::Action);
    }
    // The words before it: has, hasnt, give OBJ, class, ofclass.
    reader.MoveTo(start);
    std::size_t wordStart = 0;
    std::size_t words = 0;
    for (int looked = 0; looked < 64; ++looked) {
        const std::size_t before = reader.Place();
        std::string word = reader.PreviousWord(wordStart);
        if (word.empty()) {
            // A '~' before an attribute, or anything else that ends the run of words.
            char b;
            std::size_t at;
            reader.MoveTo(before);
            if (reader.Previous(b, at) && b == '~') continue;
            break;
        }
        if (Is(word, "has") || Is(word, "hasnt")) return place(CaretPlace::Attribute);
        if (Is(word, "give")) {
            if (words >= 1) return place(CaretPlace::Attribute);
            break;
        }
        if (Is(word, "class") || Is(word, "ofclass")) return place(CaretPlace::Class);
        if (Is(word, "with") || Is(word, "private")) break;
        ++words;
    }
    // Where a directive or a statement may start.
    reader.MoveTo(start);
    if (!reader.Previous(c, where)) return place(context.inRoutine ? CaretPlace::Statement : CaretPlace::Directive);
    if (!context.inRoutine) return place(c == ';' ? CaretPlace::Directive : CaretPlace::Expression);
    if (c == ';' || c == '{' || c == '}' || (c == ':' && !(where > 0 && text[where - 1] == ':')))
        return place(CaretPlace::Statement);
    reader.MoveTo(start);
    const std::string word = reader.PreviousWord(wordStart);
    if (Is(word, "else") || Is(word, "do")) return place(CaretPlace::Statement);
    return place(CaretPlace::Expression);
}

CallAtCaret FindCall(CLspDocument& document, std::size_t offset)
{
    CallAtCaret call;
    const std::string& text = document.Text();
    offset = std::min(offset, text.size());
    CBackwardReader reader(document, offset);
    if (offset > 0) {
        const StyleCode style = reader.StyleOf(offset - 1);
        if (style == STYLE_COMMENT || style == STYLE_END) return call;
    }
    int depth = 0;
    std::size_t commas = 0;
    char c;
    std::size_t where;
    while (reader.Previous(c, where, 8192)) {
        if (c == ')' || c == ']' || c == '}') {
            ++depth;
        } else if (c == '(' || c == '{' || c == '[') {
            if (depth > 0) {
                --depth;
                continue;
            }
            if (c != '(') return call;
            std::size_t start = 0;
            const std::string name = reader.PreviousWord(start);
            if (name.empty() || !(charclass::IsLetter(static_cast<unsigned char>(name[0])) || name[0] == '_')) return call;
            call.found = true;
            call.name = name;
            call.nameOffset = start;
            call.argument = commas;
            if (start >= 1 && text[start - 1] == '.') {
                std::size_t q = start - 1;
                while (q > 0 && IsNameChar(text[q - 1])) --q;
                call.qualifier = text.substr(q, start - 1 - q);
            }
            return call;
        } else if (c == ',' && depth == 0) {
            ++commas;
        } else if (c == ';' && depth == 0) {
            return call;
        }
    }
    return call;
}
