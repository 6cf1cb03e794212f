// The language server's answers from the whole game, through the real program: a
// small game of two files (and an include that is missing) written in the test, a
// table of requests and notifications, the answers worked out by hand. "$DIR" in a
// row stands for the game's folder.

#include "GameInfo.h"
#include "LspClient.h"
#include "lsp/CompilerRun.h"
#include "lsp/LspServer.h"
#include "lsp/MessageReader.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <sstream>
#include <fcntl.h>
#include <sys/stat.h>

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
const std::string kCond = "#Ifdef DEBUG;\nGlobal d;\n#Ifnot;\nGlobal p;\n#Endif;\n";
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

// A second game of two files, for the requests that help writing code.
const std::string kActs =
    "Include \"acts.h\";\n"                                    // 0
    "! Lights o; says so.\n"                                     // 1
    "[ Glow o n;\n"                                              // 2
    "  give o light; n = o;\n"                                   // 3
    "  Shine(o, n);\n"                                           // 4
    "];\n"                                                       // 5
    "[ Main x;\n"                                                // 6
    "  Glow(x, 2);\n"                                            // 7
    "  <Take x>;\n"                                              // 8
    "  if (action == ##Take) rtrue;\n"                           // 9
    "  print \"Glow the lamp\";\n"                               // 10
    "];\n"                                                       // 11
    "Object box\n"                                               // 12
    "  with before [;\n"                                         // 13
    "    Take, Drop: self.dazzle(1); Shine(self, 1); rtrue;\n"  // 14
    "  ],\n"                                                     // 15
    "  dazzle [ times; return times; ];\n";                      // 16
const std::string kActsH =
    "! Shines o, n times.\n"          // 0
    "[ Shine o n;\n"                  // 1
    "  return o + n;\n"               // 2
    "];\n"                            // 3
    "[ TakeSub; rtrue; ];\n"          // 4
    "[ DropSub; rtrue; ];\n"          // 5
    "Attribute lit;\n"                // 6
    "Verb 'take' * noun -> Take;\n";  // 7
const std::string kActsUri = "file://$DIR/acts.inf";
const std::string kActsHUri = "file://$DIR/acts.h";

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
    std::vector<Json> notifications = {};  // each matches a notification (or request) the server sent
    const char* logged = nullptr;
};

void PrintTo(const GameCase& c, std::ostream* os) { *os << c.name; }

