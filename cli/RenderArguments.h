#pragma once
// glossel-render's arguments: what they ask for, and the help text that describes them.
//
// Every option is one row of a table (its long and short name, whether it takes a
// value, and what it sets); parsing only looks at the strings: it opens, creates and
// prints nothing.

#include <string>
#include <vector>

// What the arguments ask for.
struct RenderOptions {
    enum Request { Render, ShowHelp, ShowVersion, UsageError };
    enum Format { Rtf, Html, Ansi, Codes, Outline, Includes, Skipped, Tags, Etags, Site };
    Request request = Render;
    std::string error;     // UsageError: for people, without the program's name (an argument
                           // quoted in it is as given; printing escapes control bytes)
    std::string input;     // Render: never empty but with css; "-" is standard input
    std::vector<std::string> inputs;  // every input, in order (Tags, Etags, Site take several)
    std::string output;    // empty: the output stream (no -o, or "-o -"); else the file of -o
    Format format = Rtf;
    bool formatChosen = false;  // the format was named, or chosen by an option of its own
    bool fragment = false;      // Html: the <pre> element alone
    bool css = false;           // Html: the style sheet alone, and no input
    bool ansi256 = false;       // Ansi: the xterm palette's 256 colours instead of 24-bit
    bool defaultStyles = false;
    std::string settings;  // --settings FILE, never empty when given
    bool hasSettings = false;
    // The whole game whose main file is the input: Includes and Skipped always, Outline
    // with --game.
    bool game = false;
    std::vector<std::string> includeFolders;  // --include-path, in order
    std::string switches;    // --switches, the compiler's (each given one after the other)
    bool switchesGiven = false;
    std::string siteFolder;  // Site: the folder of --site, never empty
    unsigned jobs = 0;       // Site: files written at once (-j); 0: one per processor

    // The jobs over whole games that take several main files (and folders, for Site).
    bool TakesGames() const { return format == Tags || format == Etags || format == Site; }
};

// args are the arguments after the program name.
RenderOptions ParseRenderArguments(const std::vector<std::string>& args);

// The text of --help, every line at most 80 columns.
std::string RenderHelpText();
