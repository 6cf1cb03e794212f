#pragma once
// The fuzz targets' bodies, callable from libFuzzer's entry points and from the
// ordinary test suite (which replays every saved input of fuzz/regressions/).
// Each returns 0; a broken invariant aborts.

#include <cstddef>
#include <cstdint>

int FuzzTextLoader(const std::uint8_t* data, std::size_t size);
int FuzzRender(const std::uint8_t* data, std::size_t size);
int FuzzRtfReader(const std::uint8_t* data, std::size_t size);
