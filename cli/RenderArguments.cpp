#include "RenderArguments.h"

#include "doc/TextLoader.h"

#include <cstddef>

namespace {

// The help, in two parts around the size limit of a source.
constexpr const char* kHelpHead =
    "Usage: glossel-render [OPTIONS] FILE\n"
    "       glossel-render --css [OPTIONS]\n"
    "       glossel-render --tags|--etags|--site OUT [OPTIONS] FILE...\n"
    "Write an Inform 6 source file in its syntax colours: the RTF document that the\n"
    "Glossel viewer shows, exactly, or the same colouring as an HTML page or as text\n"
    "for a terminal. FILE may be - for standard input; a FILE or standard input of\n"
    "more than ";
constexpr const char* kHelp =
    " is refused.\n"
    "\n"
    "Options:\n"
    "  -f, --format FORMAT   what to write:\n"
    "                          rtf      the viewer's RTF document (the default, but\n"
    "                                   for a terminal)\n"
    "                          html     an HTML5 page in UTF-8: the file name as\n"
    "                                   its title, the text in one <pre>, a class\n"
    "                                   per style\n"
    "                          ansi     text with colour sequences for a terminal\n"
    "                                   (less -R), every line ending reset; the\n"
    "                                   default when writing to a terminal\n"
    "                          codes    the style code of every byte: one line per\n"
    "                                   input line, one hex digit (0-b) per byte,\n"
    "                                   its line feed included, then a space and\n"
    "                                   the lexer state word\n"
    "                          outline  the file's definitions in UTF-8, one a\n"
    "                                   line: its line number, kind and name,\n"
    "                                   separated by tabs\n"
    "      --codes           the same as --format codes\n"
    "      --outline         the same as --format outline\n"
    "      --includes        the include tree of the game whose main file is FILE:\n"
    "                        for each Include, the file and line where it stands,\n"
    "                        then the file it leads to, or missing and every path\n"
    "                        tried (the exit status is 0 all the same), indented\n"
    "                        by depth up to 32 files deep\n"
    "      --game            outline: the outline of every file of the game whose\n"
    "                        main file is FILE, each row after the file's path and a\n"
    "                        tab, the routines of objects' properties included; a\n"
    "                        definition the compiler does not compile has a fifth\n"
    "                        field, \"not compiled: REASON\"; html: FILE as the main\n"
    "                        file of its game, the code the compiler skips tinted\n"
    "      --skipped         the code the compiler skips in the game whose main file\n"
    "                        is FILE: a line per run of whole lines, its file, first\n"
    "                        and last line and why, separated by tabs\n"
    "      --switches S      read the games as the Inform 6 compiler compiles them\n"
    "                        with its switches S, written as for inform6 and as\n"
    "                        many as needed in one argument: the target (-G for\n"
    "                        Glulx, a version from -v3 to -v8), debugging (-D),\n"
    "                        Infix (-X), strict mode (-S or -~S), constants\n"
    "                        ($#NAME=n), the include path (+include_path=DIRS)\n"
    "                        and the language (+language_name=L); the main file's\n"
    "                        !% lines are applied after them. Without: Z-code v5\n"
    "                        with the library's folder as the include path\n"
    "      --tags            write a tag file for Vim and other editors (the\n"
    "                        extended format of Universal Ctags) of every file of\n"
    "                        the games whose main files are FILE...: a line per\n"
    "                        definition, sorted with case folded, each file's name\n"
    "                        relative to the tag file's folder when it is inside\n"
    "                        it; to the file tags in the current folder unless -o\n"
    "      --etags           the same as an Emacs TAGS file (to TAGS unless -o)\n"
    "      --site OUT        write a static site of the games FILE... into the\n"
    "                        folder OUT: a page per file with line numbers, every\n"
    "                        name linked to its definition and every Include to\n"
    "                        its file, the file's outline beside it, the files\n"
    "                        that include it, every definition's list of uses,\n"
    "                        an index of the games, an A to Z of every definition\n"
    "                        and a search box; a FILE that is a folder stands for\n"
    "                        every .inf in and below it. Only the files the site\n"
    "                        wrote there before are replaced or removed\n"
    "                        (OUT/.glossel-site lists them)\n"
    "  -j, --jobs N          --site: write N files at once (default: one for each\n"
    "                        processor)\n"
    "      --include-path DIRS\n"
    "                        the game's includes: look in the folders DIRS\n"
    "                        (separated by ,) after the compiler's include path and\n"
    "                        before FILE's own folder and the standard library's; a\n"
    "                        file found only there is marked as one the compiler\n"
    "                        would not find\n"
    "      --fragment        html: write only the <pre> element, to embed in a page\n"
    "      --css             html: write only the style sheet of the styles (no\n"
    "                        FILE), which a site includes once for all its pages\n"
    "      --ansi-colours N  ansi: 24bit colours (the default), or 256 for the\n"
    "                        nearest colours of the xterm palette\n"
    "  -o, --output OUT      write to the file OUT instead of standard output (-:\n"
    "                        standard output); OUT is replaced only once the whole\n"
    "                        output is written, and is never the input, the\n"
    "                        settings file, or any file the game reads\n"
#ifdef GLOSSEL_HAVE_SETTINGS
    "      --default-styles  use the built-in styles, not stored ones (--settings\n"
    "                        included)\n"
    "      --settings FILE   read the styles from the settings file FILE instead of\n"
    "                        the user's; a FILE that does not exist gives the\n"
    "                        built-in styles, as at the viewer's first start\n"
#else
    "      --default-styles  use the built-in styles (the only ones in this build)\n"
#endif
    "  -h, --help            show this help and exit\n"
    "  -V, --version         show the version and exit\n"
    "      --                end of options\n"
    "\n"
    "--fragment and --css imply --format html, --ansi-colours --format ansi.\n"
    "Written to a terminal with no format given, the file is shown as ansi; rtf and\n"
    "codes are not written to a terminal (write them with -o OUT, or to a pipe).\n"
    "In HTML and terminal text, the file is shown as the viewer shows it: as UTF-8\n"
    "when it is valid UTF-8, else as Windows-1252; control characters other than tab\n"
    "and line feed appear as control pictures (an ESC as U+241B), C1 controls as\n"
    "U+FFFD, and a byte-order mark is left out, so no byte of the file reaches the\n"
    "terminal as a command. The outline and the messages write control characters\n"
    "as escapes (\\t, \\x1b, \\u009b).\n"
    "\n"
#ifdef GLOSSEL_HAVE_SETTINGS
    "Styles: those the viewer stored for the user, in\n"
    "$XDG_CONFIG_HOME/Orvanel's Applications/Glossel.conf (XDG_CONFIG_HOME defaults\n"
    "to ~/.config), section [Inform Syntax Colours]; a style or attribute not stored\n"
    "there takes its built-in value. glossel-render never writes settings.\n"
    "\n"
#endif
    "--site shows the files done of all on a terminal, and nothing but errors\n"
    "otherwise; a file that cannot be read or written is reported, the rest is\n"
    "written, and the exit status is 2.\n"
    "\n"
    "Exit status: 0 done; 1 usage error (rtf or codes for a terminal included);\n"
    "2 the file could not be read or written, is the output, is empty, or does not\n"
    "fit in memory, or the settings file could not be read; 3 a line of 1020 or\n"
    "more bytes ended the text early (every format still writes the lines before\n"
    "it, and ends as usual).\n";

RenderOptions Usage(std::string what)
{
    RenderOptions wrong;
    wrong.request = RenderOptions::UsageError;
    wrong.error = std::move(what);
    return wrong;
}

// The options, one row each. apply takes the option's value (empty for an option
// without one) and returns what is wrong with it, or nothing.
struct OptionRow {
    const char* longName;
    const char* shortName;  // or null
    const char* valueName;  // what the value is, for "needs a ..."; null: no value
    std::string (*apply)(RenderOptions& options, const std::string& value);
};

std::string SetFormat(RenderOptions& o, RenderOptions::Format format)
{
    o.format = format;
    o.formatChosen = true;
    return {};
}

const OptionRow kOptions[] = {
    {"--help", "-h", nullptr,
     [](RenderOptions& o, const std::string&) { o.request = RenderOptions::ShowHelp; return std::string(); }},
    {"--version", "-V", nullptr,
     [](RenderOptions& o, const std::string&) { o.request = RenderOptions::ShowVersion; return std::string(); }},
    {"--output", "-o", "file name",
     [](RenderOptions& o, const std::string& v) {
         o.output = v == "-" ? std::string() : v;
         return v.empty() ? std::string("the output file name is empty") : std::string();
     }},
    {"--format", "-f", "format",
     [](RenderOptions& o, const std::string& v) {
         if (v == "rtf") return SetFormat(o, RenderOptions::Rtf);
         if (v == "html") return SetFormat(o, RenderOptions::Html);
         if (v == "ansi") return SetFormat(o, RenderOptions::Ansi);
         if (v == "codes") return SetFormat(o, RenderOptions::Codes);
         if (v == "outline") return SetFormat(o, RenderOptions::Outline);
         return "unknown format '" + v + "' (rtf, html, ansi, codes or outline)";
     }},
    {"--codes", nullptr, nullptr,
     [](RenderOptions& o, const std::string&) { return SetFormat(o, RenderOptions::Codes); }},
    {"--outline", nullptr, nullptr,
     [](RenderOptions& o, const std::string&) { return SetFormat(o, RenderOptions::Outline); }},
    {"--includes", nullptr, nullptr,
     [](RenderOptions& o, const std::string&) { return SetFormat(o, RenderOptions::Includes); }},
    {"--skipped", nullptr, nullptr,
     [](RenderOptions& o, const std::string&) { return SetFormat(o, RenderOptions::Skipped); }},
    {"--switches", nullptr, "compiler switches",
     [](RenderOptions& o, const std::string& v) {
         o.switches += (o.switches.empty() ? "" : " ") + v;
         o.switchesGiven = true;
         return std::string();
     }},
    {"--game", nullptr, nullptr, [](RenderOptions& o, const std::string&) { o.game = true; return std::string(); }},
    {"--tags", nullptr, nullptr,
     [](RenderOptions& o, const std::string&) { return SetFormat(o, RenderOptions::Tags); }},
    {"--etags", nullptr, nullptr,
     [](RenderOptions& o, const std::string&) { return SetFormat(o, RenderOptions::Etags); }},
    {"--site", nullptr, "folder name",
     [](RenderOptions& o, const std::string& v) {
         o.siteFolder = v;
         SetFormat(o, RenderOptions::Site);
         return v.empty() ? std::string("the site's folder name is empty") : std::string();
     }},
    {"--jobs", "-j", "number",
     [](RenderOptions& o, const std::string& v) {
         unsigned n = 0;
         for (const char c : v) n = c >= '0' && c <= '9' && n <= 1024 ? n * 10 + unsigned(c - '0') : 1025;
         if (v.empty() || n < 1 || n > 1024) return "the number of jobs '" + v + "' is not a number from 1 to 1024";
         o.jobs = n;
         return std::string();
     }},
    {"--include-path", nullptr, "list of folders",
     [](RenderOptions& o, const std::string& v) {
         std::size_t start = 0;
         while (start <= v.size()) {
             std::size_t comma = v.find(',', start);
             if (comma == std::string::npos) comma = v.size();
             if (comma > start) o.includeFolders.push_back(v.substr(start, comma - start));
             start = comma + 1;
         }
         return std::string();
     }},
    {"--fragment", nullptr, nullptr,
     [](RenderOptions& o, const std::string&) { o.fragment = true; return std::string(); }},
    {"--css", nullptr, nullptr, [](RenderOptions& o, const std::string&) { o.css = true; return std::string(); }},
    {"--ansi-colours", nullptr, "colour count",
     [](RenderOptions& o, const std::string& v) {
         if (v != "24bit" && v != "256") return "unknown colour count '" + v + "' for --ansi-colours (24bit or 256)";
         o.ansi256 = v == "256";
         return std::string();
     }},
    {"--default-styles", nullptr, nullptr,
     [](RenderOptions& o, const std::string&) { o.defaultStyles = true; return std::string(); }},
#ifdef GLOSSEL_HAVE_SETTINGS
    {"--settings", nullptr, "file name",
     [](RenderOptions& o, const std::string& v) {
         o.settings = v;
         o.hasSettings = true;
         return v.empty() ? std::string("the settings file name is empty") : std::string();
     }},
#endif
};

// The options that belong to one format, and the format they belong to.
struct FormatOption {
    const char* name;
    RenderOptions::Format format;
};
const FormatOption kFormatOptions[] = {
    {"--fragment", RenderOptions::Html},
    {"--css", RenderOptions::Html},
    {"--ansi-colours", RenderOptions::Ansi},
};
constexpr std::size_t kFormatOptionCount = sizeof kFormatOptions / sizeof kFormatOptions[0];

const char* FormatName(RenderOptions::Format format)
{
    switch (format) {
    case RenderOptions::Rtf: return "rtf";
    case RenderOptions::Html: return "html";
    case RenderOptions::Ansi: return "ansi";
    case RenderOptions::Codes: return "codes";
    case RenderOptions::Outline: return "outline";
    case RenderOptions::Includes: return "includes";
    case RenderOptions::Skipped: return "skipped";
    case RenderOptions::Tags: return "tags";
    case RenderOptions::Etags: return "etags";
    case RenderOptions::Site: return "site";
    }
    return "";
}

}  // namespace

