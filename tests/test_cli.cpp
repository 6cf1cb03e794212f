// glossel-render: statuses, messages, output destinations and the codes listing.

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
#include <cctype>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <sys/resource.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace fs = std::filesystem;
using testsupport::Drain;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

// glossel-render reads the user's stored styles by default: keep the real user's
// settings out of reach of the in-process runs and of the program started as a command.
[[maybe_unused]] const void* const g_configHome = testsupport::UseTemporaryConfigHome();

struct RunResult {
    int status;
    std::string out;
    std::string err;
};

// Runs the program in-process with input on its standard input; its standard output is
// out when given (the caller reads and closes it), else a temporary file that is read.
RunResult RunCli(const std::vector<std::string>& args, const std::string& input = "", std::FILE* out = nullptr)
{
    TempDir dir;
    WriteFile(dir / "stdin", input);
    RenderStreams io;
    io.inFd = open((dir / "stdin").c_str(), O_RDONLY);
    io.out = out ? out : std::tmpfile();
    io.err = std::tmpfile();
    const int status = RunRender(args, io);
    close(io.inFd);
    return {status, out ? std::string() : Drain(io.out), Drain(io.err)};
}

// A run and what it must give: the status, the whole standard output and error.
struct Row {
    const char* name;
    std::vector<std::string> args;
    int status;
    std::string out;
    std::string err;
    std::string input = "";  // standard input
};

void ExpectRows(const std::vector<Row>& rows)
{
    for (const Row& row : rows) {
        const RunResult r = RunCli(row.args, row.input);
        EXPECT_EQ(r.status, row.status) << row.name;
        EXPECT_EQ(r.out, row.out) << row.name;
        EXPECT_EQ(r.err, row.err) << row.name;
    }
}

std::string DefaultDocument(const std::string& text)
{
    CSyntaxStyleMap styles;
    styles.BuildDefaults();
    CRtfBuilder builder;
    COutputBuffer out;
    builder.BuildDocument(text.data(), text.size(), styles, out);
    return std::string(out.View());
}

std::string DefaultHtml(const std::string& text, CHtmlBuilder::Kind kind, const std::string& title)
{
    CSyntaxStyleMap styles;
    styles.BuildDefaults();
    COutputBuffer out;
    CHtmlBuilder().BuildDocument(text.data(), text.size(), styles, kind, title, out);
    return std::string(out.View());
}

std::string DefaultAnsi(const std::string& text, CAnsiBuilder::Colours colours)
{
    CSyntaxStyleMap styles;
    styles.BuildDefaults();
    COutputBuffer out;
    CAnsiBuilder().BuildDocument(text.data(), text.size(), styles, colours, out);
    return std::string(out.View());
}

std::vector<std::string> FolderEntries(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

std::string DefaultStyleSheet()
{
    CSyntaxStyleMap styles;
    styles.BuildDefaults();
    COutputBuffer out;
    CHtmlBuilder::BuildStyleSheet(styles, out);
    return std::string(out.View());
}

}  // namespace

TEST(RenderCli, StatusesAndMessages)
{
    TempDir dir;
    WriteFile(dir / "ok.inf", "Object x;\r\n");
    WriteFile(dir / "empty.inf", "");
    WriteFile(dir / "-dash.inf", "x;\n");
    WriteFile(dir / "long.inf", "y;\n" + std::string(1020, 'a') + "\nz;\n");
    const std::string ok = (dir / "ok.inf").string();
    const std::string missing = (dir / "missing.inf").string();
    const std::string empty = (dir / "empty.inf").string();
    const std::string longFile = (dir / "long.inf").string();
    const std::string tryHelp = "Try 'glossel-render --help' for more information.\n";

    ExpectRows({
        {"a file", {ok}, 0, DefaultDocument("Object x;\n"), ""},
        {"default styles", {"--default-styles", ok}, 0, DefaultDocument("Object x;\n"), ""},
        {"end of options", {"--", (dir / "-dash.inf").string()}, 0, DefaultDocument("x;\n"), ""},
        {"missing file", {missing}, 2, "", "glossel-render: " + missing + ": No such file or directory\n"},
        {"directory", {dir.Path().string()}, 2, "",
         "glossel-render: " + dir.Path().string() + ": Is a directory\n"},
        {"empty file", {empty}, 2, "", "glossel-render: " + empty + ": file is empty\n"},
        {"long line", {longFile}, 3, DefaultDocument("y;\n"),
         "glossel-render: " + longFile +
             ": The file contained a line longer than the maximum allowed (1020)!\n"},
        {"no input", {}, 1, "", "glossel-render: no input file\n" + tryHelp},
        {"two inputs", {ok, ok}, 1, "", "glossel-render: only one input file may be given\n" + tryHelp},
        {"-j without --site", {"-j", "2", ok}, 1, "", "glossel-render: option '--jobs' needs --site\n" + tryHelp},
        {"-j 0", {"--site", missing, "-j0", ok}, 1, "",
         "glossel-render: the number of jobs '0' is not a number from 1 to 1024\n" + tryHelp},
        {"-j of no number", {"--site", missing, "--jobs=2x", ok}, 1, "",
         "glossel-render: the number of jobs '2x' is not a number from 1 to 1024\n" + tryHelp},
        {"--site with -o", {"--site", missing, "-o", missing, ok}, 1, "",
         "glossel-render: option '--site' writes into its folder and takes no '--output'\n" + tryHelp},
        {"--tags of standard input", {"--tags", ok, "-"}, 1, "",
         "glossel-render: a game's main file cannot be standard input\n" + tryHelp},
        {"--tags with --game", {"--tags", "--game", ok}, 1, "", "glossel-render: option '--game' needs --outline or --format html\n" + tryHelp},
        {"unknown option", {"--colour", ok}, 1, "", "glossel-render: unknown option '--colour'\n" + tryHelp},
        {"-o without a name", {ok, "-o"}, 1, "", "glossel-render: option '-o' needs a file name\n" + tryHelp},
        {"version", {"--version"}, 0, "glossel-render 0.2.0.0\n", ""},
        {"version wins over a missing file", {"-V", missing}, 0, "glossel-render 0.2.0.0\n", ""},
    });
}

