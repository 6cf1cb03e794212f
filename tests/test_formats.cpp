// The text formats beside RTF: the decoding and stand-ins they share, the HTML page
// and fragment, the style sheet, the terminal text, the codes and the outline. Every expected byte below was
// worked out by hand from the formats' layouts and the classification rules (the codes
// of each line are given beside it).

#include "TestSupport.h"

#include "syntax/AnsiBuilder.h"
#include "syntax/CodesWriter.h"
#include "syntax/DisplayText.h"
#include "syntax/HtmlBuilder.h"
#include "syntax/OutlineWriter.h"
#include "syntax/RtfBuilder.h"
#include "syntax/SyntaxStyleMap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using namespace display;

namespace {

std::string Html(const std::string& text, const CSyntaxStyleMap& styles, CHtmlBuilder::Kind kind = CHtmlBuilder::Fragment,
                 const std::string& title = "", RenderStatus* status = nullptr)
{
    COutputBuffer out;
    const RenderStatus s = CHtmlBuilder().BuildDocument(text.data(), text.size(), styles, kind, title, out);
    if (status) *status = s;
    return std::string(out.View());
}

std::string Ansi(const std::string& text, const CSyntaxStyleMap& styles,
                 CAnsiBuilder::Colours colours = CAnsiBuilder::TrueColour, RenderStatus* status = nullptr)
{
    COutputBuffer out;
    const RenderStatus s = CAnsiBuilder().BuildDocument(text.data(), text.size(), styles, colours, out);
    if (status) *status = s;
    return std::string(out.View());
}

std::string Span(const char* name, const std::string& content)
{
    return "<span class=\"" + std::string(name) + "\">" + content + "</span>";
}

const std::string kPre = "<pre class=\"glossel\">\n";

// The lines of a "Trojan Source" attack: U+202E RLO, U+202C PDF, U+2066 LRI, U+2069 PDI.
const std::string kHiddenCode =
    "if (x == 1) { ! \xE2\x80\xAE } \xE2\x81\xA6 if (x == 0) \xE2\x81\xA9 \xE2\x81\xA6 ! admin only\n";
// Their marks: the name between U+2039 and U+203A.
const std::string kRlo = "\xE2\x80\xB9RLO\xE2\x80\xBA";
const std::string kPdf = "\xE2\x80\xB9PDF\xE2\x80\xBA";
const std::string kLri = "\xE2\x80\xB9LRI\xE2\x80\xBA";
const std::string kPdi = "\xE2\x80\xB9PDI\xE2\x80\xBA";
const std::string kPreEnd = "</pre>\n";

// Terminal runs of the default styles.
const std::string kDirective = "\x1b[0;1;38;2;0;0;0m";
const std::string kForeground = "\x1b[0;38;2;0;0;160m";
const std::string kComment = "\x1b[0;3;38;2;128;0;128m";
const std::string kNumber = "\x1b[0;1;38;2;0;0;160m";
const std::string kReset = "\x1b[0m";

class Formats : public testing::Test {
protected:
    void SetUp() override { m_styles.BuildDefaults(); }
    CSyntaxStyleMap m_styles;
};

}  // namespace

// ---------------------------------------------------------------------------------
// Decoding and stand-ins

