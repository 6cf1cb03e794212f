// glossel-render --tags, --etags and --site: the tag files' lines, and what a site writes,
// leaves and says. (The editors read the tag files in check_tags.sh; the site's links and
// text are read back in site_check.py.)

#include "TestSupport.h"

#include "cli/RenderCli.h"
#include "cli/TagsWriter.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <termios.h>
#include <unistd.h>

namespace fs = std::filesystem;
using testsupport::Drain;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

[[maybe_unused]] const void* const g_configHome = testsupport::UseTemporaryConfigHome();

struct RunResult {
    int status;
    std::string err;
};

RunResult RunCli(std::vector<std::string> args, std::FILE* err = nullptr)
{
    args.insert(args.begin(), "--default-styles");
    RenderStreams io;
    io.inFd = -1;
    io.out = std::tmpfile();
    io.err = err ? err : std::tmpfile();
    const int status = RunRender(args, io);
    std::fclose(io.out);
    return {status, err ? std::string() : Drain(io.err)};
}

constexpr const char* kTagHeader =
    "!_TAG_FILE_ENCODING\tutf-8\t//\n"
    "!_TAG_FILE_FORMAT\t2\t/extended format/\n"
    "!_TAG_FILE_SORTED\t2\t/0=unsorted, 1=sorted, 2=foldcase/\n";

// The tag lines of a file, the "!_TAG_" lines left out.
std::string TagLines(const std::string& tags)
{
    std::string lines;
    for (std::size_t at = 0, end; at < tags.size(); at = end + 1) {
        end = tags.find('\n', at);
        if (tags.compare(at, 6, "!_TAG_") != 0) lines += tags.substr(at, end + 1 - at);
    }
    return lines;
}

}  // namespace

