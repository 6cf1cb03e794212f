// The control's RTF reader and its store, without any window: the documents the engine
// makes, hand-made RTF worked out byte by byte, malformed and truncated input, and how
// the store decodes its bytes for display.

#include "DisplayExpectations.h"
#include "TestSupport.h"

#include "doc/TextLoader.h"
#include "syntax/RtfBuilder.h"
#include "syntax/SyntaxStyleMap.h"
#include "view/RtfReader.h"

#include <gtest/gtest.h>

#include <random>

using testsupport::ExpectedByte;
using testsupport::ExpectedStoreBytes;

namespace {

std::string BuildDocument(const std::string& text, const CSyntaxStyleMap& styles)
{
    CRtfBuilder builder;
    COutputBuffer out;
    builder.BuildDocument(text.data(), text.size(), styles, out);
    return std::string(out.View());
}

CCharFormat StyleFormat(const CSyntaxStyleMap& styles, StyleCode code)
{
    CSyntaxStyle* style = nullptr;
    styles.Lookup(code, style);
    return CCharFormat{style->m_colour, style->m_bold != 0, style->m_italic != 0};
}

// Checks the store's internal consistency: runs cover the text from byte 0 in
// increasing order, neighbours differ, line starts follow the line feeds, and the
// display index agrees with the bytes.
void ExpectWellFormed(const CRichTextStore& store, const std::string& what)
{
    const std::string_view bytes = store.Bytes();
    if (bytes.empty()) {
        EXPECT_EQ(store.Length(), 0u) << what;
        EXPECT_EQ(store.RowCount(), 1u) << what;
        return;
    }
    ASSERT_GT(store.RunCount(), 0u) << what;
    EXPECT_EQ(store.RunStart(0), 0u) << what;
    for (std::size_t r = 1; r < store.RunCount(); ++r) {
        ASSERT_LT(store.RunStart(r - 1), store.RunStart(r)) << what << " run " << r;
        EXPECT_FALSE(store.RunFormat(r - 1) == store.RunFormat(r)) << what << " run " << r;
    }
    EXPECT_LT(store.RunStart(store.RunCount() - 1), bytes.size()) << what;
    std::size_t line = 1;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\n') continue;
        ASSERT_LT(line, store.LineCount()) << what;
        EXPECT_EQ(store.LineStart(line), i + 1) << what;
        ++line;
    }
    EXPECT_EQ(line, store.LineCount()) << what;
    const std::u16string all = store.Text(0, store.Length());
    EXPECT_EQ(all.size(), store.Length()) << what;
    std::uint64_t units = 0;
    for (std::size_t row = 0; row < store.RowCount(); ++row) {
        EXPECT_EQ(store.RowStart(row), units) << what << " row " << row;
        units = store.RowEnd(row) + (store.RowEndsWithLineFeed(row) ? 1 : 0);
    }
    EXPECT_EQ(units, store.Length()) << what;
}

struct ExpectedRun {
    std::uint64_t start;
    CCharFormat format;
};

std::vector<ExpectedRun> RunsOf(const CRichTextStore& store)
{
    std::vector<ExpectedRun> runs;
    for (std::size_t r = 0; r < store.RunCount(); ++r) runs.push_back({store.RunStart(r), store.RunFormat(r)});
    return runs;
}

bool operator==(const ExpectedRun& a, const ExpectedRun& b) { return a.start == b.start && a.format == b.format; }

std::ostream& operator<<(std::ostream& os, const ExpectedRun& r)
{
    return os << "{" << r.start << ", #" << std::hex << r.format.colour << std::dec << (r.format.bold ? " b" : "")
              << (r.format.italic ? " i" : "") << "}";
}

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlack = 0;

}  // namespace

