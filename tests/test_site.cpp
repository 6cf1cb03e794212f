// glossel-render --tags, --etags and --site: the tag files' lines, and what a site writes,
// leaves and says. (The editors read the tag files in check_tags.sh; the site's links and
// text are read back in site_check.py.)

#include "ChildProcess.h"
#include "TestSupport.h"

#include "cli/RenderCli.h"
#include "cli/TagsWriter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <pthread.h>
#include <thread>
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

// A file's name with control characters (ESC, BEL) and a bidirectional control (U+202E)
// reaches neither tag file as those characters, but as the escapes messages use.
TEST(Tags, ControlCharactersOfFileNamesAreEscaped)
{
    TempDir dir;
    const std::string odd = "e\x1b[1m\x07\xe2\x80\xae";
    WriteFile(dir / "main.inf", "Include \"" + odd + "\";\n");
    WriteFile(dir / (odd + ".h"), "Global odd;\n");
    const std::string main = (dir / "main.inf").string();
    RunResult r = RunCli({"--tags", "-o", (dir / "tags").string(), main});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(TagLines(ReadFile(dir / "tags")), "odd\te\\x1b[1m\\x07\\u202e.h\t1;\"\tkind:g\n");
    r = RunCli({"--etags", "-o", (dir / "TAGS").string(), main});
    EXPECT_EQ(r.status, 0);
    // The included file's section: 10 + 1 + 3 + 1 + 4 bytes.
    EXPECT_EQ(ReadFile(dir / "TAGS"),
              "\f\nmain.inf,0\n\f\ne\\x1b[1m\\x07\\u202e.h,19\nGlobal odd\x7fodd\x01" "1,0\n");
}

namespace {

// Files of the test's own, by their paths: a chain of includes of any depth without a
// file on disk.
class CTextsOnly final : public IGameFileSource {
public:
    std::map<std::string, std::shared_ptr<const std::string>> texts;

    bool IsFile(const std::string& path) const override { return texts.count(path) != 0; }
    std::vector<std::string> ListFolder(const std::string&) const override { return {}; }
    std::shared_ptr<const std::string> Load(const std::string& path, std::string& reason) const override
    {
        const auto it = texts.find(path);
        if (it != texts.end()) return it->second;
        reason = "No such file or directory";
        return nullptr;
    }
    std::string Identity(const std::string& path) const override { return path; }
};

}  // namespace

// The definitions of a chain of includes far deeper than a small stack would hold as
// calls, in the order the compiler reads them: the writer runs on a thread of 256 KiB
// of stack, in a child process, so that running out of it is a failure, not the end.
TEST(Tags, AChainOfIncludesOfAnyDepth)
{
    const int depth = 10'000;
    CTextsOnly files;
    files.texts["main.inf"] = std::make_shared<const std::string>("Include \"f1\";\nGlobal g0;\n");
    for (int i = 1; i <= depth; ++i)
        files.texts["f" + std::to_string(i) + ".h"] = std::make_shared<const std::string>(
            (i < depth ? "Include \"f" + std::to_string(i + 1) + "\";\n" : std::string("\n")) + "Global g" +
            std::to_string(i) + ";\n[ Shared; ];\n");
    GameInputs inputs;
    inputs.mainPath = "main.inf";
    inputs.libraryFolder = "";
    const auto game = CGame::Build(inputs, files);
    ASSERT_TRUE(game);
    ASSERT_EQ(game->FileCount(), static_cast<std::uint32_t>(depth + 1));

    TempDir dir;
    const std::string out = (dir / "tags").string();
    const int status = testsupport::RunInChild([&] {
        std::string tags;
        auto write = [&] {
            CTagsWriter writer(CTagsWriter::Vim, "/w", "/w");
            writer.AddGame(*game);
            tags = writer.Finish();
        };
        pthread_attr_t attributes;
        pthread_attr_init(&attributes);
        pthread_attr_setstacksize(&attributes, 256 * 1024);
        pthread_t thread;
        auto run = [](void* body) -> void* {
            (*static_cast<decltype(write)*>(body))();
            return nullptr;
        };
        if (pthread_create(&thread, &attributes, run, &write) != 0) return 2;
        pthread_join(thread, nullptr);
        WriteFile(out, tags);
        return 0;
    });
    ASSERT_EQ(status, 0);
    const std::string lines = TagLines(ReadFile(out));
    // Each global where it stands; Shared in every file, deepest first (the compiler reads
    // each file's includes before the rest of it).
    std::size_t count = 0;
    std::string shared;
    for (std::size_t at = 0, end; at < lines.size(); at = end + 1, ++count) {
        end = lines.find('\n', at);
        const std::string line = lines.substr(at, end - at);
        if (line.rfind("Shared\t", 0) == 0) shared += line.substr(7, line.find('\t', 7) - 7) + " ";
    }
    EXPECT_EQ(count, static_cast<std::size_t>(2 * depth + 1));
    EXPECT_NE(lines.find("g0\tmain.inf\t2;\"\tkind:g\n"), std::string::npos);
    EXPECT_NE(lines.find("g1\tf1.h\t2;\"\tkind:g\n"), std::string::npos);
    EXPECT_NE(lines.find("g" + std::to_string(depth) + "\tf" + std::to_string(depth) + ".h\t2;\"\tkind:g\n"),
              std::string::npos);
    const std::string deepest = "f" + std::to_string(depth) + ".h f" + std::to_string(depth - 1) + ".h ";
    EXPECT_EQ(shared.substr(0, deepest.size()), deepest);
    EXPECT_EQ(shared.substr(shared.size() - 10), "f2.h f1.h ");
}