TEST(DisplayText, EncodingFollowsTheShownLines)
{
    const std::string longLine = std::string(1020, 'a') + "\n";
    struct Row {
        const char* name;
        std::string text;
        Encoding encoding;
    };
    const Row rows[] = {
        {"plain ASCII", "Object lamp;\n", Encoding::Windows1252},
        {"UTF-8 e acute", "! caf\xC3\xA9\n", Encoding::Utf8},
        {"Latin-1 e acute", "! caf\xE9\n", Encoding::Windows1252},
        {"UTF-8 and one stray byte", "\xC3\xA9\xE9\n", Encoding::Windows1252},
        {"truncated sequence at the end", "\xC3\xA9\xE2\x82", Encoding::Windows1252},
        {"overlong slash", "\xC0\xAF\n", Encoding::Windows1252},
        {"surrogate", "\xED\xA0\x80\n", Encoding::Windows1252},
        {"past U+10FFFF", "\xF4\x90\x80\x80\n", Encoding::Windows1252},
        {"four-byte character", "\xF0\x9F\x92\xA1\n", Encoding::Utf8},
        {"UTF-8 only after a long line", "x\n" + longLine + "\xC3\xA9\n", Encoding::Windows1252},
        {"stray byte only after a long line", "\xC3\xA9\n" + longLine + "\xE9\n", Encoding::Utf8},
        {"stray byte on the long line", "\xC3\xA9\n" + std::string(1019, 'a') + "\xE9\n", Encoding::Utf8},
        {"stray byte before a long line", "\xE9\xC3\xA9\n" + longLine, Encoding::Windows1252},
        {"the text ends at a zero byte", std::string("\xC3\xA9\0\xE9", 4), Encoding::Utf8},
        {"empty", "", Encoding::Windows1252},
    };
    for (const Row& row : rows) EXPECT_EQ(ChooseEncoding(row.text.data(), row.text.size()), row.encoding) << row.name;
}

TEST(DisplayText, StandInsAndWindows1252)
{
    const std::pair<char32_t, char32_t> standIns[] = {
        {0x09, 0x09},     {0x0A, 0x0A},     {0x00, 0x2400},   {0x07, 0x2407},   {0x0D, 0x240D},
        {0x1B, 0x241B},   {0x1F, 0x241F},   {0x7F, 0x2421},   {0x80, 0xFFFD},   {0x9B, 0xFFFD},
        {0x9F, 0xFFFD},   {0xA0, 0xA0},     {0xE9, 0xE9},     {0xFEFF, NO_CHARACTER},
        {0xFDD0, 0xFFFD}, {0xFDEF, 0xFFFD}, {0xFDF0, 0xFDF0}, {0xFFFE, 0xFFFD}, {0xFFFF, 0xFFFD},
        {0x1FFFE, 0xFFFD}, {0x10FFFF, 0xFFFD}, {0x20AC, 0x20AC}, {0x1F4A1, 0x1F4A1}, {0x20, 0x20},
    };
    for (const auto& [c, shown] : standIns) EXPECT_EQ(StandIn(c), shown) << std::hex << static_cast<unsigned>(c);

    const std::pair<unsigned char, char32_t> cp1252[] = {
        {0x41, 0x41},   {0x80, 0x20AC}, {0x81, 0x81},   {0x8D, 0x8D},   {0x8F, 0x8F}, {0x90, 0x90},
        {0x9D, 0x9D},   {0x92, 0x2019}, {0x9F, 0x0178}, {0xA0, 0xA0},   {0xE9, 0xE9}, {0xFF, 0xFF},
    };
    for (const auto& [b, c] : cp1252) EXPECT_EQ(Windows1252(b), c) << std::hex << int(b);
}

TEST(DisplayText, BidirectionalControlsAreTwelveNamedCharacters)
{
    const std::pair<char32_t, const char*> controls[] = {
        {0x061C, "ALM"}, {0x200E, "LRM"}, {0x200F, "RLM"}, {0x202A, "LRE"}, {0x202B, "RLE"}, {0x202C, "PDF"},
        {0x202D, "LRO"}, {0x202E, "RLO"}, {0x2066, "LRI"}, {0x2067, "RLI"}, {0x2068, "FSI"}, {0x2069, "PDI"},
    };
    for (const auto& [c, name] : controls) {
        EXPECT_TRUE(IsBidiControl(c)) << std::hex << static_cast<unsigned>(c);
        EXPECT_STREQ(BidiControlName(c), name) << std::hex << static_cast<unsigned>(c);
    }
    // Their neighbours, and the other invisible formatting characters, are not.
    std::size_t count = 0;
    for (char32_t c = 0; c <= 0x10FFFF; ++c) {
        count += IsBidiControl(c);
        EXPECT_EQ(BidiControlName(c) != nullptr, IsBidiControl(c)) << std::hex << static_cast<unsigned>(c);
    }
    EXPECT_EQ(count, std::size(controls));
}

