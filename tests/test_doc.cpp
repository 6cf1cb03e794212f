// Text loading: how a file's bytes become the document's text.

#include "BadInputs.h"
#include "TestSupport.h"

#include "doc/Printable.h"
#include "doc/TextLoader.h"
#include "doc/TextModeTranslator.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <csignal>
#include <thread>
#include <unistd.h>

using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

// The bytes before the last one of the first 64 KiB.
const std::string k64K(64 * 1024 - 1, 'a');

}  // namespace

TEST(TextLoader, FileBytesBecomeText)
{
    struct Row {
        const char* name;
        std::string bytes;
        bool ok;
        std::string text;
    };
    const Row rows[] = {
        {"0 bytes fail", "", false, ""},
        {"plain text", "Object x;\n", true, "Object x;\n"},
        {"no final line feed", "abc", true, "abc"},
        {"CR LF becomes LF", "a\r\nb\r\n", true, "a\nb\n"},
        {"lone CR stays", "a\rb\r", true, "a\rb\r"},
        {"CR CR LF", "a\r\r\nb", true, "a\r\nb"},
        {"only CR LF", "\r\n", true, "\n"},
        {"NUL ends the text", std::string("ab\0cd", 5), true, "ab"},
        {"first byte NUL", std::string("\0abc", 4), true, ""},
        {"Ctrl-Z ends the text", "ab\x1a\r\ncd", true, "ab"},
        {"only Ctrl-Z", "\x1a", true, ""},
        {"CR before Ctrl-Z stays", "a\r\x1a\n", true, "a\r"},
        {"CR before NUL stays", std::string("a\r\0\n", 4), true, "a\r"},
        {"high bytes kept", "caf\xC3\xA9 \xE9\n", true, "caf\xC3\xA9 \xE9\n"},
        // A file is read 64 KiB at a time: pairs and ends on both sides of a read's end.
        {"CR LF across two reads", k64K + "\r\nb", true, k64K + "\nb"},
        {"lone CR ending a read", k64K + "\rb", true, k64K + "\rb"},
        {"CR ending the file with a read", k64K + "\r", true, k64K + "\r"},
        {"CR ending a read before a NUL", k64K + std::string("\r\0x", 3), true, k64K + "\r"},
        {"Ctrl-Z in a later read", std::string(70000, 'b') + "\x1a\r\nc", true, std::string(70000, 'b')},
    };
    TempDir dir;
    for (const Row& row : rows) {
        const auto path = dir / "file.inf";
        WriteFile(path, row.bytes);
        std::string text = "previous";
        LoadFailure failure;
        EXPECT_EQ(LoadTextFile(path.string(), text, &failure), row.ok) << row.name;
        EXPECT_EQ(text, row.ok ? row.text : "previous") << row.name;
        if (row.ok) {
            EXPECT_EQ(TextFromBytes(row.bytes), row.text) << row.name;
        } else {
            EXPECT_EQ(failure.reason, "file is empty") << row.name;
        }
    }
}

TEST(TextLoader, PiecesOfAnySizeGiveOneText)
{
    struct Row {
        const char* name;
        std::string bytes;
        std::string text;
    };
    const Row rows[] = {
        {"CR LF", "a\r\nb", "a\nb"},
        {"CR CR LF CR", "\r\r\n\r", "\r\n\r"},
        {"lone CR and a pair", "a\rb\r\n", "a\rb\n"},
        {"CR before NUL", std::string("a\r\0b\r\n", 6), "a\r"},
        {"CR before Ctrl-Z", "a\r\x1a\n", "a\r"},
        {"only CR", "\r", "\r"},
        {"pair before NUL", std::string("x\r\n\0\r\n", 6), "x\n"},
        {"first byte Ctrl-Z", "\x1a" "abc", ""},
    };
    for (const Row& row : rows) {
        // Two pieces cut at every place, then one byte at a time.
        for (std::size_t cut = 0; cut <= row.bytes.size() + 1; ++cut) {
            std::string text = "<";
            CTextModeTranslator translator(text);
            if (cut <= row.bytes.size()) {
                translator.Append(row.bytes.data(), cut);
                translator.Append(row.bytes.data() + cut, row.bytes.size() - cut);
            } else {
                for (const char c : row.bytes) translator.Append(&c, 1);
            }
            translator.Finish();
            EXPECT_EQ(text, "<" + row.text) << row.name << ", cut at " << cut;
            const bool ends = row.bytes.find_first_of(std::string("\0\x1a", 2)) != std::string::npos;
            EXPECT_EQ(translator.HasEnded(), ends) << row.name;
            if (ends) {
                EXPECT_FALSE(translator.Append("z", 1)) << row.name;
                EXPECT_EQ(text, "<" + row.text) << row.name << ": nothing is taken after the end";
            }
        }
    }
}

