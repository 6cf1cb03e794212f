// The language server: the protocol through the real program (a table of messages and
// the answers worked out by hand), and the document under it (positions in both
// encodings, edits that lex again only as far as they must).

#include "LspClient.h"
#include "TestSupport.h"

#include "doc/TextLoader.h"
#include "lsp/JsonParse.h"
#include "lsp/LspDocument.h"
#include "lsp/SemanticTokens.h"
#include "lsp/TokenHistory.h"
#include "syntax/Utf8.h"

#include <gtest/gtest.h>

namespace {

using lspclient::Json;
using namespace lspclient;

const std::string kUri = "file:///game/story.inf";

Json Doc() { return {{"uri", kUri}}; }
std::string Tokens(int id) { return Request(id, "textDocument/semanticTokens/full", {{"textDocument", Doc()}}); }
Json Range(int l1, int c1, int l2, int c2)
{
    return {{"start", {{"line", l1}, {"character", c1}}}, {"end", {{"line", l2}, {"character", c2}}}};
}
Json Data(std::vector<int> numbers) { return {{"result", {{"data", numbers}}}}; }
Json Error(int code) { return {{"error", {{"code", code}}}}; }

struct ProtocolCase {
    const char* name;
    std::string input;
    std::vector<std::pair<Json, Json>> answers;  // id, what its answer holds
    int status = 0;
    std::vector<Json> unanswered = {};           // ids that must get no answer
    const char* logged = nullptr;                // a piece of the log
};

void PrintTo(const ProtocolCase& c, std::ostream* os) { *os << c.name; }

class Protocol : public testing::TestWithParam<ProtocolCase> {};

TEST_P(Protocol, AnswersAsTheTableSays)
{
    const ProtocolCase& c = GetParam();
    testsupport::TempDir dir;
    const ServerRun run = RunServer(GLOSSEL_LSP_EXE, c.input, dir.Path());
    EXPECT_TRUE(run.framingOk) << "standard output holds more than whole messages";
    EXPECT_EQ(run.status, c.status) << run.log;
    for (const auto& [id, expected] : c.answers) {
        const Json* answer = run.Answer(id);
        ASSERT_TRUE(answer) << "no answer to id " << id.dump() << "\n" << run.log;
        std::string why;
        EXPECT_TRUE(Matches(expected, *answer, why)) << "id " << id.dump() << ": " << why;
    }
    for (const Json& id : c.unanswered) EXPECT_FALSE(run.Answer(id)) << "id " << id.dump() << " was answered";
    if (c.logged) {
        EXPECT_NE(run.log.find(c.logged), std::string::npos) << run.log;
    }
}

const std::string kRoutine = "[ Main; x = 1; ];\n";
// A request of a method the server does not have (answered MethodNotFound when it is
// read), and a good shutdown after it.
const std::string kBody4 = R"({"jsonrpc":"2.0","id":4,"method":"textDocument/frobnicate"})";
const std::string kThenShutdown = Request(5, "shutdown") + Notify("exit");

const std::string kThreeGlobals = "Global a;\nGlobal b;\nGlobal c;\n";
// Types a "b" after the "b" of line 1, as version 2.
std::string TypeB(int version)
{
    return Notify("textDocument/didChange",
                  {{"textDocument", {{"uri", kUri}, {"version", version}}},
                   {"contentChanges", {{{"range", {{"start", {{"line", 1}, {"character", 7}}}, {"end", {{"line", 1}, {"character", 7}}}}},
                                        {"text", "b"}}}}});
}
std::string Delta(int id, const std::string& previous)
{
    return Request(id, "textDocument/semanticTokens/full/delta", {{"textDocument", {{"uri", kUri}}}, {"previousResultId", previous}});
}
std::string Repeat(const std::string& piece, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i) out += piece;
    return out;
}
// The tokens of lines "Global a;": Global (keyword), a (foreground), ';' (keyword).
Json GlobalLines(int lines)
{
    Json data = Json::array();
    for (int line = 0; line < lines; ++line)
        for (const int n : {line == 0 ? 0 : 1, 0, 6, 4, 0, 0, 7, 1, 0, 0, 0, 1, 1, 4, 0}) data.push_back(n);
    return data;
}

// A small game: two comment lines, a constant, a class, an object of that class with a
// property routine, a routine with conditional code in it.
const std::string kGame =
    "! A lamp.\n"                 // 0
    "! Two lines of comment.\n"   // 1
    "Constant Story \"Lamp\";\n"  // 2
    "Class Box\n"                 // 3
    "  with capacity 3;\n"        // 4
    "Box chest \"chest\"\n"        // 5
    "  with before [;\n"          // 6
    "    Open: rfalse;\n"         // 7
    "  ];\n"                      // 8
    "[ Main;\n"                   // 9
    "#Ifdef DEBUG;\n"             // 10
    "  print \"x\";\n"             // 11
    "#Endif;\n"                   // 12
    "];\n";                       // 13