TEST(RenderCli, HelpDescribesEveryOption)
{
    const RunResult r = RunCli({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    for (const char* word : {"Usage: glossel-render", "--output", "--codes", "--outline", "--default-styles", "--format",
                             "rtf", "html", "ansi", "--fragment", "--css", "--ansi-colours", "256", "U+241B",
#ifdef GLOSSEL_HAVE_SETTINGS
                             "--settings", "XDG_CONFIG_HOME",
#endif
                             "--version", "one hex digit (0-b) per byte", "1020 or\nmore bytes", "(-:\n",
                             "is never the input", "or any file the game reads", "up to 32 files deep", "not written to a terminal", "of\nmore than 1 GiB is refused",
                             "--tags", "--etags", "--site OUT", "-j, --jobs N", "OUT/.glossel-site"})
        EXPECT_NE(r.out.find(word), std::string::npos) << word;
    for (std::size_t at = 0, end; at < r.out.size(); at = end + 1) {
        end = r.out.find('\n', at);
        EXPECT_LE(end - at, 80u) << r.out.substr(at, end - at);
    }
}

TEST(RenderCli, OutputFileAndStandardInput)
{
    TempDir dir;
    WriteFile(dir / "in.inf", "[ Main; ];\n");
    const std::string out = (dir / "out.rtf").string();

    RunResult r = RunCli({"-o", out, (dir / "in.inf").string()});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(ReadFile(out), DefaultDocument("[ Main; ];\n"));

    r = RunCli({"--output=" + out, "-"}, "Global g;\r\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(ReadFile(out), DefaultDocument("Global g;\n"));

    r = RunCli({"-"}, "");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "glossel-render: standard input: file is empty\n");

    // A failed read leaves an existing output file alone.
    WriteFile(out, "keep");
    r = RunCli({"-o", out, (dir / "missing.inf").string()});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(ReadFile(out), "keep");

    r = RunCli({"-o", (dir / "no" / "such" / "folder.rtf").string(), (dir / "in.inf").string()});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "glossel-render: " + (dir / "no" / "such" / "folder.rtf").string() +
                         ": No such file or directory\n");

    r = RunCli({"-o", "/dev/full", (dir / "in.inf").string()});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "glossel-render: /dev/full: No space left on device\n");

    // "-o -" is standard output, and makes no file named "-".
    {
        badinputs::WorkingFolder here(dir.Path());
        r = RunCli({"-o", "-", "in.inf"});
    }
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, DefaultDocument("[ Main; ];\n"));
    EXPECT_FALSE(fs::exists(dir / "-"));

    // Standard output opened on the input (glossel-render in.inf >> in.inf) is refused.
    std::FILE* appended = std::fopen((dir / "in.inf").c_str(), "ab");
    r = RunCli({(dir / "in.inf").string()}, "", appended);
    std::fclose(appended);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "glossel-render: standard output: is the input file; it is never written\n");
    EXPECT_EQ(ReadFile(dir / "in.inf"), "[ Main; ];\n");
}

namespace {

// While it lives, no file of this process may grow past limit bytes, and a write that
// would is refused (EFBIG) instead of ending the process.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit)
    {
        getrlimit(RLIMIT_FSIZE, &m_previous);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit lower{limit, m_previous.rlim_max};
        setrlimit(RLIMIT_FSIZE, &lower);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_handler);
    }

private:
    rlimit m_previous{};
    void (*m_handler)(int);
};

// A text whose document is well over 4,096 bytes.
std::string LongText()
{
    std::string text;
    for (int i = 0; i < 300; ++i) text += "Object lamp \"brass lamp\";\n";
    return text;
}

}  // namespace