TEST(TextLoader, OnlyRegularFilesLoad)
{
    TempDir dir;
    WriteFile(dir / "real.inf", "x;\n");
    ASSERT_EQ(symlink((dir / "real.inf").c_str(), (dir / "link.inf").c_str()), 0);
    ASSERT_EQ(symlink((dir / "loop1").c_str(), (dir / "loop2").c_str()), 0);
    ASSERT_EQ(symlink((dir / "loop2").c_str(), (dir / "loop1").c_str()), 0);
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
    // The largest source and one byte more, as files with holes: "x;\n" and zeros.
    for (const auto& [name, size] : {std::pair{"largest.inf", MAX_SOURCE_BYTES}, {"too-large.inf", MAX_SOURCE_BYTES + 1}}) {
        WriteFile(dir / name, "x;\n");
        ASSERT_EQ(truncate((dir / name).c_str(), static_cast<off_t>(size)), 0);
    }

    struct Row {
        const char* name;
        std::string path;
        bool ok;
        std::string reason;
    };
    const Row rows[] = {
        {"a link to a file loads the file", (dir / "link.inf").string(), true, ""},
        {"the largest source loads (up to its first NUL)", (dir / "largest.inf").string(), true, ""},
        {"one byte more is too large", (dir / "too-large.inf").string(), false, "larger than 1 GiB, the most that loads"},
        {"missing file", (dir / "missing.inf").string(), false, "No such file or directory"},
        {"directory", dir.Path().string(), false, "Is a directory"},
        {"FIFO fails without waiting for a writer", (dir / "fifo").string(), false, "not a regular file"},
        {"character device", "/dev/zero", false, "not a regular file"},
        {"link loop", (dir / "loop1").string(), false, "Too many levels of symbolic links"},
        // A regular file by its type, but it has no end to seek to.
        {"a file of /proc", "/proc/cpuinfo", false,
         "its size cannot be known in advance (the system makes it up as it is read)"},
        {"empty name", "", false, "No such file or directory"},
    };
    for (const Row& row : rows) {
        std::string text = "previous";
        LoadFailure failure;
        EXPECT_EQ(LoadTextFile(row.path, text, &failure), row.ok) << row.name;
        if (row.ok) {
            EXPECT_EQ(text, "x;\n") << row.name;
        } else {
            EXPECT_EQ(text, "previous") << row.name;
            EXPECT_EQ(failure.reason, row.reason) << row.name;
        }
    }
}

TEST(TextLoader, UnreadableFileFails)
{
    TempDir dir;
    // The folder open to all, so that only the file's own permission is in the way.
    ASSERT_EQ(chmod(dir.Path().c_str(), 0755), 0);
    WriteFile(dir / "secret.inf", "x;\n");
    ASSERT_EQ(chmod((dir / "secret.inf").c_str(), 0), 0);
    const badinputs::AsNobody asNobody;  // root reads files whatever their permissions
    if (!asNobody.Active()) GTEST_SKIP() << "cannot take away root's right to read a file here";
    std::string text = "previous";
    LoadFailure failure;
    EXPECT_FALSE(LoadTextFile((dir / "secret.inf").string(), text, &failure));
    EXPECT_EQ(failure.error, EACCES);
    EXPECT_EQ(failure.reason, "Permission denied");
    EXPECT_EQ(text, "previous");
}

