#include "GameFile.h"

#include "GameWords.h"

#include "syntax/CharClass.h"
#include "syntax/LexerState.h"
#include "syntax/ShownLines.h"

#include <algorithm>
#include <limits>
#include <new>
#include <optional>

using namespace charclass;

namespace {

std::string Folded(std::string_view word)
{
    std::string folded(word);
    for (char& ch : folded) ch = static_cast<char>(Fold(static_cast<unsigned char>(ch)));
    return folded;
}

bool StartsName(unsigned char c) { return IsLetter(c) || c == '_'; }

}  // namespace

GameDefinition::GameDefinition(const Definition& d, std::uint64_t end, std::uint32_t parent)
    : m_offset(d.name.offset), m_givesWay((d.flags & DEFINITION_GIVES_WAY) != 0), m_column(d.name.column),
      m_length(d.nameLength), m_kind(static_cast<std::uint64_t>(d.kind)), m_line(static_cast<std::uint32_t>(d.name.line)),
      m_parent(parent), m_compilerLine(static_cast<std::uint32_t>(d.name.line))
{
    // A directive's first token may stand far before its name (comments between); such a
    // start is kept as the name's own line's start, which is never further than a line.
    const std::int64_t start = static_cast<std::int64_t>(d.start.offset) - static_cast<std::int64_t>(d.name.offset);
    m_start = start < std::numeric_limits<std::int32_t>::min() ? -static_cast<std::int32_t>(d.name.column)
                                                                : static_cast<std::int32_t>(std::min<std::int64_t>(start, 0x7FFFFFFF));
    m_end = static_cast<std::uint32_t>(std::min<std::uint64_t>(end - std::min(end, d.name.offset), 0xFFFFFFFFu));
}

// Reads one file: the definition reader hears the lexer's tokens through it, and it
// keeps what the reader finds, the checkpoints and the words that open directives.
class CGameFileReader final : public ISyntaxTokenListener, public IDefinitionSink {
public:
    CGameFileReader(CGameFile& file, std::vector<std::string>* directiveWords, CCompileTokenList* tokens,
                    std::vector<std::uint64_t>* lineStarts)
        : m_file(file), m_reader(*this), m_directiveWords(directiveWords), m_lineStarts(lineStarts)
    {
        if (tokens) m_tokens.emplace(*tokens);
    }

    void Read(const std::vector<std::string>& classNames)
    {
        for (const std::string& name : classNames)
            if (!m_reader.SeedClassName(name)) throw std::bad_alloc();
        const std::string& text = *m_file.m_text;
        const RenderStatus status = ForEachShownLine(
            text.data(), text.size(),
            [&](const ShownLine& line, const StyleCode*) {
                if (line.number > std::numeric_limits<std::uint32_t>::max()) return false;
                if (line.number == 1) {
                    m_file.m_hasLines = true;
                    m_file.m_firstState = line.stateBefore;
                } else if ((line.number - 1) % GAME_CHECKPOINT_LINES == 0) {
                    m_file.MakeRare().checkpoints.push_back(CGameFile::Checkpoint{line.offset, line.stateBefore});
                }
                m_file.m_shownLength = std::min<std::size_t>(line.offset + line.length, text.size());
                return true;
            },
            this);
        m_reader.Finish();
        if (m_reader.Failed()) throw std::bad_alloc();
        if (status == RenderStatus::LongLine) m_file.m_status = GameFileStatus::LongLine;
        if (m_directiveWords) {
            std::sort(m_directiveWords->begin(), m_directiveWords->end());
            m_directiveWords->erase(std::unique(m_directiveWords->begin(), m_directiveWords->end()),
                                    m_directiveWords->end());
        }
    }

    void OnLine(std::uint64_t number, std::uint64_t offset, std::size_t length) override
    {
        m_reader.OnLine(number, offset, length);
        m_lineOffset = offset;
        if (m_lineStarts) m_lineStarts->push_back(offset);
    }

    bool WantsCodeMarks() const override { return m_tokens.has_value(); }

    void OnTokens(const char* line, const SyntaxToken* tokens, std::size_t count) override
    {
        for (std::size_t i = 0; i < count; ++i) OnToken(line, tokens[i]);
        if (m_tokens) m_tokens->OnLine(m_lineOffset, line, tokens, count);
    }

    void OnToken(const char* line, const SyntaxToken& token) override
    {
        if (m_directiveWords && token.kind == TokenKind::Word && (token.flags & TOKEN_OPENS_DIRECTIVE) &&
            token.recognised >= REC_FIRST_WORD && StartsName(static_cast<unsigned char>(line[token.start])))
            m_directiveWords->push_back(Folded(std::string_view(line + token.start, token.end - token.start)));
        if (token.kind != TokenKind::CodeMark) m_reader.OnToken(line, token);
    }

