#pragma once
// glossel-render: an Inform file in; out, the exact RTF document that the viewer shows,
// or the same colouring as an HTML page or as text for a terminal; or the style codes,
// or the outline (the file's definitions).
//
// RunRender is the whole program behind main(), callable in-process by tests with
// their own streams. Its jobs each have their own files: the arguments and the help
// (RenderArguments), the styles (RenderStyles), where the output goes (RenderOutput),
// and what is said on the error stream (RenderMessages); the formats themselves are
// the engine's builders and writers. Every format shows the same lines and ends the
// same way. Exit statuses (RenderExit): 0 done; 1 usage error, an rtf or codes output
// to a terminal included; 2 the input or the --settings file could not be read, the
// input gave no document, did not fit in memory or is the output, or the output could
// not be written; 3 a line of 1,020 or more bytes ended the document early (the
// shortened document is still written, the message goes to the error stream).
//
// Standard output that is a terminal gets no raw bytes of the file: with no format
// given the file is shown as terminal text (ansi), and rtf or codes asked for by name
// are refused.

#include "RenderArguments.h"
#include "RenderMessages.h"

#include <cstdio>
#include <string>
#include <vector>

inline constexpr const char* GLOSSEL_VERSION = GLOSSEL_VERSION_STRING;  // "0.2.0.0"

struct RenderStreams {
    int inFd = 0;            // read for the input "-"
    std::FILE* out = stdout;
    std::FILE* err = stderr;
};

// args are the arguments after the program name.
int RunRender(const std::vector<std::string>& args, const RenderStreams& io);