TEST(Site, FilesOfSeveralGamesAndTheirLinks)
{
    TempDir dir;
    fs::create_directory(dir / "games");
    // Two games share lib.h, each with a Hook of its own: in lib.h, Hook may mean
    // either (a link to its A to Z entry, a use of both); in a.inf, its own.
    WriteFile(dir / "games" / "a.inf", "Include \"lib.h\";\n[ Hook; ];\n[ Main; Hook(); Helper(); ];\n");
    WriteFile(dir / "games" / "b.inf", "Include \"lib.h\";\n[ Hook; ];\n");
    WriteFile(dir / "games" / "lib.h", "[ Helper; Hook(); ];\n");
    // A game in a folder below the one given is one of them too.
    fs::create_directory(dir / "games" / "sub");
    WriteFile(dir / "games" / "sub" / "c.inf", "#Ifdef DEBUG;\nGlobal d;\n#Endif;\nGlobal c;\n");
    const fs::path out = dir / "site";
    const RunResult r = RunCli({"--site", out.string(), "-j", "2", (dir / "games").string()});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    // lib.h once; the manifest lists what was written.
    EXPECT_EQ(ReadFile(out / ".glossel-site"),
              "index.html\nnames.html\nrefs/a.inf.html\nrefs/b.inf.html\nrefs/c.inf.html\nrefs/lib.h.html\n"
              "search-index.js\nsearch.js\nsrc/a.inf.html\nsrc/b.inf.html\nsrc/c.inf.html\nsrc/lib.h.html\nstyle.css\n");
    const std::string lib = ReadFile(out / "src" / "lib.h.html");
    EXPECT_NE(lib.find("<a href=\"../names.html#n-hook\"><span class=\"code-alpha\">Hook</span></a>"),
              std::string::npos)
        << lib;
    const std::string a = ReadFile(out / "src" / "a.inf.html");
    EXPECT_NE(a.find("<a href=\"#L2\"><span class=\"code-alpha\">Hook</span></a>"), std::string::npos) << a;
    EXPECT_NE(a.find("<a href=\"lib.h.html#L1\"><span class=\"code-alpha\">Helper</span></a>"), std::string::npos);
    EXPECT_NE(a.find("<a href=\"lib.h.html\"><span class=\"quoted-text\">\"lib.h\"</span></a>"), std::string::npos);
    // A definition's own name links to its list of uses.
    EXPECT_NE(a.find("<a href=\"../refs/a.inf.html#n-main-L3\"><span class=\"function\">Main</span></a>"),
              std::string::npos);
    // The line the compiler skips is tinted and says why; the lines around it are not.
    const std::string c = ReadFile(out / "src" / "c.inf.html");
    EXPECT_NE(c.find("<span class=\"l\" id=\"L1\">"), std::string::npos) << c;
    EXPECT_NE(c.find("<span class=\"l skipped\" title=\"not compiled: `#Ifdef DEBUG` is false (c.inf:1)\" id=\"L2\">"),
              std::string::npos)
        << c;
    EXPECT_NE(c.find("<span class=\"l\" id=\"L3\">"), std::string::npos) << c;
    const std::string names = ReadFile(out / "names.html");
    EXPECT_NE(names.find("<dt id=\"n-hook\">Hook</dt>\n"
                         "<dd><a href=\"src/a.inf.html#L2\">games/a.inf:2</a> <span class=\"k\">routine</span> "
                         "<a class=\"u\" href=\"refs/a.inf.html#n-hook-L2\">2 uses</a></dd>\n"
                         "<dd><a href=\"src/b.inf.html#L2\">games/b.inf:2</a> <span class=\"k\">routine</span> "
                         "<a class=\"u\" href=\"refs/b.inf.html#n-hook-L2\">1 use</a></dd>\n"),
              std::string::npos)
        << names;
}

