#include "DocumentStructure.h"

#include "syntax/CharClass.h"

#include <algorithm>
#include <string_view>

namespace {

bool SameNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (charclass::Fold(static_cast<unsigned char>(a[i])) != charclass::Fold(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

enum class Conditional { None, If, Else, End };

Conditional ConditionalOf(std::string_view word)
{
    if (!word.empty() && word.front() == '#') word.remove_prefix(1);
    for (const char* name : {"ifdef", "ifndef", "iftrue", "iffalse", "ifv3", "ifv5"})
        if (SameNoCase(word, name)) return Conditional::If;
    if (SameNoCase(word, "ifnot")) return Conditional::Else;
    if (SameNoCase(word, "endif")) return Conditional::End;
    return Conditional::None;
}

}  // namespace

// Hears the tokens of every line, for the definition reader and for the folds.
class CStructureListener final : public ISyntaxTokenListener, public IDefinitionSink {
public:
    CStructureListener(CDocumentStructure& structure, CLspDocument& document)
        : m_structure(structure), m_document(document), m_reader(*this)
    {
    }

    void StartLine(std::size_t number, const ClassifiedLine& line)
    {
        m_line = &line;
        m_lineNumber = number;
        m_firstToken = true;
        m_hashPending = false;
        m_reader.OnLine(number + 1, line.offset, line.length + 1);
    }
    void EndLine()
    {
        if (!m_commentLine && m_commentRun > 0) EndCommentRun();
        m_commentLine = false;
    }
    void Finish()
    {
        m_reader.Finish();
        if (m_commentRun > 0) EndCommentRun();
    }

    void OnToken(const char* text, const SyntaxToken& token) override
    {
        m_reader.OnToken(text, token);
        const std::size_t offset = m_line->offset + token.start;
        if (m_firstToken && token.kind != TokenKind::CodeWord) {
            m_firstToken = false;
            // The words of code are reported after the rest of their line: a comment
            // is the line's first token only when nothing but blanks stands before it.
            bool first = true;
            for (std::uint32_t i = 0; i < token.start && first; ++i)
                first = charclass::IsBlank(static_cast<unsigned char>(text[i]));
            if (token.kind == TokenKind::Comment && first) {
                m_commentLine = true;
                if (m_commentRun++ == 0) m_commentStart = ClientLine(offset);
                m_commentEnd = ClientLine(offset);
            }
        }
        const std::string_view word(text + token.start, token.end - token.start);
        switch (token.kind) {
        case TokenKind::RoutineOpen:
            m_routineOpen = ClientLine(offset);
            break;
        case TokenKind::RoutineClose:
            m_structure.Fold(m_routineOpen, ClientLine(offset), false);
            break;
        case TokenKind::CodeWord:
            if (!word.empty() && word.front() == '#') OnConditional(ConditionalOf(word), offset);
            break;
        case TokenKind::Word:
            if (m_hashPending) {
                m_hashPending = false;
                OnConditional(ConditionalOf(word), m_hashOffset);
            } else if (token.flags & TOKEN_OPENS_DIRECTIVE) {
                if (word == "#") {
                    m_hashPending = true;
                    m_hashOffset = offset;
                } else {
                    OnConditional(ConditionalOf(word), offset);
                }
            }
            break;
        default:
            break;
        }
    }

    void OnDefinition(std::size_t index, const Definition& definition) override
    {
        if (m_structure.m_definitions.size() <= index) m_structure.m_definitions.resize(index + 1);
        FoundDefinition& found = m_structure.m_definitions[index];
        found.nameOffset = definition.name.offset;
        found.startOffset = definition.start.offset;
        found.endOffset = definition.name.offset + definition.nameLength;
        found.nameLength = definition.nameLength;
        found.parent = definition.parent == NO_DEFINITION || definition.parent >= NO_PARENT_DEFINITION
                           ? NO_PARENT_DEFINITION
                           : static_cast<std::uint32_t>(definition.parent);
        found.kind = definition.kind;
    }
    void OnDefinitionEnd(std::size_t index, const TextPosition& end) override
    {
        if (index >= m_structure.m_definitions.size()) return;
        FoundDefinition& found = m_structure.m_definitions[index];
        found.endOffset = end.offset;
        const DefinitionKind kind = found.kind;
        if (kind == DefinitionKind::Object || kind == DefinitionKind::Class)
            m_structure.Fold(ClientLine(found.startOffset), ClientLine(end.offset > 0 ? end.offset - 1 : 0) + 1, false);
    }

private:
    std::size_t ClientLine(std::uint64_t offset) const
    {
        // Nearly always a place on the line being read, in a text without lone CRs.
        if (m_document.ClientLineCount() == m_document.LineCount() && m_line && offset >= m_line->offset &&
            offset <= m_line->offset + m_line->length)
            return m_lineNumber;
        return m_document.PositionOf(static_cast<std::size_t>(offset), PositionEncoding::Utf8).line;
    }
    void OnConditional(Conditional what, std::size_t offset)
    {
        const std::size_t line = ClientLine(offset);
        if (what == Conditional::If) {
            m_conditionals.push_back(line);
        } else if (what == Conditional::Else && !m_conditionals.empty()) {
            m_structure.Fold(m_conditionals.back(), line, false);
            m_conditionals.back() = line;
        } else if (what == Conditional::End && !m_conditionals.empty()) {
            m_structure.Fold(m_conditionals.back(), line, false);
            m_conditionals.pop_back();
        }
    }
    void EndCommentRun()
    {
        if (m_commentRun >= 2) m_structure.Fold(m_commentStart, m_commentEnd + 1, true);
        m_commentRun = 0;
    }

    CDocumentStructure& m_structure;
    CLspDocument& m_document;
    CDefinitionReader m_reader;
    const ClassifiedLine* m_line = nullptr;
    std::size_t m_lineNumber = 0;
    bool m_firstToken = false;
    bool m_commentLine = false;
    std::size_t m_commentRun = 0;
    std::size_t m_commentStart = 0;
    std::size_t m_commentEnd = 0;
    std::size_t m_routineOpen = 0;
    bool m_hashPending = false;
    std::size_t m_hashOffset = 0;
    std::vector<std::size_t> m_conditionals;  // the lines of the open #If branches
};

// A region from startLine to the line before endLine, when that leaves more than one
// line (for comments endLine is one past the run's last line).
void CDocumentStructure::Fold(std::size_t startLine, std::size_t endLine, bool comment)
{
    if (endLine > startLine + 1) m_folds.push_back(FoldRegion{startLine, endLine - 1, comment});
}

void CDocumentStructure::Read(CLspDocument& document)
{
    m_definitions.clear();
    m_folds.clear();
    CStructureListener listener(*this, document);
    ClassifiedLine line;
    for (std::size_t n = 0; n < document.LineCount(); ++n) {
        // The reader hears of the line before its tokens.
        if (!document.ShownBytes(n, line.offset, line.length)) break;
        listener.StartLine(n, line);
        if (!document.Classify(n, line, &listener)) break;
        listener.EndLine();
    }
    listener.Finish();
    std::sort(m_folds.begin(), m_folds.end(),
              [](const FoldRegion& a, const FoldRegion& b) { return a.startLine < b.startLine; });
}