TEST(DisplayText, ShownTextWritesUtf8WithStandInsAndEscapes)
{
    struct Row {
        const char* name;
        Encoding encoding;
        bool html;
        std::string bytes;
        std::string shown;
    };
    const Row rows[] = {
        {"ASCII as it is", Encoding::Windows1252, false, "a b\tc\n", "a b\tc\n"},
        {"escapes for HTML only", Encoding::Windows1252, true, "a<b>&\"'", "a&lt;b&gt;&amp;\"'"},
        {"no escapes for a terminal", Encoding::Windows1252, false, "a<b>&", "a<b>&"},
        {"controls as pictures", Encoding::Windows1252, false, std::string("\x1b[2J\x07\r\0\x7f", 8),
         "\xE2\x90\x9B[2J\xE2\x90\x87\xE2\x90\x8D\xE2\x90\x80\xE2\x90\xA1"},
        {"Windows-1252 bytes", Encoding::Windows1252, false, "\xE9\x80\x92\x81", "\xC3\xA9\xE2\x82\xAC\xE2\x80\x99\xEF\xBF\xBD"},
        {"UTF-8 passes", Encoding::Utf8, false, "caf\xC3\xA9 \xF0\x9F\x92\xA1", "caf\xC3\xA9 \xF0\x9F\x92\xA1"},
        {"UTF-8 byte-order mark left out", Encoding::Utf8, true, "\xEF\xBB\xBFx", "x"},
        {"UTF-8 C1 control", Encoding::Utf8, false, "\xC2\x9B" "2J", "\xEF\xBF\xBD" "2J"},
        {"UTF-8 noncharacter", Encoding::Utf8, false, "\xEF\xBF\xBE", "\xEF\xBF\xBD"},
        {"UTF-8 and controls", Encoding::Utf8, true, "\xC3\xA9\x1b<", "\xC3\xA9\xE2\x90\x9B&lt;"},
        // U+202E, U+2066 and the two bytes of U+061C become marks between U+2039 and U+203A
        {"bidirectional controls as marks", Encoding::Utf8, false, "a\xE2\x80\xAE" "b\xE2\x81\xA6" "c\xD8\x9C\xD8\x9C",
         "a\xE2\x80\xB9RLO\xE2\x80\xBA" "b\xE2\x80\xB9LRI\xE2\x80\xBA" "c\xE2\x80\xB9" "ALM\xE2\x80\xBA\xE2\x80\xB9" "ALM\xE2\x80\xBA"},
        {"bidirectional marks in HTML", Encoding::Utf8, true, "\xE2\x80\x8E<\xE2\x80\x8F",
         "\xE2\x80\xB9LRM\xE2\x80\xBA&lt;\xE2\x80\xB9RLM\xE2\x80\xBA"},
        // U+200D, U+202F, U+2065 and U+206A are next to the controls and are none
        {"neighbours of the controls pass", Encoding::Utf8, false, "\xE2\x80\x8D\xE2\x80\xAF\xE2\x81\xA5\xE2\x81\xAA",
         "\xE2\x80\x8D\xE2\x80\xAF\xE2\x81\xA5\xE2\x81\xAA"},
    };
    for (const Row& row : rows) {
        const CShownText shown(row.encoding, row.html);
        std::string out(row.bytes.size() * CShownText::MAX_PER_BYTE + CShownText::SLACK, '\0');
        char* end = shown.Write(out.data(), reinterpret_cast<const unsigned char*>(row.bytes.data()), row.bytes.size());
        out.resize(static_cast<std::size_t>(end - out.data()));
        EXPECT_EQ(out, row.shown) << row.name;
    }
}

// ---------------------------------------------------------------------------------
// HTML

