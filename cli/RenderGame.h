#pragma once
// glossel-render's job for a whole game (--includes, --outline --game): the game whose
// main file is the input, its includes found as the compiler finds them (with the
// folders of --include-path), written as its include tree or as the outline of every
// file (game/GameWriters.h).
//
// The output is never written over a file of the game (compared by device and inode).
//
// Exit statuses: 0 done, missing includes included; 2 the main file could not be read,
// the game did not fit in memory, the output could not be written or is a file of the
// game, or (outline) a file of the game could not be read, which is named on the error
// stream; 3 a file of the game has a line of 1,020 or more bytes, where its outline and
// its includes stop (each such file is named on the error stream, and everything else
// is still written).

#include "RenderArguments.h"
#include "RenderCli.h"

int RenderGame(const RenderOptions& options, const RenderStreams& io);