void Substitute(Json& value, const std::string& dir)
{
    if (value.is_string()) {
        std::string s = value.get<std::string>();
        for (std::size_t at; (at = s.find("$DIR")) != std::string::npos;) s.replace(at, 4, dir);
        value = s;
    } else if (value.is_object()) {
        Json substituted = Json::object();
        for (auto& [key, item] : value.items()) {
            std::string name = key;
            for (std::size_t at; (at = name.find("$DIR")) != std::string::npos;) name.replace(at, 4, dir);
            Substitute(item, dir);
            substituted[name] = item;
        }
        value = substituted;
    } else if (value.is_array()) {
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
    testsupport::WriteFile(dir / "acts.inf", kActs);
    testsupport::WriteFile(dir / "acts.h", kActsH);
    testsupport::WriteFile(dir / "fakecc", kFakeCompiler);
    std::filesystem::permissions(dir / "fakecc", std::filesystem::perms::owner_all);
    // A workspace of its own below, with a folder of includes; and a second name of the
    // game's folder.
    std::filesystem::create_directories(dir / "ws/lib");
    testsupport::WriteFile(dir / "ws/lib/extra.h", "[ Extra; ];\n");
    std::filesystem::create_directory_symlink(dir.Path(), dir / "alias");
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
            if (message.contains("method") && Matches(expected, message, why)) found = true;
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

// The workspace $DIR/ws (or none), with the editor's include folder "lib", and its
// main file open: it includes "extra", which is $DIR/ws/lib/extra.h.
std::string BeginInWs(bool withFolder)
{
    Json params = {{"rootUri", withFolder ? Json("file://$DIR/ws") : Json(nullptr)},
                   {"capabilities", Json::object()},
                   {"initializationOptions", {{"includePath", {"lib"}}}}};
    return Request(0, "initialize", params) + Notify("initialized") +
           Open("file://$DIR/ws/main.inf", "Include \"extra\";\n[ Main; Extra(); ];\n");
}
const std::string kWsMain = "file://$DIR/ws/main.inf";

// The second game open, with the client's capabilities.
std::string BeginActs(const Json& capabilities = Json::object())
{
    return Request(0, "initialize", {{"rootUri", "file://$DIR"}, {"capabilities", capabilities}}) + Notify("initialized") +
           Open(kActsUri, kActs);
}
Json Item(const char* label, int kind) { return {{"label", label}, {"kind", kind}}; }
Json Items(Json items) { return Result({{"items", std::move(items)}}); }
Json Edit(Json range, const char* text) { return {{"range", std::move(range)}, {"newText", text}}; }
Json Refused(const std::string& message) { return {{"error", {{"code", -32803}, {"message", message}}}}; }
Json Call(const char* name, int kind, const std::string& uri, Json range, Json selection)
{
    return {{"name", name}, {"kind", kind}, {"uri", uri}, {"range", std::move(range)}, {"selectionRange", std::move(selection)}};
}
const Json kShine = Call("Shine", 12, kActsHUri, Span(1, 0, 3, 1), Span(1, 2, 1, 7));
const Json kGlow = Call("Glow", 12, kActsUri, Span(2, 0, 5, 1), Span(2, 2, 2, 6));
const Json kBefore = Call("box.before", 6, kActsUri, Span(13, 7, 15, 3), Span(13, 7, 13, 13));
const Json kDazzle = Call("box.dazzle", 6, kActsUri, Span(16, 2, 16, 33), Span(16, 2, 16, 8));
std::string Calls(int id, const char* direction, const Json& item)
{
    return Request(id, std::string("callHierarchy/") + direction, {{"item", item}});
}
const std::string kExtraUri = "file://$DIR/ws/lib/extra.h";

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
        // Code the compiler skips, as hints an editor fades; the switches decide which.
        GameCase{"skipped_code_is_a_faded_hint",
                 Begin() + Open("file://$DIR/cond.inf", kCond) + Stop(), {},
                 {Diagnostics("file://$DIR/cond.inf",
                              {{{"range", Span(0, 13, 2, 0)}, {"severity", 4}, {"tags", {1}}, {"source", "glossel"},
                                {"message", "not compiled: `#Ifdef DEBUG` is false (cond.inf:1)"}}})}},
        GameCase{"the_switches_of_the_settings",
                 Begin({{"switches", "-D"}}) + Open("file://$DIR/cond.inf", kCond) + Stop(), {},
                 {Diagnostics("file://$DIR/cond.inf",
                              {{{"range", Span(2, 7, 4, 0)}, {"severity", 4}, {"tags", {1}}, {"source", "glossel"},
                                {"message", "not compiled: in the #Ifnot of `#Ifdef DEBUG`, which is true (cond.inf:1)"}}})}},
        GameCase{"a_missing_compiler_is_one_line_in_the_log",
                 Begin({{"compiler", "/nonexistent/inform6"}}) + Save(kStoryUri) + Save(kStoryUri) + Stop(), {}, {},
                 "the compiler /nonexistent/inform6 cannot be found"},
        GameCase{"include_path_from_the_settings",
                 Begin({{"includePath", {"$DIR/nowhere"}}}) +
                     Notify("workspace/didChangeConfiguration", {{"settings", {{"glossel", {{"includePath", {"$DIR"}}}}}}}) +
                     Request(1, "textDocument/definition", At(kStoryUri, 4, 3)) + Stop(),
                 {{1, Result({Place(kLampUri, Span(2, 2, 2, 7))})}}},
        // What a name means: a local, an action (##Take, <Take>, a label, -> Take, TakeSub).
        GameCase{"definition_of_a_local_is_its_routine_header",
                 BeginActs() + Request(1, "textDocument/definition", At(kActsUri, 4, 11)) + Stop(),
                 {{1, Result({Place(kActsUri, Span(2, 9, 2, 10))})}}},
        GameCase{"references_of_an_action",
                 BeginActs() + Request(1, "textDocument/references", At(kActsUri, 9, 19)) + Stop(),
                 {{1, Result({Place(kActsUri, Span(8, 3, 8, 7)), Place(kActsUri, Span(9, 18, 9, 22)),
                              Place(kActsUri, Span(14, 4, 14, 8)), Place(kActsHUri, Span(4, 2, 4, 9)),
                              Place(kActsHUri, Span(7, 22, 7, 26))})}}},
        // Completion, narrowed by the caret's place.
        GameCase{"completion_of_properties_after_self_dot",
                 BeginActs() + Request(1, "textDocument/completion", At(kActsUri, 14, 22)) + Stop(),
                 {{1, Items({{{"label", "dazzle"}, {"kind", 2}, {"detail", "property routine in $DIR/acts.inf:17"},
                              {"textEdit", {{"range", Span(14, 21, 14, 22)}, {"newText", "dazzle"}}}}})}}},
        GameCase{"completion_of_attributes_after_give_and_its_object",
                 BeginActs() + Request(1, "textDocument/completion", At(kActsUri, 3, 10)) + Stop(),
                 {{1, Items({Item("lit", 20)})}}},
        GameCase{"completion_of_actions_after_hashes",
                 BeginActs() + Request(1, "textDocument/completion", At(kActsUri, 9, 19)) + Stop(),
                 {{1, Items({Item("Take", 23)})}}},
        GameCase{"completion_at_a_statement_the_games_names_then_the_languages",
                 BeginActs() + Request(1, "textDocument/completion", At(kActsUri, 4, 3)) + Stop(),
                 {{1, Items({Item("Shine", 3), Item("save", 14), Item("self", 14), Item("sibling", 14), Item("spaces", 14),
                             Item("string", 14), Item("style", 14), Item("switch", 14)})}}},
        GameCase{"completion_of_the_routines_locals_first",
                 BeginActs() + Request(1, "textDocument/completion", At(kActsUri, 4, 12)) + Stop(),
                 {{1, Items({{{"label", "n"}, {"kind", 6}, {"detail", "local of Glow"}}, Item("nothing", 14)})}}},
        GameCase{"no_completion_in_quoted_text",
                 BeginActs() + Request(1, "textDocument/completion", At(kActsUri, 10, 11)) + Stop(),
                 {{1, Items(Json::array())}}},
        GameCase{"completion_resolve_gives_the_comment_above",
                 BeginActs() +
                     Request(1, "completionItem/resolve", {{"label", "Shine"}, {"data", {{"path", "$DIR/acts.h"}, {"line", 2}}}}) +
                     Stop(),
                 {{1, Result({{"label", "Shine"},
                              {"documentation",
                               {{"kind", "markdown"}, {"value", "Shines o, n times.\n\n```inform6\n[ Shine o n;\n```"}}}})}}},
        // Signature help: the header, its comment, the argument the caret is on.
        GameCase{"signature_of_a_routine_call",
                 BeginActs() + Request(1, "textDocument/signatureHelp", At(kActsUri, 4, 11)) + Stop(),
                 {{1, Result({{"signatures",
                               {{{"label", "[ Shine o n;"},
                                 {"documentation", {{"kind", "plaintext"}, {"value", "Shines o, n times."}}},
                                 {"parameters", {{{"label", {8, 9}}}, {{"label", {10, 11}}}}}}}},
                              {"activeParameter", 1}})}}},
        GameCase{"signature_of_self_dot_a_property_routine",
                 BeginActs() + Request(1, "textDocument/signatureHelp", At(kActsUri, 14, 28)) + Stop(),
                 {{1, Result({{"signatures", {{{"label", "[ times;"}, {"parameters", {{{"label", {2, 7}}}}}}}},
                              {"activeParameter", 0}})}}},
        // Rename across the two files, and what it refuses.
        GameCase{"rename_a_routine_across_two_files_with_versions",
                 BeginActs({{"workspace", {{"workspaceEdit", {{"documentChanges", true}}}}}}) +
                     Request(1, "textDocument/rename",
                             {{"textDocument", {{"uri", kActsUri}}}, {"position", {{"line", 4}, {"character", 3}}}, {"newName", "Beam"}}) +
                     Stop(),
                 {{1, Result({{"documentChanges",
                               {{{"textDocument", {{"uri", kActsUri}, {"version", 1}}},
                                 {"edits", {Edit(Span(4, 2, 4, 7), "Beam"), Edit(Span(14, 32, 14, 37), "Beam")}}},
                                {{"textDocument", {{"uri", kActsHUri}, {"version", nullptr}}},
                                 {"edits", {Edit(Span(1, 2, 1, 7), "Beam")}}}}}})}}},
        GameCase{"rename_an_action_renames_its_routine",
                 BeginActs() +
                     Request(1, "textDocument/rename",
                             {{"textDocument", {{"uri", kActsUri}}}, {"position", {{"line", 9}, {"character", 19}}}, {"newName", "Grab"}}) +
                     Stop(),
                 {{1, Result({{"changes",
                               {{"file://$DIR/acts.inf",
                                 {Edit(Span(8, 3, 8, 7), "Grab"), Edit(Span(9, 18, 9, 22), "Grab"), Edit(Span(14, 4, 14, 8), "Grab")}},
                                {"file://$DIR/acts.h", {Edit(Span(4, 2, 4, 9), "GrabSub"), Edit(Span(7, 22, 7, 26), "Grab")}}}}})}}},
        GameCase{"prepare_rename_gives_the_word",
                 BeginActs() + Request(1, "textDocument/prepareRename", At(kActsUri, 7, 3)) + Stop(),
                 {{1, Result({{"range", Span(7, 2, 7, 6)}, {"placeholder", "Glow"}})}}},
        GameCase{"rename_refusals",
                 BeginActs() + Request(1, "textDocument/prepareRename", At(kActsUri, 10, 3)) +
                     Request(2, "textDocument/prepareRename", At(kActsUri, 14, 22)) +
                     Request(3, "textDocument/rename",
                             {{"textDocument", {{"uri", kActsUri}}}, {"position", {{"line", 4}, {"character", 3}}}, {"newName", "Glow"}}) +
                     Request(4, "textDocument/rename",
                             {{"textDocument", {{"uri", kActsUri}}}, {"position", {{"line", 4}, {"character", 3}}}, {"newName", "2x"}}) +
                     Request(5, "textDocument/rename",
                             {{"textDocument", {{"uri", kActsUri}}}, {"position", {{"line", 4}, {"character", 3}}}, {"newName", "print"}}) +
                     Stop(),
                 {{1, Refused("'print' is a word of the language; it cannot be renamed")},
                  {2, Refused("'dazzle' is a property: its name is every object's, so it is not renamed here")},
                  {3, Refused("'Glow' already names a routine in $DIR/acts.inf:3")},
                  {4, Refused("'2x' is not an Inform name (a letter or '_', then letters, digits and '_', at most 32)")},
                  {5, Refused("'print' is a word of the language")}}},
        GameCase{"rename_refuses_a_name_defined_outside_the_workspace",
                 Request(0, "initialize", {{"rootUri", "file://$DIR/ws"}, {"capabilities", Json::object()}}) + Notify("initialized") +
                     Open("file://$DIR/ws/out.inf", "Include \"../lamp.h\";\n[ Main; Light(0); ];\n") +
                     Request(1, "textDocument/prepareRename", At("file://$DIR/ws/out.inf", 1, 9)) + Stop(),
                 {{1, Refused("'Light' is defined in $DIR/ws/../lamp.h:3, outside the workspace")}}},
        // The call hierarchy of Shine, of Glow and of a property routine.
        GameCase{"call_hierarchy",
                 BeginActs() + Request(1, "textDocument/prepareCallHierarchy", At(kActsUri, 4, 3)) +
                     Calls(2, "incomingCalls", kShine) + Calls(3, "outgoingCalls", kGlow) + Calls(4, "outgoingCalls", kBefore) +
                     Calls(5, "incomingCalls", kDazzle) + Stop(),
                 {{1, Result({kShine})},
                  {2, Result({{{"from", kGlow}, {"fromRanges", {Span(4, 2, 4, 7)}}},
                              {{"from", kBefore}, {"fromRanges", {Span(14, 32, 14, 37)}}}})},
                  {3, Result({{{"to", kShine}, {"fromRanges", {Span(4, 2, 4, 7)}}}})},
                  {4, Result({{{"to", kDazzle}, {"fromRanges", {Span(14, 21, 14, 27)}}},
                              {{"to", kShine}, {"fromRanges", {Span(14, 32, 14, 37)}}}})},
                  {5, Result({{{"from", kBefore}, {"fromRanges", {Span(14, 21, 14, 27)}}}})}}},
        // The server runs in $DIR: a relative folder is the workspace's, or the main file's.
        GameCase{"a_relative_include_folder_is_the_workspace_folders",
                 BeginInWs(true) + Request(1, "textDocument/documentLink", {{"textDocument", {{"uri", kWsMain}}}}) +
                     Request(2, "textDocument/definition", At(kWsMain, 1, 9)) + Stop(),
                 {{1, Result({{{"range", Span(0, 8, 0, 15)}, {"target", kExtraUri}}})},
                  {2, Result({Place(kExtraUri, Span(0, 2, 0, 7))})}}},
        GameCase{"a_relative_include_folder_without_a_workspace_is_the_main_files",
                 BeginInWs(false) + Request(1, "textDocument/definition", At(kWsMain, 1, 9)) + Stop(),
                 {{1, Result({Place(kExtraUri, Span(0, 2, 0, 7))})}}},
        GameCase{"a_second_name_of_a_workspace_folder_is_no_second_game",
                 Request(0, "initialize",
                         {{"workspaceFolders", {{{"uri", "file://$DIR"}, {"name", "a"}}, {{"uri", "file://$DIR/alias"}, {"name", "b"}}}},
                          {"capabilities", Json::object()}}) +
                     Notify("initialized") + Request(1, "workspace/symbol", {{"query", "LIG"}}) + Stop(),
                 {{1, Result({{{"name", "Light"}, {"location", Place(kLampUri, Span(2, 2, 2, 7))}}})}}},
        GameCase{"file_watchers_are_asked_for_where_the_client_registers_them",
                 Request(0, "initialize",
                         {{"rootUri", "file://$DIR"},
                          {"capabilities", {{"workspace", {{"didChangeWatchedFiles", {{"dynamicRegistration", true}}}}}}}}) +
                     Notify("initialized") + Stop(),
                 {},
                 {{{"method", "client/registerCapability"},
                   {"params", {{"registrations", {{{"method", "workspace/didChangeWatchedFiles"}}}}}}}}},
        GameCase{"a_root_of_slash_says_where_its_search_stopped",
                 Request(0, "initialize", {{"rootUri", "file:///"}, {"capabilities", Json::object()}}) + Notify("initialized") +
                     Request(1, "workspace/symbol", {{"query", "Light"}}) + Stop(),
                 {{1, Json::object()}}, {}, "the search for main files (.inf) stopped in /"}));