// Hand-made RTF, expected text and runs worked out from the RTF rules.
TEST(RtfReader, ReadsTheSubsetAndIgnoresTheRest)
{
    const std::string table = "{\\rtf1\\ansi{\\fonttbl{\\f2\\fmodern Courier New;}}\n"
                              "{\\colortbl\\red0\\green128\\blue0;\\red255\\green0\\blue0;}\n\\pard";
    struct Row {
        const char* name;
        std::string rtf;
        std::string text;
        std::vector<ExpectedRun> runs;
    };
    const CCharFormat green{RGB(0, 128, 0), false, false};
    const CCharFormat red{kRed, false, false};
    const CCharFormat redBold{kRed, true, false};
    const CCharFormat plain{};
    const Row rows[] = {
        {"runs of the engine's layout", table + "\\plain\\f2\\fs20\\cf1\\b ab\\plain\\f2\\fs20\\cf0 c\n\\par \n\\par }\n.",
         "abc\n", {{0, redBold}, {2, green}}},
        {"empty document", table + "\n\\par }\n.", "", {}},
        {"escapes", "{\\rtf1 \\\\\\{\\}}", "\\{}", {{0, plain}}},
        {"final paragraph mark adds nothing", "{\\rtf1 a\\par}", "a", {{0, plain}}},
        {"two paragraph marks leave one line feed", "{\\rtf1 a\\par\\par}", "a\n", {{0, plain}}},
        {"raw CR and LF are ignored", "{\\rtf1 a\r\nb\rc\n}", "abc", {{0, plain}}},
        {"backslash before a line end is a paragraph", "{\\rtf1 a\\\nb\\\rc}", "a\nb\nc", {{0, plain}}},
        {"unknown control words are ignored with their delimiter", "{\\rtf1 a\\foo123 b\\zz c\\q-4d}", "abcd",
         {{0, plain}}},
        {"unknown control symbols show nothing", "{\\rtf1 a\\|b\\:c}", "abc", {{0, plain}}},
        {"ignorable destination", "{\\rtf1 a{\\*\\unknown hidden {nested}}b}", "ab", {{0, plain}}},
        {"font table and info are not text", "{\\rtf1{\\fonttbl{\\f0 Arial;}}{\\info{\\title T}}x}", "x",
         {{0, plain}}},
        {"hex escapes", "{\\rtf1 \\'e9\\'4A\\'zz}", "\xe9Jzz", {{0, plain}}},
        {"tab and line", "{\\rtf1 a\\tab b\\line c}", "a\tb\nc", {{0, plain}}},
        {"groups keep their format", table + "{\\cf1\\b x}y{\\i z}", "xyz",
         {{0, redBold}, {1, plain}, {2, CCharFormat{kBlack, false, true}}}},
        {"b0 and i0 turn off", table + "\\b\\i x\\b0 y\\i0 z", "xyz",
         {{0, CCharFormat{kBlack, true, true}}, {1, CCharFormat{kBlack, false, true}}, {2, plain}}},
        {"plain resets", table + "\\cf1\\b x\\plain y", "xy", {{0, redBold}, {1, plain}}},
        {"colour index out of the table is black", table + "\\cf2 a\\cf-1 b\\cf99999999999999999999999 c\\cf d",
         "abcd", {{0, plain}}},
        {"empty colour entry is automatic", "{\\rtf1{\\colortbl;\\red255\\green0\\blue0;}\\cf1 a\\cf0 b}", "ab",
         {{0, red}, {1, plain}}},
        {"components clamp to 0..255", "{\\rtf1{\\colortbl\\red999\\green-5\\blue70000;}\\cf0 a}", "a",
         {{0, CCharFormat{RGB(255, 0, 255), false, false}}}},
        {"nothing after the closing brace", "{\\rtf1 a}b{c}", "a", {{0, plain}}},
        {"stray closing braces before the document", "}}{\\rtf1 a}", "a", {{0, plain}}},
        {"text outside any group", "abc", "abc", {{0, plain}}},
        {"binary data is skipped", std::string("{\\rtf1 a\\bin3 {}\\b}"), "ab", {{0, plain}}},
        {"over-long control word is ignored", "{\\rtf1 a\\" + std::string(40, 'b') + " c}", "ac", {{0, plain}}},
        {"non-breaking space and hyphen", "{\\rtf1 a\\~b\\_c\\-d}", "a\xa0" "b-cd", {{0, plain}}},
        {"zero byte is text", std::string("{\\rtf1 a\0b}", 11), std::string("a\0b", 3), {{0, plain}}},
        {"unclosed groups keep what was read", "{\\rtf1{\\colortbl;\\red255\\green0\\blue0;}{\\cf1\\b x", "x",
         {{0, redBold}}},
        {"input ends inside a control word", "{\\rtf1 a\\pa", "a", {{0, plain}}},
        {"input ends inside a hex escape", "{\\rtf1 a\\'e", "a", {{0, plain}}},
        {"input ends after a backslash", "{\\rtf1 a\\", "a", {{0, plain}}},
    };
    for (const Row& row : rows) {
        bool failed = true;
        const CRichTextStore store = ReadRtf(row.rtf, &failed);
        EXPECT_FALSE(failed) << row.name;
        EXPECT_EQ(std::string(store.Bytes()), row.text) << row.name;
        EXPECT_EQ(RunsOf(store), row.runs) << row.name;
        ExpectWellFormed(store, row.name);
    }
}