    void OnDefinition(std::size_t index, const Definition& d) override
    {
        if (m_places.size() <= index) m_places.resize(index + 1, kNowhere);
        if (d.kind == DefinitionKind::Include) {
            GameInclude include;
            include.offset = d.name.offset;
            include.line = static_cast<std::uint32_t>(d.name.line);
            include.column = static_cast<std::uint16_t>(d.name.column);
            include.length = d.nameLength;
            include.start = d.start.offset;
            include.end = d.name.offset + d.nameLength;
            m_places[index] = kInclude | static_cast<std::uint32_t>(m_file.m_includes.size());
            m_file.m_includes.push_back(std::move(include));
            return;
        }
        std::uint32_t parent = NO_PARENT;
        if (d.parent != NO_DEFINITION && d.parent < m_places.size() && !(m_places[d.parent] & kInclude))
            parent = m_places[d.parent];
        m_places[index] = static_cast<std::uint32_t>(m_file.m_definitions.size());
        m_file.m_definitions.emplace_back(d, d.name.offset + d.nameLength, parent);
        if (d.kind == DefinitionKind::Class)
            m_file.MakeRare().classNames.push_back(Folded(m_file.NameOf(m_file.m_definitions.back())));
    }

    void OnDefinitionEnd(std::size_t index, const TextPosition& end) override
    {
        if (index >= m_places.size() || m_places[index] == kNowhere) return;
        const std::uint32_t place = m_places[index];
        if (place & kInclude) {
            m_file.m_includes[place & ~kInclude].end = end.offset;
        } else {
            GameDefinition& d = m_file.m_definitions[place];
            d.m_end = static_cast<std::uint32_t>(std::min<std::uint64_t>(end.offset - std::min(end.offset, d.Offset()),
                                                                         0xFFFFFFFFu));
        }
    }

private:
    static constexpr std::uint32_t kInclude = 0x80000000u;
    static constexpr std::uint32_t kNowhere = 0xFFFFFFFFu;

    CGameFile& m_file;
    CDefinitionReader m_reader;
    std::vector<std::string>* m_directiveWords;
    std::optional<CCompileTokenCollector> m_tokens;
    std::vector<std::uint64_t>* m_lineStarts;
    std::uint64_t m_lineOffset = 0;
    std::vector<std::uint32_t> m_places;  // for each of the reader's numbers: a definition, or kInclude | an include
};

CGameFile::CGameFile(std::string path, std::shared_ptr<const std::string> text,
                     const std::vector<std::string>& classNames, std::vector<std::string>* directiveWords,
                     CCompileTokenList* tokens, std::vector<std::uint64_t>* lineStarts)
    : m_path(std::move(path)), m_text(std::move(text))
{
    CGameFileReader(*this, directiveWords, tokens, lineStarts).Read(classNames);
    if (tokens) tokens->Close();
    m_encoding = display::ChooseEncoding(m_text->data(), m_shownLength);
    m_definitions.shrink_to_fit();
    if (m_rare) m_rare->checkpoints.shrink_to_fit();
}

CGameFile::CGameFile(std::string path, std::string failure)
    : m_path(std::move(path)), m_text(std::make_shared<const std::string>()), m_status(GameFileStatus::Unreadable)
{
    MakeRare().failure = std::move(failure);
}

const CGameFile::RareParts& CGameFile::Rare() const
{
    static const RareParts none;
    return m_rare ? *m_rare : none;
}

CGameFile::RareParts& CGameFile::MakeRare()
{
    if (!m_rare) m_rare = std::make_unique<RareParts>();
    return *m_rare;
}

const GameSkippedRange* CGameFile::SkippedAt(std::uint64_t offset) const
{
    const std::vector<GameSkippedRange>& skipped = SkippedRanges();
    auto after = std::upper_bound(skipped.begin(), skipped.end(), offset,
                                  [](std::uint64_t o, const GameSkippedRange& r) { return o < r.start; });
    if (after == skipped.begin()) return nullptr;
    --after;
    return offset < after->end ? &*after : nullptr;
}

std::string CGameFile::FullNameOf(const GameDefinition& d) const
{
    std::string name(NameOf(d));
    if (d.Parent() != NO_PARENT && d.Parent() < m_definitions.size())
        name = std::string(NameOf(m_definitions[d.Parent()])) + "." + name;
    return name;
}