// The text of the element that begins at html's first occurrence of start, its tags left out.
std::string TextAfter(const std::string& html, const std::string& start, const std::string& end)
{
    const std::size_t at = html.find(start);
    if (at == std::string::npos) return "(no " + start + ")";
    const std::size_t stop = html.find(end, at + start.size());
    std::string text;
    bool inTag = false;
    for (std::size_t i = at + start.size(); i < stop && i < html.size(); ++i) {
        if (html[i] == '<') inTag = true;
        if (!inTag) text += html[i];
        if (html[i] == '>') inTag = false;
    }
    return text;
}

TEST(Site, TheUsesOfNamesOfAGameOfThreeFiles)
{
    TempDir dir;
    fs::create_directory(dir / "game");
    WriteFile(dir / "game" / "main.inf",
              "Include \"rooms.h\";\n"
              "Include \"util.h\";\n"
              "[ Main; Score(1); print score_total; ];\n"
              "[ Bump n; score_total = score_total + n; ];\n");
    WriteFile(dir / "game" / "util.h",
              "Global score_total;\n"
              "[ Score n; Bump(n); score_total++; ];   ! Score in a comment is no use\n"
              "Constant MSG \"Score and score_total in quotes are none\";\n");
    WriteFile(dir / "game" / "rooms.h",
              "Object hall \"Hall\"\n"
              "  with before [; Score(2); ],\n"
              "       after [; if (score_total > 2) Score(score_total); ];\n"
              "[ Restart; hall.before(); ];\n");
    const fs::path out = dir / "site";
    const RunResult r = RunCli({"--site", out.string(), (dir / "game").string()});
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string util = ReadFile(out / "refs" / "util.h.html");
    // score_total: two uses on main.inf's line 4, two on rooms.h's line 3, one in util.h
    // itself; its own name, the comment and the quotes none. Files in the order of their
    // paths, each line once with every use on it marked, without its leading blanks.
    EXPECT_NE(util.find("<section id=\"n-score_total-L1\">\n"
                        "<h2><a href=\"../src/util.h.html#L1\">score_total</a> <span class=\"k\">global</span> "
                        "<span class=\"count\">6 uses in 3 files</span></h2>\n"
                        "<h3><a href=\"../src/main.inf.html\">game/main.inf</a></h3>\n<ul>\n"
                        "<li><a href=\"../src/main.inf.html#L3\">3</a> [ Main; Score(1); print <mark>score_total</mark>; ];</li>\n"
                        "<li><a href=\"../src/main.inf.html#L4\">4</a> [ Bump n; <mark>score_total</mark> = "
                        "<mark>score_total</mark> + n; ];</li>\n</ul>\n"
                        "<h3><a href=\"../src/rooms.h.html\">game/rooms.h</a></h3>\n<ul>\n"
                        "<li><a href=\"../src/rooms.h.html#L3\">3</a> after [; if (<mark>score_total</mark> &gt; 2) "
                        "Score(<mark>score_total</mark>); ];</li>\n</ul>\n"
                        "<h3><a href=\"../src/util.h.html\">game/util.h</a></h3>\n<ul>\n"
                        "<li><a href=\"../src/util.h.html#L2\">2</a> [ Score n; Bump(n); <mark>score_total</mark>++; ];"
                        "   ! Score in a comment is no use</li>\n</ul>\n</section>\n"),
              std::string::npos)
        << util;
    // Score: main.inf's line 3 and rooms.h's lines 2 and 3.
    EXPECT_NE(util.find("<span class=\"count\">3 uses in 2 files</span></h2>\n"
                        "<h3><a href=\"../src/main.inf.html\">game/main.inf</a></h3>\n<ul>\n"
                        "<li><a href=\"../src/main.inf.html#L3\">3</a> [ Main; <mark>Score</mark>(1); print score_total; ];</li>\n"
                        "</ul>\n<h3><a href=\"../src/rooms.h.html\">game/rooms.h</a></h3>\n<ul>\n"
                        "<li><a href=\"../src/rooms.h.html#L2\">2</a> with before [; <mark>Score</mark>(2); ],</li>\n"
                        "<li><a href=\"../src/rooms.h.html#L3\">3</a> after [; if (score_total &gt; 2) "
                        "<mark>Score</mark>(score_total); ];</li>\n</ul>\n</section>\n"
                        "<section id=\"n-msg-L3\">\n"
                        "<h2><a href=\"../src/util.h.html#L3\">MSG</a> <span class=\"k\">constant</span> "
                        "<span class=\"count\">no uses</span></h2>\n<p class=\"none\">No uses in the games.</p>\n</section>\n"),
              std::string::npos)
        << util;
    // hall.before, written so: its own list; hall, a use of the object.
    const std::string rooms = ReadFile(out / "refs" / "rooms.h.html");
    EXPECT_NE(rooms.find("<section id=\"n-hall.before-L2\">\n"
                         "<h2><a href=\"../src/rooms.h.html#L2\">hall.before</a> <span class=\"k\">property routine</span> "
                         "<span class=\"count\">1 use in 1 file</span></h2>\n"
                         "<h3><a href=\"../src/rooms.h.html\">game/rooms.h</a></h3>\n<ul>\n"
                         "<li><a href=\"../src/rooms.h.html#L4\">4</a> [ Restart; hall.<mark>before</mark>(); ];</li>\n"),
              std::string::npos)
        << rooms;
    EXPECT_NE(rooms.find("<li><a href=\"../src/rooms.h.html#L4\">4</a> [ Restart; <mark>hall</mark>.before(); ];</li>\n"),
              std::string::npos);
    // Reached from the definition's own name and from the A to Z; a file's page says
    // which files include it.
    const std::string page = ReadFile(out / "src" / "util.h.html");
    EXPECT_EQ(TextAfter(page, "<a href=\"../refs/util.h.html#n-score_total-L1\">", "</a>"), "score_total");
    EXPECT_NE(page.find("<p class=\"included\">Included by <a href=\"main.inf.html#L2\">game/main.inf</a></p>\n"),
              std::string::npos);
    EXPECT_NE(ReadFile(out / "names.html")
                  .find("<dd><a href=\"src/util.h.html#L1\">game/util.h:1</a> <span class=\"k\">global</span> "
                        "<a class=\"u\" href=\"refs/util.h.html#n-score_total-L1\">6 uses</a></dd>\n"),
              std::string::npos);
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
              "index.html\nrefs/a.inf.html\nrefs/b.inf.html\nsearch-index.js\nsearch.js\nsrc/a.inf.html\n"
              "src/b.inf.html\nsrc/empty.h.html\nstyle.css\n");

    // Again, without b and with names.html gone: its own files replaced, b's page removed.
    fs::remove(out / "names.html");
    r = RunCli({"--site", out.string(), a});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_FALSE(fs::exists(out / "src" / "b.inf.html"));
    EXPECT_EQ(ReadFile(out / "notes.txt"), "mine");
    EXPECT_EQ(ReadFile(out / ".glossel-site"),
              "index.html\nnames.html\nrefs/a.inf.html\nsearch-index.js\nsearch.js\nsrc/a.inf.html\n"
              "src/empty.h.html\nstyle.css\n");

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
              "\rglossel-render: 0 of 3 files\rglossel-render: 1 of 3 files\rglossel-render: 2 of 3 files"
              "\rglossel-render: 3 of 3 files\r\x1b[K");

    // Not a terminal: nothing.
    EXPECT_EQ(RunCli({"--site", (dir / "site").string(), (dir / "a.inf").string()}).err, "");
}