TEST(RtfReader, DeepNestingKeepsItsFormatAndEndsWhereItShould)
{
    const std::size_t depth = 100000;
    const std::string rtf = "{\\rtf1\\b" + std::string(depth, '{') + "x\\i y" + std::string(depth, '}') +
                            "z\\b0 w}tail";
    const CRichTextStore store = ReadRtf(rtf);
    EXPECT_EQ(std::string(store.Bytes()), "xyzw");
    // Past the nesting cap the groups still count, so the italic ends with them.
    const std::vector<ExpectedRun> runs = {{0, CCharFormat{0, true, false}},
                                           {1, CCharFormat{0, true, true}},
                                           {2, CCharFormat{0, true, false}},
                                           {3, CCharFormat{0, false, false}}};
    EXPECT_EQ(RunsOf(store), runs);
}

TEST(RtfReader, ColourTableIsCapped)
{
    std::string rtf = "{\\rtf1{\\colortbl";
    for (int i = 0; i < 10000; ++i) rtf += "\\red" + std::to_string(i % 256) + "\\green1\\blue2;";
    rtf += "}\\cf4095 a\\cf4096 b\\cf9999 c}";
    const CRichTextStore store = ReadRtf(rtf);
    EXPECT_EQ(std::string(store.Bytes()), "abc");
    const std::vector<ExpectedRun> runs = {{0, CCharFormat{RGB(4095 % 256, 1, 2), false, false}},
                                           {1, CCharFormat{}}};
    EXPECT_EQ(RunsOf(store), runs);
}

TEST(RtfReader, PiecesOfAnySizeReadAsTheWhole)
{
    CSyntaxStyleMap styles;
    styles.BuildDefaults();
    const std::string rtf = BuildDocument(
        "! Comment {with} \\braces\\\nObject lamp \"brass lamp\"\n  with name 'lamp' 'light',\n"
        "[ Main x;\n  x = 10 + $FF;\n  print \"caf\xc3\xa9^\";\n];\n",
        styles);
    const CRichTextStore whole = ReadRtf(rtf);
    for (std::size_t piece : {1, 2, 3, 7, 64, 4096}) {
        CRichTextStore store;
        CRtfReader reader(store);
        for (std::size_t i = 0; i < rtf.size(); i += piece)
            ASSERT_TRUE(reader.Feed(rtf.data() + i, std::min(piece, rtf.size() - i)));
        ASSERT_TRUE(reader.Finish());
        EXPECT_EQ(store.Bytes(), whole.Bytes()) << "pieces of " << piece;
        EXPECT_EQ(RunsOf(store), RunsOf(whole)) << "pieces of " << piece;
    }
}

