// glossel-render against inputs that are not ordinary Inform files: one table, each
// row stating the status, the document written and the message. The source file is
// never written. The 200 MB file, and the memory it may take, is a test of its own.

#include "BadInputs.h"
#include "ChildProcess.h"
#include "TestSupport.h"

#include "cli/RenderCli.h"
#include "game/IncludeResolver.h"
#include "syntax/AnsiBuilder.h"
#include "syntax/HtmlBuilder.h"
#include "syntax/RtfBuilder.h"
#include "syntax/SyntaxStyleMap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace badinputs;
using testsupport::Drain;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

// The user's stored styles are read by default: an empty configuration folder makes
// them the built-in ones, and keeps the real user's settings out of reach.
[[maybe_unused]] const void* const g_configHome = testsupport::UseTemporaryConfigHome();

std::string Document(const std::string& text)
{
    CSyntaxStyleMap styles;
    styles.BuildDefaults();
    CRtfBuilder builder;
    COutputBuffer out;
    builder.BuildDocument(text.data(), text.size(), styles, out);
    return std::string(out.View());
}

// The text of the test's own executable: an ELF file begins with 7F 'E' 'L' 'F',
// class 2 (64-bit), data 1 (little-endian), version 1, the OS ABI (0, or 3 for GNU)
// and an ABI version of 0; the text ends at the first zero byte.
std::string ElfText()
{
    const std::string head = ReadFile("/proc/self/exe").substr(0, 9);
    EXPECT_EQ(head.substr(0, 7), std::string("\x7F" "ELF\x02\x01\x01"));
    EXPECT_EQ(head[8], '\0');
    return head[7] == '\0' ? head.substr(0, 7) : head.substr(0, 8);
}

const std::string kLongLine = ": The file contained a line longer than the maximum allowed (1020)!\n";
const std::string kChanged = "the file changed while it was read\n";
const std::string kOdd = ODD_NAME;

struct Row {
    const char* name;
    const char* kind;
    std::vector<std::string> args;  // "{}" stands for the input's path
    int status;
    bool writesDocument;
    std::string text;     // the text whose document is written, when one is
    std::string message;  // the standard error; "{}" stands for the path
    bool anyText = false;  // the text cannot be known (random bytes): any whole document
};

void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }

std::string Fill(std::string pattern, const std::string& path)
{
    for (std::size_t at; (at = pattern.find("{}")) != std::string::npos;) pattern.replace(at, 2, path);
    return pattern;
}

class RenderInputs : public testing::TestWithParam<Row> {};

}  // namespace