Json Symbol(const char* name, const char* detail, int kind, Json range, Json selection, Json children = Json::array())
{
    return {{"name", name}, {"detail", detail}, {"kind", kind}, {"range", range}, {"selectionRange", selection},
            {"children", children}};
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Protocol,
    testing::Values(
        // The life of a connection.
        ProtocolCase{"initialize_offers_utf16_and_the_legend", Start() + Stop(),
                     {{0, {{"result", {{"capabilities", {{"positionEncoding", "utf-16"},
                                                          {"textDocumentSync", {{"change", 2}, {"openClose", true}}},
                                                          {"semanticTokensProvider", {{"full", {{"delta", true}}}, {"range", true}}},
                                                          {"completionProvider", {{"resolveProvider", true}}},
                                                          {"signatureHelpProvider", {{"triggerCharacters", {"(", ","}}}},
                                                          {"renameProvider", true},
                                                          {"callHierarchyProvider", true}}},
                                       {"serverInfo", {{"name", "glossel-lsp"}}}}}}},
                      {999, {{"result", nullptr}}}}},
        ProtocolCase{"utf8_when_the_client_offers_it", Start({"utf-16", "utf-8"}) + Stop(),
                     {{0, {{"result", {{"capabilities", {{"positionEncoding", "utf-8"}}}}}}}}},
        ProtocolCase{"request_before_initialize", Tokens(1) + Start() + Stop(), {{1, Error(-32002)}}},
        ProtocolCase{"notification_before_initialize_is_dropped", Open(kUri, kRoutine) + Start() + Tokens(1) + Stop(),
                     {{1, Error(-32803)}}},
        ProtocolCase{"second_initialize", Start() + Request(1, "initialize", {{"capabilities", Json::object()}}) + Stop(),
                     {{1, Error(-32600)}}},
        ProtocolCase{"unknown_method", Start() + Request(1, "textDocument/frobnicate") + Stop(), {{1, Error(-32601)}}},
        ProtocolCase{"unknown_notification_is_dropped", Start() + Notify("textDocument/frobnicate") + Stop(), {}, 0,
                     {nullptr}},
        ProtocolCase{"request_after_shutdown", Start() + Request(999, "shutdown", nullptr) + Tokens(2) + Notify("exit"),
                     {{2, Error(-32600)}}},
        ProtocolCase{"exit_without_shutdown", Start() + Notify("exit"), {}, 1},
        ProtocolCase{"end_of_input_without_shutdown", Start(), {}, 1},
        ProtocolCase{"end_of_input_after_shutdown", Start() + Request(999, "shutdown"), {}, 0},
        ProtocolCase{"end_of_input_inside_a_message", Start() + Request(999, "shutdown") + "Content-Length: 90\r\n\r\n{",
                     {}, 0, {}, "the input ended inside a message"},
        ProtocolCase{"cancelled_before_it_ran",
                     Start() + Open(kUri, kRoutine) + Tokens(3) + Notify("$/cancelRequest", {{"id", 3}}) + Stop(),
                     {{3, Error(-32800)}}},
        ProtocolCase{"string_ids_are_answered_with_themselves",
                     Start() + Frame(R"({"jsonrpc":"2.0","id":"a7","method":"shutdown"})") + Notify("exit"),
                     {{"a7", {{"result", nullptr}}}}},
        // Whatever the bytes, the server goes on.
        ProtocolCase{"body_that_is_not_json", Start() + Frame("{nope") + Stop(), {{nullptr, Error(-32700)}}},
        ProtocolCase{"method_that_is_not_a_string", Start() + Frame(R"({"jsonrpc":"2.0","id":5,"method":7})") + Stop(),
                     {{5, Error(-32600)}}},
        ProtocolCase{"an_array_is_no_request", Start() + Frame("[1,2]") + Stop(), {{nullptr, Error(-32600)}}},
        ProtocolCase{"wrong_jsonrpc_version", Start() + Frame(R"({"jsonrpc":"1.0","id":6,"method":"shutdown"})") + Stop(),
                     {{6, Error(-32600)}}},
        ProtocolCase{"params_of_the_wrong_shape",
                     Start() + Request(7, "textDocument/semanticTokens/full", {{"textDocument", 12}}) + Stop(),
                     {{7, Error(-32602)}}},
        ProtocolCase{"headers_without_a_length_are_skipped",
                     Start() + "Content-Length: abc\r\n\r\nno header here\r\n\r\n" + Request(8, "shutdown") + Notify("exit"),
                     {{8, {{"result", nullptr}}}}, 0, {}, "Content-Length"},
        // After each bad header the server reads on from the next Content-Length line:
        // the request after it is answered (body 4 is the bad header's own message).
        ProtocolCase{"a_length_that_is_not_a_number", Start() + "Content-Length: abc\r\n\r\n" + kBody4 + kThenShutdown,
                     {{5, {{"result", nullptr}}}}, 0, {4}, "Content-Length"},
        ProtocolCase{"a_header_with_no_length", Start() + "Content-Type: text/plain\r\n\r\n" + kBody4 + kThenShutdown,
                     {{5, {{"result", nullptr}}}}, 0, {4}, "without Content-Length"},
        ProtocolCase{"a_negative_length", Start() + "Content-Length: -5\r\n\r\n" + kBody4 + kThenShutdown,
                     {{5, {{"result", nullptr}}}}, 0, {4}},
        ProtocolCase{"two_different_lengths",
                     Start() + "Content-Length: 55\r\nContent-Length: 56\r\n\r\n" + kBody4 + kThenShutdown,
                     {{5, {{"result", nullptr}}}}, 0, {4}},
        ProtocolCase{"a_nul_in_the_header", Start() + std::string("Content-Length: 5\0" "5\r\n\r\n", 23) + kBody4 + kThenShutdown,
                     {{5, {{"result", nullptr}}}}, 0, {4}},
        ProtocolCase{"a_body_one_byte_short",
                     Start() + "Content-Length: " + std::to_string(kBody4.size() + 1) + "\r\n\r\n" + kBody4 + kThenShutdown,
                     {{4, Error(-32601)}, {5, {{"result", nullptr}}}}, 0, {}, "where its header said"},
        ProtocolCase{"a_body_one_byte_long",
                     Start() + "Content-Length: " + std::to_string(kBody4.size() - 1) + "\r\n\r\n" + kBody4 + kThenShutdown,
                     {{nullptr, Error(-32700)}, {5, {{"result", nullptr}}}}, 0, {4}},
        ProtocolCase{"a_length_past_the_limit", Start() + "Content-Length: 999999999999\r\n\r\n" + kBody4 + kThenShutdown,
                     {{5, {{"result", nullptr}}}}, 0, {4}, "passed over"},
        ProtocolCase{"a_header_that_never_ends", Start() + std::string(9000, 'x') + kBody4 + kThenShutdown,
                     {{5, {{"result", nullptr}}}}, 0, {4}, "without an end"},
        ProtocolCase{"bare_line_feeds_and_other_headers",
                     Start() + "Content-Type: application/vscode-jsonrpc; charset=utf-8\ncontent-length: 44\n\n" +
                         R"({"jsonrpc":"2.0","id":9,"method":"shutdown"})" + Notify("exit"),
                     {{9, {{"result", nullptr}}}}},
        // Semantic tokens: line, start, length, type, modifiers; types are numbered
        // foreground 0, string 1, dictionaryWord 2, comment 3, keyword 4, property 5,
        // function 6, operator 7, variable 8, assembly 9, escapeCharacter 10, number
        // 11, codeNumber 12.
        ProtocolCase{"tokens_of_a_routine", Start() + Open(kUri, kRoutine) + Tokens(1) + Stop(),
                     {{1, Data({0, 0, 1, 6, 0, 0, 2, 4, 6, 0, 0, 4, 1, 7, 0, 0, 2, 1, 8, 0, 0, 2, 1, 7, 0, 0, 2, 1, 12, 0,
                                0, 1, 1, 7, 0, 0, 2, 1, 6, 0, 0, 1, 1, 4, 0})}}},
        ProtocolCase{"tokens_of_a_verb_with_a_dictionary_word",
                     Start() + Open(kUri, "Verb 'take' * noun -> Take;\n") + Tokens(1) + Stop(),
                     {{1, Data({0, 0, 4, 4, 0, 0, 5, 6, 2, 0, 0, 7, 1, 4, 0, 0, 2, 4, 0, 0, 0, 5, 2, 4, 0, 0, 3, 4, 0, 0,
                                0, 4, 1, 4, 0})}}},
        ProtocolCase{"tokens_of_an_escape_in_a_string",
                     Start() + Open(kUri, "Constant s \"a^b\";\n") + Tokens(1) + Stop(),
                     {{1, Data({0, 0, 8, 4, 0, 0, 9, 1, 0, 0, 0, 2, 2, 1, 0, 0, 2, 1, 10, 0, 0, 1, 2, 1, 0, 0, 2, 1, 4, 0})}}},
        ProtocolCase{"tokens_of_a_comment_with_an_apostrophe", Start() + Open(kUri, "! don't\n") + Tokens(1) + Stop(),
                     {{1, Data({0, 0, 7, 3, 0})}}},
        ProtocolCase{"tokens_count_utf16_units",
                     Start() + Open(kUri, "\"\xC3\xA9\xF0\x9F\x98\x80\" x\n") + Tokens(1) + Stop(),
                     {{1, Data({0, 0, 5, 1, 0, 0, 6, 1, 4, 0})}}},
        ProtocolCase{"tokens_count_utf8_bytes",
                     Start({"utf-8"}) + Open(kUri, "\"\xC3\xA9\xF0\x9F\x98\x80\" x\n") + Tokens(1) + Stop(),
                     {{1, Data({0, 0, 8, 1, 0, 0, 9, 1, 4, 0})}}},
        ProtocolCase{"tokens_stop_before_a_long_line",
                     Start() + Open(kUri, "Global a;\n" + std::string(1020, 'x') + "\nGlobal b;\n") + Tokens(1) + Stop(),
                     {{1, Data({0, 0, 6, 4, 0, 0, 7, 1, 0, 0, 0, 1, 1, 4, 0})}}},
        ProtocolCase{"tokens_stop_at_a_nul", Start() + Open(kUri, std::string("Global a;\0Global b;\n", 20)) + Tokens(1) + Stop(),
                     {{1, Data({0, 0, 6, 4, 0, 0, 7, 1, 0, 0, 0, 1, 1, 4, 0})}}},
        ProtocolCase{"tokens_of_crlf_lines", Start() + Open(kUri, "Global a;\r\n! x\r\n") + Tokens(1) + Stop(),
                     {{1, Data({0, 0, 6, 4, 0, 0, 7, 1, 0, 0, 0, 1, 1, 4, 0, 1, 0, 3, 3, 0})}}},
        ProtocolCase{"a_lone_cr_ends_a_line_of_the_client", Start() + Open(kUri, "! a\rb\n") + Tokens(1) + Stop(),
                     {{1, Data({0, 0, 3, 3, 0, 1, 0, 1, 3, 0})}}},
        ProtocolCase{"tokens_of_a_range",
                     Start() + Open(kUri, "Global a;\nGlobal b;\nGlobal c;\n") +
                         Request(1, "textDocument/semanticTokens/range", {{"textDocument", Doc()}, {"range", Range(1, 0, 1, 9)}}) +
                         Stop(),
                     {{1, Data({1, 0, 6, 4, 0, 0, 7, 1, 0, 0, 0, 1, 1, 4, 0})}}},
        // Deltas: "b" becomes "bb" on line 1 of three "Global x;" lines (tokens Global 4,
        // the name 0, ';' 4). The edit replaces the tokens of line 1 and of the first line
        // with tokens after it (3 tokens in, 6 out): from number 15, 30 numbers.
        ProtocolCase{"a_delta_replaces_the_changed_lines",
                     Start() + Open(kUri, kThreeGlobals) + Tokens(1) + TypeB(2) + Delta(2, "1") + Stop(),
                     {{1, {{"result", {{"resultId", "1"}}}}},
                      {2, {{"result", {{"resultId", "2"},
                                       {"edits", {{{"start", 15}, {"deleteCount", 30},
                                                   {"data", {1, 0, 6, 4, 0, 0, 7, 2, 0, 0, 0, 2, 1, 4, 0,
                                                             1, 0, 6, 4, 0, 0, 7, 1, 0, 0, 0, 1, 1, 4, 0}}}}}}}}}}},
        ProtocolCase{"a_delta_after_no_change_has_no_edits",
                     Start() + Open(kUri, kThreeGlobals) + Tokens(1) + Delta(2, "1") + Stop(),
                     {{2, {{"result", {{"resultId", "2"}, {"edits", Json::array()}}}}}}},
        ProtocolCase{"a_delta_from_an_unknown_result_is_everything",
                     Start() + Open(kUri, kThreeGlobals) + Tokens(1) + TypeB(2) + Delta(2, "7") + Stop(),
                     {{2, {{"result", {{"resultId", "2"},
                                       {"data", {0, 0, 6, 4, 0, 0, 7, 1, 0, 0, 0, 1, 1, 4, 0,
                                                 1, 0, 6, 4, 0, 0, 7, 2, 0, 0, 0, 2, 1, 4, 0,
                                                 1, 0, 6, 4, 0, 0, 7, 1, 0, 0, 0, 1, 1, 4, 0}}}}}}}},
        // 50,000 lines "Global a;": an answer too large to be held is written in pieces
        // after its length, and comes whole.
        ProtocolCase{"a_large_answer_comes_whole", Start() + Open(kUri, Repeat("Global a;\n", 50000)) + Tokens(1) + Stop(),
                     {{1, {{"result", {{"data", GlobalLines(50000)}}}}}}},
        // A cancellation that comes in while the request runs (a filler document of
        // 200 KB between them, so that it is read only then) stops it.
        ProtocolCase{"cancelled_while_it_runs",
                     Start() + Open(kUri, Repeat("Global a;\n", 50000)) + Tokens(3) +
                         Open("file:///game/filler.h", Repeat("! filler\n", 25000)) + Notify("$/cancelRequest", {{"id", 3}}) +
                         Stop(),
                     {{3, {{"error", {{"code", -32800}, {"message", "cancelled while it ran"}}}}}}},
        // Edits: one that opens a string carries it to the end; a whole new text.
        ProtocolCase{"incremental_change_opens_a_string",
                     Start() + Open(kUri, "[ Main;\n  x = 1;\n];\n") +
                         Notify("textDocument/didChange", {{"textDocument", {{"uri", kUri}, {"version", 2}}},
                                                           {"contentChanges", {{{"range", Range(1, 2, 1, 3)}, {"text", "\""}}}}}) +
                         Tokens(1) + Stop(),
                     {{1, Data({0, 0, 1, 6, 0, 0, 2, 4, 6, 0, 0, 4, 1, 7, 0, 1, 2, 6, 1, 0, 1, 0, 2, 1, 0})}}},
        ProtocolCase{"full_change_replaces_the_text",
                     Start() + Open(kUri, "[ Main;\n  x = 1;\n];\n") +
                         Notify("textDocument/didChange", {{"textDocument", {{"uri", kUri}, {"version", 2}}},
                                                           {"contentChanges", {{{"text", "! gone\n"}}}}}) +
                         Tokens(1) + Stop(),
                     {{1, Data({0, 0, 6, 3, 0})}}},
        // Structure: the definitions as a tree and the regions that fold.
        ProtocolCase{"document_symbols_as_a_tree",
                     Start() + Open(kUri, kGame) + Request(1, "textDocument/documentSymbol", {{"textDocument", Doc()}}) + Stop(),
                     {{1, {{"result",
                            {Symbol("Story", "constant", 14, Range(2, 0, 2, 22), Range(2, 9, 2, 14)),
                             Symbol("Box", "class", 5, Range(3, 0, 4, 18), Range(3, 6, 3, 9)),
                             Symbol("chest", "object", 19, Range(5, 0, 8, 4), Range(5, 4, 5, 9),
                                    {Symbol("before", "property routine", 6, Range(6, 7, 8, 3), Range(6, 7, 6, 13))}),
                             Symbol("Main", "routine", 12, Range(9, 0, 13, 1), Range(9, 2, 9, 6))}}}}}},
        ProtocolCase{"folding_ranges",
                     Start() + Open(kUri, kGame) + Request(1, "textDocument/foldingRange", {{"textDocument", Doc()}}) + Stop(),
                     {{1, {{"result",
                            {{{"startLine", 0}, {"endLine", 1}, {"kind", "comment"}},
                             {{"startLine", 3}, {"endLine", 4}},
                             {{"startLine", 5}, {"endLine", 8}},
                             {{"startLine", 6}, {"endLine", 7}},
                             {{"startLine", 9}, {"endLine", 12}},
                             {{"startLine", 10}, {"endLine", 11}}}}}}}},
        ProtocolCase{"closed_documents_are_forgotten",
                     Start() + Open(kUri, kRoutine) + Notify("textDocument/didClose", {{"textDocument", Doc()}}) + Tokens(1) +
                         Stop(),
                     {{1, Error(-32803)}}}));

