// The language server in-process, through its own message handling (the JSON of each
// request and answer included):
//  - semanticTokens/full of parser.h, from its didOpen (nothing lexed before);
//  - a one-character change in the middle of the 10 MB input, then semanticTokens/range
//    for a screenful (60 lines) there;
//  - the memory the server holds for the open 10 MB text, as a ratio to the text;
//  - from initialize to the answer of documentSymbol for a story that includes the
//    standard library (the game is built on the way, for the story's diagnostics);
//  - definition and hover of a library routine called in that story.
//
// The 10 MB input is GLOSSEL_BENCH_INPUT (make it with bench/make_input.py); parser.h
// is GLOSSEL_PARSER_H or the standard library's.

#include "doc/TextLoader.h"
#include "lsp/LspServer.h"
#include "lsp/MessageReader.h"
#include "ServerProcess.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <malloc.h>
#include <string>
#include <thread>

namespace {

using Json = nlohmann::json;

std::string Load(const char* variable, const char* fallback)
{
    const char* path = std::getenv(variable);
    std::string text;
    if (!LoadTextFile(path && *path ? path : fallback, text)) {
        std::fprintf(stderr, "bench_lsp: cannot read %s (set %s)\n", path && *path ? path : fallback, variable);
        std::exit(2);
    }
    return text;
}

// A server fed whole messages; the answers are counted, not kept.
class CBenchClient {
public:
    CBenchClient()
        : m_server([this](const std::string& bytes) { m_bytes += bytes.size(); }, [](const std::string&) {})
    {
        Send({{"id", 0}, {"method", "initialize"}, {"params", {{"capabilities", Json::object()}}}});
        Send({{"method", "initialized"}, {"params", Json::object()}});
    }
    void Send(Json message)
    {
        message["jsonrpc"] = "2.0";
        const std::string framed = FrameMessage(message.dump());
        m_reader.Feed(framed.data(), framed.size());
        m_server.Receive(m_reader);
    }
    void Open(const std::string& uri, const std::string& text)
    {
        Send({{"method", "textDocument/didOpen"},
              {"params", {{"textDocument", {{"uri", uri}, {"languageId", "inform6"}, {"version", 1}, {"text", text}}}}}});
    }
    CLspServer& Server() { return m_server; }
    std::size_t Bytes() const { return m_bytes; }

private:
    std::size_t m_bytes = 0;
    CLspServer m_server;
    CMessageReader m_reader;
};

Json Range(std::size_t l1, std::size_t c1, std::size_t l2, std::size_t c2)
{
    return {{"start", {{"line", l1}, {"character", c1}}}, {"end", {{"line", l2}, {"character", c2}}}};
}

void BM_SemanticTokensFullOfParserH(benchmark::State& state)
{
    const std::string text = Load("GLOSSEL_PARSER_H", "/usr/share/inform6/library/parser.h");
    for (auto _ : state) {
        state.PauseTiming();
        CBenchClient client;
        client.Open("file:///bench/parser.h", text);
        state.ResumeTiming();
        client.Send({{"id", 1}, {"method", "textDocument/semanticTokens/full"},
                     {"params", {{"textDocument", {{"uri", "file:///bench/parser.h"}}}}}});
        benchmark::DoNotOptimize(client.Bytes());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_SemanticTokensFullOfParserH)->Unit(benchmark::kMillisecond);

void BM_CharacterChangeThenRangeIn10MB(benchmark::State& state)
{
    const std::string uri = "file:///bench/input.inf";
    CBenchClient client;
    // A client sends UTF-8: the corpus's Windows-1252 files are decoded as an editor
    // would decode them.
    std::string text;
    {
        const std::string bytes = Load("GLOSSEL_BENCH_INPUT", "/tmp/glossel-bench.inf");
        text = ToUtf8(bytes, display::ChooseEncoding(bytes.data(), bytes.size()));
    }
    const std::size_t before = mallinfo2().uordblks + mallinfo2().hblkhd;
    client.Open(uri, text);
    CLspDocument* document = client.Server().FindOpenDocument(uri);
    const std::size_t lines = document->ClientLineCount();
    // Every line's state is known before the first change, as after the editor's first
    // request for the whole file.
    client.Send({{"id", 1}, {"method", "textDocument/semanticTokens/range"},
                 {"params", {{"textDocument", {{"uri", uri}}}, {"range", Range(lines - 1, 0, lines - 1, 0)}}}});
    const std::size_t line = lines / 2;
    int version = 2;
    std::size_t relexed = 0;
    for (auto _ : state) {
        // Types one character, or takes it away again, at the start of the line.
        const bool insert = version % 2 == 0;
        client.Send({{"method", "textDocument/didChange"},
                     {"params", {{"textDocument", {{"uri", uri}, {"version", version++}}},
                                 {"contentChanges", {{{"range", Range(line, 0, line, insert ? 0 : 1)},
                                                      {"text", insert ? "x" : ""}}}}}}});
        relexed += document->RelexedByLastEdit();
        client.Send({{"id", version}, {"method", "textDocument/semanticTokens/range"},
                     {"params", {{"textDocument", {{"uri", uri}}}, {"range", Range(line - 30, 0, line + 30, 0)}}}});
    }
    state.counters["lines_relexed"] = benchmark::Counter(static_cast<double>(relexed), benchmark::Counter::kAvgIterations);
    // What the server holds for the open text (everything allocated since just before
    // it was opened and not freed), against the text.
    const std::size_t after = mallinfo2().uordblks + mallinfo2().hblkhd;
    state.counters["memory_ratio"] = static_cast<double>(after - before) / static_cast<double>(text.size());
}
BENCHMARK(BM_CharacterChangeThenRangeIn10MB)->Unit(benchmark::kMillisecond);

// A story that includes the library, in a folder of its own.
std::string LibraryStory()
{
    const std::string folder = "/tmp/glossel-bench-lsp";
    std::filesystem::create_directories(folder);
    const std::string path = folder + "/story.inf";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fputs("Constant Story \"BENCH\";\n"
               "Include \"Parser\";\n"
               "Include \"VerbLib\";\n"
               "[ Initialise; location = Hall; PlayerTo(Hall); ];\n"  // PlayerTo at line 3, column 33
               "Object Hall \"Hall\" has light;\n"
               "Include \"Grammar\";\n",
               f);
    std::fclose(f);
    return path;
}

void BM_InitializeToDocumentSymbolWithTheLibrary(benchmark::State& state)
{
    const std::string path = LibraryStory();
    std::string text;
    LoadTextFile(path, text);
    for (auto _ : state) {
        CBenchClient client;
        client.Open("file://" + path, text);
        client.Send({{"id", 1}, {"method", "textDocument/documentSymbol"},
                     {"params", {{"textDocument", {{"uri", "file://" + path}}}}}});
        benchmark::DoNotOptimize(client.Bytes());
    }
}
BENCHMARK(BM_InitializeToDocumentSymbolWithTheLibrary)->Unit(benchmark::kMillisecond);

void AskAtPlayerTo(benchmark::State& state, const char* method)
{
    const std::string path = LibraryStory();
    std::string text;
    LoadTextFile(path, text);
    CBenchClient client;
    client.Open("file://" + path, text);
    const Json params = {{"textDocument", {{"uri", "file://" + path}}}, {"position", {{"line", 3}, {"character", 33}}}};
    int id = 1;
    client.Send({{"id", id++}, {"method", method}, {"params", params}});  // the game is built here
    for (auto _ : state) client.Send({{"id", id++}, {"method", method}, {"params", params}});
}
void BM_DefinitionIntoTheLibrary(benchmark::State& state) { AskAtPlayerTo(state, "textDocument/definition"); }
void BM_HoverOfALibraryRoutine(benchmark::State& state) { AskAtPlayerTo(state, "textDocument/hover"); }
BENCHMARK(BM_DefinitionIntoTheLibrary)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HoverOfALibraryRoutine)->Unit(benchmark::kMillisecond);

// Completion while typing: a name's first letter typed where a statement starts (its
// didChange, which also gives a small document's diagnostics again, and so brings its
// game up to date) and the completion there; the letter is taken away again outside the
// time. In Advent (GLOSSEL_ADVENT, with the standard library) and in the 10 MB input.
void TypeAndComplete(benchmark::State& state, const std::string& path, std::size_t line)
{
    std::string bytes;
    if (!LoadTextFile(path, bytes)) {
        state.SkipWithError(("cannot read " + path).c_str());
        return;
    }
    const std::string text = ToUtf8(bytes, display::ChooseEncoding(bytes.data(), bytes.size()));
    CBenchClient client;
    const std::string uri = "file://" + path;
    client.Open(uri, text);
    int id = 1;
    const Json at = {{"textDocument", {{"uri", uri}}}, {"position", {{"line", line}, {"character", 1}}}};
    client.Send({{"id", id++}, {"method", "textDocument/completion"}, {"params", at}});  // the game is built here
    int version = 2;
    for (auto _ : state) {
        client.Send({{"method", "textDocument/didChange"},
                     {"params", {{"textDocument", {{"uri", uri}, {"version", version++}}},
                                 {"contentChanges", {{{"range", Range(line, 0, line, 0)}, {"text", "S"}}}}}}});
        client.Send({{"id", id++}, {"method", "textDocument/completion"}, {"params", at}});
        state.PauseTiming();
        client.Send({{"method", "textDocument/didChange"},
                     {"params", {{"textDocument", {{"uri", uri}, {"version", version++}}},
                                 {"contentChanges", {{{"range", Range(line, 0, line, 1)}, {"text", ""}}}}}}});
        state.ResumeTiming();
    }
}

std::string CopyTo(const std::string& from, const std::string& folder, const std::string& name)
{
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(from, folder + "/" + name, std::filesystem::copy_options::overwrite_existing);
    return folder + "/" + name;
}

void BM_CompletionWhileTypingInAdvent(benchmark::State& state)
{
    const char* advent = std::getenv("GLOSSEL_ADVENT");
    const std::string path = CopyTo(advent && *advent ? advent : GLOSSEL_CORPUS_DIR "/Inform6-Testing/src/Advent.inf",
                                    "/tmp/glossel-bench-advent", "Advent.inf");
    TypeAndComplete(state, path, 3244);  // in Initialise
}
BENCHMARK(BM_CompletionWhileTypingInAdvent)->Unit(benchmark::kMillisecond);

void BM_CompletionWhileTypingIn10MB(benchmark::State& state)
{
    const char* input = std::getenv("GLOSSEL_BENCH_INPUT");
    const std::string path = CopyTo(input && *input ? input : "/tmp/glossel-bench.inf", "/tmp/glossel-bench-10mb", "input.inf");
    TypeAndComplete(state, path, 150000);
}
BENCHMARK(BM_CompletionWhileTypingIn10MB)->Unit(benchmark::kMillisecond);

// Rename of a routine with 600 uses, 300 in each of the two files of a game.
void BM_RenameOfANameWith600Uses(benchmark::State& state)
{
    const std::string folder = "/tmp/glossel-bench-rename";
    std::filesystem::create_directories(folder);
    std::string main = "Include \"uses.h\";\n[ Foo; ];\n[ Main;\n";
    std::string uses = "[ More;\n";
    for (int i = 0; i < 30; ++i) {
        for (int j = 0; j < 10; ++j) main += "  Foo();";
        main += "\n";
        for (int j = 0; j < 10; ++j) uses += "  Foo();";
        uses += "\n";
    }
    main += "];\n";
    uses += "];\n";
    for (const auto& [name, text] : {std::pair{"main.inf", main}, std::pair{"uses.h", uses}}) {
        std::FILE* f = std::fopen((folder + "/" + name).c_str(), "wb");
        std::fputs(text.c_str(), f);
        std::fclose(f);
    }
    CBenchClient client;
    client.Send({{"id", 1}, {"method", "textDocument/prepareRename"}, {"params", Json::object()}});
    const std::string uri = "file://" + folder + "/main.inf";
    client.Open(uri, main);
    const Json params = {{"textDocument", {{"uri", uri}}}, {"position", {{"line", 1}, {"character", 2}}}, {"newName", "Bar"}};
    int id = 2;
    client.Send({{"id", id++}, {"method", "textDocument/rename"}, {"params", params}});
    for (auto _ : state) client.Send({{"id", id++}, {"method", "textDocument/rename"}, {"params", params}});
}
BENCHMARK(BM_RenameOfANameWith600Uses)->Unit(benchmark::kMillisecond);

// A large document in the real server (GLOSSEL_BENCH_LARGE, ~50 MB: make_input.py ...
// 50): the answers' times, from the request written to the answer read whole, and the
// server's peak memory (VmHWM, everything since it started: the open included) as a
// share of the text.
std::string LargeText()
{
    const std::string bytes = Load("GLOSSEL_BENCH_LARGE", "/tmp/glossel-bench-50MB.inf");
    return ToUtf8(bytes, display::ChooseEncoding(bytes.data(), bytes.size()));
}

const char* const kLargeUri = "file:///tmp/glossel-bench-large/large.inf";

// Opens the large text and waits until the server has taken it in (the answer to a
// request after it).
void OpenLarge(CServerProcess& server, const std::string& text)
{
    server.Open(kLargeUri, text);
    server.Send({{"id", 1}, {"method", "glossel/nothing"}});
    server.AwaitAnswer(1);
}

void AskOfLarge(benchmark::State& state, const char* method)
{
    const std::string text = LargeText();
    CServerProcess server(GLOSSEL_LSP_EXE);
    OpenLarge(server, text);
    std::int64_t id = 10;
    std::size_t bytes = 0;
    const double before = server.ProcessorSeconds();
    for (auto _ : state) {
        server.Send({{"id", id}, {"method", method}, {"params", {{"textDocument", {{"uri", kLargeUri}}}}}});
        bytes = server.AwaitAnswer(id++);
    }
    state.counters["server_cpu_ms"] = 1000 * (server.ProcessorSeconds() - before) / static_cast<double>(state.iterations());
    state.counters["answer_MB"] = static_cast<double>(bytes) / 1e6;
    state.counters["text_MB"] = static_cast<double>(text.size()) / 1e6;
    state.counters["peak_memory_ratio"] = static_cast<double>(server.PeakMemory()) / static_cast<double>(text.size());
}
void BM_LargeDocumentSymbol(benchmark::State& state) { AskOfLarge(state, "textDocument/documentSymbol"); }
void BM_LargeSemanticTokensFull(benchmark::State& state) { AskOfLarge(state, "textDocument/semanticTokens/full"); }
BENCHMARK(BM_LargeDocumentSymbol)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LargeSemanticTokensFull)->Unit(benchmark::kMillisecond)->Iterations(3);

