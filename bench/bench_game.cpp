// The game model: building the index of a game, and the questions the viewer, the
// language server and the site ask it.
//
// The library game is GLOSSEL_GAME_MAIN (default: the corpus's Advent.inf, a story that
// includes Parser, VerbLib and Grammar, which bring in English, linklpa and version:
// about 600 KB over Debian's library in /usr/share/inform6/library, or the corpus's own
// copy of the library when that is absent). The large game is GLOSSEL_BENCH_INPUT (make
// it with bench/make_input.py) as a main file that includes nothing.
//
// Counters: files, definitions, the text's bytes, the index's bytes (texts not counted)
// and its share of the text.

#include "game/Game.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

namespace {

const CDiskFileSource& Disk()
{
    static const CDiskFileSource disk;
    return disk;
}

GameInputs LibraryGame()
{
    GameInputs inputs;
    const char* main = std::getenv("GLOSSEL_GAME_MAIN");
    inputs.mainPath = main && *main ? main : GLOSSEL_CORPUS_DIR "/Inform6-Testing/src/Advent.inf";
    if (!std::filesystem::is_directory(GAME_LIBRARY_FOLDER)) inputs.libraryFolder = GLOSSEL_CORPUS_DIR "/inform6lib";
    return inputs;
}

GameInputs LargeGame()
{
    GameInputs inputs;
    const char* path = std::getenv("GLOSSEL_BENCH_INPUT");
    inputs.mainPath = path && *path ? path : GLOSSEL_CORPUS_DIR "/Inform6-Testing/src/glulxercise.inf";
    inputs.libraryFolder.clear();
    return inputs;
}

void Count(benchmark::State& state, const CGame& game)
{
    std::size_t definitions = 0;
    for (std::uint32_t f = 0; f < game.FileCount(); ++f) definitions += game.File(f).Definitions().size();
    state.counters["files"] = game.FileCount();
    state.counters["definitions"] = static_cast<double>(definitions);
    state.counters["text_bytes"] = static_cast<double>(game.GetTextSize());
    state.counters["index_bytes"] = static_cast<double>(game.GetMemoryUse());
    state.counters["index_share"] = static_cast<double>(game.GetMemoryUse()) / static_cast<double>(game.GetTextSize());
}

void BuildIndex(benchmark::State& state, const GameInputs& inputs)
{
    std::shared_ptr<const CGame> game;
    for (auto _ : state) {
        game = CGame::Build(inputs, Disk());
        benchmark::DoNotOptimize(game.get());
    }
    if (!game || game->File(0).Status() == GameFileStatus::Unreadable) {
        state.SkipWithError("the game's main file cannot be read");
        return;
    }
    Count(state, *game);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * game->GetTextSize()));
}

// Reading the files included.
void BM_GameIndexLibrary(benchmark::State& state) { BuildIndex(state, LibraryGame()); }
BENCHMARK(BM_GameIndexLibrary)->Unit(benchmark::kMillisecond);

void BM_GameIndexLarge(benchmark::State& state) { BuildIndex(state, LargeGame()); }
BENCHMARK(BM_GameIndexLarge)->Unit(benchmark::kMillisecond);

// The game once its files are in memory: what Reindex spends on a change of one file.
void BM_GameReindexLibrary(benchmark::State& state)
{
    const auto game = CGame::Build(LibraryGame(), Disk());
    for (auto _ : state) {
        auto again = game->Reindex(game->File(0).Path(), Disk());
        benchmark::DoNotOptimize(again.get());
    }
    Count(state, *game);
}
BENCHMARK(BM_GameReindexLibrary)->Unit(benchmark::kMillisecond);

void References(benchmark::State& state, const char* name)
{
    const auto game = CGame::Build(LibraryGame(), Disk());
    std::size_t found = 0;
    for (auto _ : state) {
        const auto references = game->FindReferences(name);
        found = references.size();
        benchmark::DoNotOptimize(references.data());
    }
    state.counters["references"] = static_cast<double>(found);
}

// A name used everywhere, and one used in a few places.
void BM_ReferencesNoun(benchmark::State& state) { References(state, "noun"); }
BENCHMARK(BM_ReferencesNoun)->Unit(benchmark::kMillisecond);
void BM_ReferencesRare(benchmark::State& state) { References(state, "PlayerTo"); }
BENCHMARK(BM_ReferencesRare)->Unit(benchmark::kMillisecond);

// Go to Definition: the name at a place, then its definitions.
void BM_DefinitionAtAPlace(benchmark::State& state)
{
    const auto game = CGame::Build(LibraryGame(), Disk());
    const CGameFile& main = game->File(0);
    const std::uint64_t offset = main.Text().rfind("PlayerTo");
    std::size_t found = 0;
    for (auto _ : state) {
        const GamePlace place = game->WhatIsAt(0, offset == std::string::npos ? 0 : offset);
        found = game->FindDefinitions(place.name).size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["definitions"] = static_cast<double>(found);
}
BENCHMARK(BM_DefinitionAtAPlace)->Unit(benchmark::kMicrosecond);

}  // namespace

// The include path of a main file's header of N "!% ++folder" lines, each putting its
// folder first, and the resolver's folders made of it (each folder given once): both
// grow with N, not with N squared.
void BM_IncludePathOfALongHeader(benchmark::State& state)
{
    std::string header;
    for (std::int64_t i = 0; i < state.range(0); ++i) header += "!% ++p" + std::to_string(100000 + i) + "\n";
    for (auto _ : state) {
        const IncludeSettings settings = IncludeSettings::FromHeader(header);
        const CIncludeResolver resolver("/nowhere/main.inf", settings, {}, "", Disk());
        benchmark::DoNotOptimize(resolver.MainFolder().size());
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_IncludePathOfALongHeader)->Arg(5000)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond)->Complexity();

BENCHMARK_MAIN();