// Positions: offsets and the client's positions, both ways, in both encodings.
struct PositionCase {
    const char* name;
    std::string text;
    display::Encoding encoding;
    std::size_t offset;
    LspPosition utf16;
    LspPosition utf8;
};

void PrintTo(const PositionCase& c, std::ostream* os) { *os << c.name; }

class Positions : public testing::TestWithParam<PositionCase> {};

TEST_P(Positions, MapBothWays)
{
    const PositionCase& c = GetParam();
    const CLspDocument document(c.text, c.encoding);
    EXPECT_EQ(document.PositionOf(c.offset, PositionEncoding::Utf16), c.utf16);
    EXPECT_EQ(document.PositionOf(c.offset, PositionEncoding::Utf8), c.utf8);
    EXPECT_EQ(document.OffsetOf(c.utf16, PositionEncoding::Utf16), c.offset);
    EXPECT_EQ(document.OffsetOf(c.utf8, PositionEncoding::Utf8), c.offset);
}

constexpr auto kUtf8 = display::Encoding::Utf8;
constexpr auto k1252 = display::Encoding::Windows1252;

INSTANTIATE_TEST_SUITE_P(
    Rows, Positions,
    testing::Values(PositionCase{"second_line", "ab\ncd", kUtf8, 4, {1, 1}, {1, 1}},
                    PositionCase{"after_two_and_four_byte_characters", "\xC3\xA9\xF0\x9F\x98\x80x", kUtf8, 6, {0, 3}, {0, 6}},
                    PositionCase{"end_of_text", "\xC3\xA9", kUtf8, 2, {0, 1}, {0, 2}},
                    PositionCase{"crlf_is_one_break", "a\r\nb", kUtf8, 3, {1, 0}, {1, 0}},
                    PositionCase{"before_crlf", "a\r\nb", kUtf8, 1, {0, 1}, {0, 1}},
                    PositionCase{"lone_cr_breaks_a_line", "a\rb\nc", kUtf8, 2, {1, 0}, {1, 0}},
                    PositionCase{"line_after_a_lone_cr", "a\rb\nc", kUtf8, 4, {2, 0}, {2, 0}},
                    PositionCase{"windows_1252_one_unit_a_byte_in_utf16", "\xE9\x80x", k1252, 2, {0, 2}, {0, 5}},
                    PositionCase{"invalid_utf8_byte_is_one_unit", "a\xFFz", kUtf8, 2, {0, 2}, {0, 2}}));

