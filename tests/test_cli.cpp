// glossel-render: statuses, messages, output destinations and the codes listing.

#include "TestSupport.h"

#include "cli/RenderCli.h"
#include "syntax/RtfBuilder.h"
#include "syntax/SyntaxStyleMap.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

struct RunResult {
    int status;
    std::string out;
    std::string err;
};

std::string Drain(std::FILE* f)
{
    std::fflush(f);
    std::rewind(f);
    std::string s;
    char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
    std::fclose(f);
    return s;
}

RunResult RunCli(const std::vector<std::string>& args, const std::string& input = "")
{
    TempDir dir;
    WriteFile(dir / "stdin", input);
    RenderStreams io;
    io.inFd = open((dir / "stdin").c_str(), O_RDONLY);
    io.out = std::tmpfile();
    io.err = std::tmpfile();
    const int status = RunRender(args, io);
    close(io.inFd);
    return {status, Drain(io.out), Drain(io.err)};
}

std::string DefaultDocument(const std::string& text)
{
    CSyntaxStyleMap styles;
    styles.BuildDefaults();
    CRtfBuilder builder;
    CRtfOutput out;
    builder.BuildDocument(text.data(), text.size(), styles, out);
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

    struct Row {
        const char* name;
        std::vector<std::string> args;
        int status;
        std::string out;  // exact, or empty for "nothing"
        std::string err;  // exact
    };
    const Row rows[] = {
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
        {"unknown option", {"--colour", ok}, 1, "", "glossel-render: unknown option '--colour'\n" + tryHelp},
        {"-o without a name", {ok, "-o"}, 1, "", "glossel-render: option '-o' needs a file name\n" + tryHelp},
        {"version", {"--version"}, 0, "glossel-render 0.2.0.0\n", ""},
        {"version wins over a missing file", {"-V", missing}, 0, "glossel-render 0.2.0.0\n", ""},
    };
    for (const Row& row : rows) {
        const RunResult r = RunCli(row.args);
        EXPECT_EQ(r.status, row.status) << row.name;
        EXPECT_EQ(r.out, row.out) << row.name;
        EXPECT_EQ(r.err, row.err) << row.name;
    }
}

TEST(RenderCli, HelpDescribesEveryOption)
{
    const RunResult r = RunCli({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    for (const char* word : {"Usage: glossel-render", "--output", "--codes", "--default-styles", "--version"})
        EXPECT_NE(r.out.find(word), std::string::npos) << word;
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
}

TEST(RenderCli, CodesListEveryCharacterAndTheStateWord)
{
    TempDir dir;
    WriteFile(dir / "in.inf", "[ Main; x = 1; ];\n! c\n\"open\n");
    RunResult r = RunCli({"--codes", (dir / "in.inf").string()});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "565555667666b66530 020000ff\n"
              "2222 020000ff\n"
              "111111 020400ff\n");

    WriteFile(dir / "long.inf", "x;\n" + std::string(1020, ' ') + "\n");
    r = RunCli({"--codes", (dir / "long.inf").string()});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.out, "330 020000ff\n");
    EXPECT_NE(r.err.find("(1020)!"), std::string::npos);
}

TEST(RenderCli, TheProgramRunsAsACommand)
{
    TempDir dir;
    WriteFile(dir / "in.inf", "Constant Story \"x\";\n");
    const std::string command = std::string(GLOSSEL_RENDER_EXE) + " -o " + (dir / "out.rtf").string() +
                                " " + (dir / "in.inf").string();
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadFile(dir / "out.rtf"), DefaultDocument("Constant Story \"x\";\n"));

    const int missing = std::system((std::string(GLOSSEL_RENDER_EXE) + " /nonexistent/x.inf 2>/dev/null").c_str());
    ASSERT_TRUE(WIFEXITED(missing));
    EXPECT_EQ(WEXITSTATUS(missing), 2);
}