TEST_F(Formats, HtmlFragmentsOfSmallTexts)
{
    struct Row {
        const char* name;
        std::string text;
        std::string body;  // between the <pre> start tag's line and </pre>
    };
    const Row rows[] = {
        {"empty text", "", ""},
        // 3 3 0
        {"a directive", "x;\n", Span("directive", "x;") + "\n"},
        {"no final line feed", "abc", Span("directive", "abc") + "\n"},
        // an empty first line is kept: the line feed after <pre> is the markup's
        {"empty lines", "\n\n", "\n\n"},
        // 1 11111111 1 0
        {"escapes", "\"a<b>&c\"\n", Span("quoted-text", "\"a&lt;b&gt;&amp;c\"") + "\n"},
        // 5 6 5 6: white space keeps its own style; runs of one style are one element
        {"routine", "[ x\n", Span("function", "[") + Span("code", " ") + Span("function", "x") + Span("code", "\n")},
        // 333333 0 0000 3 0
        {"one element per run", "Object lamp;\n", Span("directive", "Object") + " lamp" + Span("directive", ";") + "\n"},
        // 2222222222: a comment takes its line feed
        {"controls in a comment", "! \x1b[2J\x07\r\n",
         Span("comment", "! \xE2\x90\x9B[2J\xE2\x90\x87\xE2\x90\x8D\n")},
        // 3 0 0 0 0 (Windows-1252: the text is not UTF-8)
        {"Windows-1252", "\xE9 \x80\x81\n", Span("directive", "\xC3\xA9") + " \xE2\x82\xAC\xEF\xBF\xBD\n"},
        // 3 3 3 0: the three bytes are one UTF-8 character, U+9001
        {"UTF-8 character of three bytes", "\xE9\x80\x81\n", Span("directive", "\xE9\x80\x81") + "\n"},
        // the byte-order mark's three bytes are one character, styled by its first
        // byte (3), then left out; 2 2 2 2 2
        {"UTF-8 with a byte-order mark", "\xEF\xBB\xBF! \xC3\xA9\n", Span("comment", "! \xC3\xA9\n")},
        // 3 0 0 0: a UTF-8 character takes the style of its first byte
        {"UTF-8 character styled by its first byte", "\xC3\xA9\n", Span("directive", "\xC3\xA9") + "\n"},
        {"a zero byte ends the text", std::string("x;\n\0y;\n", 7), Span("directive", "x;") + "\n"},
        // 1 (the whole string) 0: U+202E and U+202C as marks, in the string's style
        {"right-to-left override in a string", "\"user\xE2\x80\xAE rewop \xE2\x80\xAC done\"\n",
         Span("quoted-text", "\"user" + kRlo + " rewop " + kPdf + " done\"") + "\n"},
        // 33 0000000 a 0000 2...2: the comment's isolates and override are marks, in order
        {"controls hiding code in a comment", kHiddenCode,
         Span("directive", "if") + " (x == " + Span("number", "1") + ") { " +
             Span("comment", "! " + kRlo + " } " + kLri + " if (x == 0) " + kPdi + " " + kLri + " ! admin only\n")},
    };
    for (const Row& row : rows) {
        RenderStatus status;
        EXPECT_EQ(Html(row.text, m_styles, CHtmlBuilder::Fragment, "", &status), kPre + row.body + kPreEnd) << row.name;
        EXPECT_EQ(status, RenderStatus::Ok) << row.name;
    }
}