struct ClampCase {
    const char* name;
    std::string text;
    LspPosition position;
    PositionEncoding encoding;
    std::size_t offset;
};

void PrintTo(const ClampCase& c, std::ostream* os) { *os << c.name; }

class PositionClamps : public testing::TestWithParam<ClampCase> {};

TEST_P(PositionClamps, LandOnACharacter)
{
    const ClampCase& c = GetParam();
    EXPECT_EQ(CLspDocument(c.text, kUtf8).OffsetOf(c.position, c.encoding), c.offset);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PositionClamps,
    testing::Values(ClampCase{"past_the_line_end", "ab\ncd", {0, 99}, PositionEncoding::Utf16, 2},
                    ClampCase{"past_a_crlf_line_end", "ab\r\ncd", {0, 99}, PositionEncoding::Utf16, 2},
                    ClampCase{"past_the_last_line", "ab\ncd", {7, 0}, PositionEncoding::Utf16, 5},
                    ClampCase{"inside_a_surrogate_pair", "\xF0\x9F\x98\x80x", {0, 1}, PositionEncoding::Utf16, 0},
                    ClampCase{"inside_a_utf8_sequence", "\xC3\xA9x", {0, 1}, PositionEncoding::Utf8, 0}));

// Edits: the text after an edit, how many lines it lexed again, and classes equal to
// those of the same text lexed from the start.
struct EditCase {
    const char* name;
    std::string text;
    std::size_t from;
    std::size_t to;
    std::string with;
    std::size_t relexed;
};

