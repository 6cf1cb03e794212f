#include "RenderCli.h"

#include "doc/Printable.h"
#include "doc/TextLoader.h"
#include "syntax/AnsiBuilder.h"
#include "syntax/HtmlBuilder.h"
#include "syntax/Outline.h"
#include "syntax/RtfBuilder.h"
#include "syntax/ShownLines.h"
#include "syntax/SyntaxLexer.h"
#include "syntax/ProfileStore.h"
#include "syntax/SyntaxStyleMap.h"

#ifdef GLOSSEL_HAVE_SETTINGS
#include "settings/SettingsStore.h"

#include <QFile>
#endif

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* kProgram = "glossel-render";

constexpr const char* kUsage =
    "Usage: glossel-render [OPTIONS] FILE\n"
    "       glossel-render --css [OPTIONS]\n"
    "Write an Inform 6 source file in its syntax colours: the RTF document that the\n"
    "Glossel viewer shows, exactly, or the same colouring as an HTML page or as text\n"
    "for a terminal. FILE may be - for standard input.\n"
    "\n"
    "Options:\n"
    "  -f, --format FORMAT   what to write:\n"
    "                          rtf      the viewer's RTF document (the default)\n"
    "                          html     an HTML5 page in UTF-8: the file name as its\n"
    "                                   title, the text in one <pre>, a class per style\n"
    "                          ansi     text with colour sequences for a terminal\n"
    "                                   (less -R); every line ends reset\n"
    "                          codes    the style code of every character: one line\n"
    "                                   per input line, one hex digit (0-b) per\n"
    "                                   character, its line feed included, then a\n"
    "                                   space and the lexer state word\n"
    "                          outline  the file's definitions, one a line: its line\n"
    "                                   number, kind and name, separated by tabs\n"
    "      --codes           the same as --format codes\n"
    "      --outline         the same as --format outline\n"
    "      --fragment        html: write only the <pre> element, to embed in a page\n"
    "      --css             html: write only the style sheet of the styles (no FILE),\n"
    "                        which a site includes once for all its <pre> elements\n"
    "      --ansi-colours N  ansi: 24bit colours (the default), or 256 for the nearest\n"
    "                        colours of the xterm palette\n"
    "  -o, --output OUT      write to OUT instead of standard output\n"
#ifdef GLOSSEL_HAVE_SETTINGS
    "      --default-styles  use the built-in styles, not stored ones (--settings\n"
    "                        included)\n"
    "      --settings FILE   read the styles from the settings file FILE instead of\n"
    "                        the user's; a FILE that does not exist gives the built-in\n"
    "                        styles, as at the viewer's first start\n"
#else
    "      --default-styles  use the built-in styles (the only ones in this build)\n"
#endif
    "  -h, --help            show this help and exit\n"
    "  -V, --version         show the version and exit\n"
    "      --                end of options\n"
    "\n"
    "--fragment and --css imply --format html, --ansi-colours --format ansi.\n"
    "In HTML and terminal text, the file is shown as the viewer shows it: as UTF-8\n"
    "when it is valid UTF-8, else as Windows-1252; control characters other than tab\n"
    "and line feed appear as control pictures (an ESC as U+241B), C1 controls as\n"
    "U+FFFD, and a byte-order mark is left out, so no byte of the file reaches the\n"
    "terminal as a command.\n"
    "\n"
#ifdef GLOSSEL_HAVE_SETTINGS
    "Styles: those the viewer stored for the user, in\n"
    "$XDG_CONFIG_HOME/Orvanel's Applications/Glossel.conf (XDG_CONFIG_HOME defaults\n"
    "to ~/.config), section [Inform Syntax Colours]; a style or attribute not stored\n"
    "there takes its built-in value. glossel-render never writes settings.\n"
    "\n"
#endif
    "Exit status: 0 done; 1 usage error; 2 the file could not be read or written, is\n"
    "empty, or does not fit in memory, or the settings file could not be read; 3 a\n"
    "line of 1020 or more characters ended the text early (every format still writes\n"
    "the lines before it, and ends as usual).\n";

int UsageError(const RenderStreams& io, const std::string& what)
{
    std::fprintf(io.err, "%s: %s\nTry '%s --help' for more information.\n", kProgram,
                 PrintableForTerminal(what).c_str(), kProgram);
    return RENDER_USAGE;
}

RenderOptions Usage(std::string what)
{
    RenderOptions wrong;
    wrong.request = RenderOptions::UsageError;
    wrong.error = std::move(what);
    return wrong;
}