std::string RenderHelpText()
{
    return kHelpHead + std::string(MAX_SOURCE_SIZE_TEXT) + kHelp;
}

RenderOptions ParseRenderArguments(const std::vector<std::string>& args)
{
    RenderOptions options;
    bool hasInput = false;
    bool optionsEnded = false;
    bool formatOptionGiven[kFormatOptionCount] = {};
    bool outputGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            if (arg.empty()) return Usage("the input file name is empty");
            if (!hasInput) options.input = arg;
            options.inputs.push_back(arg);
            hasInput = true;
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        // --name, --name=VALUE, --name VALUE, -x, -xVALUE, -x VALUE.
        const OptionRow* row = nullptr;
        std::string name = arg;
        std::string value;
        bool hasValue = false;
        for (const OptionRow& r : kOptions) {
            if (arg.rfind("--", 0) == 0) {
                const std::size_t equals = arg.find('=');
                name = arg.substr(0, equals);
                if (name != r.longName) continue;
                hasValue = equals != std::string::npos;
                if (hasValue) value = arg.substr(equals + 1);
            } else {
                if (!r.shortName || arg.compare(0, 2, r.shortName) != 0) continue;
                name = r.shortName;
                hasValue = arg.size() > 2;
                if (hasValue) value = arg.substr(2);
                if (hasValue && !r.valueName) continue;  // "-hx" is no option of ours
            }
            row = &r;
            break;
        }
        if (!row) return Usage("unknown option '" + arg + "'");
        if (row->valueName && !hasValue) {
            if (i + 1 >= args.size()) return Usage("option '" + name + "' needs a " + row->valueName);
            value = args[++i];
        } else if (!row->valueName && hasValue) {
            return Usage("option '" + name + "' takes no value");
        }
        const std::string wrong = row->apply(options, value);
        if (!wrong.empty()) return Usage(wrong);
        if (options.request != RenderOptions::Render) return options;
        outputGiven = outputGiven || name == "--output" || name == "-o";
        for (std::size_t k = 0; k < kFormatOptionCount; ++k)
            formatOptionGiven[k] = formatOptionGiven[k] || name == kFormatOptions[k].name;
    }

    // An option of one format chooses that format, and contradicts any other.
    const FormatOption* chosenBy = nullptr;
    for (std::size_t k = 0; k < kFormatOptionCount; ++k) {
        const FormatOption& f = kFormatOptions[k];
        if (!formatOptionGiven[k]) continue;
        if (options.formatChosen && options.format != f.format)
            return Usage(std::string("option '") + f.name + "' needs --format " + FormatName(f.format));
        if (chosenBy && chosenBy->format != f.format)
            return Usage(std::string("options '") + chosenBy->name + "' and '" + f.name + "' contradict each other");
        chosenBy = &f;
    }
    if (chosenBy) {
        options.format = chosenBy->format;
        options.formatChosen = true;
    }
    if (options.css && options.fragment) return Usage("options '--fragment' and '--css' contradict each other");
    if (options.css) {
        if (hasInput) return Usage("option '--css' writes the style sheet alone and takes no input file");
        return options;
    }
    if (!hasInput) return Usage("no input file");
    if (options.inputs.size() > 1 && !options.TakesGames()) return Usage("only one input file may be given");
    if (options.jobs && options.format != RenderOptions::Site) return Usage("option '--jobs' needs --site");
    if (options.TakesGames()) {
        if (options.game) return Usage("option '--game' needs --outline or --format html");
        for (const std::string& input : options.inputs)
            if (input == "-") return Usage("a game's main file cannot be standard input");
        if (options.format == RenderOptions::Site && outputGiven)
            return Usage("option '--site' writes into its folder and takes no '--output'");
        if (!outputGiven) options.output = options.format == RenderOptions::Etags ? "TAGS" : "tags";
        if (options.format == RenderOptions::Site) options.output.clear();
        return options;
    }
    if (options.game && options.format != RenderOptions::Outline && options.format != RenderOptions::Includes &&
        options.format != RenderOptions::Skipped && options.format != RenderOptions::Html)
        return Usage("option '--game' needs --outline or --format html");
    options.game = options.game || options.format == RenderOptions::Includes || options.format == RenderOptions::Skipped;
    if (!options.includeFolders.empty() && !options.game)
        return Usage("option '--include-path' needs --includes, --skipped or --game");
    if (options.switchesGiven && !options.game)
        return Usage("option '--switches' needs a game: --includes, --skipped, --game, --tags, --etags or --site");
    if (options.game && options.input == "-") return Usage("a game's main file cannot be standard input");
    return options;
}