TextPosition CGameFile::PositionOf(std::uint64_t offset) const
{
    const std::string& text = *m_text;
    offset = std::min<std::uint64_t>(offset, text.size());
    // The last checkpoint at or before offset (the first, at 0, when no later one is).
    const std::vector<Checkpoint>& later = Rare().checkpoints;
    auto after = std::upper_bound(later.begin(), later.end(), offset,
                                  [](std::uint64_t o, const Checkpoint& c) { return o < c.offset; });
    std::uint64_t line = 1;
    std::uint64_t lineStart = 0;
    if (after != later.begin()) {
        const auto k = static_cast<std::uint64_t>(after - later.begin());
        line = 1 + k * GAME_CHECKPOINT_LINES;
        lineStart = later[k - 1].offset;
    }
    for (;;) {
        const void* lf = std::char_traits<char>::find(text.data() + lineStart, offset - lineStart, '\n');
        if (!lf) break;
        lineStart = static_cast<std::uint64_t>(static_cast<const char*>(lf) - text.data()) + 1;
        ++line;
    }
    return TextPosition{offset, line, static_cast<std::uint32_t>(offset - lineStart)};
}

std::uint64_t CGameFile::OffsetOf(std::uint64_t line, std::uint32_t column) const
{
    const std::string& text = *m_text;
    if (line == 0) return text.size();
    const std::size_t count = CheckpointCount();
    const std::uint64_t k = std::min<std::uint64_t>((line - 1) / GAME_CHECKPOINT_LINES, count == 0 ? 0 : count - 1);
    std::uint64_t at = count == 0 ? 0 : CheckpointAt(k).offset;
    for (std::uint64_t n = 1 + k * GAME_CHECKPOINT_LINES; n < line; ++n) {
        const void* lf = std::char_traits<char>::find(text.data() + at, text.size() - at, '\n');
        if (!lf) return text.size();
        at = static_cast<std::uint64_t>(static_cast<const char*>(lf) - text.data()) + 1;
    }
    if (at >= text.size() && line > 1) return text.size();
    const std::string_view rest = LineAt(at);
    return at + std::min<std::uint64_t>(column, rest.size());
}

std::string_view CGameFile::LineAt(std::uint64_t lineOffset) const
{
    const std::string_view text(*m_text);
    if (lineOffset >= text.size()) return {};
    const std::size_t end = text.find('\n', lineOffset);
    return text.substr(lineOffset, (end == std::string_view::npos ? text.size() : end) - lineOffset);
}

void CGameFile::ForEachWord(const std::function<bool(const GameWord& word)>& visit, std::uint64_t fromLine) const
{
    const std::size_t count = CheckpointCount();
    if (count == 0) return;
    const std::uint64_t k = std::min<std::uint64_t>((std::max<std::uint64_t>(fromLine, 1) - 1) / GAME_CHECKPOINT_LINES,
                                                    count - 1);
    const Checkpoint checkpoint = CheckpointAt(k);
    const ShownStart start{checkpoint.offset, 1 + k * GAME_CHECKPOINT_LINES, checkpoint.state};
    CGameWordCollector collector;
    ForEachShownLine(
        m_text->data(), m_shownLength,
        [&](const ShownLine& line, const StyleCode*) {
            if (line.number < fromLine) return true;
            for (const GameWord& word : collector.Words())
                if (!visit(word)) return false;
            return true;
        },
        &collector, start);
}

std::size_t CGameFile::GetMemoryUse() const
{
    const RareParts& rare = Rare();
    std::size_t bytes = sizeof(*this) + (m_rare ? sizeof(rare) : 0) + m_path.capacity() + rare.failure.capacity() +
                        m_definitions.capacity() * sizeof(GameDefinition) +
                        rare.checkpoints.capacity() * sizeof(Checkpoint);
    for (const GameInclude& include : m_includes) {
        bytes += sizeof(include);
        if (include.resolution) {
            // This Include's share of the answer its name's Includes share.
            const IncludeResolution& r = *include.resolution;
            constexpr std::size_t kSharedCount = 16;  // the shared pointer's count, beside the answer
            const std::size_t byCase = r.byCase ? sizeof(*r.byCase) + kSharedCount + r.byCase->capacity() : 0;
            const std::size_t answer = sizeof(r) + kSharedCount + byCase + r.tried.GetMemoryUse();
            bytes += answer / static_cast<std::size_t>(std::max<long>(include.resolution.use_count(), 1));
        }
    }
    for (const std::string& name : rare.classNames) bytes += sizeof(name) + name.capacity();
    for (const std::string& name : rare.farNames) bytes += sizeof(name) + name.capacity();
    bytes += rare.skipped.capacity() * sizeof(GameSkippedRange);
    return bytes;
}

std::string_view GameInclude::Name(const CGameFile& file) const
{
    if (farName) return *farName;
    return IncludeNameOf(std::string_view(file.Text()).substr(std::min<std::uint64_t>(offset, file.Text().size()), length));
}

const IncludeResolution& GameInclude::Resolution() const
{
    static const IncludeResolution notLookedFor;
    return resolution ? *resolution : notLookedFor;
}