TEST(RenderCli, AnOutputFileIsReplacedOnlyWhenWhole)
{
    TempDir dir;
    const std::string text = LongText();
    WriteFile(dir / "in.inf", text);
    const std::string in = (dir / "in.inf").string();
    const std::string out = (dir / "out.rtf").string();
    const std::vector<std::string> both{"in.inf", "out.rtf"};

    // A write that fails: the old file as it was, and nothing left beside it.
    WriteFile(out, "keep");
    fs::permissions(out, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    RunResult r;
    {
        FileSizeLimit limit(4096);
        r = RunCli({"-o", out, in});
    }
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "glossel-render: " + out + ": File too large\n");
    EXPECT_EQ(ReadFile(out), "keep");
    EXPECT_EQ(FolderEntries(dir.Path()), both);

    // A whole write replaces it, with the old file's permissions.
    r = RunCli({"-o", out, in});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(ReadFile(out), DefaultDocument(text));
    EXPECT_EQ(fs::status(out).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(FolderEntries(dir.Path()), both);

    // A new file: 0666 less the umask, as any program's.
    const mode_t mask = umask(027);
    r = RunCli({"-o", (dir / "new.rtf").string(), in});
    umask(mask);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(fs::status(dir / "new.rtf").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    // Through a link: the file it leads to is replaced, and the link stays.
    fs::create_symlink("out.rtf", dir / "link.rtf");
    r = RunCli({"-o", (dir / "link.rtf").string(), "-"}, "Global g;\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(fs::is_symlink(dir / "link.rtf"));
    EXPECT_EQ(ReadFile(out), DefaultDocument("Global g;\n"));
    EXPECT_EQ(FolderEntries(dir.Path()), (std::vector<std::string>{"in.inf", "link.rtf", "new.rtf", "out.rtf"}));

    // Ended by a signal while writing (here the file size limit's own, SIGXFSZ, whose
    // default ends the program): the temporary goes too.
    WriteFile(out, "keep");
    const testsupport::ChildResult limited = testsupport::RunProgram(
        {"/bin/sh", "-c", "ulimit -f 2; exec \"$0\" -o \"$1\" \"$2\"", GLOSSEL_RENDER_EXE, out, in});
    EXPECT_EQ(limited.signal, SIGXFSZ) << limited.exitCode;
    EXPECT_EQ(ReadFile(out), "keep");
    EXPECT_EQ(FolderEntries(dir.Path()), (std::vector<std::string>{"in.inf", "link.rtf", "new.rtf", "out.rtf"}));
}

// Standard output on a real pseudo-terminal: no raw bytes of the file reach it.
TEST(RenderCli, ATerminalIsShownTerminalText)
{
    TempDir dir;
    const std::string text = "Object lamp \"\x1b]0;owned\x07\";\n";
    WriteFile(dir / "lamp.inf", text);
    const std::string in = (dir / "lamp.inf").string();
    const std::string refused = " is not written to a terminal (use -o FILE, or a pipe)\n";
    // out: what the terminal is shown.
    const Row rows[] = {
        {"no format: ansi", {in}, 0, DefaultAnsi(text, CAnsiBuilder::TrueColour), ""},
        {"-o - is the terminal too", {"-o", "-", in}, 0, DefaultAnsi(text, CAnsiBuilder::TrueColour), ""},
        {"ansi in 256 colours", {"--ansi-colours", "256", in}, 0, DefaultAnsi(text, CAnsiBuilder::Palette256), ""},
        {"html asked for", {"-f", "html", "--fragment", in}, 0, DefaultHtml(text, CHtmlBuilder::Fragment, ""), ""},
        {"the outline", {"--outline", in}, 0, "1\tobject\tlamp\n", ""},
        {"rtf named", {"-f", "rtf", in}, 1, "", "glossel-render: rtf" + refused},
        {"codes named", {"--codes", in}, 1, "", "glossel-render: codes" + refused},
        {"etags to the terminal", {"--etags", "-o", "-", in}, 1, "", "glossel-render: etags" + refused},
        {"-o a file: rtf there", {"-o", (dir / "out.rtf").string(), in}, 0, "", ""},
    };
    for (const Row& row : rows) {
        const int master = posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(master, 0);
        ASSERT_EQ(grantpt(master), 0);
        ASSERT_EQ(unlockpt(master), 0);
        const int slave = open(ptsname(master), O_RDWR | O_NOCTTY);
        ASSERT_GE(slave, 0);
        termios raw{};
        ASSERT_EQ(tcgetattr(slave, &raw), 0);
        cfmakeraw(&raw);  // line feeds as they are
        ASSERT_EQ(tcsetattr(slave, TCSANOW, &raw), 0);
        std::FILE* terminal = fdopen(slave, "w");
        ASSERT_TRUE(terminal);
        const RunResult r = RunCli(row.args, "", terminal);
        std::fclose(terminal);
        // With the terminal's end closed, the other end reads what it was sent, then EIO.
        std::string shown;
        char buffer[4096];
        for (ssize_t n; (n = read(master, buffer, sizeof buffer)) > 0;) shown.append(buffer, static_cast<std::size_t>(n));
        close(master);
        EXPECT_EQ(r.status, row.status) << row.name;
        EXPECT_EQ(shown, row.out) << row.name;
        EXPECT_EQ(r.err, row.err) << row.name;
    }
    EXPECT_EQ(ReadFile(dir / "out.rtf"), DefaultDocument(text));
}

TEST(RenderCli, OutlineListsTheDefinitionsOneALine)
{
    TempDir dir;
    // CR LF read as LF; a tab inside a short name is escaped so that it cannot split
    // the row; the commented Global is no definition.
    WriteFile(dir / "in.inf", "Constant Story \"x\";\r\n[ Main; ];\nObject \"a\tb\";\n! Global g;\n");
    WriteFile(dir / "long.inf", "Global a;\n" + std::string(1020, 'x') + "\nGlobal b;\n");
    const std::string in = (dir / "in.inf").string();
    const std::string longFile = (dir / "long.inf").string();
    const std::string outline = "1\tconstant\tStory\n2\troutine\tMain\n3\tobject\t\"a\\tb\"\n";

    ExpectRows({
        {"a file", {"--outline", in}, 0, outline, ""},
        {"styles play no part", {"--default-styles", "--outline", in}, 0, outline, ""},
        {"standard input", {"--outline", "-"}, 0, "1\tglobal\tg\n", "", "Global g;"},
        {"no definitions", {"--outline", "-"}, 0, "", "", "! Global g;\n"},
        {"long line", {"--outline", longFile}, 3, "1\tglobal\ta\n",
         "glossel-render: " + longFile + ": The file contained a line longer than the maximum allowed (1020)!\n"},
        {"empty input", {"--outline", "-"}, 2, "", "glossel-render: standard input: file is empty\n"},
        {"by its format's name", {"-f", "outline", in}, 0, outline, ""},
        {"the last of --codes and --outline wins", {"--codes", "--outline", in}, 0, outline, ""},
        {"no option of another format", {"--outline", "--fragment", in}, 1, "",
         "glossel-render: option '--fragment' needs --format html\n"
         "Try 'glossel-render --help' for more information.\n"},
    });

    const std::string out = (dir / "out.tsv").string();
    const RunResult r = RunCli({"--outline", "-o", out, in});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(ReadFile(out), outline);
    EXPECT_EQ(RunCli({"--outline", "-o", "/dev/full", in}).status, 2);
    EXPECT_EQ(RunCli({"--outline", "-o", in, in}).status, 2);
    EXPECT_EQ(ReadFile(in), "Constant Story \"x\";\r\n[ Main; ];\nObject \"a\tb\";\n! Global g;\n");
}

// The game of a main file: its include tree and the outline of all its files. Names in
// another case, files read before, a missing name with the paths tried (the standard
// library's folder among them when it is there; listed once for a name missing twice),
// --include-path, long lines, includes that stand but cannot be read. No output is
// ever written over a file of the game.
TEST(RenderCli, TheWholeGame)
{
    TempDir dir;
    fs::create_directories(dir / "g");
    fs::create_directories(dir / "extra");
    WriteFile(dir / "g/main.inf",
              "Include \"a\";\nInclude \"gone\";\nInclude \"A\";\nObject lamp with before [; rtrue; ];\nInclude \"gone\";\n");
    WriteFile(dir / "g/a.h", "Include \"b\";\nGlobal g;\n");
    WriteFile(dir / "extra/b.h", "Include \">main\";\n[ B; ];\n");
    WriteFile(dir / "g/main2.inf", "Include \"long\";\nGlobal x;\n");
    WriteFile(dir / "g/long.h", "Global y;\n" + std::string(1020, 'x') + "\nGlobal z;\nInclude \"a\";\n");
    WriteFile(dir / "g/main3.inf", "Include \"fifo\";\nInclude \"folder\";\nInclude \"/dev/zero.\";\n");
    ASSERT_EQ(mkfifo((dir / "g/fifo.h").c_str(), 0644), 0);
    fs::create_directories(dir / "g/folder.h");
    fs::create_symlink("../extra/b.h", dir / "g/link.h");
    WriteFile(dir / "g/cond.inf", "#Ifdef DEBUG;\nGlobal dbg;\n#Ifnot;\nGlobal plain;\n#Endif;\n");
    const std::string cond = (dir / "g/cond.inf").string();
    const std::string noDebug = "`#Ifdef DEBUG` is false (cond.inf:1)";
    const std::string debugElse = "in the #Ifnot of `#Ifdef DEBUG`, which is true (cond.inf:1)";
    // cond.inf's lines as html: '#', ';' and Global in the directive style.
    const std::string kSemicolon = "<span class=\"directive\">;</span>";
    const std::string kGlobal = "<span class=\"directive\">Global</span>";
    const std::string kIfdefDebug = "<span class=\"directive\">#</span>Ifdef DEBUG" + kSemicolon + "\n";
    const std::string kIfnot = "<span class=\"directive\">#</span>Ifnot" + kSemicolon + "\n";
    const std::string kEndif = "<span class=\"directive\">#</span>Endif" + kSemicolon + "\n";
    const std::string g = (dir / "g").string();
    const std::string extra = (dir / "extra").string();
    const std::string main = g + "/main.inf";
    // The compiler's include path is the library's folder; the other folders are ours.
    const std::string library = fs::is_directory(GAME_LIBRARY_FOLDER) ? "    " + std::string(GAME_LIBRARY_FOLDER) + "/gone.h\n" : "";
    const std::string outside = " (outside the compiler's include path: it would not find it)";
    const std::string tree = main + ":1: Include \"a\" -> " + g + "/a.h" + outside + "\n" +
                             "  " + g + "/a.h:1: Include \"b\" -> " + extra + "/b.h" + outside + "\n" +
                             "    " + extra + "/b.h:1: Include \">main\" -> " + main + " (read before)\n" +
                             main + ":2: Include \"gone\" -> missing; tried:\n" + library +
                             "    " + extra + "/gone.h\n" +
                             "    " + g + "/gone.h\n" +
                             main + ":3: Include \"A\" -> " + g +
                             "/a.h (another case: the compiler would not find it) (read before)\n" + main +
                             ":5: Include \"gone\" -> missing; tried as at " + main + ":2\n";
    const std::string outline = main + "\t4\tobject\tlamp\n" + main + "\t4\tproperty routine\tlamp.before\n" + g +
                                "/a.h\t2\tglobal\tg\n" + extra + "/b.h\t2\troutine\tB\n";
    const std::string tryHelp = "Try 'glossel-render --help' for more information.\n";
    ExpectRows({
        {"the include tree", {"--includes", "--include-path", extra, main}, 0, tree, ""},
        {"folders after a comma", {"--include-path=/nowhere,,," + extra, "--includes", main}, 0,
         main + ":1: Include \"a\" -> " + g + "/a.h" + outside + "\n" + "  " + g + "/a.h:1: Include \"b\" -> " + extra +
             "/b.h" + outside + "\n" + "    " + extra + "/b.h:1: Include \">main\" -> " + main + " (read before)\n" + main +
             ":2: Include \"gone\" -> missing; tried:\n" + library + "    /nowhere/gone.h\n    " + extra + "/gone.h\n    " + g +
             "/gone.h\n" + main + ":3: Include \"A\" -> " + g +
             "/a.h (another case: the compiler would not find it) (read before)\n" + main +
             ":5: Include \"gone\" -> missing; tried as at " + main + ":2\n",
         ""},
        {"the outline of every file", {"--outline", "--game", "--include-path", extra, main}, 0, outline, ""},
        {"without the folder", {"--game", "-f", "outline", main}, 0,
         main + "\t4\tobject\tlamp\n" + main + "\t4\tproperty routine\tlamp.before\n" + g + "/a.h\t2\tglobal\tg\n", ""},
        {"a long line stops one file's outline", {"--outline", "--game", g + "/main2.inf"}, 3,
         g + "/main2.inf\t2\tglobal\tx\n" + g + "/long.h\t1\tglobal\ty\n",
         "glossel-render: " + g + "/long.h: The file contained a line longer than the maximum allowed (1020)!\n"},
        {"a long line stops one file's includes", {"--includes", g + "/main2.inf"}, 3,
         g + "/main2.inf:1: Include \"long\" -> " + g + "/long.h" + outside + "\n",
         "glossel-render: " + g + "/long.h: The file contained a line longer than the maximum allowed (1020)!\n"},
        {"files that stand but cannot be read", {"--includes", g + "/main3.inf"}, 0,
         g + "/main3.inf:1: Include \"fifo\" -> " + g + "/fifo.h (cannot be read: not a regular file)\n" + g +
             "/main3.inf:2: Include \"folder\" -> " + g + "/folder.h (cannot be read: Is a directory)\n" + g +
             "/main3.inf:3: Include \"/dev/zero.\" -> /dev/zero (cannot be read: not a regular file)\n",
         ""},
        {"no include tree over an included file", {"--includes", "--include-path", extra, "-o", g + "/a.h", main}, 2, "",
         "glossel-render: " + g + "/a.h: is a file the game reads (" + g + "/a.h); it is never written\n"},
        {"no outline over a file of the game, through a link",
         {"--outline", "--game", "--include-path", extra, "-o", g + "/link.h", main}, 2, "",
         "glossel-render: " + g + "/link.h: is a file the game reads (" + extra + "/b.h); it is never written\n"},
        {"no tags over an included file", {"--tags", "--include-path", extra, "-o", g + "/a.h", main}, 2, "",
         "glossel-render: " + g + "/a.h: is a file the game reads (" + g + "/a.h); it is never written\n"},
        {"no Emacs tags over a file of the game by another name",
         {"--etags", "--include-path", extra, "-o", extra + "/../extra/b.h", main}, 2, "",
         "glossel-render: " + extra + "/../extra/b.h: is a file the game reads (" + extra +
             "/b.h); it is never written\n"},
        {"the code the compiler skips", {"--skipped", cond}, 0, cond + "\t2\t2\t" + noDebug + "\n", ""},
        {"with the compiler's switches", {"--switches", "-D", "--skipped", cond}, 0,
         cond + "\t4\t4\t" + debugElse + "\n", ""},
        {"definitions not compiled", {"--switches=-D -v3", "--outline", "--game", cond}, 0,
         cond + "\t2\tglobal\tdbg\n" + cond + "\t4\tglobal\tplain\tnot compiled: " + debugElse + "\n", ""},
        // The main file's HTML with the lines the compiler skips tinted, the reason their title.
        {"the skipped lines tinted in html", {"--fragment", "--game", cond}, 0,
         "<pre class=\"glossel\">\n" + kIfdefDebug + "<span class=\"skipped\" title=\"not compiled: " + noDebug + "\">" +
             kGlobal + " dbg" + kSemicolon + "</span>\n" + kIfnot + kGlobal + " plain" + kSemicolon + "\n" + kEndif + "</pre>\n",
         ""},
        {"and with the compiler's switches", {"--switches", "-D", "--fragment", "--game", cond}, 0,
         "<pre class=\"glossel\">\n" + kIfdefDebug + kGlobal + " dbg" + kSemicolon + "\n" + kIfnot +
             "<span class=\"skipped\" title=\"not compiled: " + debugElse + "\">" + kGlobal + " plain" + kSemicolon +
             "</span>\n" + kEndif + "</pre>\n",
         ""},
        {"--switches needs a game", {"--switches", "-D", main}, 1, "",
         "glossel-render: option '--switches' needs a game: --includes, --skipped, --game, --tags, --etags or --site\n" +
             tryHelp},
        {"no main file", {"--includes", g + "/none.inf"}, 2, "",
         "glossel-render: " + g + "/none.inf: No such file or directory\n"},
        {"--game needs the outline", {"--game", "--codes", main}, 1, "",
         "glossel-render: option '--game' needs --outline or --format html\n" + tryHelp},
        {"--include-path needs a game", {"--include-path", extra, main}, 1, "",
         "glossel-render: option '--include-path' needs --includes, --skipped or --game\n" + tryHelp},
        {"no game from standard input", {"--includes", "-"}, 1, "",
         "glossel-render: a game's main file cannot be standard input\n" + tryHelp},
    });
    EXPECT_EQ(ReadFile(dir / "g/a.h"), "Include \"b\";\nGlobal g;\n");
    EXPECT_EQ(ReadFile(dir / "extra/b.h"), "Include \">main\";\n[ B; ];\n");
    const RunResult r = RunCli({"--includes", "--include-path", extra, "-o", (dir / "tree.txt").string(), main});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(ReadFile(dir / "tree.txt"), tree);
    // The page's style sheet has the tint's rule when it shows the game, and only then.
    const std::string rule = ".glossel .skipped { background-color: #ececec; box-shadow: inset 3px 0 #b8b8b8; }\n</style>";
    EXPECT_NE(RunCli({"-f", "html", "--game", cond}).out.find(rule), std::string::npos);
    EXPECT_EQ(RunCli({"-f", "html", cond}).out.find("skipped"), std::string::npos);

    // A file there that the user may not read: "cannot be read", not missing.
    fs::create_directories(dir / "n");
    WriteFile(dir / "n/main.inf", "Include \"secret\";\n");
    WriteFile(dir / "n/secret.h", "Global s;\n");
    fs::permissions(dir / "n/secret.h", fs::perms::none);
    for (const fs::path& folder : {dir.Path(), dir / "n"})
        fs::permissions(folder, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    {
        badinputs::AsNobody asNobody;
        if (asNobody.Active()) {
            const RunResult secret = RunCli({"--includes", (dir / "n/main.inf").string()});
            EXPECT_EQ(secret.status, 0);
            EXPECT_EQ(secret.out, (dir / "n/main.inf").string() + ":1: Include \"secret\" -> " +
                                      (dir / "n/secret.h").string() + " (cannot be read: Permission denied)\n");
        }
    }

    // A game file named tags, where a plain --tags writes.
    WriteFile(dir / "g/main4.inf", "Include \"tags.\";\n");
    WriteFile(dir / "g/tags", "Global t;\n");
    {
        badinputs::WorkingFolder here(g);
        const RunResult plain = RunCli({"--tags", "main4.inf"});
        EXPECT_EQ(plain.status, 2);
        EXPECT_EQ(plain.err, "glossel-render: tags: is a file the game reads (tags); it is never written\n");
    }
    EXPECT_EQ(ReadFile(dir / "g/tags"), "Global t;\n");
}

TEST(RenderCli, FormatsAndTheirOptions)
{
    TempDir dir;
    const std::string text = "Object lamp \"a & b\";\n";
    WriteFile(dir / "lamp.inf", text);
    WriteFile(dir / "long.inf", "x;\n" + std::string(1020, 'a') + "\n");
    const std::string in = (dir / "lamp.inf").string();
    const std::string longFile = (dir / "long.inf").string();
    const std::string tryHelp = "Try 'glossel-render --help' for more information.\n";
    const std::string page = DefaultHtml(text, CHtmlBuilder::Page, "lamp.inf");
    const std::string fragment = DefaultHtml(text, CHtmlBuilder::Fragment, "");
    const std::string ansi = DefaultAnsi(text, CAnsiBuilder::TrueColour);
    const std::string ansi256 = DefaultAnsi(text, CAnsiBuilder::Palette256);
    // 333333 0 0000 0 1111111 3 0
    const std::string codes = "333333000000111111130 020000ff\n";

    ExpectRows({
        {"rtf by name", {"-f", "rtf", in}, 0, DefaultDocument(text), ""},
        {"html page, titled by the file's name", {"--format", "html", in}, 0, page, ""},
        {"--format=html", {"--format=html", in}, 0, page, ""},
        {"-fhtml", {"-fhtml", in}, 0, page, ""},
        {"html fragment", {"-f", "html", "--fragment", in}, 0, fragment, ""},
        {"--fragment chooses html", {"--fragment", in}, 0, fragment, ""},
        {"ansi", {"-f", "ansi", in}, 0, ansi, ""},
        {"ansi, 24-bit named", {"-f", "ansi", "--ansi-colours", "24bit", in}, 0, ansi, ""},
        {"ansi, 256 colours", {"--ansi-colours=256", in}, 0, ansi256, ""},
        {"codes by name", {"-f", "codes", in}, 0, codes, ""},
        {"a long line in codes", {"--codes", longFile}, 3, "330 020000ff\n",
         "glossel-render: " + longFile + ": The file contained a line longer than the maximum allowed (1020)!\n"},
        {"the last format wins", {"--codes", "-f", "ansi", in}, 0, ansi, ""},
        {"the style sheet needs no file", {"--css"}, 0, DefaultStyleSheet(), ""},
        {"the style sheet with html named", {"-f", "html", "--css"}, 0, DefaultStyleSheet(), ""},
        {"a page from standard input", {"-f", "html", "-"}, 0, DefaultHtml(text, CHtmlBuilder::Page, "standard input"), "",
         text},
        {"a long line in html", {"-f", "html", "--fragment", longFile}, 3,
         DefaultHtml("x;\n", CHtmlBuilder::Fragment, ""),
         "glossel-render: " + longFile + ": The file contained a line longer than the maximum allowed (1020)!\n"},
        {"a long line in ansi", {"-f", "ansi", longFile}, 3, DefaultAnsi("x;\n", CAnsiBuilder::TrueColour),
         "glossel-render: " + longFile + ": The file contained a line longer than the maximum allowed (1020)!\n"},
        {"unknown format", {"-f", "pdf", in}, 1, "", "glossel-render: unknown format 'pdf' (rtf, html, ansi, codes or outline)\n" + tryHelp},
        {"format without a name", {in, "-f"}, 1, "", "glossel-render: option '-f' needs a format\n" + tryHelp},
        {"unknown colour count", {"--ansi-colours", "16", in}, 1, "",
         "glossel-render: unknown colour count '16' for --ansi-colours (24bit or 256)\n" + tryHelp},
        {"fragment of another format", {"-f", "ansi", "--fragment", in}, 1, "",
         "glossel-render: option '--fragment' needs --format html\n" + tryHelp},
        {"colours of another format", {"--ansi-colours", "256", "--codes", in}, 1, "",
         "glossel-render: option '--ansi-colours' needs --format ansi\n" + tryHelp},
        {"options of two formats", {"--css", "--ansi-colours", "256"}, 1, "",
         "glossel-render: options '--css' and '--ansi-colours' contradict each other\n" + tryHelp},
        {"fragment and style sheet", {"--fragment", "--css"}, 1, "",
         "glossel-render: options '--fragment' and '--css' contradict each other\n" + tryHelp},
        {"style sheet and a file", {"--css", in}, 1, "",
         "glossel-render: option '--css' writes the style sheet alone and takes no input file\n" + tryHelp},
        {"html without a file", {"-f", "html"}, 1, "", "glossel-render: no input file\n" + tryHelp},
        {"a flag with a value", {"--codes=1", in}, 1, "", "glossel-render: option '--codes' takes no value\n" + tryHelp},
    });
    // The page really is the one of the file: its title and its text.
    EXPECT_NE(page.find("<title>lamp.inf</title>"), std::string::npos);
    EXPECT_NE(page.find("\"a &amp; b\""), std::string::npos);
    EXPECT_EQ(page.find("&quot;"), std::string::npos) << "quotes need no escape in text";
}

TEST(RenderCli, NoByteOfTheFileDrivesTheTerminal)
{
    // A file that would clear the screen, ring the bell, move the cursor back, set the
    // window title and send a C1 control sequence introducer if its bytes reached a terminal.
    TempDir dir;
    const std::string hostile = "! \x1b[2J\x1b]0;owned\x07 back\rover \xC2\x9B" "31m\x08\x7f\n"
                                "Constant X \"\x1b[5m\";\n";
    WriteFile(dir / "hostile.inf", hostile);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"-f", "ansi"}, {"-f", "ansi", "--ansi-colours", "256"}, {"-f", "html"}}) {
        std::vector<std::string> all = args;
        all.push_back((dir / "hostile.inf").string());
        const RunResult r = RunCli(all);
        ASSERT_EQ(r.status, 0);
        // Every ESC begins one of our SGR sequences (ESC [ digits and ; m); no other
        // control byte but tab and line feed, and no C1 control in UTF-8.
        for (std::size_t i = 0; i < r.out.size(); ++i) {
            const unsigned char c = static_cast<unsigned char>(r.out[i]);
            if (c == 0x1B) {
                std::size_t j = i + 1;
                ASSERT_LT(j, r.out.size());
                ASSERT_EQ(r.out[j], '[') << "at " << i;
                ++j;
                while (j < r.out.size() && (std::isdigit(static_cast<unsigned char>(r.out[j])) || r.out[j] == ';')) ++j;
                ASSERT_LT(j, r.out.size());
                ASSERT_EQ(r.out[j], 'm') << "at " << i;
                ASSERT_NE(args[1], "html") << "no escape in a page";
                i = j;
            } else {
                ASSERT_TRUE(c >= 0x20 || c == '\t' || c == '\n') << "control byte " << int(c) << " at " << i;
                ASSERT_NE(c, 0x7F) << "at " << i;
                if (c == 0xC2 && i + 1 < r.out.size()) {
                    const unsigned char next = static_cast<unsigned char>(r.out[i + 1]);
                    ASSERT_FALSE(next >= 0x80 && next <= 0x9F) << "C1 control at " << i;
                }
            }
        }
        // The bytes are still shown, as their pictures.
        for (const char* picture : {"\xE2\x90\x9B[2J", "\xE2\x90\x87", "\xE2\x90\x8D", "\xE2\x90\x88", "\xE2\x90\xA1",
                                    "\xEF\xBF\xBD" "31m"})
            EXPECT_NE(r.out.find(picture), std::string::npos) << picture;
    }
}

TEST(RenderCli, TheProgramRunsAsACommand)
{
    TempDir dir;
    WriteFile(dir / "in.inf", "Constant Story \"x\";\n");
    const testsupport::ChildResult run =
        testsupport::RunProgram({GLOSSEL_RENDER_EXE, "-o", (dir / "out.rtf").string(), (dir / "in.inf").string()});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out + run.err, "");
    EXPECT_EQ(ReadFile(dir / "out.rtf"), DefaultDocument("Constant Story \"x\";\n"));

    const testsupport::ChildResult missing = testsupport::RunProgram({GLOSSEL_RENDER_EXE, "/nonexistent/x.inf"});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_EQ(missing.err, "glossel-render: /nonexistent/x.inf: No such file or directory\n");
}

