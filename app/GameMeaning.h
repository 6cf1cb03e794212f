#pragma once
// What a place in a file of a game means, for Go to Definition, Find References and the
// Ctrl+click link: the one place where the viewer decides which name a word stands for
// and which definitions it leads to (the game model's own resolver takes its place
// here when it comes).
//
//  - Anywhere on the lines of an Include directive: that include.
//  - On a name: the name it means ("lamp.before" for the before of lamp.before; TakeSub
//    for the Take of ##Take when Take has no definition; the definition itself for the
//    name a definition is made by, such as a property's name where its object gives it
//    a routine), and its definitions ranked: those that count first, then those that
//    give way to any other (Stub, Default), each in the compiler's order. Its uses are
//    those of the word as written, qualified when it is.
//  - Anything else: nothing.

#include "game/Game.h"

#include <cstdint>
#include <string>
#include <vector>

struct GameMeaning {
    enum Kind { Nothing, Name, Include };
    Kind kind = Nothing;
    GameWord word{};                              // Name: the word
    std::string name;                             // Name: the name its definitions were found by
    std::string usesOf;                           // Name: the name whose uses Find References lists
    std::vector<GameDefinitionRef> definitions;   // Name: ranked
    const GameInclude* include = nullptr;         // Include
};

GameMeaning MeaningAt(const CGame& game, std::uint32_t file, std::uint64_t offset);