TEST(Tags, LinesOfTheExtendedFormat)
{
    struct Case {
        const char* name;
        std::string text;
        std::string lines;  // worked out from the format: name, file, line;", kind, scope
    };
    const Case cases[] = {
        {"sorted with case folded to upper case, '_' after the letters, a prefix first",
         "[ zeta; ];\n[ _under; ];\n[ Alpha; ];\n[ beta; ];\n[ ALPHA2; ];\n",
         "Alpha\tmain.inf\t3;\"\tkind:r\n"
         "ALPHA2\tmain.inf\t5;\"\tkind:r\n"
         "beta\tmain.inf\t4;\"\tkind:r\n"
         "zeta\tmain.inf\t1;\"\tkind:r\n"
         "_under\tmain.inf\t2;\"\tkind:r\n"},
        {"a property routine names its object or class",
         "Class Room\n  with before [; rtrue; ];\nObject lamp \"lamp\"\n  with after [; ];\n",
         "after\tmain.inf\t4;\"\tkind:m\tobject:lamp\n"
         "before\tmain.inf\t2;\"\tkind:m\tclass:Room\n"
         "lamp\tmain.inf\t3;\"\tkind:o\n"
         "Room\tmain.inf\t1;\"\tkind:c\n"},
        {"quotes go, a backslash and a leading '!' are escaped",
         "Object \"old\\lamp\";\nVerb 'take' * -> Take;\nObject \"!bang\";\n",
         "old\\\\lamp\tmain.inf\t1;\"\tkind:o\n"
         "take\tmain.inf\t2;\"\tkind:v\n"
         "\\x21bang\tmain.inf\t3;\"\tkind:o\n"},
        {"one name defined twice keeps both, in text order",
         "Global g;\nStub Foo 0;\n[ foo; ];\n",
         // The Stub defines Foo, so the compiler refuses the routine after it.
         "Foo\tmain.inf\t2;\"\tkind:s\n"
         "foo\tmain.inf\t3;\"\tkind:r\tcompiled:no\n"
         "g\tmain.inf\t1;\"\tkind:g\n"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        WriteFile(dir / "main.inf", c.text);
        const RunResult r = RunCli({"--tags", "-o", (dir / "tags").string(), (dir / "main.inf").string()});
        EXPECT_EQ(r.status, 0) << c.name;
        EXPECT_EQ(r.err, "") << c.name;
        const std::string tags = ReadFile(dir / "tags");
        EXPECT_EQ(tags.substr(0, std::string(kTagHeader).size()), kTagHeader) << c.name;
        EXPECT_EQ(TagLines(tags), c.lines) << c.name;
    }
}

TEST(Tags, EmacsSectionsAndNames)
{
    TempDir dir;
    fs::create_directory(dir / "sub");
    WriteFile(dir / "main.inf", "Constant X 1;\nInclude \"sub/part.h\";\n[ Main; ];\n");
    WriteFile(dir / "sub" / "part.h", "\x1b[ Esc; ];\n");
    const RunResult r = RunCli({"--etags", "-o", (dir / "TAGS").string(), (dir / "main.inf").string()});
    EXPECT_EQ(r.status, 0);
    // Each tag: its line up to its name (a control character ends it), DEL, the name,
    // SOH, the line and the byte offset of the line's start. main.inf's line 3 starts at
    // 14 + 22 = 36; its section holds 17 + 17 bytes, part.h's 1 + 3 + 1 + 4.
    EXPECT_EQ(ReadFile(dir / "TAGS"),
              "\f\nmain.inf,34\n"
              "Constant X\x7fX\x01" "1,0\n"
              "[ Main\x7fMain\x01" "3,36\n"
              "\f\nsub/part.h,9\n"
              "\x7f" "Esc\x01" "1,0\n");
}

TEST(Tags, FileNamesRelativeToTheTagFile)
{
    struct Case {
        const char* name;
        const char* path;
        const char* folder;
        const char* expected;
    };
    const Case cases[] = {
        {"inside", "game/main.inf", "/w", "game/main.inf"},
        {"the tag file's own folder", "main.inf", "/w", "main.inf"},
        {"outside: absolute", "main.inf", "/w/tags", "/w/main.inf"},
        {"an absolute path inside", "/w/lib/parser.h", "/w", "lib/parser.h"},
        {"the library", "/usr/share/inform6/library/Parser.h", "/w", "/usr/share/inform6/library/Parser.h"},
        {"dot-dots made plain", "game/../lib/./x.h", "/w", "lib/x.h"},
        {"a folder that only begins the same", "/w2/x.h", "/w", "/w2/x.h"},
        {"the root", "/w/x.h", "/", "w/x.h"},
    };
    for (const Case& c : cases) EXPECT_EQ(CTagsWriter::TagFileName(c.path, c.folder, "/w"), c.expected) << c.name;
}

TEST(Site, FilesOfSeveralGamesAndTheirLinks)
{
    TempDir dir;
    fs::create_directory(dir / "games");
    // Two games share lib.h, each with a Hook of its own: in lib.h, Hook may mean
    // either (a link to its A to Z entry); in a.inf, its own.
    WriteFile(dir / "games" / "a.inf", "Include \"lib.h\";\n[ Hook; ];\n[ Main; Hook(); Helper(); ];\n");
    WriteFile(dir / "games" / "b.inf", "Include \"lib.h\";\n[ Hook; ];\n");
    WriteFile(dir / "games" / "lib.h", "[ Helper; Hook(); ];\n");
    // A game in a folder below the one given is one of them too.
    fs::create_directory(dir / "games" / "sub");
    WriteFile(dir / "games" / "sub" / "c.inf", "Global c;\n");
    const fs::path out = dir / "site";
    const RunResult r = RunCli({"--site", out.string(), "-j", "2", (dir / "games").string()});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    // lib.h once; the manifest lists what was written.
    EXPECT_EQ(ReadFile(out / ".glossel-site"),
              "index.html\nnames.html\nsrc/a.inf.html\nsrc/b.inf.html\nsrc/c.inf.html\nsrc/lib.h.html\nstyle.css\n");
    const std::string lib = ReadFile(out / "src" / "lib.h.html");
    EXPECT_NE(lib.find("<a href=\"../names.html#n-hook\"><span class=\"code-alpha\">Hook</span></a>"),
              std::string::npos)
        << lib;
    const std::string a = ReadFile(out / "src" / "a.inf.html");
    EXPECT_NE(a.find("<a href=\"#L2\"><span class=\"code-alpha\">Hook</span></a>"), std::string::npos) << a;
    EXPECT_NE(a.find("<a href=\"lib.h.html#L1\"><span class=\"code-alpha\">Helper</span></a>"), std::string::npos);
    EXPECT_NE(a.find("<a href=\"lib.h.html\"><span class=\"quoted-text\">\"lib.h\"</span></a>"), std::string::npos);
    // A definition's own name links nowhere.
    EXPECT_EQ(a.find("href=\"#L3\"><span class=\"function\">Main"), std::string::npos);
    const std::string names = ReadFile(out / "names.html");
    EXPECT_NE(names.find("<dt id=\"n-hook\">Hook</dt>\n"
                         "<dd><a href=\"src/a.inf.html#L2\">games/a.inf:2</a> <span class=\"k\">routine</span></dd>\n"
                         "<dd><a href=\"src/b.inf.html#L2\">games/b.inf:2</a> <span class=\"k\">routine</span></dd>\n"),
              std::string::npos)
        << names;
}

TEST(Site, HeadersThatNoGameReads)
{
    // Each header that no game reads is a game of its own, in the order of their paths,
    // unless such a game before it reads it: a.h stands alone although b.h (read, as the
    // largest, first of all) reads it too; c.h does not.
    TempDir dir;
    fs::create_directory(dir / "games");
    WriteFile(dir / "games" / "main.inf", "Global gm;\n");
    WriteFile(dir / "games" / "a.h", "Global ga;\n");
    WriteFile(dir / "games" / "b.h", "Include \"a.h\";\nInclude \"c.h\";\n! The largest file of the folder.\n");
    WriteFile(dir / "games" / "c.h", "Global gc;\n");
    const fs::path out = dir / "site";
    const RunResult r = RunCli({"--site", out.string(), "-j", "2", (dir / "games").string()});
    EXPECT_EQ(r.status, 0);
    const std::string index = ReadFile(out / "index.html");
    EXPECT_NE(index.find("<h2>Files that no game includes</h2>\n"
                         "<section>\n<h2>a.h</h2>\n<ul>\n<li><a href=\"src/a.h.html\">games/a.h</a></li>\n</ul>\n</section>\n"
                         "<section>\n<h2>b.h</h2>\n<ul>\n<li><a href=\"src/b.h.html\">games/b.h</a></li>\n"
                         "<li style=\"padding-left: 2em\"><a href=\"src/a.h.html\">games/a.h</a></li>\n"
                         "<li style=\"padding-left: 2em\"><a href=\"src/c.h.html\">games/c.h</a></li>\n"
                         "</ul>\n</section>\n</main>"),
              std::string::npos)
        << index;
}

TEST(Site, WhatIsReportedAndWhatStays)
{
    TempDir dir;
    const fs::path out = dir / "site";
    fs::create_directories(out / "src");
    WriteFile(dir / "a.inf", "Include \"empty.h\";\n[ Main; ];\n");
    WriteFile(dir / "empty.h", "");
    WriteFile(dir / "b.inf", "Global b;\n");
    WriteFile(out / "notes.txt", "mine");
    WriteFile(out / "names.html", "also mine");
    const std::string a = (dir / "a.inf").string();
    const std::string b = (dir / "b.inf").string();
    const std::string missing = (dir / "missing.inf").string();

    // A file that cannot be read, and one the site did not write in the way: each said,
    // and everything else written (an empty file is a page without lines).
    RunResult r = RunCli({"--site", out.string(), "-j1", a, missing, b});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "glossel-render: " + missing + ": No such file or directory\n"
                     "glossel-render: " + (out / "names.html").string() +
                         ": is in the way (the site did not write it); left as it is\n");
    EXPECT_EQ(ReadFile(out / "notes.txt"), "mine");
    EXPECT_EQ(ReadFile(out / "names.html"), "also mine");
    EXPECT_TRUE(fs::exists(out / "src" / "a.inf.html"));
    EXPECT_TRUE(fs::exists(out / "src" / "b.inf.html"));
    EXPECT_NE(ReadFile(out / "src" / "empty.h.html").find("<pre class=\"glossel\">\n</pre>"), std::string::npos);
    EXPECT_EQ(ReadFile(out / ".glossel-site"),
              "index.html\nsrc/a.inf.html\nsrc/b.inf.html\nsrc/empty.h.html\nstyle.css\n");

    // Again, without b and with names.html gone: its own files replaced, b's page removed.
    fs::remove(out / "names.html");
    r = RunCli({"--site", out.string(), a});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_FALSE(fs::exists(out / "src" / "b.inf.html"));
    EXPECT_EQ(ReadFile(out / "notes.txt"), "mine");
    EXPECT_EQ(ReadFile(out / ".glossel-site"),
              "index.html\nnames.html\nsrc/a.inf.html\nsrc/empty.h.html\nstyle.css\n");

    // A folder that cannot be made.
    r = RunCli({"--site", (dir / "a.inf" / "site").string(), a});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "glossel-render: " + (dir / "a.inf" / "site").string() + ": Not a directory\n");
}