#ifdef GLOSSEL_HAVE_SETTINGS
// ---------------------------------------------------------------------------------
// Stored styles

namespace {

// A sample whose codes are known: "565555667666b66530", "2222" and "111111".
const char* const kSample = "[ Main; x = 1; ];\n! c\n\"open\n";

// Comment and Quoted Text both red (so they share one colour entry), Comment not
// italic, Directive not bold, and a Function colour whose high byte the document
// ignores (its low bytes are the built-in 160, 0, 0). Keys as a hand-edited file
// might hold them: one with plain spaces.
const char* const kStoredStyles =
    "[Inform%20Syntax%20Colours]\n"
    "Comment%20Colour=255\n"
    "Comment%20Italic=0\n"
    "Quoted Text Colour=255\n"
    "Directive%20Bold=0\n"
    "Function%20Colour=4278190240\n";

const char* const kHeader = "{\\rtf1\\ansi{\\fonttbl{\\f2\\fmodern Courier New;}}\n{\\colortbl";
const char* const kTail = "\n\\par }\n.";

// The colour table walks the styles from code 11 down to 0; the first seven entries
// are the same for both style sets.
const char* const kFirstSevenColours =
    "\\red0\\green128\\blue0;"    // 0: Code Number, Code Alpha
    "\\red0\\green0\\blue160;"    // 1: Number, Foreground
    "\\red192\\green0\\blue0;"    // 2: Escape Character, Property
    "\\red160\\green160\\blue0;"  // 3: Assembly
    "\\red0\\green0\\blue128;"    // 4: Code
    "\\red160\\green0\\blue0;"    // 5: Function
    "\\red0\\green0\\blue0;";     // 6: Directive

// Line 1 up to its directive run: runs of codes 5, 6, 7, 6, 11, 6, 5, white space
// joining the run before it.
const char* const kFirstLineRuns =
    "\\plain\\f2\\fs20\\cf5 [ Main"
    "\\plain\\f2\\fs20\\cf4 ; "
    "\\plain\\f2\\fs20\\cf0 x "
    "\\plain\\f2\\fs20\\cf4 = "
    "\\plain\\f2\\fs20\\cf0\\b 1"
    "\\plain\\f2\\fs20\\cf4 ; "
    "\\plain\\f2\\fs20\\cf5 ]";

std::string DefaultSampleDocument()
{
    return std::string(kHeader) + kFirstSevenColours +
           "\\red128\\green0\\blue128;"     // 7: Comment
           "\\red128\\green128\\blue128;"   // 8: Quoted Text
           "}\n\\pard" +
           kFirstLineRuns + "\\plain\\f2\\fs20\\cf6\\b ;\n\\par " +
           "\\plain\\f2\\fs20\\cf7\\i ! c\n\\par " +
           "\\plain\\f2\\fs20\\cf8 \"open\n\\par " + kTail;
}

std::string StoredSampleDocument()
{
    return std::string(kHeader) + kFirstSevenColours +
           "\\red255\\green0\\blue0;"       // 7: Comment, and Quoted Text shares it
           "}\n\\pard" +
           kFirstLineRuns + "\\plain\\f2\\fs20\\cf6 ;\n\\par " +
           "\\plain\\f2\\fs20\\cf7 ! c\n\\par " +
           "\\plain\\f2\\fs20\\cf7 \"open\n\\par " + kTail;
}

// glossel-render run as a command with XDG_CONFIG_HOME set to home; its exit status.
int RunWithConfigHome(const fs::path& home, const std::vector<std::string>& args)
{
    std::vector<std::string> argv{GLOSSEL_RENDER_EXE};
    argv.insert(argv.end(), args.begin(), args.end());
    testsupport::ChildOptions options;
    options.environment = {"XDG_CONFIG_HOME=" + home.string()};
    return testsupport::RunProgram(argv, options).exitCode;
}

}  // namespace

