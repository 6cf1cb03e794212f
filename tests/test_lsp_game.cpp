// The language server's answers from the whole game, through the real program: a
// small game of two files (and an include that is missing) written in the test, a
// table of requests and notifications, the answers worked out by hand. "$DIR" in a
// row stands for the game's folder.

#include "GameInfo.h"
#include "LspClient.h"
#include "lsp/CompilerRun.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <sstream>

namespace {

using lspclient::Json;
using namespace lspclient;

const std::string kStory =
    "Constant Story \"Lamp\";\n"  // 0
    "Include \"lamp.h\";\n"       // 1
    "Include \"gone\";\n"         // 2
    "[ Main;\n"                   // 3
    "  Light(lamp);\n"            // 4
    "];\n";                       // 5
const std::string kLamp =
    "Object lamp \"brass lamp\"\n"     // 0
    "  with before [; rfalse; ];\n"  // 1
    "[ Light o;\n"                   // 2
    "  give o light;\n"              // 3
    "];\n";                          // 4
// Prints two messages at its first run, none after.
const std::string kFakeCompiler =
    "#!/bin/sh\n"
    "[ -e ran ] && exit 0\n"
    "touch ran\n"
    "echo 'Inform 6 (a stand-in)'\n"
    "echo 'story.inf(5): Error:  No such constant as \"lamp\"'\n"
    "echo 'lamp.h(2): Warning:  Routine \"Light\" declared but not used'\n"
    "exit 1\n";

const std::string kStoryUri = "file://$DIR/story.inf";
const std::string kLampUri = "file://$DIR/lamp.h";

Json At(const std::string& uri, int line, int character)
{
    return {{"textDocument", {{"uri", uri}}}, {"position", {{"line", line}, {"character", character}}}};
}
Json Span(int l1, int c1, int l2, int c2)
{
    return {{"start", {{"line", l1}, {"character", c1}}}, {"end", {{"line", l2}, {"character", c2}}}};
}
Json Place(const std::string& uri, Json range) { return {{"uri", uri}, {"range", range}}; }
Json Result(Json result) { return {{"result", result}}; }
Json Diagnostics(const std::string& uri, Json list)
{
    return {{"method", "textDocument/publishDiagnostics"}, {"params", {{"uri", uri}, {"diagnostics", list}}}};
}
std::string Save(const std::string& uri) { return Notify("textDocument/didSave", {{"textDocument", {{"uri", uri}}}}); }

struct GameCase {
    const char* name;
    std::string input;
    std::vector<std::pair<int, Json>> answers;
    std::vector<Json> notifications = {};  // each matches a notification the server sent
    const char* logged = nullptr;
};

void PrintTo(const GameCase& c, std::ostream* os) { *os << c.name; }

void Substitute(Json& value, const std::string& dir)
{
    if (value.is_string()) {
        std::string s = value.get<std::string>();
        for (std::size_t at; (at = s.find("$DIR")) != std::string::npos;) s.replace(at, 4, dir);
        value = s;
    } else if (value.is_structured()) {
        for (auto& item : value) Substitute(item, dir);
    }
}

class GameRequests : public testing::TestWithParam<GameCase> {};

TEST_P(GameRequests, AnswerAsTheTableSays)
{
    const GameCase& c = GetParam();
    testsupport::TempDir dir;
    const std::string folder = dir.Path().string();
    testsupport::WriteFile(dir / "story.inf", kStory);
    testsupport::WriteFile(dir / "lamp.h", kLamp);
    testsupport::WriteFile(dir / "fakecc", kFakeCompiler);
    std::filesystem::permissions(dir / "fakecc", std::filesystem::perms::owner_all);
    std::string input = c.input;
    for (std::size_t at; (at = input.find("$DIR")) != std::string::npos;) input.replace(at, 4, folder);
    // Frames were made with "$DIR" in them: their lengths change with it.
    std::string framed;
    for (std::size_t at = 0; at < input.size();) {
        const std::size_t body = input.find("\r\n\r\n", at) + 4;
        const std::size_t next = input.find("Content-Length: ", body);
        const std::size_t end = next == std::string::npos ? input.size() : next;
        framed += Frame(input.substr(body, end - body));
        at = end;
    }
    const ServerRun run = RunServer(GLOSSEL_LSP_EXE, framed, dir.Path());
    EXPECT_TRUE(run.framingOk);
    EXPECT_EQ(run.status, 0) << run.log;
    for (auto [id, expected] : c.answers) {
        Substitute(expected, folder);
        const Json* answer = run.Answer(id);
        ASSERT_TRUE(answer) << "no answer to id " << id << "\n" << run.log;
        std::string why;
        EXPECT_TRUE(Matches(expected, *answer, why)) << "id " << id << ": " << why;
    }
    for (Json expected : c.notifications) {
        Substitute(expected, folder);
        bool found = false;
        std::string why;
        for (const Json& message : run.messages)
            if (message.contains("method") && !message.contains("id") && Matches(expected, message, why)) found = true;
        EXPECT_TRUE(found) << "no notification like " << expected.dump();
    }
    if (c.logged) {
        EXPECT_NE(run.log.find(c.logged), std::string::npos) << run.log;
    }
}

std::string Begin(const Json& options = nullptr)
{
    Json params = {{"rootUri", "file://$DIR"}, {"capabilities", Json::object()}};
    if (!options.is_null()) params["initializationOptions"] = options;
    return Request(0, "initialize", params) + Notify("initialized") + Open(kStoryUri, kStory);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, GameRequests,
    testing::Values(
        GameCase{"definition_in_an_included_file", Begin() + Request(1, "textDocument/definition", At(kStoryUri, 4, 3)) + Stop(),
                 {{1, Result({Place(kLampUri, Span(2, 2, 2, 7))})}}},
        GameCase{"definition_on_an_include_line_is_the_file",
                 Begin() + Request(1, "textDocument/definition", At(kStoryUri, 1, 2)) + Stop(),
                 {{1, Result({Place(kLampUri, Span(0, 0, 0, 0))})}}},
        GameCase{"definition_of_nothing", Begin() + Request(1, "textDocument/definition", At(kStoryUri, 0, 17)) + Stop(),
                 {{1, Result(Json::array())}}},
        GameCase{"references_across_the_game",
                 Begin() + Request(1, "textDocument/references", At(kStoryUri, 4, 9)) +
                     Request(2, "textDocument/references",
                             {{"textDocument", {{"uri", kStoryUri}}},
                              {"position", {{"line", 4}, {"character", 9}}},
                              {"context", {{"includeDeclaration", false}}}}) +
                     Stop(),
                 {{1, Result({Place(kStoryUri, Span(4, 8, 4, 12)), Place(kLampUri, Span(0, 7, 0, 11))})},
                  {2, Result({Place(kStoryUri, Span(4, 8, 4, 12))})}}},
        GameCase{"highlights_in_the_file", Begin() + Request(1, "textDocument/documentHighlight", At(kStoryUri, 4, 9)) + Stop(),
                 {{1, Result({{{"range", Span(4, 8, 4, 12)}}})}}},
        GameCase{"hover_tells_kind_file_line_and_text",
                 Begin() + Request(1, "textDocument/hover", At(kStoryUri, 4, 3)) + Stop(),
                 {{1, Result({{"contents",
                               {{"kind", "markdown"},
                                {"value", "**routine** `Light` in `$DIR/lamp.h:3`\n\n```inform6\n[ Light o;\n```"}}}})}}},
        GameCase{"links_of_includes_that_are_found",
                 Begin() + Request(1, "textDocument/documentLink", {{"textDocument", {{"uri", kStoryUri}}}}) + Stop(),
                 {{1, Result({{{"range", Span(1, 8, 1, 16)}, {"target", kLampUri}}})}}},
        GameCase{"workspace_symbols", Begin() + Request(1, "workspace/symbol", {{"query", "LIG"}}) + Stop(),
                 {{1, Result({{{"name", "Light"}, {"kind", 12}, {"location", Place(kLampUri, Span(2, 2, 2, 7))}}})}}},
        GameCase{"a_missing_include_on_open", Begin() + Stop(), {},
                 {Diagnostics(kStoryUri, {{{"range", Span(2, 8, 2, 14)}, {"severity", 1}, {"source", "glossel"}}})}},
        GameCase{"an_open_document_wins_over_the_disk",
                 Begin() + Open(kLampUri, "[ Light o;\n  give o light;\n];\n") +
                     Request(1, "textDocument/definition", At(kStoryUri, 4, 3)) + Stop(),
                 {{1, Result({Place(kLampUri, Span(0, 2, 0, 7))})}}},
        GameCase{"the_compilers_messages_on_save_then_cleared",
                 Begin({{"compiler", "$DIR/fakecc"}}) + Save(kStoryUri) + Save(kStoryUri) + Stop(), {},
                 {Diagnostics(kLampUri, {{{"range", Span(1, 0, 1, 0)}, {"severity", 2}, {"source", "inform6"}}}),
                  Diagnostics(kStoryUri, {{{"range", Span(2, 8, 2, 14)}, {"severity", 1}, {"source", "glossel"}},
                                          {{"range", Span(4, 0, 4, 0)}, {"severity", 1}, {"source", "inform6"}}}),
                  Diagnostics(kLampUri, Json::array())}},
        GameCase{"a_missing_compiler_is_one_line_in_the_log",
                 Begin({{"compiler", "/nonexistent/inform6"}}) + Save(kStoryUri) + Save(kStoryUri) + Stop(), {}, {},
                 "the compiler /nonexistent/inform6 cannot be found"},
        GameCase{"include_path_from_the_settings",
                 Begin({{"includePath", {"$DIR/nowhere"}}}) +
                     Notify("workspace/didChangeConfiguration", {{"settings", {{"glossel", {{"includePath", {"$DIR"}}}}}}}) +
                     Request(1, "textDocument/definition", At(kStoryUri, 4, 3)) + Stop(),
                 {{1, Result({Place(kLampUri, Span(2, 2, 2, 7))})}}}));

}  // namespace