TEST(RtfReader, ByteLimitFailsLikeExhaustedMemory)
{
    CSyntaxStyleMap styles;
    styles.BuildDefaults();
    const std::string rtf = BuildDocument("Constant A = 1;\nConstant B = 2;\n", styles);
    CRichTextStore store;
    CRtfReader reader(store, 10);
    EXPECT_FALSE(reader.Feed(rtf.data(), rtf.size()));
    // Once failed, the reader keeps saying so and stores nothing more.
    EXPECT_FALSE(reader.Feed("{\\rtf1 more}", 12));
    EXPECT_EQ(store.ByteLength(), 0u);
    EXPECT_FALSE(reader.Finish());
    EXPECT_TRUE(reader.Failed());
    EXPECT_EQ(store.ByteLength(), 0u);
    EXPECT_EQ(store.Length(), 0u);
}

// The engine's documents give back their text, each byte in the style of its run.
namespace {

void ExpectStoreHoldsText(const std::string& text, const CSyntaxStyleMap& styles, const std::string& what)
{
    const std::vector<ExpectedByte> expected = ExpectedStoreBytes(text);
    bool failed = true;
    const CRichTextStore store = ReadRtf(BuildDocument(text, styles), &failed);
    ASSERT_FALSE(failed) << what;
    const std::string want = testsupport::BytesOf(expected);
    const std::string got(store.Bytes());
    if (got != want) {
        std::size_t at = 0;
        while (at < got.size() && at < want.size() && got[at] == want[at]) ++at;
        FAIL() << what << ": text differs at byte " << at << " of " << want.size() << " (got "
               << got.size() << " bytes): got \"" << got.substr(at, 40) << "\", expected \""
               << want.substr(at, 40) << "\"";
    }
    std::size_t mismatches = 0;
    for (std::size_t i = 0; i < expected.size() && mismatches < 5; ++i) {
        const CCharFormat want = StyleFormat(styles, expected[i].code);
        const CCharFormat got = store.FormatOfByte(i);
        if (!(got == want)) {
            ++mismatches;
            ADD_FAILURE() << what << ": byte " << i << " shows colour " << std::hex << got.colour << " bold "
                          << got.bold << " italic " << got.italic << ", expected style " << std::dec
                          << int(expected[i].code);
        }
    }
    ExpectWellFormed(store, what);
}

}  // namespace

TEST(RtfReader, CorpusDocumentsGiveBackTheirTextInTheirStyles)
{
    const auto files = testsupport::CorpusFiles();
    if (files.empty()) GTEST_SKIP() << "the shared corpus is not present";
    CSyntaxStyleMap styles;
    styles.BuildDefaults();
    for (const auto& path : files) ExpectStoreHoldsText(TextFromBytes(testsupport::ReadFile(path)), styles, path);
}

TEST(RtfReader, ChangedStylesAndEveryEscapeGiveBackTheirText)
{
    CSyntaxStyleMap styles;
    styles.BuildDefaults();
    // Every style its own colour, some bold and italic, so that no two codes look alike.
    for (int code = 0; code < STYLE_COUNT; ++code) {
        CSyntaxStyle* style = nullptr;
        styles.Lookup(static_cast<std::uint16_t>(code), style);
        style->m_colour = RGB(10 * code, 255 - 10 * code, 7 * code);
        style->m_bold = code % 2;
        style->m_italic = code % 3 == 0;
    }
    const std::string text =
        "! every escape: \\ { } \\\\ {{ }} \\{ \\}\n"
        "Object \"a{b}c\\d\" with name '{' '}' '\\';\n"
        "[ R; print \"x\\y\"; @print_char '\\'; ];\n"
        "}\n"
        "\t\tindented\r\n"
        "lone\rCR\n"
        "Latin-1 caf\xe9 \xa0\xff\x80\x9f\n"
        "controls \x01\x1f\x7f\n";
    ExpectStoreHoldsText(text, styles, "escapes");
    ExpectStoreHoldsText(text + "no final line feed", styles, "escapes without a final line feed");
}

