#pragma once
// The fuzz targets' bodies, callable from libFuzzer's entry points and from the
// ordinary test suite (which replays every saved input of fuzz/regressions/).
// Each returns 0; a broken invariant aborts.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Stops the run, naming the invariant that did not hold.
[[noreturn]] void FuzzInvariantBroken(const char* what);
inline void Require(bool condition, const char* what)
{
    if (!condition) FuzzInvariantBroken(what);
}

int FuzzTextLoader(const std::uint8_t* data, std::size_t size);
int FuzzRender(const std::uint8_t* data, std::size_t size);
int FuzzRtfReader(const std::uint8_t* data, std::size_t size);
// The game model: the bytes are the texts of a game's files, split at NUL bytes.
int FuzzGame(const std::uint8_t* data, std::size_t size);
// The language server's input: its message reader and everything behind it.
int FuzzLspMessages(const std::uint8_t* data, std::size_t size);
// glossel-render's argument parsing; the bytes are the arguments, split at NUL bytes.
int FuzzRenderArguments(const std::uint8_t* data, std::size_t size);
std::vector<std::string> SplitFuzzArguments(const std::uint8_t* data, std::size_t size);

// The viewer's (built with Qt only): its command line, split as above; and the stored
// settings, the bytes being the whole settings file.
int FuzzViewerArguments(const std::uint8_t* data, std::size_t size);
int FuzzSettingsFile(const std::uint8_t* data, std::size_t size);
