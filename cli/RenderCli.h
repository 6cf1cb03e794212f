#pragma once
// glossel-render: an Inform file in; out, the exact RTF document that the viewer shows,
// or the same colouring as an HTML page or as text for a terminal; or the style codes,
// or the outline (the file's definitions).
//
// RunRender is the whole program behind main(), callable in-process by tests with
// their own streams. The styles are the user's stored ones (read through the
// settings store when the build has it), those of --settings FILE, or the built-in
// ones with --default-styles; settings are only ever read. Every format shows the
// same lines and ends the same way. Exit statuses: 0 done;
// 1 usage error; 2 the input or the --settings file could not be read, the input
// gave no document, did not fit in memory, or the output could not be written;
// 3 a line of 1,020 or more characters ended the document early (the shortened
// document is still written, the message goes to the error stream).

#include <cstdio>
#include <string>
#include <vector>

inline constexpr const char* GLOSSEL_VERSION = GLOSSEL_VERSION_STRING;  // "0.2.0.0"

enum RenderExit {
    RENDER_OK = 0,
    RENDER_USAGE = 1,
    RENDER_FAILED = 2,
    RENDER_LONG_LINE = 3,
};

struct RenderStreams {
    int inFd = 0;            // read for the input "-"
    std::FILE* out = stdout;
    std::FILE* err = stderr;
};

// What the arguments ask for. Parsing only looks at the strings: it opens, creates
// and prints nothing.
struct RenderOptions {
    enum Request { Render, ShowHelp, ShowVersion, UsageError };
    enum Format { Rtf, Html, Ansi, Codes, Outline };
    Request request = Render;
    std::string error;     // UsageError: for people, without the program's name (an argument
                           // quoted in it is as given; printing escapes control bytes)
    std::string input;     // Render: never empty but with css; "-" is standard input
    std::string output;    // empty: the output stream; never empty when -o was given
    Format format = Rtf;
    bool fragment = false;  // Html: the <pre> element alone
    bool css = false;       // Html: the style sheet alone, and no input
    bool ansi256 = false;   // Ansi: the xterm palette's 256 colours instead of 24-bit
    bool defaultStyles = false;
    std::string settings;  // --settings FILE, never empty when given
    bool hasSettings = false;
};

// args are the arguments after the program name.
RenderOptions ParseRenderArguments(const std::vector<std::string>& args);

// args are the arguments after the program name.
int RunRender(const std::vector<std::string>& args, const RenderStreams& io);
