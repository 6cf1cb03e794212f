// The RTF document builder: exact bytes for small texts (worked out by hand from the
// document's layout) and invariants over whole files.

#include "TestSupport.h"

#include "syntax/RtfBuilder.h"
#include "syntax/SyntaxStyleMap.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <random>

using testsupport::DecodeDocument;

namespace {

const std::string kHeader =
    "{\\rtf1\\ansi{\\fonttbl{\\f2\\fmodern Courier New;}}\n"
    "{\\colortbl"
    "\\red0\\green128\\blue0;"      // 0: first met at code 11, shared by 7
    "\\red0\\green0\\blue160;"      // 1: code 10, shared by 0
    "\\red192\\green0\\blue0;"      // 2: code 9, shared by 4
    "\\red160\\green160\\blue0;"    // 3: code 8
    "\\red0\\green0\\blue128;"      // 4: code 6
    "\\red160\\green0\\blue0;"      // 5: code 5
    "\\red0\\green0\\blue0;"        // 6: code 3
    "\\red128\\green0\\blue128;"    // 7: code 2
    "\\red128\\green128\\blue128;"  // 8: code 1
    "}\n\\pard";
const std::string kTail = "\n\\par }\n.";

// The default prefixes, by code.
const std::string P0 = "\\plain\\f2\\fs20\\cf1 ";
const std::string P3 = "\\plain\\f2\\fs20\\cf6\\b ";
const std::string P5 = "\\plain\\f2\\fs20\\cf5 ";
const std::string P6 = "\\plain\\f2\\fs20\\cf4 ";
const std::string P7 = "\\plain\\f2\\fs20\\cf0 ";

std::string Render(const std::string& text, const CSyntaxStyleMap& styles, RenderStatus* status = nullptr)
{
    CRtfBuilder builder;
    COutputBuffer out;
    const RenderStatus s = builder.BuildDocument(text.data(), text.size(), styles, out);
    if (status) *status = s;
    return std::string(out.View());
}

class Rtf : public testing::Test {
protected:
    void SetUp() override { m_styles.BuildDefaults(); }
    CSyntaxStyleMap m_styles;
};

}  // namespace

TEST_F(Rtf, DocumentsOfSmallTexts)
{
    struct Row {
        const char* name;
        std::string text;
        std::string body;  // between the header and the tail
    };
    const Row rows[] = {
        {"empty text", "", ""},
        {"abc without a line feed", "abc", P3 + "abc\n\\par "},
        {"abc with a line feed", "abc\n", P3 + "abc\n\\par "},
        {"empty lines", "\n\n", P0 + "\n\\par " + P0 + "\n\\par "},
        {"escapes", "{x}\\\n", P3 + "\\{" + P0 + "x\\}\\\\\n\\par "},
        {"only a closing brace", "}\n", P3 + "\\}\n\\par "},
        {"white space joins the run before it", "[ x; a b\n",
         P5 + "[ x" + P6 + "; " + P7 + "a b\n\\par "},
        {"leading white space opens the first run", "  x;\n", P0 + "  " + P3 + "x;\n\\par "},
        {"tab and carriage return pass unchanged", "x\t\ry\n", P3 + "x\t\r" + P0 + "y\n\\par "},
        {"high bytes pass unchanged", "\xE9\xC3\xA9\n", P3 + "\xE9" + P0 + "\xC3\xA9\n\\par "},
        {"text ends at a zero byte", std::string("x\n\0y\n", 5), P3 + "x\n\\par "},
    };
    for (const Row& row : rows) {
        RenderStatus status;
        EXPECT_EQ(Render(row.text, m_styles, &status), kHeader + row.body + kTail) << row.name;
        EXPECT_EQ(status, RenderStatus::Ok) << row.name;
    }
}

TEST_F(Rtf, DefaultPrefixesFollowTheColourTable)
{
    CRtfBuilder builder;
    COutputBuffer out;
    builder.BuildDocument("", 0, m_styles, out);
    const char* expected[12] = {
        "\\cf1 ", "\\cf8 ", "\\cf7\\i ", "\\cf6\\b ", "\\cf2 ",    "\\cf5 ",
        "\\cf4 ", "\\cf0 ", "\\cf3\\i ", "\\cf2 ",    "\\cf1\\b ", "\\cf0\\b ",
    };
    for (int code = 0; code < 12; ++code)
        EXPECT_EQ(builder.GetPrefix(static_cast<StyleCode>(code)),
                  std::string("\\plain\\f2\\fs20") + expected[code])
            << code;
}

