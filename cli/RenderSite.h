#pragma once
// glossel-render's --site: the static site of the games whose main files (or folders)
// are the inputs, written into the folder of --site (cli/SiteWriter.h), -j files at
// once. On a terminal the error stream shows a line of the files done of all while
// they are written; otherwise only errors are written.
//
// Exit statuses: 0 done; 2 the folder could not be made, or some file could not be
// read or written or was in the way (each named; the rest is written); 3 a file has a
// line of 1,020 or more bytes, where its page ends.

#include "RenderArguments.h"
#include "RenderCli.h"

int RenderSite(const RenderOptions& options, const RenderStreams& io);
