// Text loading: how a file's bytes become the document's text.

#include "BadInputs.h"
#include "TestSupport.h"

#include "doc/Printable.h"
#include "doc/TextLoader.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using testsupport::TempDir;
using testsupport::WriteFile;

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

TEST(TextLoader, OnlyRegularFilesLoad)
{
    TempDir dir;
    WriteFile(dir / "real.inf", "x;\n");
    ASSERT_EQ(symlink((dir / "real.inf").c_str(), (dir / "link.inf").c_str()), 0);
    ASSERT_EQ(symlink((dir / "loop1").c_str(), (dir / "loop2").c_str()), 0);
    ASSERT_EQ(symlink((dir / "loop2").c_str(), (dir / "loop1").c_str()), 0);
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);

    struct Row {
        const char* name;
        std::string path;
        bool ok;
        std::string reason;
    };
    const Row rows[] = {
        {"a link to a file loads the file", (dir / "link.inf").string(), true, ""},
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
        std::string bytes;
        bool ok;
        std::string text;
    };
    const Row rows[] = {
        {"", false, ""},
        {"a\r\nb", true, "a\nb"},
        {std::string(200000, 'x') + "\r\n", true, std::string(200000, 'x') + "\n"},
    };
    for (const Row& row : rows) {
        TempDir dir;
        WriteFile(dir / "in", row.bytes);
        const int in = open((dir / "in").c_str(), O_RDONLY);
        ASSERT_GE(in, 0);
        std::string text = "previous";
        EXPECT_EQ(LoadTextStream(in, text), row.ok);
        EXPECT_EQ(text, row.ok ? row.text : "previous");
        close(in);
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