TEST(RenderCliStyles, StoredAndDefaultStylesGiveTheirDocuments)
{
    // The two documents differ exactly where the styles differ.
    ASSERT_NE(DefaultSampleDocument(), StoredSampleDocument());
    EXPECT_EQ(DefaultDocument(kSample), DefaultSampleDocument());

    TempDir dir;
    const std::string in = (dir / "in.inf").string();
    const std::string conf = (dir / "styles.conf").string();
    const std::string fifo = (dir / "fifo").string();
    const std::string missing = (dir / "missing.conf").string();
    WriteFile(in, kSample);
    WriteFile(conf, kStoredStyles);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string tryHelp = "Try 'glossel-render --help' for more information.\n";

    ExpectRows({
        {"the user's store, empty", {in}, 0, DefaultSampleDocument(), ""},
        {"--settings FILE", {"--settings", conf, in}, 0, StoredSampleDocument(), ""},
        {"--settings=FILE", {"--settings=" + conf, in}, 0, StoredSampleDocument(), ""},
        {"--default-styles ignores --settings", {"--settings", conf, "--default-styles", in}, 0,
         DefaultSampleDocument(), ""},
        {"a missing settings file is a first start", {"--settings", missing, in}, 0,
         DefaultSampleDocument(), ""},
        {"a settings folder", {"--settings", dir.Path().string(), in}, 2, "",
         "glossel-render: " + dir.Path().string() + ": Is a directory\n"},
        {"a settings FIFO", {"--settings", fifo, in}, 2, "", "glossel-render: " + fifo + ": not a regular file\n"},
        {"a settings path through a file", {"--settings", conf + "/x", in}, 2, "",
         "glossel-render: " + conf + "/x: Not a directory\n"},
        {"--settings without a name", {in, "--settings"}, 1, "",
         "glossel-render: option '--settings' needs a file name\n" + tryHelp},
        {"--settings= with no name", {"--settings=", in}, 1, "",
         "glossel-render: the settings file name is empty\n" + tryHelp},
        {"no output over the settings file", {"--settings", conf, "-o", conf, in}, 2, "",
         "glossel-render: " + conf + ": is the settings file; it is never written\n"},
        {"nor the style sheet", {"--settings", conf, "--css", "-o", conf}, 2, "",
         "glossel-render: " + conf + ": is the settings file; it is never written\n"},
    });

    // Only read: the settings file and its folder are as they were.
    EXPECT_EQ(ReadFile(conf), kStoredStyles);
    EXPECT_EQ(FolderEntries(dir.Path()), (std::vector<std::string>{"fifo", "in.inf", "styles.conf"}));
}