void PrintTo(const EditCase& c, std::ostream* os) { *os << c.name; }

class Edits : public testing::TestWithParam<EditCase> {};

TEST_P(Edits, LexAgainOnlyUntilTheStatesMeet)
{
    const EditCase& c = GetParam();
    CLspDocument document(c.text, kUtf8);
    std::uint32_t state;
    document.StateBefore(document.LineCount() - 1, state);
    const std::shared_ptr<const std::string> held = document.SharedText();  // as a game holds it
    document.Replace(c.from, c.to, c.with);
    std::string expected = c.text;
    expected.replace(c.from, c.to - c.from, c.with);
    ASSERT_EQ(document.Text(), expected);
    EXPECT_EQ(*held, c.text) << "the text a game holds changed under it";
    EXPECT_EQ(document.RelexedByLastEdit(), c.relexed);

    CLspDocument fresh(expected, kUtf8);
    ASSERT_EQ(document.LineCount(), fresh.LineCount());
    ClassifiedLine a;
    ClassifiedLine b;
    for (std::size_t line = 0; line < fresh.LineCount(); ++line) {
        const bool shown = fresh.Classify(line, b);
        ASSERT_EQ(document.Classify(line, a), shown) << "line " << line;
        if (!shown) continue;
        ASSERT_EQ(a.length, b.length);
        EXPECT_EQ(std::string(a.classes, a.classes + a.length + 1), std::string(b.classes, b.classes + b.length + 1))
            << "line " << line;
        std::uint32_t s1 = 0;
        std::uint32_t s2 = 0;
        document.StateBefore(line, s1);
        fresh.StateBefore(line, s2);
        EXPECT_EQ(s1, s2) << "line " << line;
    }
}