TEST_F(Formats, HtmlPageAndStyleSheet)
{
    auto rule = [](const char* selector, const char* colour, const char* weight, const char* slant) {
        return std::string(selector) + " {\n  color: #" + colour + ";\n  font-weight: " + weight +
               ";\n  font-style: " + slant + ";\n}\n";
    };
    const std::string sheet =
        ".glossel {\n  font-family: \"Courier New\", monospace;\n  tab-size: 8;\n  -moz-tab-size: 8;\n"
        "  background-color: #ffffff;\n}\n" +
        rule(".glossel, .glossel .foreground", "0000a0", "normal", "normal") +
        rule(".glossel .quoted-text", "808080", "normal", "normal") +
        rule(".glossel .comment", "800080", "normal", "italic") +
        rule(".glossel .directive", "000000", "bold", "normal") +
        rule(".glossel .property", "c00000", "normal", "normal") +
        rule(".glossel .function", "a00000", "normal", "normal") +
        rule(".glossel .code", "000080", "normal", "normal") +
        rule(".glossel .code-alpha", "008000", "normal", "normal") +
        rule(".glossel .assembly", "a0a000", "normal", "italic") +
        rule(".glossel .escape-character", "c00000", "normal", "normal") +
        rule(".glossel .number", "0000a0", "bold", "normal") +
        rule(".glossel .code-number", "008000", "bold", "normal");
    COutputBuffer css;
    ASSERT_TRUE(CHtmlBuilder::BuildStyleSheet(m_styles, css));
    EXPECT_EQ(css.View(), sheet);

    const std::string head = "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n"
                             "<meta name=\"generator\" content=\"glossel-render " GLOSSEL_VERSION_STRING "\">\n<title>";
    const std::string page = head + "a&lt;b&gt;&amp;\xC3\xA9.inf</title>\n<style>\n" + sheet +
                             "</style>\n</head>\n<body>\n" + kPre + Span("directive", "x;") + "\n" + kPreEnd +
                             "</body>\n</html>\n";
    // The title's bytes are not UTF-8: they are read as Windows-1252.
    EXPECT_EQ(Html("x;\n", m_styles, CHtmlBuilder::Page, "a<b>&\xE9.inf"), page);
    // A name is read whole: UTF-8 before a zero byte does not make the rest UTF-8.
    EXPECT_NE(Html("x;\n", m_styles, CHtmlBuilder::Page, std::string("\xC3\xA9\0\xE9", 4))
                  .find("<title>\xC3\x83\xC2\xA9\xE2\x90\x80\xC3\xA9</title>"),
              std::string::npos);
    // A UTF-8 name shows its bidirectional controls as marks too.
    EXPECT_NE(Html("x;\n", m_styles, CHtmlBuilder::Page, "a\xE2\x80\xAE" "b.inf").find("<title>a" + kRlo + "b.inf</title>"),
              std::string::npos);

    // A changed style changes its rule, and only it; the top byte of a colour plays no part.
    CSyntaxStyle* comment = nullptr;
    ASSERT_TRUE(m_styles.Lookup(STYLE_COMMENT, comment));
    comment->m_colour = 0xFF123456;
    comment->m_bold = 1;
    comment->m_italic = 0;
    ASSERT_TRUE(CHtmlBuilder::BuildStyleSheet(m_styles, css));
    std::string changed = sheet;
    const std::string old = rule(".glossel .comment", "800080", "normal", "italic");
    changed.replace(changed.find(old), old.size(), rule(".glossel .comment", "563412", "bold", "normal"));
    EXPECT_EQ(css.View(), changed);
}

TEST_F(Formats, LongLinesEndEveryFormatAfterTheLinesBefore)
{
    const std::string text = "x;\n" + std::string(1020, 'a') + "\ny;\n";
    RenderStatus status;
    EXPECT_EQ(Html(text, m_styles, CHtmlBuilder::Fragment, "", &status), kPre + Span("directive", "x;") + "\n" + kPreEnd);
    EXPECT_EQ(status, RenderStatus::LongLine);
    const std::string page = Html(text, m_styles, CHtmlBuilder::Page, "t", &status);
    EXPECT_EQ(status, RenderStatus::LongLine);
    EXPECT_TRUE(page.ends_with(Span("directive", "x;") + "\n</pre>\n</body>\n</html>\n")) << page;
    EXPECT_EQ(Ansi(text, m_styles, CAnsiBuilder::TrueColour, &status), kDirective + "x;" + kReset + "\n");
    EXPECT_EQ(status, RenderStatus::LongLine);
    EXPECT_EQ(Ansi(std::string(1019, 'a'), m_styles, CAnsiBuilder::TrueColour, &status),
              kDirective + std::string(1019, 'a') + kReset + "\n");
    EXPECT_EQ(status, RenderStatus::Ok);
}

// ---------------------------------------------------------------------------------
// Terminal