TEST(TextLoader, StreamsLoadUntilTheirEnd)
{
    struct Row {
        const char* name;
        std::string bytes;
        std::uint64_t limit;
        bool ok;
        std::string text;  // or the reason of the failure
    };
    const std::string tooLarge = "larger than 1 GiB, the most that loads";
    const Row rows[] = {
        {"nothing", "", MAX_SOURCE_BYTES, false, "file is empty"},
        {"CR LF", "a\r\nb", MAX_SOURCE_BYTES, true, "a\nb"},
        {"many reads", std::string(200000, 'x') + "\r\n", MAX_SOURCE_BYTES, true, std::string(200000, 'x') + "\n"},
        // A smaller limit stands for the real one, which takes a gigabyte to reach.
        {"as many bytes as the limit", "12345678", 8, true, "12345678"},
        {"a byte more", "123456789", 8, false, tooLarge},
        {"a pair's LF past the limit", "1234567\r\n", 8, false, tooLarge},
        {"a NUL right after the limit", std::string("12345678\0" "9", 10), 8, true, "12345678"},
        {"a Ctrl-Z before the limit", "1234\x1a" "56789", 8, true, "1234"},
    };
    for (const Row& row : rows) {
        TempDir dir;
        WriteFile(dir / "in", row.bytes);
        // As a redirected file, and through a pipe, which says nothing of its size.
        for (const bool piped : {false, true}) {
            int in = open((dir / "in").c_str(), O_RDONLY);
            ASSERT_GE(in, 0);
            int ends[2] = {-1, -1};
            std::thread writer;
            if (piped) {
                ASSERT_EQ(pipe(ends), 0);
                close(in);
                in = ends[0];
                writer = std::thread([&] {
                    // The reader may stop early; a write to a closed pipe then fails quietly.
                    signal(SIGPIPE, SIG_IGN);
                    [[maybe_unused]] const ssize_t written = write(ends[1], row.bytes.data(), row.bytes.size());
                    close(ends[1]);
                });
            }
            std::string text = "previous";
            LoadFailure failure;
            EXPECT_EQ(LoadTextStream(in, text, &failure, row.limit), row.ok) << row.name << (piped ? ", piped" : "");
            EXPECT_EQ(text, row.ok ? row.text : "previous") << row.name;
            EXPECT_EQ(row.ok ? "" : failure.reason, row.ok ? "" : row.text) << row.name;
            close(in);
            if (writer.joinable()) writer.join();
        }
    }
}

TEST(TextLoader, CorpusFilesLoadWithTheirLineEndsFolded)
{
    const auto files = testsupport::CorpusFiles();
    if (files.empty()) GTEST_SKIP() << "the shared corpus is not present";
    for (const auto& path : files) {
        const std::string bytes = testsupport::ReadFile(path);
        std::string text;
        ASSERT_TRUE(LoadTextFile(path.string(), text)) << path;
        std::size_t pairs = 0;
        for (std::size_t i = 0; i + 1 < bytes.size(); ++i)
            if (bytes[i] == '\r' && bytes[i + 1] == '\n') ++pairs;
        if (bytes.find('\0') == std::string::npos && bytes.find('\x1a') == std::string::npos) {
            EXPECT_EQ(text.size(), bytes.size() - pairs) << path;
        }
    }
}

// ---------------------------------------------------------------------------------
// Names in messages

TEST(Printable, ControlCharactersAreEscaped)
{
    const std::pair<std::string, std::string> rows[] = {
        {"lamp.inf", "lamp.inf"},
        {"a\tb\nc\r", "a\\tb\\nc\\r"},
        {"\x1b]0;x\x07\x7f", "\\x1b]0;x\\x07\\x7f"},
        {std::string("a\0b", 3), "a\\x00b"},
        // C1 controls in UTF-8, as characters; U+00A0 is none.
        {"x\xC2\x9B" "2J", "x\\u009b2J"},
        {"\xC2\x80\xC2\x9F\xC2\xA0", "\\u0080\\u009f\xC2\xA0"},
        // Bytes that are no UTF-8: those a terminal of 8-bit controls obeys, as bytes.
        {"\x9B" "2J", "\\x9b2J"},
        {"\xE2\x80", "\xE2\\x80"},
        {"caf\xE9", "caf\xE9"},
        {"caf\xC3\xA9", "caf\xC3\xA9"},
        // The bidirectional controls, and characters beside them that are none.
        {"\xD8\x9C\xE2\x80\x8E\xE2\x80\x8F\xE2\x80\xAA\xE2\x80\xAE\xE2\x81\xA6\xE2\x81\xA9",
         "\\u061c\\u200e\\u200f\\u202a\\u202e\\u2066\\u2069"},
        {"\xD8\x9B\xE2\x80\x8D\xE2\x80\x90\xE2\x80\xA9\xE2\x80\xAF\xE2\x81\xA5\xE2\x81\xAA",
         "\xD8\x9B\xE2\x80\x8D\xE2\x80\x90\xE2\x80\xA9\xE2\x80\xAF\xE2\x81\xA5\xE2\x81\xAA"},
    };
    for (const auto& [bytes, shown] : rows) EXPECT_EQ(PrintableForTerminal(bytes), shown) << bytes;
}