const std::string kBody = "[ R;\n x;\n y;\n z;\n];\n";  // lines start at 0, 5, 9, 13, 17

INSTANTIATE_TEST_SUITE_P(
    Rows, Edits,
    testing::Values(EditCase{"a_word_changed_relexes_its_line", kBody, 6, 7, "w", 1},
                    EditCase{"an_open_string_relexes_to_the_end", kBody, 6, 6, "\"", 4},
                    EditCase{"a_new_line_relexes_itself_and_the_next", kBody, 9, 9, " w;\n", 2},
                    EditCase{"joining_two_lines", kBody, 7, 9, "", 1},
                    EditCase{"closing_the_routine_early", kBody, 6, 8, "];", 4},
                    EditCase{"crlf_made_by_an_edit", "a\rb\n", 2, 2, "\n", 2},
                    EditCase{"a_nul_hides_what_follows", kBody, 6, 6, std::string(1, '\0'), 1},
                    EditCase{"removing_everything", kBody, 0, kBody.size(), "", 0}));

// Deltas: after edits, the delta applied to the tokens of the last answer gives the
// tokens of the text now, built afresh.
struct DeltaCase {
    const char* name;
    std::string text;
    std::vector<std::tuple<std::size_t, std::size_t, std::string>> edits;  // from, to, with
};

void PrintTo(const DeltaCase& c, std::ostream* os) { *os << c.name; }

class TokenDeltas : public testing::TestWithParam<DeltaCase> {};

TEST_P(TokenDeltas, AppliedToTheLastAnswerGiveTheTokensNow)
{
    const DeltaCase& c = GetParam();
    CLspDocument document(c.text, kUtf8);
    CTokenHistory history;
    CJsonText first;
    history.WriteFull(document, PositionEncoding::Utf16, first);
    history.Commit();
    std::vector<int> tokens = Json::parse(first.Text())["data"].get<std::vector<int>>();
    for (const auto& [from, to, with] : c.edits) {
        document.Replace(from, to, with);
        history.Edited(document.LastEdit());
    }
    CJsonText delta;
    history.WriteDelta(document, PositionEncoding::Utf16, "1", delta);
    history.Commit();
    const Json answer = Json::parse(delta.Text());
    if (answer.contains("data")) {
        tokens = answer["data"].get<std::vector<int>>();
    } else {
        ASSERT_LE(answer["edits"].size(), 1u);
        for (const Json& edit : answer["edits"]) {
            const std::size_t start = edit["start"];
            const std::size_t count = edit["deleteCount"];
            ASSERT_LE(start + count, tokens.size());
            const std::vector<int> data = edit["data"].get<std::vector<int>>();
            tokens.erase(tokens.begin() + static_cast<std::ptrdiff_t>(start), tokens.begin() + static_cast<std::ptrdiff_t>(start + count));
            tokens.insert(tokens.begin() + static_cast<std::ptrdiff_t>(start), data.begin(), data.end());
        }
    }
    CLspDocument fresh(document.Text(), kUtf8);
    const std::vector<std::uint32_t> expected = BuildSemanticTokens(fresh, 0, fresh.LineCount() - 1, PositionEncoding::Utf16);
    EXPECT_EQ(std::vector<int>(expected.begin(), expected.end()), tokens);
    EXPECT_EQ(answer["resultId"], "2");
}