TEST_F(Formats, TerminalTextOfSmallTexts)
{
    struct Row {
        const char* name;
        std::string text;
        std::string out;
    };
    const Row rows[] = {
        {"empty text", "", ""},
        // 3 3 0: the line feed ends the line after the reset
        {"a directive", "x;\n", kDirective + "x;" + kReset + "\n"},
        {"no final line feed", "abc", kDirective + "abc" + kReset + "\n"},
        {"empty lines stay plain", "\n\n", "\n\n"},
        // 3 0 0 0 a 3 0
        {"runs", "x = 1;\n", kDirective + "x" + kForeground + " = " + kNumber + "1" + kDirective + ";" + kReset + "\n"},
        // no byte of the file drives the terminal
        {"controls in a comment", "! \x1b[2J\x07\r\n",
         kComment + "! \xE2\x90\x9B[2J\xE2\x90\x87\xE2\x90\x8D" + kReset + "\n"},
        {"UTF-8 C1 control sequence introducer", "! \xC2\x9B" "2J\n", kComment + "! \xEF\xBF\xBD" "2J" + kReset + "\n"},
        // 1 1 1 (Windows-1252)
        {"Windows-1252", "'\x9D\x9B'\n", "\x1b[0;38;2;128;128;128m'\xEF\xBF\xBD\xE2\x80\xBA'" + kReset + "\n"},
        // a byte-order mark alone on its line opens nothing (its first byte took the
        // directive, so the next line's character is Foreground)
        {"only a byte-order mark", "\xEF\xBB\xBF\n\xC3\xA9\n", "\n" + kForeground + "\xC3\xA9" + kReset + "\n"},
        {"tabs stay", "\tx;\n", kForeground + "\t" + kDirective + "x;" + kReset + "\n"},
        {"right-to-left override in a string", "\"user\xE2\x80\xAE rewop \xE2\x80\xAC done\"\n",
         "\x1b[0;38;2;128;128;128m\"user" + kRlo + " rewop " + kPdf + " done\"" + kReset + "\n"},
        {"controls hiding code in a comment", kHiddenCode,
         kDirective + "if" + kForeground + " (x == " + kNumber + "1" + kForeground + ") { " + kComment + "! " + kRlo +
             " } " + kLri + " if (x == 0) " + kPdi + " " + kLri + " ! admin only" + kReset + "\n"},
    };
    for (const Row& row : rows) EXPECT_EQ(Ansi(row.text, m_styles), row.out) << row.name;

    EXPECT_EQ(Ansi("x = 1;\n", m_styles, CAnsiBuilder::Palette256),
              "\x1b[0;1;38;5;16mx\x1b[0;38;5;19m = \x1b[0;1;38;5;19m1\x1b[0;1;38;5;16m;" + kReset + "\n");
}

TEST(AnsiPalette, NearestXtermColours)
{
    // Worked out from the palette: cube levels 0, 95, 135, 175, 215, 255 (16 + 36r + 6g +
    // b) and greys 8 + 10k (232 + k).
    struct Row {
        COLORREF colour;
        int nearest;
    };
    const Row rows[] = {
        {RGB(0, 0, 0), 16},        {RGB(0, 0, 160), 19},      {RGB(128, 128, 128), 244},
        {RGB(192, 0, 0), 124},     {RGB(160, 160, 0), 142},   {RGB(255, 255, 255), 231},
        {RGB(8, 8, 8), 232},       {RGB(238, 238, 238), 255}, {RGB(0, 128, 0), 28},
        {RGB(115, 0, 0), 52},      // 95 and 135 are equally near: the lower number
        {0xFF0000FF, 196},         // the top byte plays no part
    };
    for (const Row& row : rows) EXPECT_EQ(CAnsiBuilder::NearestXtermColour(row.colour), row.nearest) << std::hex << row.colour;
    EXPECT_EQ(CAnsiBuilder::XtermColour(16 + 36 * 5 + 6 * 2 + 1), RGB(255, 135, 95));
    EXPECT_EQ(CAnsiBuilder::XtermColour(255), RGB(238, 238, 238));
}

// ---------------------------------------------------------------------------------
// Codes and outline