// Files that change on disk while the server runs (the server in this process, so that
// the test can change a file between two requests): the definition of Light, which is
// on line 2 of lamp.h, after lamp.h is rewritten with it on another line.
struct DiskCase {
    const char* name;
    bool sameStamp;    // the same size, time and inode as before
    bool notify;       // the editor's watcher tells of it
    int expectedLine;  // of Light afterwards
};

void PrintTo(const DiskCase& c, std::ostream* os) { *os << c.name; }

class FilesOnDisk : public testing::TestWithParam<DiskCase> {};

TEST_P(FilesOnDisk, AreReadAgainWhenTheyChange)
{
    const DiskCase& c = GetParam();
    testsupport::TempDir dir;
    const std::string folder = dir.Path().string();
    testsupport::WriteFile(dir / "story.inf", kStory);
    testsupport::WriteFile(dir / "lamp.h", kLamp);
    std::string output;
    CLspServer server([&](const std::string& bytes) { output += bytes; }, [](const std::string&) {});
    CMessageReader reader;
    const auto ask = [&](const std::string& bytes, int id) -> Json {
        reader.Feed(bytes.data(), bytes.size());
        server.Receive(reader);
        CMessageReader answers;
        answers.Feed(output.data(), output.size());
        for (LspFrame frame; answers.Next(frame);) {
            const Json message = Json::parse(frame.body, nullptr, false);
            if (message.is_object() && message.value("id", Json()) == id && !message.contains("method")) return message;
        }
        return nullptr;
    };
    const std::string story = "file://" + folder + "/story.inf";
    const std::string lamp = "file://" + folder + "/lamp.h";
    ask(Request(0, "initialize", {{"rootUri", "file://" + folder}, {"capabilities", Json::object()}}) + Notify("initialized") +
            Open(story, kStory),
        0);
    const Json before = ask(Request(1, "textDocument/definition", At(story, 4, 3)), 1);
    ASSERT_EQ(before["result"][0]["range"]["start"]["line"], 2) << before.dump();

    // The same bytes in another order (Light first), or with a line before them.
    const std::string moved = kLamp.substr(kLamp.find("[ Light")) + kLamp.substr(0, kLamp.find("[ Light"));
    struct stat was {};
    ::stat((dir / "lamp.h").c_str(), &was);
    testsupport::WriteFile(dir / "lamp.h", c.sameStamp ? moved : "! moved\n" + moved);
    if (c.sameStamp) {
        const timespec times[2] = {was.st_atim, was.st_mtim};
        ::utimensat(AT_FDCWD, (dir / "lamp.h").c_str(), times, 0);
    }
    std::string input;
    if (c.notify) input += Notify("workspace/didChangeWatchedFiles", {{"changes", {{{"uri", lamp}, {"type", 2}}}}});
    const Json after = ask(input + Request(2, "textDocument/definition", At(story, 4, 3)), 2);
    EXPECT_EQ(after["result"][0]["range"]["start"]["line"], c.expectedLine) << after.dump();
}