// A real game that the compiler builds: the definition of every name the compiler
// located (its gameinfo.dbg) lands at that file and line. Each name is asked for where
// it stands on that line.
namespace gameinfo {

const char* const kGame =
    "Constant Story \"GAMEINFO\";\n"
    "Constant Headline \"^A game for the server's tests.^\";\n"
    "Include \"Parser\";\n"
    "Include \"VerbLib\";\n"
    "Class Lamp\n"
    "  with brightness 3,\n"
    "       describe [; print \"A lamp.^\"; rtrue; ],\n"
    "  has light;\n"
    "Attribute buffed;\n"
    "Property shine;\n"
    "Global turns_lit = 0;\n"
    "Array glow --> 4;\n"
    "Fake_action Gleam;\n"
    "Object Hall \"Hall\"\n"
    "  with description \"A hall.\",\n"
    "  has light;\n"
    "Lamp -> brass \"brass lamp\"\n"
    "  with name 'brass' 'lamp',\n"
    "       before [;\n"
    "         Buff: give self buffed; rtrue;\n"
    "       ],\n"
    "       shine 5;\n"
    "[ Initialise;\n"
    "  location = Hall;\n"
    "  turns_lit = glow-->0;\n"
    "];\n"
    "Include \"Grammar\";\n"
    "[ BuffSub; if (brass has buffed) <<Gleam brass>>; give noun buffed; ];\n"
    "Verb 'buff' * noun -> Buff;\n";

// The column of name as a whole word on line, without regard to case; npos if none.
std::size_t WordAt(const std::string& line, const std::string& name)
{
    const auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    const auto word = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
    for (std::size_t at = 0; at + name.size() <= line.size(); ++at) {
        bool same = true;
        for (std::size_t i = 0; i < name.size() && same; ++i) same = fold(line[at + i]) == fold(name[i]);
        if (same && (at == 0 || !word(line[at - 1])) && (at + name.size() == line.size() || !word(line[at + name.size()])))
            return at;
    }
    return std::string::npos;
}

TEST(GameInfo, DefinitionOfEveryCompiledNameLandsWhereTheCompilerPutIt)
{
    const std::string compiler = testsupport::FindCompiler();
    if (compiler.empty()) GTEST_SKIP() << "no Inform 6 compiler (bash setup.sh installs inform6-compiler)";
    testsupport::TempDir dir;
    testsupport::WriteFile(dir / "story.inf", kGame);
    const testsupport::CompiledGame game = testsupport::CompileForReference(compiler, dir / "story.inf");
    ASSERT_TRUE(game.compiled) << game.log;

    std::string input = Request(0, "initialize", {{"rootUri", "file://" + dir.Path().string()}, {"capabilities", Json::object()}}) +
                        Notify("initialized");
    struct Asked {
        std::string path;
        std::uint32_t line;
        std::string name;
    };
    std::vector<Asked> asked;
    std::size_t unplaced = 0;
    std::map<std::string, std::vector<std::string>> lines;
    for (const testsupport::CompiledDefinition& d : game.definitions) {
        if (d.artificial) continue;  // a name the compiler made up, not one written in the file
        std::filesystem::path path = d.file;
        if (path.is_relative()) path = dir / path;
        auto& text = lines[path.string()];
        if (text.empty()) {
            std::istringstream in(testsupport::ReadFile(path));
            for (std::string line; std::getline(in, line);) text.push_back(line);
        }
        std::string name = d.name;
        if (const std::size_t dot = name.rfind('.'); dot != std::string::npos) name = name.substr(dot + 1);
        if (name.rfind("##", 0) == 0) name = name.substr(2);
        const std::size_t column = d.line >= 1 && d.line <= text.size() ? WordAt(text[d.line - 1], name) : std::string::npos;
        if (column == std::string::npos) {
            ++unplaced;
            ADD_FAILURE() << d.kind << " " << d.name << " is not on " << path.string() << ":" << d.line;
            continue;
        }
        input += Request(static_cast<int>(asked.size()) + 1, "textDocument/definition",
                         {{"textDocument", {{"uri", "file://" + path.string()}}},
                          {"position", {{"line", d.line - 1}, {"character", column}}}});
        asked.push_back({path.string(), d.line, d.name});
    }
    input += Stop();
    const ServerRun run = RunServer(GLOSSEL_LSP_EXE, input, dir.Path());
    ASSERT_EQ(run.status, 0) << run.log;
    std::size_t landed = 0;
    for (std::size_t i = 0; i < asked.size(); ++i) {
        const Json* answer = run.Answer(static_cast<int>(i) + 1);
        bool found = false;
        if (answer && answer->contains("result") && (*answer)["result"].is_array())
            for (const Json& location : (*answer)["result"])
                if (location["uri"] == "file://" + asked[i].path && location["range"]["start"]["line"] == asked[i].line - 1)
                    found = true;
        if (found) ++landed;
        else ADD_FAILURE() << asked[i].name << " (" << asked[i].path << ":" << asked[i].line << ") answered "
                           << (answer ? answer->dump() : "nothing");
    }
    EXPECT_EQ(landed, asked.size());
    EXPECT_EQ(unplaced, 0u);
    EXPECT_GT(asked.size(), 500u) << "the library's definitions are among them";
    std::printf("definitions located by the compiler: %zu, landed where it put them: %zu\n", game.definitions.size(), landed);
}

}  // namespace gameinfo