// From didOpen written to the server ready for the next request (its game built on
// the way, for the document's diagnostics).
void BM_LargeOpen(benchmark::State& state)
{
    const std::string text = LargeText();
    for (auto _ : state) {
        CServerProcess server(GLOSSEL_LSP_EXE);
        const auto start = std::chrono::steady_clock::now();
        const double before = server.ProcessorSeconds();
        OpenLarge(server, text);
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        state.counters["server_cpu_ms"] = 1000 * (server.ProcessorSeconds() - before);
        state.counters["peak_memory_ratio"] = static_cast<double>(server.PeakMemory()) / static_cast<double>(text.size());
    }
}
BENCHMARK(BM_LargeOpen)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

// A semanticTokens/full of the large document cancelled 100 ms after it was sent:
// the time from the $/cancelRequest written to its RequestCancelled answer read.
void BM_CancelARunningRequest(benchmark::State& state)
{
    const std::string text = LargeText();
    CServerProcess server(GLOSSEL_LSP_EXE);
    OpenLarge(server, text);
    std::int64_t id = 10;
    std::size_t cancelled = 0;
    for (auto _ : state) {
        server.Send({{"id", id}, {"method", "textDocument/semanticTokens/full"},
                     {"params", {{"textDocument", {{"uri", kLargeUri}}}}}});
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const auto start = std::chrono::steady_clock::now();
        server.Send({{"method", "$/cancelRequest"}, {"params", {{"id", id}}}});
        bool error = false;
        server.AwaitAnswer(id++, &error);
        const auto end = std::chrono::steady_clock::now();
        cancelled += error ? 1 : 0;
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
    state.counters["answered_cancelled"] = static_cast<double>(cancelled) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_CancelARunningRequest)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(20);

}  // namespace

BENCHMARK_MAIN();