INSTANTIATE_TEST_SUITE_P(Rows, FilesOnDisk,
                         testing::Values(DiskCase{"a_new_size_is_seen_at_the_next_request", false, false, 1},
                                         DiskCase{"the_watchers_word_reads_a_file_whose_stamp_is_the_same", true, true, 0},
                                         DiskCase{"without_it_the_same_stamp_keeps_the_old_text", true, false, 2}));

// Neovim's own client and eglot, as a user writing the second game would have them:
// the completion after "self.d", the signature inside "Shine(o, n)", and the rename of
// Shine to Beam, which edits both files' buffers.
class RealClientWrites : public testing::TestWithParam<std::string> {};

TEST_P(RealClientWrites, CompletesSignsAndRenames)
{
    testsupport::TempDir dir;
    testsupport::WriteFile(dir / "acts.inf", kActs);
    testsupport::WriteFile(dir / "acts.h", kActsH);
    std::string skip;
    const Json answers = RunEditor(GetParam(), dir.Path(), GetParam() == "neovim" ? "lsp_neovim_edit.lua" : "lsp_eglot_edit.el", skip);
    if (!skip.empty()) GTEST_SKIP() << skip;
    ASSERT_TRUE(answers.is_object() && !answers.contains("error")) << answers.dump();
    EXPECT_EQ(answers["completion"], Json({"dazzle"}));
    // Neovim shows the signature's lines, eglot its one line.
    const std::string signature = answers["signature"].dump();
    EXPECT_NE(signature.find("[ Shine o n;"), std::string::npos) << signature;
    EXPECT_EQ(answers["renamed"]["inf"], "  Beam(o, n);");
    EXPECT_EQ(answers["renamed"]["h"], "[ Beam o n;");
}

INSTANTIATE_TEST_SUITE_P(Clients, RealClientWrites, testing::Values("neovim", "eglot"),
                         [](const testing::TestParamInfo<std::string>& info) { return info.param; });

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
