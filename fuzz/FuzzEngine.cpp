// Fuzz bodies for the engine: text loading, classification and the document build.

#include "FuzzTargets.h"

#include "doc/TextLoader.h"
#include "doc/TextModeTranslator.h"
#include "syntax/AnsiBuilder.h"
#include "syntax/DefinitionReader.h"
#include "syntax/DisplayText.h"
#include "syntax/HtmlBuilder.h"
#include "syntax/Outline.h"
#include "syntax/OutlineWriter.h"
#include "syntax/RtfBuilder.h"
#include "syntax/ShownLines.h"
#include "syntax/SyntaxLexer.h"
#include "syntax/SyntaxStyleMap.h"
#include "syntax/Utf8.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <fcntl.h>
#include <unistd.h>
#include <utility>
#include <vector>

void FuzzInvariantBroken(const char* what)
{
    std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
    std::abort();
}

int FuzzTextLoader(const std::uint8_t* data, std::size_t size)
{
    std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::size_t length = TranslateTextMode(bytes.data(), bytes.size());
    Require(length <= size, "the text is never longer than the file");
    Require(std::memchr(bytes.data(), '\0', length) == nullptr, "no NUL in the text");
    Require(std::memchr(bytes.data(), 0x1A, length) == nullptr, "no Ctrl-Z in the text");
    // Every LF of the text stands for an LF or a CR LF of the file, in order.
    std::size_t lfs = 0;
    for (std::size_t i = 0; i < length; ++i) lfs += bytes[i] == '\n';
    std::size_t fileLfs = 0;
    for (std::size_t i = 0; i < size && data[i] != 0 && data[i] != 0x1A; ++i) fileLfs += data[i] == '\n';
    Require(lfs == fileLfs, "line feeds are kept");

    // The rules a byte at a time: up to the first NUL or Ctrl-Z, every byte but the CR
    // of a CR LF pair.
    std::string expected;
    for (std::size_t i = 0; i < size && data[i] != 0 && data[i] != 0x1A; ++i)
        if (!(data[i] == '\r' && i + 1 < size && data[i + 1] == '\n')) expected.push_back(static_cast<char>(data[i]));
    Require(std::string_view(bytes.data(), length) == expected, "the text of the rules, in place");

    // The same bytes in three pieces, and (when short) a byte at a time.
    const char* raw = reinterpret_cast<const char*>(data);
    const std::size_t a = size / 3, b = a + (size - a) / 2;
    std::string pieces;
    CTextModeTranslator translator(pieces);
    translator.Append(raw, a);
    translator.Append(raw + a, b - a);
    translator.Append(raw + b, size - b);
    translator.Finish();
    Require(pieces == expected, "the text of the rules, in pieces");
    if (size <= 256) {
        std::string bytewise;
        CTextModeTranslator oneByOne(bytewise);
        for (std::size_t i = 0; i < size; ++i) oneByOne.Append(raw + i, 1);
        oneByOne.Finish();
        Require(bytewise == expected, "the text of the rules, a byte at a time");
    }

    // Through a pipe, as standard input is read, under a limit that the first byte
    // chooses: the same text, unless the bytes before the text's end pass the limit.
    int ends[2];
    if (size <= 65536 && ::pipe2(ends, O_NONBLOCK) == 0) {
        const bool written = ::write(ends[1], raw, size) == static_cast<ssize_t>(size);
        ::close(ends[1]);
        std::size_t textEnd = 0;
        while (textEnd < size && data[textEnd] != 0 && data[textEnd] != 0x1A) ++textEnd;
        const std::uint64_t limit = size > 0 && data[0] % 2 ? size / 2 : MAX_SOURCE_BYTES;
        std::string streamed = "previous";
        LoadFailure failure;
        const bool loaded = LoadTextStream(ends[0], streamed, &failure, limit);
        ::close(ends[0]);
        if (written) {
            Require(loaded == (size > 0 && textEnd <= limit), "a stream loads unless empty or over its limit");
            Require(streamed == (loaded ? expected : std::string("previous")), "a stream's text, or the old one");
        }
    }
    return 0;
}