// The compiler's -E1 messages, read: file (relative ones are the main file's folder's),
// line, error or warning, text; every other line passed over.
namespace compiler {

struct OutputCase {
    const char* name;
    std::string output;
    std::vector<CompilerMessage> messages;
};

void PrintTo(const OutputCase& c, std::ostream* os) { *os << c.name; }

class CompilerOutput : public testing::TestWithParam<OutputCase> {};

TEST_P(CompilerOutput, GivesTheMessages)
{
    const OutputCase& c = GetParam();
    const std::vector<CompilerMessage> got = ParseCompilerOutput(c.output, "/g");
    ASSERT_EQ(got.size(), c.messages.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].path, c.messages[i].path);
        EXPECT_EQ(got[i].line, c.messages[i].line);
        EXPECT_EQ(got[i].severity, c.messages[i].severity);
        EXPECT_EQ(got[i].text, c.messages[i].text);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CompilerOutput,
    testing::Values(
        OutputCase{"error_in_the_main_folder",
                   "Inform 6.41 (22nd July 2022)\nstory.inf(4): Error:  \"Main\" is a name already in use\n> [ Main\n"
                   "Compiled with 1 error (no output)\n",
                   {{"/g/story.inf", 4, 1, "\"Main\" is a name already in use"}}},
        OutputCase{"warning_in_an_absolute_path", "/usr/share/inform6/library/parser.h(171): Warning:  x unused\r\n",
                   {{"/usr/share/inform6/library/parser.h", 171, 2, "x unused"}}},
        OutputCase{"fatal_error_in_a_subfolder", "lib/../ext/x.h(12): Fatal error:  Couldn't open source file\n",
                   {{"/g/ext/x.h", 12, 1, "Couldn't open source file"}}},
        OutputCase{"parentheses_in_a_file_name", "a(b).inf(3): Error:  y\n", {{"/g/a(b).inf", 3, 1, "y"}}},
        OutputCase{"not_messages", "story.inf(0): Error:  x\nstory.inf(x): Error:  y\n(3): Error:  z\nstory.inf(3): Note: n\n",
                   {}}));

}  // namespace compiler
