// Fuzz body for glossel-render's argument parsing: any argument list is parsed
// without touching a file, and what it yields keeps the promises of RenderOptions.

#include "FuzzTargets.h"

#include "cli/RenderCli.h"
#include "doc/Printable.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

std::vector<std::string> SplitFuzzArguments(const std::uint8_t* data, std::size_t size)
{
    // Arguments are separated by NUL bytes, as in /proc/PID/cmdline; a trailing NUL
    // ends the last one.
    std::vector<std::string> args;
    std::string current;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            args.push_back(std::move(current));
            current.clear();
        } else {
            current.push_back(static_cast<char>(data[i]));
        }
    }
    if (size > 0 && data[size - 1] != 0) args.push_back(std::move(current));
    return args;
}

int FuzzRenderArguments(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::string> args = SplitFuzzArguments(data, size);
    const RenderOptions options = ParseRenderArguments(args);
    const RenderOptions again = ParseRenderArguments(args);
    Require(options.request == again.request && options.input == again.input && options.output == again.output &&
                options.error == again.error,
            "parsing is repeatable");

    switch (options.request) {
    case RenderOptions::UsageError:
        Require(!options.error.empty(), "a usage error says what is wrong");
        Require(PrintableForTerminal(options.error).find('\n') == std::string::npos, "a usage error prints as one line");
        break;
    case RenderOptions::Render: {
        // Only the style sheet is written without an input, and then none may be given.
        Require(options.input.empty() == options.css, "a render has an input, but the style sheet alone");
        Require(!options.css || (options.format == RenderOptions::Html && !options.fragment),
                "the style sheet alone is HTML, and no fragment");
        Require(!options.fragment || options.format == RenderOptions::Html, "a fragment is HTML");
        Require(!options.ansi256 || options.format == RenderOptions::Ansi, "256 colours are for a terminal");
        if (options.css) break;
        Require(!options.hasSettings || !options.settings.empty(), "a settings file has a name");
        Require(options.output != "-", "-o - is standard output, no file");
        Require(options.formatChosen || options.format == RenderOptions::Rtf, "the format is rtf unless chosen");
        // The input is one of the arguments, exactly as given.
        bool found = false;
        for (const std::string& arg : args) found = found || arg == options.input;
        Require(found, "the input is an argument as given");
        // Without "--", an argument that looks like an option never becomes the input.
        bool ended = false;
        for (const std::string& arg : args) ended = ended || arg == "--";
        if (!ended) Require(options.input == "-" || options.input[0] != '-', "options are not inputs");
        break;
    }
    case RenderOptions::ShowHelp:
    case RenderOptions::ShowVersion: {
        // Help and version are asked for by an argument of their own.
        bool asked = false;
        for (const std::string& arg : args)
            asked = asked || arg == "-h" || arg == "--help" || arg == "-V" || arg == "--version";
        Require(asked, "help and version only when asked");
        break;
    }
    }
    return 0;
}