// kBody: "[ R;\n x;\n y;\n z;\n];\n", lines starting at 0, 5, 9, 13, 17.
INSTANTIATE_TEST_SUITE_P(
    Rows, TokenDeltas,
    testing::Values(DeltaCase{"a_word_changed", kBody, {{6, 7, "w"}}},
                    DeltaCase{"an_open_string_to_the_end", kBody, {{6, 6, "\""}}},
                    DeltaCase{"lines_added", kBody, {{9, 9, " a;\n b;\n"}}},
                    DeltaCase{"lines_joined", kBody, {{7, 9, ""}}},
                    DeltaCase{"a_line_left_without_tokens", "Global a;\n\nGlobal b;\nGlobal c;\n", {{0, 9, ""}}},
                    DeltaCase{"a_token_line_before_empty_lines_removed", "Global a;\n\n\nGlobal b;\n", {{0, 10, ""}}},
                    DeltaCase{"two_edits_far_apart", kBody, {{6, 7, "w"}, {14, 15, "qq"}}},
                    DeltaCase{"an_edit_then_one_before_it", kBody, {{14, 15, "qq"}, {6, 6, "\n\n"}}},
                    DeltaCase{"a_nul_hides_the_rest", kBody, {{10, 10, std::string(1, '\0')}}},
                    DeltaCase{"the_nul_taken_away", "Global a;\n" + std::string(1, '\0') + "Global b;\n", {{10, 11, ""}}},
                    DeltaCase{"a_line_made_too_long", kBody, {{6, 6, std::string(1020, 'x')}}},
                    DeltaCase{"the_long_line_shortened", "Global a;\n" + std::string(1030, 'x') + "\nGlobal b;\n", {{10, 1040, "y"}}},
                    DeltaCase{"a_lone_cr_answers_everything", kBody, {{6, 6, "\r"}}},
                    DeltaCase{"everything_removed", kBody, {{0, kBody.size(), ""}}}));

// A large body's largest string is decoded where it stands: the values are those the
// library's own reader gives, and what it refuses is refused.
struct BodyCase {
    const char* name;
    std::string body;
};

void PrintTo(const BodyCase& c, std::ostream* os) { *os << c.name; }

class LargeBodies : public testing::TestWithParam<BodyCase> {};

TEST_P(LargeBodies, ReadAsTheLibraryReadsThem)
{
    const BodyCase& c = GetParam();
    const Json expected = Json::parse(c.body, nullptr, false);
    Json got;
    const bool ok = ParseJsonBody(std::string(c.body), got);
    EXPECT_EQ(ok, !expected.is_discarded());
    if (ok && !expected.is_discarded()) {
        EXPECT_TRUE(got == expected);
    }
}

const std::string kMegabyte(1 << 20, 'a');
std::string OpenBody(const std::string& inside)
{
    return R"({"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file:///x.inf","text":")" +
           inside + R"(","version":3}}})";
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LargeBodies,
    testing::Values(BodyCase{"escapes", OpenBody(kMegabyte + R"(\n\t\"\\\/\b\f\r\u00e9\ud83d\ude00\u0000)" + "\xC3\xA9")},
                    BodyCase{"a_lone_high_surrogate", OpenBody(kMegabyte + R"(\ud83dx)")},
                    BodyCase{"a_lone_low_surrogate", OpenBody(kMegabyte + R"(\ude00)")},
                    BodyCase{"a_bad_escape", OpenBody(kMegabyte + R"(\x41)")},
                    BodyCase{"a_raw_line_feed", OpenBody(kMegabyte + "\n")},
                    BodyCase{"bytes_that_are_not_utf8", OpenBody(kMegabyte + "\xC3(")},
                    BodyCase{"the_large_string_is_a_key", "{\"" + kMegabyte + "\":1,\"b\":\"\\u0041\"}"},
                    BodyCase{"two_large_strings", "[\"" + kMegabyte + "\",\"" + kMegabyte + "b\"]"},
                    BodyCase{"broken_after_the_string", OpenBody(kMegabyte) + ","}));

}  // namespace

// Every corpus file that is UTF-8: the semantic tokens, read back character by
// character, give every character the type of the style the lexer gave it (blanks may
// go without a token).
TEST(SemanticTokens, ColourWhatTheLexerColoursInEveryCorpusFile)
{
    const auto files = testsupport::CorpusFiles();
    if (files.empty()) GTEST_SKIP() << "the corpus is absent";
    const int typeOfStyle[STYLE_COUNT] = {0, 1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};  // quoted text: 1 or 2
    std::size_t checked = 0;
    for (const auto& path : files) {
        const std::string text = TextFromBytes(testsupport::ReadFile(path));
        bool nonAscii = false;
        // The client's lines are the lexer's when no lone CR splits one.
        if (FirstInvalidUtf8(reinterpret_cast<const unsigned char*>(text.data()), text.size(), nonAscii) != text.size() ||
            text.find('\r') != std::string::npos)
            continue;
        const std::vector<std::string> codes = testsupport::ClassifyText(text);
        CLspDocument document(text, kUtf8);
        const std::vector<std::uint32_t> data =
            BuildSemanticTokens(document, 0, document.LineCount() - 1, PositionEncoding::Utf8);
        std::vector<std::string> marks(codes.size());
        for (std::size_t i = 0; i < codes.size(); ++i) marks[i].assign(codes[i].size(), '-');
        std::size_t line = 0;
        std::size_t column = 0;
        for (std::size_t t = 0; t + 5 <= data.size(); t += 5) {
            line += data[t];
            column = data[t] ? data[t + 1] : column + data[t + 1];
            ASSERT_LT(line, marks.size()) << path;
            for (std::size_t j = column; j < column + data[t + 2]; ++j) {
                ASSERT_LT(j, marks[line].size()) << path << ":" << line + 1;
                marks[line][j] = static_cast<char>('A' + data[t + 3]);
            }
        }
        for (std::size_t i = 0; i < codes.size(); ++i) {
            const std::size_t start = document.LineStart(i);
            for (std::size_t j = 0; j + 1 < codes[i].size(); ++j) {
                const unsigned char c = static_cast<unsigned char>(text[start + j]);
                if ((c & 0xC0) == 0x80) continue;  // a character takes its first byte's style
                const int style = std::stoi(std::string(1, codes[i][j]), nullptr, 16);
                const char mark = marks[i][j];
                const bool blank = c == ' ' || c == '\t' || (c >= 0x0B && c <= 0x0D);
                const bool ok = (blank && mark == '-') || mark == 'A' + typeOfStyle[style] || (style == 1 && mark == 'A' + 2);
                ASSERT_TRUE(ok) << path << ":" << i + 1 << ":" << j + 1 << " style " << style << " token " << mark;
            }
        }
        ++checked;
    }
    EXPECT_GT(checked, 0u);
    std::printf("corpus files read back from their tokens: %zu of %zu\n", checked, files.size());
}