namespace {

bool IsWellFormedUtf8(std::string_view s)
{
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const auto* end = p + s.size();
    while (p < end) {
        const int n = Utf8CharLength(p, end);
        if (n == 0) return false;
        p += n;
    }
    return true;
}

std::size_t LineFeeds(std::string_view s)
{
    std::size_t n = 0;
    for (const char c : s) n += c == '\n';
    return n;
}

// No control character in the output but tab, line feed and (when allowed) the ESC
// that begins an SGR sequence of ours; no C1 control, no DEL.
void RequireNoControls(std::string_view out, bool sgrAllowed)
{
    for (std::size_t i = 0; i < out.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(out[i]);
        if (c == 0x1B) {
            Require(sgrAllowed, "no ESC in a page");
            std::size_t j = i + 1;
            Require(j < out.size() && out[j] == '[', "an ESC begins an SGR sequence");
            for (++j; j < out.size() && ((out[j] >= '0' && out[j] <= '9') || out[j] == ';');) ++j;
            Require(j < out.size() && out[j] == 'm', "an SGR sequence ends with m");
            i = j;
            continue;
        }
        Require(c >= 0x20 || c == '\t' || c == '\n', "no control byte of the text in the output");
        Require(c != 0x7F, "no DEL in the output");
        if (c == 0xC2 && i + 1 < out.size())
            Require(static_cast<unsigned char>(out[i + 1]) > 0x9F, "no C1 control in the output");
    }
}

// No bidirectional control (U+061C, U+200E, U+200F, U+202A..U+202E, U+2066..U+2069) in
// well-formed UTF-8 output: none may reorder what a reader sees.
void RequireNoBidiControls(std::string_view out)
{
    const auto* s = reinterpret_cast<const unsigned char*>(out.data());
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (s[i] == 0xD8 && i + 1 < out.size()) Require(s[i + 1] != 0x9C, "no ALM in the output");
        if (s[i] != 0xE2 || i + 2 >= out.size()) continue;
        const unsigned b1 = s[i + 1], b2 = s[i + 2];
        Require(!(b1 == 0x80 && (b2 == 0x8E || b2 == 0x8F || (b2 >= 0xAA && b2 <= 0xAE))) &&
                    !(b1 == 0x81 && b2 >= 0xA6 && b2 <= 0xA9),
                "no bidirectional control in the output");
    }
}

// The page or fragment and the terminal text of the text: whole UTF-8, no control byte
// and no bidirectional control of the text, one line feed per line shown.
void CheckTextFormats(const char* text, std::size_t length, const CSyntaxStyleMap& styles, std::size_t lines,
                      bool page, bool palette)
{
    COutputBuffer html;
    const RenderStatus htmlStatus = CHtmlBuilder().BuildDocument(
        text, length, styles, page ? CHtmlBuilder::Page : CHtmlBuilder::Fragment, std::string_view(text, length < 40 ? length : 40), html);
    Require(htmlStatus != RenderStatus::OutOfMemory, "small inputs fit");
    const std::string_view h = html.View();
    Require(IsWellFormedUtf8(h), "a page is well-formed UTF-8");
    RequireNoControls(h, false);
    RequireNoBidiControls(h);
    const std::string_view preEnd = page ? "</pre>\n</body>\n</html>\n" : "</pre>\n";
    Require(h.size() >= preEnd.size() && h.substr(h.size() - preEnd.size()) == preEnd, "the page ends whole");
    const std::size_t pre = h.find("<pre class=\"glossel\">\n");
    Require(pre != std::string_view::npos, "the page has its <pre>");
    // The title may hold line feeds of its own: count those of the <pre> alone.
    Require(LineFeeds(h.substr(pre)) == lines + 1 + LineFeeds(preEnd), "a line feed per line shown");

    COutputBuffer ansi;
    const RenderStatus ansiStatus = CAnsiBuilder().BuildDocument(
        text, length, styles, palette ? CAnsiBuilder::Palette256 : CAnsiBuilder::TrueColour, ansi);
    Require(ansiStatus == htmlStatus, "every format shows the same lines");
    Require(IsWellFormedUtf8(ansi.View()), "terminal text is well-formed UTF-8");
    RequireNoControls(ansi.View(), true);
    RequireNoBidiControls(ansi.View());
    Require(LineFeeds(ansi.View()) == lines, "a line feed per line shown");
}

// Token reports: within their line, in the order of the line and without overlap (the
// code words after the rest, in their own order), each with the style of its first
// character as the line is classified.
class CTokenChecker final : public ISyntaxTokenListener {
public:
    void OnLine(std::uint64_t, std::uint64_t, std::size_t length) override
    {
        m_length = length;
        m_lastEnd = 0;
        m_lastCodeEnd = 0;
        m_tokens.clear();
    }
    void OnToken(const char*, const SyntaxToken& token) override
    {
        Require(token.start <= token.end && token.end <= m_length, "a token within its line");
        Require(token.start < m_length, "a token starts on its line");
        if (token.kind == TokenKind::CodeWord) {
            Require(token.start >= m_lastCodeEnd && token.end > token.start, "code words in order");
            m_lastCodeEnd = token.end;
        } else {
            Require(m_lastCodeEnd == 0, "code words after the other tokens");
            Require(token.start >= m_lastEnd, "tokens in order, without overlap");
            m_lastEnd = token.end;
        }
        m_tokens.push_back(token);
    }
    void EndLine(const StyleCode* classes)
    {
        for (const SyntaxToken& token : m_tokens)
            Require(token.style == classes[token.start], "a token's style is its first character's");
    }

private:
    std::size_t m_length = 0;
    std::size_t m_lastEnd = 0;
    std::size_t m_lastCodeEnd = 0;
    std::vector<SyntaxToken> m_tokens;
};