TEST_F(Rtf, ColourTableSharesEqualColoursAndFollowsTheWalk)
{
    // Every style black: one entry, every prefix on index 0.
    CSyntaxStyleMap black;
    black.Copy(m_styles);
    black.ForEach([](std::uint16_t, CSyntaxStyle& s) { s.m_colour = 0; });
    std::string doc = Render("x\n", black);
    EXPECT_EQ(doc.substr(0, doc.find("}\n\\pard")),
              "{\\rtf1\\ansi{\\fonttbl{\\f2\\fmodern Courier New;}}\n{\\colortbl\\red0\\green0\\blue0;");

    // The top byte of a colour plays no part; a copy walks upwards, so its table starts
    // with Foreground's colour.
    CSyntaxStyleMap copy;
    copy.Copy(m_styles);
    CSyntaxStyle* fg = nullptr;
    ASSERT_TRUE(copy.Lookup(STYLE_FOREGROUND, fg));
    fg->m_colour = 0xFF0000FF;
    doc = Render("", copy);
    EXPECT_EQ(doc.rfind("{\\rtf1\\ansi{\\fonttbl{\\f2\\fmodern Courier New;}}\n{\\colortbl\\red255\\green0\\blue0;"
                        "\\red128\\green128\\blue128;\\red128\\green0\\blue128;",
                        0),
              0u)
        << doc;

    // Changing one colour and rendering again builds the table afresh.
    CSyntaxStyle* comment = nullptr;
    ASSERT_TRUE(m_styles.Lookup(STYLE_COMMENT, comment));
    comment->m_colour = RGB(0, 0, 0);  // now shared with Directive
    doc = Render("", m_styles);
    const testsupport::DecodedDocument d = DecodeDocument(doc);
    ASSERT_TRUE(d.ok) << d.error;
    EXPECT_EQ(d.colours.size(), 8u);
    EXPECT_EQ(doc.find("\\red128\\green0\\blue128;"), std::string::npos);
}

TEST_F(Rtf, LongLinesEndTheDocument)
{
    struct Row {
        const char* name;
        std::string text;
        RenderStatus status;
        std::string body;
    };
    const std::string l1019(1019, 'a');
    const std::string l1020(1020, 'a');
    const Row rows[] = {
        {"1019 characters are shown", "x\n" + l1019 + "\n", RenderStatus::Ok,
         P3 + "x\n\\par " + P0 + l1019 + "\n\\par "},
        {"1019 without a line feed", l1019, RenderStatus::Ok, P3 + l1019 + "\n\\par "},
        {"1020 stops before the line", "x;\n" + l1020 + "\ny;\n", RenderStatus::LongLine,
         P3 + "x;\n\\par "},
        {"1020 at the end of the text", "x;\n" + l1020, RenderStatus::LongLine, P3 + "x;\n\\par "},
        {"1020 as the first line", l1020 + "\nx;\n", RenderStatus::LongLine, ""},
        {"a carriage return counts as a character", "x;\n" + l1019 + "\r\n", RenderStatus::LongLine,
         P3 + "x;\n\\par "},
    };
    for (const Row& row : rows) {
        RenderStatus status;
        EXPECT_EQ(Render(row.text, m_styles, &status), kHeader + row.body + kTail) << row.name;
        EXPECT_EQ(status, row.status) << row.name;
    }
    EXPECT_EQ(LongLineMessage(), "The file contained a line longer than the maximum allowed (1020)!");
}

TEST_F(Rtf, WorstCaseLineFitsItsBuffer)
{
    // Every character of a 1019-character line opens a run and needs escaping where
    // it can: alternate braces with letters inside a routine.
    std::string line = "[";
    while (line.size() < 1019) line += (line.size() % 2) ? "{" : "x";
    RenderStatus status;
    const std::string doc = Render(line + "\n", m_styles, &status);
    EXPECT_EQ(status, RenderStatus::Ok);
    const testsupport::DecodedDocument d = DecodeDocument(doc);
    ASSERT_TRUE(d.ok) << d.error;
    EXPECT_EQ(d.text, line + "\n");
}

namespace {

std::string ExpectedText(const std::string& text)
{
    // The text up to the first long line, with a final line feed.
    std::string shown;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t lf = text.find('\n', pos);
        std::size_t n = (lf == std::string::npos ? text.size() : lf) - pos;
        if (n >= MAX_LINE_LENGTH) break;
        shown.append(text, pos, n);
        shown += '\n';
        pos += n + 1;
    }
    return shown;
}

std::string RandomBytes(std::mt19937& rng, std::size_t n)
{
    static const std::string alphabet = "[];,'\"!@$#->*\\{}^~ \t\r\nabcWHC019_(\xE9\x80";
    std::string s;
    for (std::size_t i = 0; i < n; ++i) s += alphabet[rng() % alphabet.size()];
    return s;
}