int Failure(const RenderStreams& io, const std::string& name, const std::string& reason)
{
    std::fprintf(io.err, "%s: %s: %s\n", kProgram, PrintableForTerminal(name).c_str(), reason.c_str());
    return RENDER_FAILED;
}

// Owns an output file opened with -o, or borrows the output stream.
class COutput {
public:
    COutput(const RenderStreams& io, const std::string& path) : m_path(path)
    {
        if (path.empty()) {
            m_file = io.out;
        } else {
            m_file = std::fopen(path.c_str(), "wb");
            m_owned = m_file != nullptr;
            if (!m_file) m_error = errno;
        }
    }
    ~COutput()
    {
        if (m_owned) std::fclose(m_file);
    }
    COutput(const COutput&) = delete;
    COutput& operator=(const COutput&) = delete;

    bool IsOpen() const { return m_file != nullptr; }
    int OpenError() const { return m_error; }
    std::FILE* File() const { return m_file; }
    const std::string& Name() const { return m_path; }

    // Flushes (and closes an owned file); false with errno set when anything failed.
    bool Finish()
    {
        bool ok = std::fflush(m_file) == 0 && !std::ferror(m_file);
        int error = errno;
        if (m_owned) {
            if (std::fclose(m_file) != 0 && ok) {
                ok = false;
                error = errno;
            }
            m_owned = false;
            m_file = nullptr;
        }
        errno = error;
        return ok;
    }

private:
    std::string m_path;
    std::FILE* m_file = nullptr;
    bool m_owned = false;
    int m_error = 0;
};

}  // namespace

namespace {

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
    return {};
}

const OptionRow kOptions[] = {
    {"--help", "-h", nullptr,
     [](RenderOptions& o, const std::string&) { o.request = RenderOptions::ShowHelp; return std::string(); }},
    {"--version", "-V", nullptr,
     [](RenderOptions& o, const std::string&) { o.request = RenderOptions::ShowVersion; return std::string(); }},
    {"--output", "-o", "file name",
     [](RenderOptions& o, const std::string& v) {
         o.output = v;
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
    }
    return "";
}

}  // namespace

RenderOptions ParseRenderArguments(const std::vector<std::string>& args)
{
    RenderOptions options;
    bool hasInput = false;
    bool optionsEnded = false;
    bool formatGiven = false;
    bool formatOptionGiven[kFormatOptionCount] = {};
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            if (hasInput) return Usage("only one input file may be given");
            if (arg.empty()) return Usage("the input file name is empty");
            options.input = arg;
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
        formatGiven = formatGiven || name == "--format" || name == "-f" || name == "--codes" || name == "--outline";
        for (std::size_t k = 0; k < kFormatOptionCount; ++k)
            formatOptionGiven[k] = formatOptionGiven[k] || name == kFormatOptions[k].name;
    }

    // An option of one format chooses that format, and contradicts any other.
    const FormatOption* chosenBy = nullptr;
    for (std::size_t k = 0; k < kFormatOptionCount; ++k) {
        const FormatOption& f = kFormatOptions[k];
        if (!formatOptionGiven[k]) continue;
        if (formatGiven && options.format != f.format)
            return Usage(std::string("option '") + f.name + "' needs --format " + FormatName(f.format));
        if (chosenBy && chosenBy->format != f.format)
            return Usage(std::string("options '") + chosenBy->name + "' and '" + f.name + "' contradict each other");
        chosenBy = &f;
        options.format = f.format;
    }
    if (options.css && options.fragment) return Usage("options '--fragment' and '--css' contradict each other");
    if (options.css) {
        if (hasInput) return Usage("option '--css' writes the style sheet alone and takes no input file");
        return options;
    }
    if (!hasInput) return Usage("no input file");
    return options;
}