// Definitions: numbered in order, names in order and inside their extent, each ended
// once and after its name, a property routine under an object or class before it.
class CDefinitionChecker final : public IDefinitionSink {
public:
    explicit CDefinitionChecker(std::string_view text) : m_text(text) {}
    void OnDefinition(std::size_t index, const Definition& d) override
    {
        Require(index == m_kinds.size(), "definitions numbered in order");
        // A property routine is named by its property, so a second routine of the same
        // property repeats that name, which may stand before a definition read between
        // them (a routine that a malformed property list seems to hold).
        const bool sameProperty = d.kind == DefinitionKind::PropertyRoutine &&
                                  std::find(m_propertyNames.begin(), m_propertyNames.end(),
                                            std::make_pair(d.parent, d.name.offset)) != m_propertyNames.end();
        Require(d.name.offset >= m_lastName || sameProperty, "names in file order");
        Require(d.nameLength > 0 && d.name.offset + d.nameLength <= m_text.size(), "a name inside the text");
        Require(m_text.substr(d.name.offset, d.nameLength).find('\n') == std::string_view::npos,
                "a name within one line");
        Require(d.start.offset <= d.name.offset && d.start.line <= d.name.line, "a definition starts before its name");
        Require(d.name.offset - d.name.column == 0 || m_text[d.name.offset - d.name.column - 1] == '\n',
                "a column counts from the start of its line");
        if (d.kind == DefinitionKind::PropertyRoutine) {
            Require(d.parent < index, "a property routine's object comes before it");
            Require(m_kinds[d.parent] == DefinitionKind::Object || m_kinds[d.parent] == DefinitionKind::Class,
                    "a property routine belongs to an object or class");
        } else {
            Require(d.parent == NO_DEFINITION, "only property routines have a parent");
        }
        m_lastName = std::max<std::uint64_t>(m_lastName, d.name.offset);
        if (d.kind == DefinitionKind::PropertyRoutine) m_propertyNames.emplace_back(d.parent, d.name.offset);
        m_kinds.push_back(d.kind);
        m_nameEnds.push_back(d.name.offset + d.nameLength);
        m_ended.push_back(false);
    }
    void OnDefinitionEnd(std::size_t index, const TextPosition& end) override
    {
        Require(index < m_kinds.size() && !m_ended[index], "a definition ends once");
        Require(end.offset >= m_nameEnds[index] && end.offset <= m_text.size(), "a definition ends after its name");
        m_ended[index] = true;
    }
    void CheckAllEnded() const
    {
        for (const bool ended : m_ended) Require(ended, "every definition ends");
    }

private:
    std::string_view m_text;
    std::uint64_t m_lastName = 0;
    std::vector<std::pair<std::size_t, std::uint64_t>> m_propertyNames;  // parent, name offset
    std::vector<DefinitionKind> m_kinds;
    std::vector<std::uint64_t> m_nameEnds;
    std::vector<bool> m_ended;
};

}  // namespace

