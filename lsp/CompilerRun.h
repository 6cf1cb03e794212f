#pragma once
// Runs the Inform 6 compiler on a game's main file for its messages, as an editor's
// "compile on save": `COMPILER -E1 [+include_path=...] MAIN OUTPUT` in the main file's
// folder, with the story file written to a temporary folder that is removed after.
//
// With -E1 the compiler writes each message as "FILE(LINE): Error:  text" (also
// "Warning:" and "Fatal error:"), FILE as it opened it: relative to its folder, or
// absolute. Everything else it writes is passed over. The run has a time limit; a
// compiler that cannot be started, is killed or overruns is a failure, with the reason
// for the log. A compiler that finds errors exits non-zero, which is no failure.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

inline constexpr int COMPILER_SECONDS = 60;

struct CompilerMessage {
    std::string path;      // absolute
    std::uint32_t line = 0;  // from 1
    int severity = 1;      // the protocol's: 1 error, 2 warning
    std::string text;
};

// The messages of -E1 output; relative paths are taken from folder.
std::vector<CompilerMessage> ParseCompilerOutput(std::string_view output, const std::string& folder);

// The compiler to run: configured (a path or a name on the PATH; "" for none), else
// "inform6" when it is on the PATH. "" when there is none.
std::string FindCompiler(const std::string& configured, bool configuredGiven);

// False (with the reason) when the compiler could not be run to its end.
bool RunCompiler(const std::string& compiler, const std::string& mainPath, const std::vector<std::string>& includeFolders,
                 const std::string& switches,
                 std::vector<CompilerMessage>& messages, std::string& failure);