TEST(RtfReader, GarbageAndTruncationNeverBreakTheStore)
{
    CSyntaxStyleMap styles;
    styles.BuildDefaults();
    const std::string text = "! c {x}\nObject o \"q\\\\\" with n 1;\n[ R; @jz x ?L; ];\n";
    const std::string rtf = BuildDocument(text, styles);
    const CRichTextStore full = ReadRtf(rtf);
    // Every prefix of a document reads as a prefix of its text, in the same formats.
    for (std::size_t cut = 0; cut <= rtf.size(); ++cut) {
        const CRichTextStore store = ReadRtf(std::string_view(rtf).substr(0, cut));
        const std::string_view got = store.Bytes();
        ASSERT_EQ(full.Bytes().substr(0, got.size()), got) << "cut at " << cut;
        for (std::size_t i = 0; i < got.size(); ++i)
            ASSERT_TRUE(store.FormatOfByte(i) == full.FormatOfByte(i)) << "cut at " << cut << " byte " << i;
        ExpectWellFormed(store, "cut at " + std::to_string(cut));
    }
    // Mutated documents and random bytes: the store stays well formed.
    std::mt19937 random(20240611);
    for (int round = 0; round < 400; ++round) {
        std::string bytes = rtf;
        const int flips = 1 + static_cast<int>(random() % 8);
        for (int f = 0; f < flips; ++f) bytes[random() % bytes.size()] = static_cast<char>(random() & 0xFF);
        ExpectWellFormed(ReadRtf(bytes), "mutation " + std::to_string(round));
        std::string noise(random() % 2000, '\0');
        for (char& c : noise) c = static_cast<char>(random() & 0xFF);
        ExpectWellFormed(ReadRtf(noise), "noise " + std::to_string(round));
        if (HasFailure()) break;
    }
}

// How the store shows its bytes.
TEST(RichTextStore, ChoosesUtf8OnlyForValidUtf8WithHighBytes)
{
    struct Row {
        const char* name;
        std::string bytes;
        display::Encoding encoding;
        std::u16string shown;
    };
    const Row rows[] = {
        {"ASCII", "abc", display::Encoding::Windows1252, u"abc"},
        {"UTF-8", "caf\xc3\xa9", display::Encoding::Utf8, u"caf\u00e9"},
        {"Latin-1", "caf\xe9", display::Encoding::Windows1252, u"caf\u00e9"},
        {"UTF-8 four bytes", "\xf0\x9f\x98\x80!", display::Encoding::Utf8, u"\U0001F600!"},
        {"byte-order mark stays", "\xef\xbb\xbfx", display::Encoding::Utf8, u"\ufeffx"},
        {"overlong two bytes", "\xc0\x80", display::Encoding::Windows1252, u"\u00c0\u20ac"},
        {"overlong three bytes", "\xe0\x80\x80", display::Encoding::Windows1252, u"\u00e0\u20ac\u20ac"},
        {"surrogate", "\xed\xa0\x80", display::Encoding::Windows1252, u"\u00ed\u00a0\u20ac"},
        {"past U+10FFFF", "\xf4\x90\x80\x80", display::Encoding::Windows1252, u"\u00f4\u0090\u20ac\u20ac"},
        {"truncated sequence", "a\xe2\x82", display::Encoding::Windows1252, u"a\u00e2\u201a"},
        {"lone continuation byte", "\x80x", display::Encoding::Windows1252, u"\u20acx"},
        {"the five undefined bytes are C1", "\x81\x8d\x8f\x90\x9d", display::Encoding::Windows1252,
         u"\u0081\u008d\u008f\u0090\u009d"},
        {"Windows-1252 punctuation", "\x82\x83\x84\x85\x91\x92\x93\x94\x96\x97\x99\x9f", display::Encoding::Windows1252,
         u"\u201a\u0192\u201e\u2026\u2018\u2019\u201c\u201d\u2013\u2014\u2122\u0178"},
        {"Latin-1 above 0x9F", "\xa0\xe9\xff", display::Encoding::Windows1252, u"\u00a0\u00e9\u00ff"},
    };
    for (const Row& row : rows) {
        CRichTextStore store;
        store.AppendText(row.bytes.data(), row.bytes.size(), 0);
        store.Finish();
        EXPECT_EQ(store.Encoding(), row.encoding) << row.name;
        EXPECT_EQ(store.Length(), row.shown.size()) << row.name;
        EXPECT_TRUE(store.Text(0, store.Length()) == row.shown) << row.name;
    }
}

