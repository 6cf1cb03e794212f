#pragma once
// The compiler's switches that decide which text of a game it compiles, taken as the
// Inform 6 compiler takes them: from its command line, then from the main file's header
// (the `!%` lines, which are applied after the command line and so win).
//
//  -G             Glulx (`~G`: Z-code); refused after a -v switch, as the compiler does
//  -v3 ... -v8    the Z-code version (5 unless given); ignored in Glulx
//  -D, -X, -S     debugging, Infix (Z-code only), strict mode; `-~D` and so on turn them off.
//                 Strict mode is on unless -~S, or the version is 3 or 4 and -S was not given
//  Letters combine (`-DX`, `-~SD`); other letters change nothing here.
//  $#NAME=n       the constant NAME (n, or 0 when no value is given); `--define NAME=n` too
//  $NAME=n        a setting (only $DICT_CHAR_SIZE changes what is defined)
//  +include_path=a,b, ++include_path=..., +dir, ++dir, +language_name=L (IncludeSettings.h)
//
// With none, the game is what the compiler builds by default: Z-code v5, the include path
// the library's folder.

#include "IncludeSettings.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct CompilerSwitches {
    bool glulx = false;
    int version = 5;
    bool versionGiven = false;  // a -v switch was given (a Version directive is then ignored)
    bool debug = false;
    bool infix = false;
    int strict = 1;  // -S 1, -~S 0: counts only when strictGiven
    bool strictGiven = false;
    std::vector<std::pair<std::string, std::int32_t>> defines;  // $#NAME=n, in order
    std::int32_t dictCharSize = 1;
    IncludeSettings include;  // the include path begins as the library's folder
    std::vector<std::string> problems;  // what was not understood, for people

    // The compiler's default with the library at libraryFolder ("" for none).
    explicit CompilerSwitches(const std::string& libraryFolder = {});

    // Applies the switches of one argument, which may hold several separated by blanks
    // (`-D`, `"-G +include_path=lib/"`). Returns false, with the problems noted, when a
    // word is not a switch.
    bool ApplyCommandLine(std::string_view words);
    // The words of such an argument, each quoted part kept whole, its quotes removed.
    static std::vector<std::string> SplitWords(std::string_view words);
    // Applies one switch word.
    bool ApplyWord(std::string_view word);
    // Applies the header of the main file's text.
    void ApplyHeader(std::string_view text);

    bool StrictMode() const;
    bool Infix() const { return infix && !glulx; }
    // "Z-code v5", "Z-code v5 with Debug", "Glulx", "Glulx with Debug".
    std::string Describe() const;

private:
    bool m_defineNext = false;  // `--define` waits for its NAME=n
    bool m_strictOffByVersion = false;
};