// Names in folder that a site run cut short or gone wrong could leave: its temporaries.
std::vector<std::string> Temporaries(const fs::path& folder)
{
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().rfind(".glossel-", 0) == 0 && entry.path().filename() != ".glossel-site")
            found.push_back(entry.path().string());
    return found;
}

TEST(Site, NothingWrittenOrRemovedThroughLinksInside)
{
    struct Case {
        const char* name;
        const char* manifest;  // planted in the site's folder
        const char* link;      // a link in the site's folder to the victim's folder
        int status;
        const char* err;       // after the site's folder's path
    };
    const Case cases[] = {
        {"the pages' folder a link: nothing is written there, nothing removed",
         "index.html\nsrc/precious.txt\n", "src", 2, "/src: is a symbolic link; the site writes nothing through it\n"},
        {"a manifest naming a file under a link: not the site's own, left", "index.html\ndocs/precious.txt\n", "docs", 0,
         ""},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const fs::path out = dir / "site";
        const fs::path victim = dir / "victim";
        fs::create_directories(out);
        fs::create_directories(victim);
        WriteFile(victim / "precious.txt", "keep");
        WriteFile(out / ".glossel-site", c.manifest);
        fs::create_directory_symlink(victim, out / c.link);
        WriteFile(dir / "a.inf", "[ Main; ];\n");
        const RunResult r = RunCli({"--site", out.string(), (dir / "a.inf").string()});
        EXPECT_EQ(r.status, c.status) << c.name;
        EXPECT_EQ(r.err, c.status ? "glossel-render: " + out.string() + c.err : std::string()) << c.name;
        std::vector<std::string> left;
        for (const auto& entry : fs::directory_iterator(victim)) left.push_back(entry.path().filename().string());
        EXPECT_EQ(left, std::vector<std::string>{"precious.txt"}) << c.name;
        EXPECT_EQ(ReadFile(victim / "precious.txt"), "keep") << c.name;
    }
}