TEST(RichTextStore, UnitsMapToTheFirstByteOfTheirCharacter)
{
    CRichTextStore store;
    const auto red = store.Intern(CCharFormat{kRed, false, false});
    const auto bold = store.Intern(CCharFormat{0, true, false});
    // "a", then U+00E9 whose first byte is red and second bold, then U+1F600 in bold,
    // then a line feed and "z" in red.
    store.AppendText("a\xc3", 2, red);
    store.AppendText("\xa9\xf0\x9f\x98\x80", 5, bold);
    store.AppendParagraph(bold);
    store.AppendText("z", 1, red);
    store.Finish();
    ASSERT_EQ(store.Encoding(), display::Encoding::Utf8);
    ASSERT_EQ(store.Length(), 6u);  // a, é, two units, line feed, z
    EXPECT_EQ(store.RowCount(), 2u);
    EXPECT_EQ(store.RowEnd(0), 4u);
    EXPECT_EQ(store.RowStart(1), 5u);
    EXPECT_EQ(store.RowOfUnit(4), 0u);
    EXPECT_EQ(store.RowOfUnit(5), 1u);
    EXPECT_EQ(store.RowOfUnit(6), 1u);
    const std::uint64_t bytes[] = {0, 1, 3, 3, 7, 8};
    for (std::uint64_t u = 0; u < 6; ++u) EXPECT_EQ(store.ByteOfUnit(u), bytes[u]) << "unit " << u;
    EXPECT_EQ(store.ByteOfUnit(6), 9u);
    EXPECT_TRUE(store.FormatAt(0) == store.Format(red));
    EXPECT_TRUE(store.FormatAt(1) == store.Format(red));  // é: its first byte is red
    EXPECT_TRUE(store.FormatAt(2) == store.Format(bold));
    EXPECT_TRUE(store.FormatAt(5) == store.Format(red));
    std::u16string units;
    std::vector<CRichTextStore::Span> spans;
    store.DecodeRow(0, units, spans);
    EXPECT_TRUE(units == u"a\u00e9\U0001F600");
    ASSERT_EQ(spans.size(), 2u);
    EXPECT_EQ(spans[0].start, 0u);
    EXPECT_EQ(spans[0].format, red);
    EXPECT_EQ(spans[1].start, 2u);
    EXPECT_EQ(spans[1].format, bold);
}

TEST(RichTextStore, LongLinesAreCutIntoRowsAtCharacterBoundaries)
{
    struct Row {
        const char* name;
        std::string line;
        std::vector<std::uint64_t> rowStarts;  // in units
    };
    const std::string smile = "\xf0\x9f\x98\x80";  // two units
    const Row rows[] = {
        {"exactly the limit stays one row", std::string(4096, 'x'), {0}},
        {"one more starts a second row", std::string(4097, 'x'), {0, 4096}},
        {"three rows", std::string(2 * 4096 + 5, 'x'), {0, 4096, 8192}},
        {"a pair is never cut", std::string(4095, 'x') + smile + "y", {0, 4097}},
        {"UTF-8 at the limit", "\xc3\xa9" + std::string(4095, 'x') + "y", {0, 4096}},
    };
    for (const Row& row : rows) {
        CRichTextStore store;
        store.AppendText(row.line.data(), row.line.size(), 0);
        store.AppendParagraph(0);
        store.AppendText("end", 3, 0);
        store.Finish();
        ASSERT_EQ(store.RowCount(), row.rowStarts.size() + 1) << row.name;
        for (std::size_t r = 0; r < row.rowStarts.size(); ++r) {
            EXPECT_EQ(store.RowStart(r), row.rowStarts[r]) << row.name << " row " << r;
            EXPECT_EQ(store.RowEndsWithLineFeed(r), r + 1 == row.rowStarts.size()) << row.name << " row " << r;
            EXPECT_EQ(store.RowOfUnit(row.rowStarts[r]), r) << row.name << " row " << r;
        }
        const std::size_t last = row.rowStarts.size();
        EXPECT_EQ(store.RowEnd(last) - store.RowStart(last), 3u) << row.name;
        ExpectWellFormed(store, row.name);
    }
}