TEST(Site, ProgressOnATerminalOnly)
{
    TempDir dir;
    WriteFile(dir / "a.inf", "Include \"b.h\";\n");
    WriteFile(dir / "b.h", "Global b;\n");
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const int slave = open(ptsname(master), O_RDWR | O_NOCTTY);
    ASSERT_GE(slave, 0);
    termios raw{};
    ASSERT_EQ(tcgetattr(slave, &raw), 0);
    cfmakeraw(&raw);
    ASSERT_EQ(tcsetattr(slave, TCSANOW, &raw), 0);
    std::FILE* terminal = fdopen(slave, "w");
    ASSERT_TRUE(terminal);
    const RunResult r = RunCli({"--site", (dir / "site").string(), "-j1", (dir / "a.inf").string()}, terminal);
    std::fclose(terminal);
    std::string shown;
    char buffer[4096];
    for (ssize_t n; (n = read(master, buffer, sizeof buffer)) > 0;) shown.append(buffer, static_cast<std::size_t>(n));
    close(master);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(shown,
              "\rglossel-render: 0 of 2 files\rglossel-render: 1 of 2 files\rglossel-render: 2 of 2 files\r\x1b[K");

    // Not a terminal: nothing.
    EXPECT_EQ(RunCli({"--site", (dir / "site").string(), (dir / "a.inf").string()}).err, "");
}