int FuzzRender(const std::uint8_t* data, std::size_t size)
{
    // The first bytes vary the styles: colours, bold and italic of each code.
    CSyntaxStyleMap styles;
    styles.BuildDefaults();
    std::size_t used = 0;
    if (size > 0 && (data[0] & 1)) {
        used = 1;
        styles.ForEach([&](std::uint16_t, CSyntaxStyle& s) {
            if (used + 2 <= size) {
                s.m_colour = (data[used] & 3u) * 0x404040u;
                s.m_bold = data[used + 1] & 1u;
                s.m_italic = (data[used + 1] >> 1) & 1u;
                used += 2;
            }
        });
    }
    const char* text = reinterpret_cast<const char*>(data + used);
    const std::size_t length = size - used;

    // Classification, through the one line loop, with a listener: one code 0..11 per
    // character and STYLE_END after the line, the same codes as without a listener, and
    // token reports that fit the line.
    CTokenChecker tokens;
    std::size_t lines = 0;
    const RenderStatus shownStatus = ForEachShownLine(
        text, length,
        [&](const ShownLine& line, const StyleCode* classes) {
            Require(line.number == lines + 1, "lines numbered from 1");
            for (std::size_t i = 0; i < line.length; ++i) Require(classes[i] < STYLE_END, "a style for every character");
            Require(classes[line.length] == STYLE_END, "STYLE_END after the line");
            Require((line.stateAfter & 0xFC810000u) == 0, "no stray bits, no comment past its line");
            std::vector<StyleCode> plain(line.length + 1);
            CSyntaxLexer lexer(line.stateBefore);
            Require(lexer.ClassifyLine(line.text, line.length, plain.data()) == line.stateAfter &&
                        std::memcmp(plain.data(), classes, line.length + 1) == 0,
                    "a listener changes no class and no state");
            tokens.EndLine(classes);
            ++lines;
            return true;
        },
        &tokens);
    // The same text without its line feeds, line by line, must not upset the lexer nor
    // its reports.
    std::vector<StyleCode> classes(MAX_LINE_LENGTH + 2);
    CSyntaxLexer bare;
    for (std::size_t k = 0; k + 1 < length && k < 4; ++k) {
        const std::size_t n = length - k < MAX_LINE_LENGTH ? length - k : MAX_LINE_LENGTH - 1;
        tokens.OnLine(1, 0, n);
        bare.ClassifyLine(text + k, n, classes.data(), tokens);
        Require(classes[n] == STYLE_END, "STYLE_END after a bare text");
        tokens.EndLine(classes.data());
    }

    CRtfBuilder builder;
    COutputBuffer out;
    const RenderStatus status = builder.BuildDocument(text, length, styles, out);
    Require(status != RenderStatus::OutOfMemory, "small inputs fit");
    const std::string_view doc = out.View();
    Require(doc.find('\0') == std::string_view::npos, "no zero byte in the document");
    Require(doc.size() >= 9 && doc.substr(doc.size() - 9) == "\n\\par }\n.", "the document ends with its tail");
    std::size_t paragraphs = 0;
    for (std::size_t at = 0; at < doc.size();) {
        if (doc[at] == '\\' && at + 1 < doc.size() &&
            (doc[at + 1] == '\\' || doc[at + 1] == '{' || doc[at + 1] == '}')) {
            at += 2;  // an escaped character of the text
        } else if (doc.compare(at, 5, "\\par ") == 0) {
            ++paragraphs;
            at += 5;
        } else {
            ++at;
        }
    }
    // One paragraph mark per line shown, and one in the tail; a text's own backslashes
    // are escaped, so they never make a mark.
    Require(status == shownStatus, "the document shows the lines shown");
    Require(paragraphs == lines + 1, "a paragraph per line");
    // The HTML and terminal writers, with the same styles; the first byte also chooses
    // the page or the fragment, and the palette.
    const unsigned choice = size > 0 ? data[0] : 0;
    CheckTextFormats(text, length, styles, lines, choice & 2, choice & 4);

    // The outline: definitions in file order, each name a piece of one line shown.
    COutline outline;
    const OutlineStatus outlineStatus = outline.Build(text, length);
    Require(outlineStatus != OutlineStatus::OutOfMemory, "small outlines fit");
    Require((outlineStatus == OutlineStatus::LongLine) == (status == RenderStatus::LongLine),
            "the outline stops where the render stops");
    std::uint64_t lastOffset = 0;
    for (const OutlineEntry& entry : outline.GetEntries()) {
        Require(entry.Line() >= 1 && entry.Line() <= lines, "a definition on a line shown");
        Require(entry.Offset() >= lastOffset, "definitions in file order");
        Require(entry.Offset() + entry.Length() <= length, "a name inside the text");
        const std::string_view name = COutline::Name(entry, std::string_view(text, length));
        Require(!name.empty() && name.find('\n') == std::string_view::npos, "a name is a piece of one line");
        lastOffset = entry.Offset();
    }

    // The outline as written: well-formed UTF-8, one row of two tabs per definition, and
    // no control or bidirectional character of a name passed on.
    COutputBuffer written;
    Require(WriteOutline(text, length, written) == status, "the written outline stops where the render stops");
    const std::string_view rows = written.View();
    Require(IsWellFormedUtf8(rows), "the outline is well-formed UTF-8");
    RequireNoControls(rows, false);
    Require(LineFeeds(rows) == outline.GetEntries().size(), "a row per definition");
    std::size_t tabs = 0;
    for (std::size_t i = 0; i < rows.size(); i += Utf8SequenceLength(static_cast<unsigned char>(rows[i]))) {
        tabs += rows[i] == '\t';
        Require(!display::IsBidiControl(DecodeUtf8(reinterpret_cast<const unsigned char*>(rows.data() + i))),
                "no bidirectional control in the outline");
    }
    Require(tabs == 2 * outline.GetEntries().size(), "two tabs a row");

    // Every definition the reader finds, its extent and its parent.
    CDefinitionChecker definitions(std::string_view(text, length));
    CDefinitionReader reader(definitions);
    if (size > 1 && (data[1] & 1)) Require(reader.SeedClassName("Room"), "a seed fits");
    ForEachShownLine(text, length, [](const ShownLine&, const StyleCode*) { return true; }, &reader);
    reader.Finish();
    Require(!reader.Failed(), "small texts fit");
    definitions.CheckAllEnded();
    return 0;
}
