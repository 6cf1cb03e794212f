#pragma once
// glossel-render's --tags and --etags: the tag file of every file of the games whose
// main files are the inputs (cli/TagsWriter.h), to -o's file or, by default, to tags
// (or TAGS) in the current folder, which is replaced only once it is whole.
//
// The tag file is never written over a file of a game (compared by device and inode):
// such an output is refused before anything is written.
//
// Exit statuses: 0 done; 2 a main file or another file of a game could not be read,
// a file's path cannot stand in a tag file, the output is a file of a game, or the
// output could not be written (each
// named on the error stream; the tags of everything else are written); 3 a file has a
// line of 1,020 or more bytes, where its definitions stop.

#include "RenderArguments.h"
#include "RenderCli.h"

int RenderTags(const RenderOptions& options, const RenderStreams& io);