namespace {

// A store filled with text in the default format, a paragraph mark for each line feed.
CRichTextStore StoreOfLines(const std::string& text)
{
    CRichTextStore store;
    for (std::size_t pos = 0; pos <= text.size();) {
        const std::size_t lf = std::min(text.find('\n', pos), text.size());
        store.AppendText(text.data() + pos, lf - pos, 0);
        if (lf < text.size()) store.AppendParagraph(0);
        pos = lf + 1;
    }
    store.Finish();
    return store;
}

}  // namespace

TEST(RichTextStore, WidestRowCountsTabStopsEveryEightColumns)
{
    struct Row {
        const char* name;
        std::string text;
        std::uint64_t columns;
    };
    const Row rows[] = {
        {"plain", "abc\nab", 3},
        {"tab after one column", "a\tb", 9},
        {"two tabs", "\t\t", 16},
        {"tab at a stop", "abcdefgh\tx", 17},
        {"UTF-8 counts characters", "\xc3\xa9\xc3\xa9\t", 8},
        {"wide characters take two", "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e" "x", 7},
        {"marks take none", "e\xcc\x81" "e\xcc\x81", 2},
        {"a bidirectional control is a box of two", "a\xe2\x81\xa6", 3},
    };
    for (const Row& row : rows) {
        const CRichTextStore store = StoreOfLines(row.text);
        EXPECT_EQ(store.MaxRowColumns(), row.columns) << row.name;
    }
}

TEST(RichTextStore, CountsTheBidirectionalControls)
{
    struct Row {
        const char* name;
        std::string text;
        std::uint64_t controls;
    };
    const Row rows[] = {
        {"none", "caf\xc3\xa9", 0},
        {"every one of the twelve",
         "\xd8\x9c \xe2\x80\x8e \xe2\x80\x8f \xe2\x80\xaa \xe2\x80\xab \xe2\x80\xac \xe2\x80\xad \xe2\x80\xae "
         "\xe2\x81\xa6 \xe2\x81\xa7 \xe2\x81\xa8 \xe2\x81\xa9",
         12},
        {"their neighbours are none", "\xd8\x9b \xe2\x80\x8d \xe2\x80\xa9 \xe2\x80\xaf \xe2\x81\xa5 \xe2\x81\xaa", 0},
        {"over several lines", "\xe2\x80\xae" "a\nb\xe2\x81\xa9\n\xe2\x81\xa9", 3},
        // Shown as Windows-1252 (the 0xff), the same bytes are three characters each.
        {"none in Windows-1252", "\xe2\x80\xae\xff", 0},
    };
    for (const Row& row : rows) {
        const CRichTextStore store = StoreOfLines(row.text);
        EXPECT_EQ(store.BidiControlCount(), row.controls) << row.name;
    }
}

TEST(RichTextStore, ApplyFormatChangesOnlyWhatTheMaskSelects)
{
    CRichTextStore store;
    const auto red = store.Intern(CCharFormat{kRed, false, true});
    store.AppendText(" Sam", 4, 0);
    store.AppendText("ple", 3, red);
    store.Finish();
    store.ApplyFormat(2, 5, CRichTextStore::APPLY_BOLD | CRichTextStore::APPLY_COLOUR,
                      CCharFormat{RGB(0, 0, 255), true, false});
    const std::vector<ExpectedRun> runs = {{0, CCharFormat{}},
                                           {2, CCharFormat{RGB(0, 0, 255), true, false}},
                                           {4, CCharFormat{RGB(0, 0, 255), true, true}},
                                           {5, CCharFormat{kRed, false, true}}};
    EXPECT_EQ(RunsOf(store), runs);
    store.ApplyFormat(0, 7, CRichTextStore::APPLY_COLOUR | CRichTextStore::APPLY_BOLD | CRichTextStore::APPLY_ITALIC,
                      CCharFormat{RGB(1, 2, 3), false, false});
    const std::vector<ExpectedRun> one = {{0, CCharFormat{RGB(1, 2, 3), false, false}}};
    EXPECT_EQ(RunsOf(store), one);
}