TEST_P(RenderInputs, StatusDocumentAndMessage)
{
    const Row& row = GetParam();
    TempDir dir;
    const Input input = MakeInput(row.kind, dir.Path());
    const bool relative = fs::path(input.path).is_relative();
    const Stamp before = input.regularFile ? StampOf((relative ? dir.Path() / input.path : fs::path(input.path)).string())
                                           : Stamp{};

    std::vector<std::string> args;
    for (const std::string& arg : row.args) args.push_back(Fill(arg, input.path));
    RenderStreams io;
    // With "-" the input is read from standard input.
    const bool fromStdin = std::find(row.args.begin(), row.args.end(), "-") != row.args.end();
    io.inFd = open(fromStdin ? input.path.c_str() : "/dev/null", O_RDONLY);
    io.out = std::tmpfile();
    io.err = std::tmpfile();
    int status;
    {
        std::unique_ptr<WorkingFolder> inFolder = relative ? std::make_unique<WorkingFolder>(dir.Path()) : nullptr;
        std::unique_ptr<AsNobody> asNobody;
        if (std::string(row.kind) == "unreadable") {
            asNobody = std::make_unique<AsNobody>();
            if (!asNobody->Active()) GTEST_SKIP() << "cannot take away root's right to read a file here";
        }
        ChangeWhileRead change(row.kind);
        status = RunRender(args, io);
    }
    close(io.inFd);
    const std::string out = Drain(io.out);
    const std::string err = Drain(io.err);

    EXPECT_EQ(status, row.status);
    if (row.anyText) {
        const std::string empty = Document("");
        const std::size_t header = empty.find("\n\\par }");
        EXPECT_EQ(out.substr(0, header), empty.substr(0, header));
        EXPECT_TRUE(out.size() >= empty.size() && out.substr(out.size() - 9) == "\n\\par }\n.");
    } else {
        EXPECT_EQ(out, row.writesDocument ? Document(row.text) : std::string());
    }
    EXPECT_EQ(err, Fill(row.message, input.path));
    if (input.regularFile) {
        EXPECT_TRUE(StampOf((relative ? dir.Path() / input.path : fs::path(input.path)).string()) == before)
            << "the source file was changed";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RenderInputs,
    testing::Values(
        Row{"missing_path", "missing", {"{}"}, 2, false, "", "glossel-render: {}: No such file or directory\n"},
        Row{"directory", "directory", {"{}"}, 2, false, "", "glossel-render: {}: Is a directory\n"},
        Row{"no_read_permission", "unreadable", {"{}"}, 2, false, "", "glossel-render: {}: Permission denied\n"},
        Row{"fifo", "fifo", {"{}"}, 2, false, "", "glossel-render: {}: not a regular file\n"},
        Row{"dev_zero", "dev-zero", {"{}"}, 2, false, "", "glossel-render: {}: not a regular file\n"},
        Row{"dev_urandom", "dev-urandom", {"{}"}, 2, false, "", "glossel-render: {}: not a regular file\n"},
        // Read as standard input, they end at their first NUL byte.
        Row{"dev_zero_as_standard_input", "dev-zero", {"-"}, 0, true, "", ""},
        Row{"dev_urandom_as_standard_input", "dev-urandom", {"-"}, 0, true, "", "", true},
        Row{"zero_bytes", "empty", {"{}"}, 2, false, "", "glossel-render: {}: file is empty\n"},
        Row{"only_nul", "nul", {"{}"}, 0, true, "", ""},
        Row{"only_ctrl_z", "ctrl-z", {"{}"}, 0, true, "", ""},
        Row{"only_cr_lf", "crlf", {"{}"}, 0, true, "\n", ""},
        Row{"lone_crs_stay", "lone-cr", {"{}"}, 0, true, "a;\rb;\r", ""},
        Row{"line_1019_first", "line-1019-first", {"{}"}, 0, true, std::string(1019, 'a') + "\nx;\n", ""},
        Row{"line_1020_first", "line-1020-first", {"{}"}, 3, true, "", "glossel-render: {}" + kLongLine},
        Row{"line_1021_first", "line-1021-first", {"{}"}, 3, true, "", "glossel-render: {}" + kLongLine},
        Row{"line_1019_last", "line-1019-last", {"{}"}, 0, true, "x;\n" + std::string(1019, 'a'), ""},
        Row{"line_1020_last", "line-1020-last", {"{}"}, 3, true, "x;\n", "glossel-render: {}" + kLongLine},
        Row{"line_1021_last", "line-1021-last", {"{}"}, 3, true, "x;\n", "glossel-render: {}" + kLongLine},
        Row{"elf_binary", "elf", {"{}"}, 0, true, ElfText(), ""},
        Row{"odd_name", "odd-name", {"{}"}, 0, true, "Object lamp;\n", ""},
        Row{"odd_name_after_end_of_options", "odd-name-relative", {"--", "{}"}, 0, true, "Object lamp;\n", ""},
        Row{"odd_name_taken_for_an_option", "odd-name-relative", {"{}"}, 1, false, "",
            "glossel-render: unknown option '{}'\nTry 'glossel-render --help' for more information.\n"},
        Row{"symlink_loop", "symlink-loop", {"{}"}, 2, false, "",
            "glossel-render: {}: Too many levels of symbolic links\n"},
        Row{"larger_than_the_limit", "larger-than-the-limit", {"{}"}, 2, false, "",
            "glossel-render: {}: larger than 1 GiB, the most that loads\n"},
        Row{"shrinks_while_read", "shrinks", {"{}"}, 2, false, "", "glossel-render: {}: " + kChanged},
        Row{"shrinks_inside_a_cr_lf", "shrinks-in-crlf", {"{}"}, 2, false, "", "glossel-render: {}: " + kChanged},
        Row{"shrinks_to_nothing", "shrinks-to-nothing", {"{}"}, 2, false, "", "glossel-render: {}: " + kChanged},
        Row{"grows_while_read", "grows", {"{}"}, 0, true, "Object a;\nObject b;\n", ""},
        Row{"control_characters_of_a_name_escaped", "control-name-relative", {"{}"}, 2, false, "",
            "glossel-render: x\\u009b2J\\u202e.inf: No such file or directory\n"},
        Row{"output_is_the_input", "crlf", {"-o", "{}", "{}"}, 2, false, "",
            "glossel-render: {}: is the input file; it is never written\n"},
        Row{"output_is_standard_input", "crlf", {"-o", "{}", "-"}, 2, false, "",
            "glossel-render: {}: is the input file; it is never written\n"}),
    [](const testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------
// A 200 MB file through the program itself: the whole document, and the memory it takes.

namespace {

// A block of whole lines after which the lexer is back in its first state, so that
// the document of k blocks is the header, k times the block's runs, and the tail.
const std::string kBlock =
    "! A lamp, repeated.\n"
    "Object lamp \"brass lamp\"\n"
    "  with name 'brass' 'lamp',\n"
    "       description \"It shines {brightly}.\",\n"
    "  has  light;\n"
    "[ Main; print \"Hello^\"; ];\n";

// Writes a file of count copies of kBlock.
void WriteBlocks(const fs::path& path, std::size_t count)
{
    std::string chunk;
    for (int i = 0; i < 10'000; ++i) chunk += kBlock;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(f);
    for (std::size_t done = 0; done < count; done += 10'000)
        std::fwrite(chunk.data(), kBlock.size(), std::min<std::size_t>(10'000, count - done), f);
    ASSERT_EQ(std::fclose(f), 0);
}

}  // namespace

TEST(RenderLargeInput, TwoHundredMegabytesInBoundedMemory)
{
#ifdef GLOSSEL_SANITIZED
    GTEST_SKIP() << "skipped in the sanitizer build: its shadow memory and quarantine make the "
                    "memory bound meaningless, and the run takes minutes there";
#endif
    TempDir dir;
    const std::size_t blocks = 200'000'000 / kBlock.size();
    ASSERT_NO_FATAL_FAILURE(WriteBlocks(dir / "big.inf", blocks));
    const std::uint64_t inputBytes = fs::file_size(dir / "big.inf");
    ASSERT_EQ(inputBytes, blocks * kBlock.size());

    // The pieces of the expected document, from documents of one and two blocks.
    const std::string one = Document(kBlock);
    const std::string two = Document(kBlock + kBlock);
    const std::string tail = "\n\\par }\n.";
    const std::size_t headerLength = one.find("\\plain");
    const std::string header = one.substr(0, headerLength);
    const std::string runs = one.substr(headerLength, one.size() - headerLength - tail.size());
    ASSERT_EQ(two, header + runs + runs + tail) << "the block does not bring the lexer back";

    const testsupport::ChildResult run = testsupport::RunProgram(
        {GLOSSEL_RENDER_EXE, "--default-styles", "-o", (dir / "big.rtf").string(), (dir / "big.inf").string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;

    const std::uint64_t outputBytes = fs::file_size(dir / "big.rtf");
    ASSERT_EQ(outputBytes, header.size() + blocks * runs.size() + tail.size());
    {
        std::FILE* f = std::fopen((dir / "big.rtf").c_str(), "rb");
        ASSERT_TRUE(f);
        std::string got(header.size(), '\0');
        ASSERT_EQ(std::fread(got.data(), 1, got.size(), f), got.size());
        EXPECT_EQ(got, header);
        std::size_t mismatches = 0;
        got.resize(runs.size());
        for (std::size_t b = 0; b < blocks; ++b)
            if (std::fread(got.data(), 1, got.size(), f) != got.size() || got != runs) ++mismatches;
        EXPECT_EQ(mismatches, 0u);
        got.resize(tail.size() + 1);
        EXPECT_EQ(std::fread(got.data(), 1, got.size(), f), tail.size());
        EXPECT_EQ(got.substr(0, tail.size()), tail);
        std::fclose(f);
    }

    // Peak resident memory: the input, the output and 32 MiB for everything else.
    const std::uint64_t peak = run.peakResidentBytes;
    const std::uint64_t bound = inputBytes + outputBytes + (32u << 20);
    std::printf("glossel-render: input %llu, output %llu, peak resident %llu bytes (bound %llu)\n",
                static_cast<unsigned long long>(inputBytes), static_cast<unsigned long long>(outputBytes),
                static_cast<unsigned long long>(peak), static_cast<unsigned long long>(bound));
    EXPECT_LE(peak, bound);
}

// The same file as an HTML page and as terminal text: the whole output (its size, its
// beginning and its end) and the same memory bound.
TEST(RenderLargeInput, TextFormatsInBoundedMemory)
{
#ifdef GLOSSEL_SANITIZED
    GTEST_SKIP() << "skipped in the sanitizer build: its shadow memory and quarantine make the "
                    "memory bound meaningless, and the run takes minutes there";
#endif
    TempDir dir;
    const std::size_t blocks = 200'000'000 / kBlock.size();
    ASSERT_NO_FATAL_FAILURE(WriteBlocks(dir / "big.inf", blocks));
    const std::uint64_t inputBytes = fs::file_size(dir / "big.inf");
    CSyntaxStyleMap styles;
    styles.BuildDefaults();
    auto html = [&](const std::string& text) {
        COutputBuffer out;
        CHtmlBuilder().BuildDocument(text.data(), text.size(), styles, CHtmlBuilder::Page, "big.inf", out);
        return std::string(out.View());
    };
    auto ansi = [&](const std::string& text) {
        COutputBuffer out;
        CAnsiBuilder().BuildDocument(text.data(), text.size(), styles, CAnsiBuilder::TrueColour, out);
        return std::string(out.View());
    };
    struct Format {
        const char* name;
        std::string one, two;  // the outputs of one block and of two
    };
    const Format formats[] = {{"html", html(kBlock), html(kBlock + kBlock)}, {"ansi", ansi(kBlock), ansi(kBlock + kBlock)}};
    for (const Format& format : formats) {
        SCOPED_TRACE(format.name);
        const std::size_t block = format.two.size() - format.one.size();
        const testsupport::ChildResult run =
            testsupport::RunProgram({GLOSSEL_RENDER_EXE, "--default-styles", "-f", format.name, "-o",
                                     (dir / "big.out").string(), (dir / "big.inf").string()});
        ASSERT_EQ(run.exitCode, 0) << run.err;

        const std::uint64_t outputBytes = fs::file_size(dir / "big.out");
        ASSERT_EQ(outputBytes, format.one.size() + (blocks - 1) * block);
        std::FILE* f = std::fopen((dir / "big.out").c_str(), "rb");
        ASSERT_TRUE(f);
        std::string head(format.two.size(), '\0');
        ASSERT_EQ(std::fread(head.data(), 1, head.size(), f), head.size());
        // The beginning as in the output of two blocks, short of its end (of at most 64
        // bytes), and the last block and the end as there.
        EXPECT_EQ(head.substr(0, format.two.size() - 64), format.two.substr(0, format.two.size() - 64));
        std::string end(block + 64, '\0');
        ASSERT_EQ(std::fseek(f, -static_cast<long>(end.size()), SEEK_END), 0);
        ASSERT_EQ(std::fread(end.data(), 1, end.size(), f), end.size());
        EXPECT_EQ(end, format.two.substr(format.two.size() - end.size()));
        std::fclose(f);

        const std::uint64_t peak = run.peakResidentBytes;
        const std::uint64_t bound = inputBytes + outputBytes + (32u << 20);
        std::printf("glossel-render -f %s: input %llu, output %llu, peak resident %llu bytes (bound %llu)\n",
                    format.name, static_cast<unsigned long long>(inputBytes),
                    static_cast<unsigned long long>(outputBytes), static_cast<unsigned long long>(peak),
                    static_cast<unsigned long long>(bound));
        EXPECT_LE(peak, bound);
    }
}

// Standard input from a pipe, whose size is not known before its end: it takes its
// size and little more, never the double that a buffer growing by doubling would take
// on its way (a stream refused at 1 GiB would otherwise have taken 2 GiB).
TEST(RenderLargeInput, AStreamTakesItsSizeAndLittleMore)
{
#ifdef GLOSSEL_SANITIZED
    GTEST_SKIP() << "skipped in the sanitizer build: its shadow memory and quarantine make the "
                    "memory bound meaningless";
#endif
    const std::uint64_t bytes = 70'000'000;
    const testsupport::ChildResult run = testsupport::RunProgram(
        {"/bin/sh", "-c", "yes 'Object lamp;' | head -c " + std::to_string(bytes) +
                              " | \"$0\" --default-styles --codes -o /dev/null -",
         GLOSSEL_RENDER_EXE});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::uint64_t bound = bytes + (16u << 20);
    std::printf("glossel-render -: a stream of %llu bytes, peak resident %llu bytes (bound %llu)\n",
                static_cast<unsigned long long>(bytes), static_cast<unsigned long long>(run.peakResidentBytes),
                static_cast<unsigned long long>(bound));
    EXPECT_LE(run.peakResidentBytes, bound);
}

// A game of 2,000 Includes of one missing name over an include path of 1,000 long
// folders (a 957 KB main file): the paths tried are kept, and written, once.
TEST(RenderLargeInput, ManyIncludesOverALongIncludePath)
{
    TempDir dir;
    std::string text;
    for (int i = 0; i < 1000; ++i) text += "!% ++p" + std::to_string(1000 + i) + std::string(920, 'a') + "\n";
    for (int i = 0; i < 2000; ++i) text += "Include \"x\";\n";
    WriteFile(dir / "main.inf", text);
    const std::string main = (dir / "main.inf").string();
    for (const char* mode : {"--includes", "--game"}) {
        SCOPED_TRACE(mode);
        std::vector<std::string> args{GLOSSEL_RENDER_EXE, mode, "-o", (dir / "out").string(), main};
        if (std::string(mode) == "--game") args.insert(args.begin() + 1, "--outline");
        const testsupport::ChildResult run = testsupport::RunProgram(args);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        std::printf("glossel-render %s: peak resident %llu bytes\n", mode,
                    static_cast<unsigned long long>(run.peakResidentBytes));
#ifndef GLOSSEL_SANITIZED
        EXPECT_LE(run.peakResidentBytes, 64u << 20);
#endif
    }
    // The last run wrote the outline (no definitions); the tree lists the paths once.
    ASSERT_EQ(testsupport::RunProgram({GLOSSEL_RENDER_EXE, "--includes", "-o", (dir / "out").string(), main}).exitCode, 0);
    const std::string tree = ReadFile(dir / "out");
    const std::string first = main + ":1001: Include \"x\" -> missing; tried:\n";
    ASSERT_EQ(tree.substr(0, first.size()), first);
    // The header's folders, the main file's folder, the library's when it is there.
    const int library = fs::is_directory(GAME_LIBRARY_FOLDER) && !fs::is_empty(GAME_LIBRARY_FOLDER) ? 1 : 0;
    EXPECT_EQ(std::count(tree.begin(), tree.end(), '\n'), 1 + 1000 + 1 + library + 1999);
    const std::string last = main + ":3000: Include \"x\" -> missing; tried as at " + main + ":1001\n";
    EXPECT_EQ(tree.substr(tree.size() - last.size()), last);
}