// Real clients start the server on a game and ask the questions of a table: Neovim's
// own client and Emacs's eglot. Their answers are those worked out by hand.
namespace clients {

struct Row {
    const char* name;
    std::string method;
    Json params;
    Json expected;  // what the answer's result holds
};

// Runs the client's script on the table; the answers, or a skip reason.
Json AskThrough(const std::string& client, const std::filesystem::path& dir, const std::string& file,
                const std::vector<Row>& rows, std::string& skip)
{
    Json spec = {{"file", file}, {"requests", Json::array()}};
    for (const Row& row : rows) spec["requests"].push_back({{"method", row.method}, {"params", row.params}});
    testsupport::WriteFile(dir / "requests.json", spec.dump());
    return RunEditor(client, dir, client == "neovim" ? "lsp_neovim.lua" : "lsp_eglot.el", skip);
}

class RealClient : public testing::TestWithParam<std::string> {};

TEST_P(RealClient, GetsTheTablesAnswers)
{
    testsupport::TempDir dir;
    const std::string story = (dir / "story.inf").string();
    testsupport::WriteFile(story, "Constant Story \"Lamp\";\n[ Main;\n  print \"Hi^\";\n];\n[ Go; Main(); ];\n");
    const Json doc = {{"uri", "file://" + story}};
    const std::vector<Row> rows = {
        // Constant 0:0 keyword, Story 0:9 foreground, "Lamp" 0:15 string, ; 0:21
        // keyword; [ 1:0 function, Main 1:2 function, ; 1:6 operator; print 2:2
        // operator, "Hi 2:8 string, ^ 2:11 escape, " 2:12 string, ; 2:13 operator;
        // ] 3:0 function, ; 3:1 keyword; [ 4:0 function, Go 4:2 function, ; 4:4
        // operator, Main 4:6 variable, (); 4:10 operator, ] 4:14 function, ; 4:15 keyword.
        {"semantic_tokens", "textDocument/semanticTokens/full", {{"textDocument", doc}},
         {{"data", {0, 0, 8, 4, 0, 0, 9, 5, 0, 0, 0, 6, 6, 1, 0, 0, 6, 1, 4, 0, 1, 0, 1, 6, 0, 0, 2, 4, 6, 0,
                    0, 4, 1, 7, 0, 1, 2, 5, 7, 0, 0, 6, 3, 1, 0, 0, 3, 1, 10, 0, 0, 1, 1, 1, 0, 0, 1, 1, 7, 0,
                    1, 0, 1, 6, 0, 0, 1, 1, 4, 0, 1, 0, 1, 6, 0, 0, 2, 2, 6, 0, 0, 2, 1, 7, 0, 0, 2, 4, 8, 0,
                    0, 4, 3, 7, 0, 0, 4, 1, 6, 0, 0, 1, 1, 4, 0}}}},
        {"document_symbols", "textDocument/documentSymbol", {{"textDocument", doc}},
         {{{"name", "Story"}, {"kind", 14}, {"range", Range(0, 0, 0, 22)}, {"selectionRange", Range(0, 9, 0, 14)}},
          {{"name", "Main"}, {"kind", 12}, {"range", Range(1, 0, 3, 1)}, {"selectionRange", Range(1, 2, 1, 6)}},
          {{"name", "Go"}, {"kind", 12}, {"range", Range(4, 0, 4, 15)}, {"selectionRange", Range(4, 2, 4, 4)}}}},
        {"definition", "textDocument/definition", {{"textDocument", doc}, {"position", {{"line", 4}, {"character", 7}}}},
         {{{"uri", doc["uri"]}, {"range", Range(1, 2, 1, 6)}}}},
        {"references", "textDocument/references",
         {{"textDocument", doc}, {"position", {{"line", 1}, {"character", 3}}}, {"context", {{"includeDeclaration", true}}}},
         {{{"uri", doc["uri"]}, {"range", Range(1, 2, 1, 6)}}, {{"uri", doc["uri"]}, {"range", Range(4, 6, 4, 10)}}}},
    };
    std::string skip;
    const Json answers = AskThrough(GetParam(), dir.Path(), story, rows, skip);
    if (!skip.empty()) GTEST_SKIP() << skip;
    ASSERT_TRUE(answers.is_array()) << answers.dump();
    ASSERT_EQ(answers.size(), rows.size()) << answers.dump();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        std::string why;
        EXPECT_TRUE(answers[i].contains("result") && Matches(rows[i].expected, answers[i]["result"], why))
            << rows[i].name << ": " << why << " " << answers[i].dump();
    }
}

INSTANTIATE_TEST_SUITE_P(Clients, RealClient, testing::Values("neovim", "eglot"),
                         [](const testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace clients