TEST(TextWriters, CodesAndOutlineOfSmallTexts)
{
    using Write = RenderStatus (*)(const char*, std::size_t, COutputBuffer&);
    struct Row {
        const char* name;
        Write write;
        std::string text;
        std::string out;
        RenderStatus status = RenderStatus::Ok;
    };
    const std::string longLine = std::string(1020, ' ') + "\n";
    const Row rows[] = {
        // Codes: "[ Main" 5, "; " 6, "x " 7, "= " 6, "1" 11, "; " 6, "]" 5, ";\n" 3; a comment 2,
        // quoted text 1 (still open after the line: the state's double-quote bit).
        {"codes of a sample", WriteCodes, "[ Main; x = 1; ];\n! c\n\"open\n",
         "565555667666b66530 020000ff\n2222 020000ff\n111111 020400ff\n"},
        {"codes: a digit per byte", WriteCodes, "x;\n! \xC3\xA9\n", "330 020000ff\n22222 020000ff\n"},
        {"codes: a last line is given its line feed", WriteCodes, "x;", "330 020000ff\n"},
        {"codes end at a zero byte", WriteCodes, std::string("x;\n\0y;\n", 7), "330 020000ff\n"},
        {"codes stop before a long line", WriteCodes, "x;\n" + longLine + "y;\n", "330 020000ff\n",
         RenderStatus::LongLine},
        {"codes of nothing", WriteCodes, "", ""},

        {"outline: row, kind and name", WriteOutline, "Constant Story \"x\";\n[ Main; ];\n! Global g;\nGlobal h;\n",
         "1\tconstant\tStory\n2\troutine\tMain\n4\tglobal\th\n"},
        {"outline: C0 controls and DEL escaped", WriteOutline, "Object \"a\tb\x1b[2J\x7f\";\n",
         "1\tobject\t\"a\\tb\\x1b[2J\\x7f\"\n"},
        {"outline: a UTF-8 name as it is", WriteOutline, "Object \"caf\xC3\xA9\";\n", "1\tobject\t\"caf\xC3\xA9\"\n"},
        {"outline: a UTF-8 C1 control escaped", WriteOutline, "Object \"x\xC2\x9B" "2J y\";\n",
         "1\tobject\t\"x\\u009b2J y\"\n"},
        {"outline: bidirectional controls escaped", WriteOutline,
         "Object \"user\xE2\x80\xAE rewop \xE2\x80\xAC done\";\n"
         "Object \"\xD8\x9C\xE2\x80\x8E\xE2\x80\x8F\xE2\x80\xAA\xE2\x81\xA6\xE2\x81\xA9\";\n",
         "1\tobject\t\"user\\u202e rewop \\u202c done\"\n"
         "2\tobject\t\"\\u061c\\u200e\\u200f\\u202a\\u2066\\u2069\"\n"},
        {"outline: their neighbours as they are", WriteOutline,
         "Object \"\xD8\x9B\xE2\x80\x8D\xE2\x80\x90\xE2\x80\xA9\xE2\x80\xAF\xE2\x81\xA5\xE2\x81\xAA\";\n",
         "1\tobject\t\"\xD8\x9B\xE2\x80\x8D\xE2\x80\x90\xE2\x80\xA9\xE2\x80\xAF\xE2\x81\xA5\xE2\x81\xAA\"\n"},
        // Windows-1252: e acute U+00E9, sharp s U+00DF, the euro sign U+20AC and the
        // quotation mark U+203A (0x80, 0x9B); 0x81 is left undefined, a C1 control.
        {"outline: Windows-1252 names in UTF-8", WriteOutline,
         "Object \"caf\xE9\";\nVerb 'schmei\xDF' * -> Take;\nObject \"\x80\x9B\x81\";\n",
         "1\tobject\t\"caf\xC3\xA9\"\n2\tverb\t'schmei\xC3\x9F'\n3\tobject\t\"\xE2\x82\xAC\xE2\x80\xBA\\u0081\"\n"},
        // One byte that is no UTF-8 makes the whole text Windows-1252, as the viewer shows
        // it: C3 A9 are then U+00C3 and U+00A9.
        {"outline: decoded as the whole text", WriteOutline, "! \xE9\nObject \"caf\xC3\xA9\";\n",
         "2\tobject\t\"caf\xC3\x83\xC2\xA9\"\n"},
        {"outline ends at a zero byte", WriteOutline, std::string("Global a;\n\0Global b;\n", 21), "1\tglobal\ta\n"},
        {"outline stops before a long line", WriteOutline, "Global a;\n" + longLine + "Global b;\n",
         "1\tglobal\ta\n", RenderStatus::LongLine},
    };
    for (const Row& row : rows) {
        COutputBuffer out;
        out.Append("old");
        EXPECT_EQ(row.write(row.text.data(), row.text.size(), out), row.status) << row.name;
        EXPECT_EQ(out.View(), row.out) << row.name;
    }
}