void CheckDocumentOf(const std::string& text, const CSyntaxStyleMap& styles, const std::string& what)
{
    RenderStatus status;
    const std::string doc = Render(text, styles, &status);
    ASSERT_NE(status, RenderStatus::OutOfMemory);
    ASSERT_EQ(doc.find('\0'), std::string::npos) << what;
    const testsupport::DecodedDocument d = DecodeDocument(doc);
    ASSERT_TRUE(d.ok) << what << ": " << d.error;
    const std::string expected = ExpectedText(text);
    ASSERT_EQ(d.text, expected) << what;
    ASSERT_EQ(status == RenderStatus::LongLine, expected.size() < text.size() + (text.empty() || text.back() == '\n' ? 0 : 1))
        << what;

    // Character by character: a character that opens a run, and every non-white one,
    // carries its own style's attributes; white space may carry its run's.
    const std::vector<std::string> lines = testsupport::ClassifyText(text);
    std::size_t at = 0;
    for (const std::string& codes : lines) {
        for (char hex : codes) {
            const int code = hex <= '9' ? hex - '0' : hex - 'a' + 10;
            CSyntaxStyle* style = nullptr;
            ASSERT_TRUE(styles.Lookup(static_cast<std::uint16_t>(code), style));
            const unsigned char ch = static_cast<unsigned char>(d.text[at]);
            const bool white = ch == ' ' || (ch >= 0x09 && ch <= 0x0D);
            if (!white || d.startsRun[at]) {
                const testsupport::RunAttributes& a = d.attributes[at];
                ASSERT_EQ(d.colours[a.colourIndex], style->m_colour & 0xFFFFFFu) << what << " at " << at;
                ASSERT_EQ(a.bold, style->m_bold != 0) << what << " at " << at;
                ASSERT_EQ(a.italic, style->m_italic != 0) << what << " at " << at;
            }
            ++at;
        }
    }
    ASSERT_EQ(at, d.text.size());
    ASSERT_EQ(d.paragraphs, lines.size());
    // Rendering again gives the same bytes.
    ASSERT_EQ(Render(text, styles), doc) << what;
}

}  // namespace

TEST_F(Rtf, CorpusDocumentsGiveBackTheirTextInTheirStyles)
{
    const auto files = testsupport::CorpusFiles();
    if (files.empty()) GTEST_SKIP() << "the shared corpus is not present";
    for (const auto& path : files) {
        // The document's text: CR LF already folded, as the loader delivers it.
        std::string text = testsupport::ReadFile(path);
        std::string folded;
        for (std::size_t i = 0; i < text.size(); ++i)
            if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) folded += text[i];
        CheckDocumentOf(folded, m_styles, path.string());
    }
}

TEST_F(Rtf, RandomTextsGiveBackTheirTextInTheirStyles)
{
    std::mt19937 rng(7);
    CSyntaxStyleMap unusual;  // every colour distinct, bold and italic mixed
    unusual.Copy(m_styles);
    int k = 0;
    unusual.ForEach([&](std::uint16_t, CSyntaxStyle& s) {
        s.m_colour = RGB(k * 20, 255 - k, k);
        s.m_bold = k % 2;
        s.m_italic = (k / 2) % 2;
        ++k;
    });
    for (int i = 0; i < 300; ++i) {
        std::string text = RandomBytes(rng, rng() % 3000);
        if (i % 10 == 0) text += std::string(1000 + rng() % 40, 'q');  // long lines now and then
        CheckDocumentOf(text, i % 2 ? unusual : m_styles, "random text " + std::to_string(i));
    }
}

// ---------------------------------------------------------------------------------
// Running out of memory. The program's operator new can be made to fail: the builders'
// callers (the viewer, glossel-render) expect a status from them, never an exception.

namespace {

std::atomic<bool> g_failNew{false};

// While it lives, every allocation through operator new fails.
class FailingNew {
public:
    FailingNew() { g_failNew = true; }
    ~FailingNew() { g_failNew = false; }
    FailingNew(const FailingNew&) = delete;
    FailingNew& operator=(const FailingNew&) = delete;
};

}  // namespace

// The replacements pair malloc with free, as the library's own do.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void* operator new(std::size_t size)
{
    if (g_failNew.load(std::memory_order_relaxed)) throw std::bad_alloc();
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

TEST_F(Rtf, FailingAllocationsGiveAStatusNeverAnException)
{
    std::string text;
    for (int i = 0; i < 200; ++i) text += "Object lamp \"brass {lamp}\" with name 'lamp', has light;\n[ Main; ];\n";
    text += std::string(1020, 'x');  // a long line too
    CRtfBuilder builder;
    COutputBuffer expected;
    ASSERT_EQ(builder.BuildDocument(text.data(), text.size(), m_styles, expected), RenderStatus::LongLine);

    // The document's working buffers are the builder's own, not allocations that can throw.
    COutputBuffer out;
    RenderStatus status = RenderStatus::Ok;
    {
        FailingNew failing;
        CRtfBuilder fresh;
        EXPECT_NO_THROW(status = fresh.BuildDocument(text.data(), text.size(), m_styles, out));
    }
    EXPECT_EQ(status, RenderStatus::LongLine);
    EXPECT_EQ(out.View(), expected.View());
}

TEST(RtfOutput, GrowsAndKeepsItsContent)
{
    COutputBuffer out;
    EXPECT_EQ(out.Length(), 0u);
    EXPECT_STREQ(out.Data(), "");
    std::string expected;
    for (int i = 0; i < 1000; ++i) {
        const std::string piece = std::to_string(i) + ",";
        ASSERT_TRUE(out.Append(piece));
        expected += piece;
    }
    EXPECT_EQ(out.View(), expected);
    EXPECT_EQ(out.Data()[out.Length()], '\0');
    EXPECT_FALSE(out.SetCapacity(SIZE_MAX));
    EXPECT_EQ(out.View(), expected);
}