TEST(Site, AFolderOfGamesPublishesNothingItsLinksLeadOutTo)
{
    TempDir dir;
    const fs::path games = dir / "games";
    fs::create_directories(games / "sub");
    fs::create_directories(dir / "secret");
    fs::create_directories(dir / "shared");
    WriteFile(dir / "secret" / "passwd.h", "Global secret_name;\n");
    WriteFile(dir / "shared" / "ext.h", "Global ext_name;\n");
    // Links out (a file, a folder) are not followed; a link inside is, to the same file.
    fs::create_symlink(dir / "secret" / "passwd.h", games / "leak.h");
    fs::create_directory_symlink(dir / "secret", games / "sub" / "away");
    WriteFile(games / "own.h", "Global own_name;\n");
    fs::create_symlink("own.h", games / "alias.h");
    // An Include of a file outside is followed as the compiler follows it, and said.
    WriteFile(games / "a.inf", "Include \"../shared/ext.h\";\n[ Main; ];\n");
    const fs::path out = dir / "site";
    const RunResult r = RunCli({"--site", out.string(), games.string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(out / ".glossel-site"),
              "index.html\nnames.html\nrefs/a.inf.html\nrefs/alias.h.html\nrefs/ext.h.html\nsearch-index.js\n"
              "search.js\nsrc/a.inf.html\nsrc/alias.h.html\nsrc/ext.h.html\nstyle.css\n");
    EXPECT_EQ(ReadFile(out / "names.html").find("secret_name"), std::string::npos);
    const std::string ext = fs::canonical(dir / "shared" / "ext.h").string();
    const std::string index = ReadFile(out / "index.html");
    EXPECT_NE(index.find("<li><a href=\"src/a.inf.html\">games/a.inf</a></li>\n"
                         "<li style=\"padding-left: 2em\"><a href=\"src/ext.h.html\">games/../shared/ext.h</a> <span class=\"outside\">outside the game's folder: " + ext + "</span></li>\n"),
              std::string::npos)
        << index;
}

TEST(Site, ARunCutShortLeavesASiteTheNextRunUpdates)
{
    TempDir dir;
    // A 64 MB file keeps the run busy long after the index is written.
    {
        std::string big;
        const std::string line = "! " + std::string(60, 'x') + "\n";
        big.reserve(64u << 20);
        while (big.size() < (64u << 20)) big += line;
        WriteFile(dir / "big.h", big);
    }
    WriteFile(dir / "a.inf", "Include \"big.h\";\n[ Main; ];\n");
    const fs::path out = dir / "site";
    testsupport::ChildProcess child;
    ASSERT_TRUE(child.Start({GLOSSEL_RENDER_EXE, "--default-styles", "--site", out.string(), "-j", "2",
                             (dir / "a.inf").string()}));
    // Cut short once the index is written and while the big file's page is being written.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!(fs::exists(out / "index.html") && fs::exists(out / "src") && !Temporaries(out / "src").empty()) &&
           !child.HasEnded() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_TRUE(child.Signal(SIGTERM));
    const testsupport::ChildResult cut = child.Wait();
    EXPECT_EQ(cut.signal, SIGTERM) << "the run ended before it could be cut short";
    EXPECT_EQ(Temporaries(out), std::vector<std::string>{});
    EXPECT_EQ(Temporaries(out / "src"), std::vector<std::string>{});

    // The next run owns what the cut one wrote, and replaces it.
    WriteFile(dir / "a.inf", "Include \"big.h\";\n[ Main; ];\n[ Later; ];\n");
    const RunResult r = RunCli({"--site", out.string(), (dir / "a.inf").string()});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_NE(ReadFile(out / "names.html").find("Later"), std::string::npos);
}