// ---------------------------------------------------------------------------------
// Streams: a document handed over in chunks while it is built is the same document.

TEST_F(Formats, AStreamHandsOverTheWholeDocumentInBoundedMemory)
{
    std::string text;
    for (const auto& path : testsupport::CorpusFiles()) {
        text += testsupport::ReadFile(path);
        if (text.size() > 300'000) break;
    }
    for (const auto& entry : std::filesystem::directory_iterator(testsupport::ExamplesDir()))
        text += testsupport::ReadFile(entry.path());

    struct Sink {
        std::string bytes;
        std::size_t largest = 0;
        static void Take(void* context, const char* data, std::size_t n)
        {
            auto* self = static_cast<Sink*>(context);
            self->bytes.append(data, n);
            self->largest = std::max(self->largest, n);
        }
    };
    using Build = RenderStatus (*)(const std::string&, const CSyntaxStyleMap&, COutputBuffer&);
    const std::pair<const char*, Build> builders[] = {
        {"rtf", [](const std::string& t, const CSyntaxStyleMap& st, COutputBuffer& o) {
             return CRtfBuilder().BuildDocument(t.data(), t.size(), st, o);
         }},
        {"html", [](const std::string& t, const CSyntaxStyleMap& st, COutputBuffer& o) {
             return CHtmlBuilder().BuildDocument(t.data(), t.size(), st, CHtmlBuilder::Page, "t", o);
         }},
        {"ansi", [](const std::string& t, const CSyntaxStyleMap& st, COutputBuffer& o) {
             return CAnsiBuilder().BuildDocument(t.data(), t.size(), st, CAnsiBuilder::Palette256, o);
         }},
        {"codes", [](const std::string& t, const CSyntaxStyleMap&, COutputBuffer& o) { return WriteCodes(t.data(), t.size(), o); }},
        {"outline", [](const std::string& t, const CSyntaxStyleMap&, COutputBuffer& o) {
             return WriteOutline(t.data(), t.size(), o);
         }},
    };
    for (const auto& [name, build] : builders) {
        COutputBuffer whole;
        ASSERT_EQ(build(text, m_styles, whole), RenderStatus::Ok) << name;
        for (const std::size_t chunk : {std::size_t{1}, std::size_t{4096}, std::size_t{100'000}}) {
            Sink sink;
            COutputBuffer stream;
            stream.SetSink(&Sink::Take, &sink, chunk);
            ASSERT_EQ(build(text, m_styles, stream), RenderStatus::Ok) << name;
            stream.Flush();
            EXPECT_EQ(stream.Length(), 0u);
            EXPECT_TRUE(sink.bytes == whole.View()) << name << " in chunks of " << chunk;
            // Never more than the chunk, or the room of one line when that is more.
            EXPECT_LE(stream.Capacity(), std::max<std::size_t>(chunk, 64 * 1024)) << name;
            EXPECT_LE(sink.largest, std::max<std::size_t>(chunk, 64 * 1024)) << name;
            if (whole.Length() > 3 * chunk && chunk > 1) {
                EXPECT_GT(sink.bytes.size(), sink.largest) << "handed over in pieces";
            }
        }
    }
}
