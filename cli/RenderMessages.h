#pragma once
// What glossel-render says on its error stream, each a line that begins with the
// program's name; names that came from outside (file names, arguments) are written
// with their control characters escaped. Each returns the exit status that goes with it.

#include "syntax/ShownLines.h"

#include <cstdio>
#include <string_view>

enum RenderExit {
    RENDER_OK = 0,
    RENDER_USAGE = 1,
    RENDER_FAILED = 2,
    RENDER_LONG_LINE = 3,
};

// "glossel-render: WHAT" and the pointer to --help: RENDER_USAGE.
int ReportUsageError(std::FILE* err, std::string_view what);
// "glossel-render: NAME: REASON": RENDER_FAILED.
int ReportFailure(std::FILE* err, std::string_view name, std::string_view reason);
// An output that would write over a file the job reads (file: that file's path):
// "glossel-render: OUTPUT: is a file the game reads (FILE); it is never written" (OUTPUT
// empty: standard output): RENDER_FAILED.
int ReportOutputIsRead(std::FILE* err, std::string_view output, std::string_view file);
// How every output ends: a write error (an errno value; 0 for none) on output (empty:
// the output stream) fails; a text cut short at a long line (status LongLine) says so
// for name and gives RENDER_LONG_LINE; else RENDER_OK.
int ReportEnd(std::FILE* err, int writeError, std::string_view output, RenderStatus status, std::string_view name);
