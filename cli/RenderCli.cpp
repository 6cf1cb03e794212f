#include "RenderCli.h"

#include "doc/Printable.h"
#include "doc/TextLoader.h"
#include "syntax/Outline.h"
#include "syntax/RtfBuilder.h"
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
    "Write the coloured RTF document of an Inform 6 source file, exactly as the Glossel\n"
    "viewer shows it. FILE may be - for standard input.\n"
    "\n"
    "Options:\n"
    "  -o, --output OUT    write to OUT instead of standard output\n"
    "      --codes         write the style code of every character instead of RTF: one\n"
    "                      line per input line, one hex digit (0-b) per character, its\n"
    "                      line feed included, then a space and the lexer state word\n"
    "      --outline       write the file's definitions instead of RTF, one a line: its\n"
    "                      line number, kind and name, separated by tabs\n"
#ifdef GLOSSEL_HAVE_SETTINGS
    "      --default-styles  use the built-in styles, not stored ones (--settings\n"
    "                      included)\n"
    "      --settings FILE   read the styles from the settings file FILE instead of\n"
    "                      the user's; a FILE that does not exist gives the built-in\n"
    "                      styles, as at the viewer's first start\n"
#else
    "      --default-styles  use the built-in styles (the only ones in this build)\n"
#endif
    "  -h, --help          show this help and exit\n"
    "  -V, --version       show the version and exit\n"
    "      --              end of options\n"
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
    "line of 1020 or more characters ended the document early (the document up to\n"
    "that line is still written).\n";

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

RenderOptions ParseRenderArguments(const std::vector<std::string>& args)
{
    RenderOptions options;
    bool hasInput = false;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            if (arg == "--") {
                optionsEnded = true;
            } else if (arg == "-h" || arg == "--help") {
                options.request = RenderOptions::ShowHelp;
                return options;
            } else if (arg == "-V" || arg == "--version") {
                options.request = RenderOptions::ShowVersion;
                return options;
            } else if (arg == "--codes") {
                options.codes = true;
            } else if (arg == "--outline") {
                options.outline = true;
            } else if (arg == "--default-styles") {
                options.defaultStyles = true;
#ifdef GLOSSEL_HAVE_SETTINGS
            } else if (arg == "--settings") {
                if (i + 1 >= args.size()) return Usage("option '" + arg + "' needs a file name");
                options.settings = args[++i];
                options.hasSettings = true;
                if (options.settings.empty()) return Usage("the settings file name is empty");
            } else if (arg.rfind("--settings=", 0) == 0) {
                options.settings = arg.substr(11);
                options.hasSettings = true;
                if (options.settings.empty()) return Usage("the settings file name is empty");
#endif
            } else if (arg == "-o" || arg == "--output") {
                if (i + 1 >= args.size()) return Usage("option '" + arg + "' needs a file name");
                options.output = args[++i];
                if (options.output.empty()) return Usage("the output file name is empty");
            } else if (arg.rfind("--output=", 0) == 0) {
                options.output = arg.substr(9);
                if (options.output.empty()) return Usage("the output file name is empty");
            } else if (arg.rfind("-o", 0) == 0) {
                options.output = arg.substr(2);
            } else {
                return Usage("unknown option '" + arg + "'");
            }
            continue;
        }
        if (hasInput) return Usage("only one input file may be given");
        if (arg.empty()) return Usage("the input file name is empty");
        options.input = arg;
        hasInput = true;
    }
    if (!hasInput) return Usage("no input file");
    if (options.codes && options.outline) return Usage("--codes and --outline cannot be used together");
    return options;
}

namespace {

// One line per input line: the code of every character as a hex digit, a space and
// the state word after the line.
int WriteCodes(const std::string& text, const std::string& name, COutput& out,
               const RenderStreams& io)
{
    static const char kHex[] = "0123456789abcdef";
    std::unique_ptr<char[]> line(new char[MAX_LINE_LENGTH + 1]);
    std::unique_ptr<StyleCode[]> classes(new StyleCode[MAX_LINE_LENGTH + 1]);
    std::unique_ptr<char[]> row(new char[MAX_LINE_LENGTH + 16]);
    CSyntaxLexer lexer(LEX_DIRECTIVE_EXPECTED);
    const char* data = text.data();
    const std::size_t length = text.size();
    std::size_t pos = 0;
    int status = RENDER_OK;
    while (pos < length) {
        const std::size_t n = MeasureLine(data, length, pos);
        if (n >= MAX_LINE_LENGTH) {
            status = RENDER_LONG_LINE;
            break;
        }
        std::memcpy(line.get(), data + pos, n);
        line[n] = '\n';
        const std::uint32_t state = lexer.ClassifyLine(line.get(), n + 1, classes.get());
        char* w = row.get();
        for (std::size_t i = 0; i <= n; ++i) *w++ = kHex[classes[i] & 0xF];
        *w++ = ' ';
        for (int shift = 28; shift >= 0; shift -= 4) *w++ = kHex[(state >> shift) & 0xF];
        *w++ = '\n';
        std::fwrite(row.get(), 1, static_cast<std::size_t>(w - row.get()), out.File());
        pos += n + 1;
    }
    if (!out.Finish()) return Failure(io, out.Name().empty() ? "write error" : out.Name(), std::strerror(errno));
    if (status == RENDER_LONG_LINE)
        std::fprintf(io.err, "%s: %s: %s\n", kProgram, PrintableForTerminal(name).c_str(),
                     LongLineMessage().c_str());
    return status;
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
    if (!out.Finish()) return Failure(io, out.Name().empty() ? "write error" : out.Name(), std::strerror(errno));
    if (status == OutlineStatus::LongLine) {
        std::fprintf(io.err, "%s: %s: %s\n", kProgram, PrintableForTerminal(name).c_str(),
                     LongLineMessage().c_str());
        return RENDER_LONG_LINE;
    }
    return RENDER_OK;
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

    CSyntaxStyleMap styles;
    if (!options.codes && !options.outline) {
        const int loadedStyles = LoadStyles(options, styles, io);
        if (loadedStyles != RENDER_OK) return loadedStyles;
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

    if (options.codes) {
        COutput out(io, options.output);
        if (!out.IsOpen()) return Failure(io, options.output, std::strerror(out.OpenError()));
        return WriteCodes(text, name, out, io);
    }
    if (options.outline) return WriteOutline(text, name, options.output, io);

    CRtfOutput document;
    CRtfBuilder builder;
    const RenderStatus status = builder.BuildDocument(text.data(), text.size(), styles, document);
    if (status == RenderStatus::OutOfMemory)
        return Failure(io, name, "the document does not fit in memory");
    std::string().swap(text);  // the text is no longer needed; give its memory back

    COutput out(io, options.output);
    if (!out.IsOpen()) return Failure(io, options.output, std::strerror(out.OpenError()));
    std::fwrite(document.Data(), 1, document.Length(), out.File());
    if (!out.Finish())
        return Failure(io, options.output.empty() ? "write error" : options.output, std::strerror(errno));
    if (status == RenderStatus::LongLine) {
        std::fprintf(io.err, "%s: %s: %s\n", kProgram, PrintableForTerminal(name).c_str(),
                     LongLineMessage().c_str());
        return RENDER_LONG_LINE;
    }
    return RENDER_OK;
}