// The program started as a command finds the user's store through XDG_CONFIG_HOME.
TEST(RenderCliStyles, TheUsersStoreIsFoundThroughXdgConfigHome)
{
    TempDir home;
    TempDir work;
    const fs::path folder = home / "Orvanel's Applications";
    fs::create_directory(folder);
    WriteFile(folder / "Glossel.conf", kStoredStyles);
    WriteFile(work / "in.inf", kSample);
    const std::string in = (work / "in.inf").string();
    const std::string out = (work / "out.rtf").string();

    EXPECT_EQ(RunWithConfigHome(home.Path(), {"-o", out, in}), 0);
    EXPECT_EQ(ReadFile(out), StoredSampleDocument());
    EXPECT_EQ(RunWithConfigHome(home.Path(), {"--default-styles", "-o", out, in}), 0);
    EXPECT_EQ(ReadFile(out), DefaultSampleDocument());
    EXPECT_EQ(ReadFile(folder / "Glossel.conf"), kStoredStyles);
    EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"Glossel.conf"});

    // With nothing stored: the built-in styles, and nothing is created.
    TempDir empty;
    EXPECT_EQ(RunWithConfigHome(empty.Path(), {"-o", out, in}), 0);
    EXPECT_EQ(ReadFile(out), DefaultSampleDocument());
    EXPECT_TRUE(FolderEntries(empty.Path()).empty());
}
#endif