namespace {

// How every output ends: a write error (errno value, 0 for none) on output (empty: the
// output stream) fails; a text cut short at a long line says so and gives status 3.
int Ended(const RenderStreams& io, int writeError, const std::string& output, bool cutShort,
          const std::string& name)
{
    if (writeError) return Failure(io, output.empty() ? "write error" : output, std::strerror(writeError));
    if (cutShort) {
        std::fprintf(io.err, "%s: %s: %s\n", kProgram, PrintableForTerminal(name).c_str(),
                     LongLineMessage().c_str());
        return RENDER_LONG_LINE;
    }
    return RENDER_OK;
}

// One line per input line: the code of every character as a hex digit, a space and
// the state word after the line.
int WriteCodes(const std::string& text, const std::string& name, COutput& out,
               const RenderStreams& io)
{
    static const char kHex[] = "0123456789abcdef";
    char row[MAX_LINE_LENGTH + 16];
    const RenderStatus status = ForEachShownLine(text.data(), text.size(), [&](const ShownLine& line,
                                                                              const StyleCode* classes) {
        char* w = row;
        for (std::size_t i = 0; i < line.length; ++i) *w++ = kHex[classes[i] & 0xF];
        *w++ = ' ';
        for (int shift = 28; shift >= 0; shift -= 4) *w++ = kHex[(line.stateAfter >> shift) & 0xF];
        *w++ = '\n';
        std::fwrite(row, 1, static_cast<std::size_t>(w - row), out.File());
        return true;
    });
    const int error = out.Finish() ? 0 : (errno ? errno : EIO);
    return Ended(io, error, out.Name(), status == RenderStatus::LongLine, name);
}

// One line per definition: its row, kind and name, separated by tabs. Control bytes
// of a name (a short name or dictionary word may hold a tab) are written as escapes.
// Like the document, the output is created only once the outline is built.
int WriteOutline(const std::string& text, const std::string& name, const std::string& output,
                 const RenderStreams& io)
{
    COutline outline;
    const OutlineStatus status = outline.Build(text.data(), text.size());
    if (status == OutlineStatus::OutOfMemory) return Failure(io, name, "the outline does not fit in memory");
    COutput out(io, output);
    if (!out.IsOpen()) return Failure(io, output, std::strerror(out.OpenError()));
    for (const OutlineEntry& entry : outline.GetEntries()) {
        const std::string_view entryName = COutline::Name(entry, text);
        std::fprintf(out.File(), "%llu\t%s\t", static_cast<unsigned long long>(entry.Line()),
                     OutlineKindName(entry.Kind()));
        const bool plain = std::all_of(entryName.begin(), entryName.end(), [](char ch) {
            return static_cast<unsigned char>(ch) >= 0x20 && ch != 0x7F;
        });
        if (plain)
            std::fwrite(entryName.data(), 1, entryName.size(), out.File());
        else
            std::fputs(PrintableForTerminal(entryName).c_str(), out.File());
        std::fputc('\n', out.File());
    }
    const int error = out.Finish() ? 0 : (errno ? errno : EIO);
    return Ended(io, error, out.Name(), status == OutlineStatus::LongLine, name);
}

// True when both names lead to one existing file (after following links).
bool IsSameFile(const std::string& a, const std::string& b)
{
    struct stat sa {};
    struct stat sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

// Installs a profile for the style records' Load, and puts the previous one back.
class CProfileScope {
public:
    explicit CProfileScope(CProfileStore* profile) : m_previous(GetStyleProfile())
    {
        SetStyleProfile(profile);
    }
    ~CProfileScope() { SetStyleProfile(m_previous); }
    CProfileScope(const CProfileScope&) = delete;
    CProfileScope& operator=(const CProfileScope&) = delete;

private:
    CProfileStore* m_previous;
};

// Fills styles as the viewer's start-up does: the built-in attributes, overlaid with
// the stored ones unless --default-styles. Only reads the settings.
int LoadStyles(const RenderOptions& options, CSyntaxStyleMap& styles, const RenderStreams& io)
{
    std::unique_ptr<CProfileStore> store;
#ifdef GLOSSEL_HAVE_SETTINGS
    if (!options.defaultStyles && options.hasSettings) {
        // A file that is not there is a first start; one that is there must be readable
        // (QSettings would take an unreadable file for an empty one, and block on a FIFO).
        struct stat st {};
        if (::stat(options.settings.c_str(), &st) == 0) {
            if (S_ISDIR(st.st_mode)) return Failure(io, options.settings, std::strerror(EISDIR));
            if (!S_ISREG(st.st_mode)) return Failure(io, options.settings, "not a regular file");
            const int fd = ::open(options.settings.c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0) return Failure(io, options.settings, std::strerror(errno));
            ::close(fd);
            store = std::make_unique<CSettingsStore>(QFile::decodeName(options.settings.c_str()));
        } else if (errno != ENOENT) {
            return Failure(io, options.settings, std::strerror(errno));
        }
    } else if (!options.defaultStyles) {
        store = std::make_unique<CSettingsStore>();
    }
#else
    (void)options;
    (void)io;
#endif
    CProfileScope scope(store.get());
    styles.BuildDefaults();
    return RENDER_OK;
}

// Hands a document to its output while it is built, in chunks of this size, so that
// a document of any size takes no more memory than the chunk (and is never zeroed by
// the system page by page, as a fresh buffer of its whole size would be).
constexpr std::size_t kStreamChunk = 512u << 10;

// The output's side of a stream: the first write error is kept, and nothing more is
// written after it.
struct CStreamTarget {
    std::FILE* file;
    int error = 0;
    static void Write(void* context, const char* bytes, std::size_t n)
    {
        auto* self = static_cast<CStreamTarget*>(context);
        if (self->error == 0 && std::fwrite(bytes, 1, n, self->file) != n) self->error = errno ? errno : EIO;
    }
};

// Ends the output of a document: the rest of its bytes, the flush or close, and the
// long-line message for a document cut short (which is still written whole).
int FinishDocument(const RenderStreams& io, const RenderOptions& options, COutput& out, CStreamTarget& target,
                   CRtfOutput& document, RenderStatus status, const std::string& name)
{
    document.Flush();
    const bool finished = out.Finish();
    const int error = target.error ? target.error : finished ? 0 : (errno ? errno : EIO);
    return Ended(io, error, options.output, status == RenderStatus::LongLine, name);
}

}  // namespace

int RunRender(const std::vector<std::string>& args, const RenderStreams& io)
{
    const RenderOptions options = ParseRenderArguments(args);
    switch (options.request) {
    case RenderOptions::UsageError:
        return UsageError(io, options.error);
    case RenderOptions::ShowHelp:
    case RenderOptions::ShowVersion:
        if (options.request == RenderOptions::ShowHelp)
            std::fputs(kUsage, io.out);
        else
            std::fprintf(io.out, "%s %s\n", kProgram, GLOSSEL_VERSION);
        if (std::fflush(io.out) != 0 || std::ferror(io.out))
            return Failure(io, "write error", std::strerror(errno));
        return RENDER_OK;
    case RenderOptions::Render:
        break;
    }

    const bool codes = options.format == RenderOptions::Codes;
    const bool outline = options.format == RenderOptions::Outline;
    CSyntaxStyleMap styles;
    if (!codes && !outline) {
        const int loadedStyles = LoadStyles(options, styles, io);
        if (loadedStyles != RENDER_OK) return loadedStyles;
    }

    CRtfOutput document;
    if (options.css) {
        if (!CHtmlBuilder::BuildStyleSheet(styles, document))
            return Failure(io, "style sheet", "does not fit in memory");
        COutput out(io, options.output);
        if (!out.IsOpen()) return Failure(io, options.output, std::strerror(out.OpenError()));
        CStreamTarget target{out.File()};
        document.SetSink(&CStreamTarget::Write, &target, kStreamChunk);
        return FinishDocument(io, options, out, target, document, RenderStatus::Ok, "");
    }

    // Writing the document over the file it comes from would destroy the source.
    if (!options.output.empty() && options.input != "-" && IsSameFile(options.input, options.output))
        return Failure(io, options.output, "is the input file; it is never written");

    std::string text;
    LoadFailure failure;
    const bool fromStdin = options.input == "-";
    const std::string name = fromStdin ? "standard input" : options.input;
    const bool loaded = fromStdin ? LoadTextStream(io.inFd, text, &failure)
                                  : LoadTextFile(options.input, text, &failure);
    if (!loaded) return Failure(io, name, failure.reason);

    if (outline) return WriteOutline(text, name, options.output, io);

    // The output is created only once the input has been read.
    COutput out(io, options.output);
    if (!out.IsOpen()) return Failure(io, options.output, std::strerror(out.OpenError()));
    if (codes) return WriteCodes(text, name, out, io);

    CStreamTarget target{out.File()};
    document.SetSink(&CStreamTarget::Write, &target, kStreamChunk);
    RenderStatus status = RenderStatus::Ok;
    switch (options.format) {
    case RenderOptions::Html: {
        // The page's title is the file's name without its folders.
        const std::string title = fromStdin ? name : name.substr(name.find_last_of('/') + 1);
        status = CHtmlBuilder().BuildDocument(text.data(), text.size(), styles,
                                              options.fragment ? CHtmlBuilder::Fragment : CHtmlBuilder::Page,
                                              title, document);
        break;
    }
    case RenderOptions::Ansi:
        status = CAnsiBuilder().BuildDocument(text.data(), text.size(), styles,
                                              options.ansi256 ? CAnsiBuilder::Palette256 : CAnsiBuilder::TrueColour,
                                              document);
        break;
    default:
        status = CRtfBuilder().BuildDocument(text.data(), text.size(), styles, document);
        break;
    }
    if (status == RenderStatus::OutOfMemory)
        return Failure(io, name, "the document does not fit in memory");
    return FinishDocument(io, options, out, target, document, status, name);
}
