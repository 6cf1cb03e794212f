// Engine throughput: classification, the whole document build (RTF, HTML page, terminal
// text, all in memory), the outline, and text loading.
//
// The input is GLOSSEL_BENCH_INPUT (make it with bench/make_input.py), or else the
// samples of examples/ repeated to about 10 MB.

#include "doc/TextLoader.h"
#include "syntax/Outline.h"
#include "syntax/AnsiBuilder.h"
#include "syntax/HtmlBuilder.h"
#include "syntax/RtfBuilder.h"
#include "syntax/SyntaxLexer.h"
#include "syntax/SyntaxStyleMap.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

const std::string& Input()
{
    static const std::string text = [] {
        std::string loaded;
        if (const char* path = std::getenv("GLOSSEL_BENCH_INPUT"); path && *path) {
            if (LoadTextFile(path, loaded)) return loaded;
            std::fprintf(stderr, "bench_engine: cannot read %s\n", path);
        }
        std::string samples;
        for (const auto& entry : std::filesystem::directory_iterator(GLOSSEL_EXAMPLES_DIR)) {
            std::ifstream in(entry.path(), std::ios::binary);
            std::ostringstream bytes;
            bytes << in.rdbuf();
            samples += bytes.str();
        }
        while (loaded.size() < 10'000'000) loaded += samples;
        return loaded;
    }();
    return text;
}

void BM_ClassifyLines(benchmark::State& state)
{
    const std::string& text = Input();
    std::vector<StyleCode> classes(MAX_LINE_LENGTH + 1);
    std::vector<char> line(MAX_LINE_LENGTH + 1);
    for (auto _ : state) {
        CSyntaxLexer lexer;
        std::size_t pos = 0;
        while (pos < text.size()) {
            const std::size_t n = MeasureLine(text.data(), text.size(), pos);
            if (n >= MAX_LINE_LENGTH) break;
            std::memcpy(line.data(), text.data() + pos, n);
            line[n] = '\n';
            lexer.ClassifyLine(line.data(), n + 1, classes.data());
            pos += n + 1;
        }
        benchmark::DoNotOptimize(classes.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ClassifyLines)->Unit(benchmark::kMillisecond);

void BM_BuildDocument(benchmark::State& state)
{
    const std::string& text = Input();
    CSyntaxStyleMap styles;
    styles.BuildDefaults();
    CRtfBuilder builder;
    for (auto _ : state) {
        COutputBuffer out;
        builder.BuildDocument(text.data(), text.size(), styles, out);
        benchmark::DoNotOptimize(out.Data());
        state.counters["output_bytes"] = static_cast<double>(out.Length());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_BuildDocument)->Unit(benchmark::kMillisecond);

// The outline of the whole text, classification included: its own pass, run when the
// outline is first shown. Counters: the definitions found and the bytes the outline
// holds, also as a share of the text's size.
void BM_Outline(benchmark::State& state)
{
    const std::string& text = Input();
    for (auto _ : state) {
        COutline outline;
        outline.Build(text.data(), text.size());
        benchmark::DoNotOptimize(outline.GetEntries().data());
        state.counters["entries"] = static_cast<double>(outline.GetEntries().size());
        state.counters["memory_bytes"] = static_cast<double>(outline.GetMemoryUse());
        state.counters["memory_share"] =
            static_cast<double>(outline.GetMemoryUse()) / static_cast<double>(text.size());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_Outline)->Unit(benchmark::kMillisecond);
void BM_BuildHtmlPage(benchmark::State& state)
{
    const std::string& text = Input();
    CSyntaxStyleMap styles;
    styles.BuildDefaults();
    for (auto _ : state) {
        COutputBuffer out;
        CHtmlBuilder().BuildDocument(text.data(), text.size(), styles, CHtmlBuilder::Page, "bench.inf", out);
        benchmark::DoNotOptimize(out.Data());
        state.counters["output_bytes"] = static_cast<double>(out.Length());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_BuildHtmlPage)->Unit(benchmark::kMillisecond);

void BM_BuildAnsi(benchmark::State& state)
{
    const std::string& text = Input();
    CSyntaxStyleMap styles;
    styles.BuildDefaults();
    for (auto _ : state) {
        COutputBuffer out;
        CAnsiBuilder().BuildDocument(text.data(), text.size(), styles,
                                     state.range(0) ? CAnsiBuilder::Palette256 : CAnsiBuilder::TrueColour, out);
        benchmark::DoNotOptimize(out.Data());
        state.counters["output_bytes"] = static_cast<double>(out.Length());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_BuildAnsi)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_TranslateTextMode(benchmark::State& state)
{
    std::string bytes = Input();
    for (std::size_t i = 0; i < bytes.size(); i += 40)
        if (bytes[i] == '\n') bytes.insert(i, 1, '\r');  // some CR LF pairs
    std::string work;
    for (auto _ : state) {
        work = bytes;
        benchmark::DoNotOptimize(TranslateTextMode(work.data(), work.size()));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_TranslateTextMode)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
