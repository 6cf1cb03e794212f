#include "RenderCli.h"

#include "RenderGame.h"
#include "RenderSite.h"
#include "RenderTags.h"
#include "RenderOutput.h"
#include "RenderStyles.h"
#include "doc/TextLoader.h"
#include "syntax/AnsiBuilder.h"
#include "syntax/CodesWriter.h"
#include "syntax/HtmlBuilder.h"
#include "syntax/OutlineWriter.h"
#include "syntax/RtfBuilder.h"
#include "syntax/SyntaxStyleMap.h"

#include <cerrno>
#include <cstring>
#include <new>
#include <stdexcept>

namespace {

// Hands a document to its output while it is built, in chunks of this size, so that
// a document of any size takes no more memory than the chunk (and is never zeroed by
// the system page by page, as a fresh buffer of its whole size would be).
constexpr std::size_t kStreamChunk = 512u << 10;

// Help and version go to the output stream.
int Show(const RenderStreams& io, const std::string& text)
{
    std::fputs(text.c_str(), io.out);
    if (std::fflush(io.out) != 0 || std::ferror(io.out)) return ReportFailure(io.err, "write error", std::strerror(errno));
    return RENDER_OK;
}

// Standard output that is a terminal: terminal text unless a format was named; the
// formats that hold the file's bytes as they are never go there.
bool ChooseTerminalFormat(RenderOptions& options, const RenderStreams& io)
{
    if (!options.output.empty() || !CRenderOutput::IsTerminal(io.out)) return true;
    if (!options.formatChosen) {
        options.format = RenderOptions::Ansi;
        return true;
    }
    const char* refused = options.format == RenderOptions::Rtf     ? "rtf"
                          : options.format == RenderOptions::Codes ? "codes"
                          : options.format == RenderOptions::Etags ? "etags"
                                                                   : nullptr;
    if (!refused) return true;
    std::fprintf(io.err, "glossel-render: %s is not written to a terminal (use -o FILE, or a pipe)\n", refused);
    return false;
}

// Builds the document of the format asked for, streaming it into out.
RenderStatus Build(const RenderOptions& options, const std::string& text, const std::string& name, bool fromStdin,
                   const CSyntaxStyleMap& styles, COutputBuffer& document)
{
    switch (options.format) {
    case RenderOptions::Html: {
        // The page's title is the file's name without its folders.
        const std::string title = fromStdin ? name : name.substr(name.find_last_of('/') + 1);
        return CHtmlBuilder().BuildDocument(text.data(), text.size(), styles,
                                            options.fragment ? CHtmlBuilder::Fragment : CHtmlBuilder::Page, title,
                                            document);
    }
    case RenderOptions::Ansi:
        return CAnsiBuilder().BuildDocument(text.data(), text.size(), styles,
                                            options.ansi256 ? CAnsiBuilder::Palette256 : CAnsiBuilder::TrueColour,
                                            document);
    case RenderOptions::Codes:
        return WriteCodes(text.data(), text.size(), document);
    case RenderOptions::Outline:
        return WriteOutline(text.data(), text.size(), document);
    case RenderOptions::Rtf:
    case RenderOptions::Includes:  // a game's jobs (RenderGame)
    case RenderOptions::Skipped:
    case RenderOptions::Tags:      // the jobs of several games (RenderTags, RenderSite)
    case RenderOptions::Etags:
    case RenderOptions::Site:
        break;
    }
    return CRtfBuilder().BuildDocument(text.data(), text.size(), styles, document);
}

}  // namespace

int RunRender(const std::vector<std::string>& args, const RenderStreams& io)
{
    RenderOptions options = ParseRenderArguments(args);
    switch (options.request) {
    case RenderOptions::UsageError:
        return ReportUsageError(io.err, options.error);
    case RenderOptions::ShowHelp:
        return Show(io, RenderHelpText());
    case RenderOptions::ShowVersion:
        return Show(io, std::string("glossel-render ") + GLOSSEL_VERSION + "\n");
    case RenderOptions::Render:
        break;
    }
    if (!ChooseTerminalFormat(options, io)) return RENDER_USAGE;
    // The game is built where it is needed; memory running out anywhere on the way is a
    // message and a status, never the end of the program (an output being written is
    // abandoned, and the old file stays).
    try {
        if (options.game) return RenderGame(options, io);
        if (options.format == RenderOptions::Tags || options.format == RenderOptions::Etags)
            return RenderTags(options, io);
    } catch (const std::bad_alloc&) {
        return ReportFailure(io.err, options.input, "the game does not fit in memory");
    } catch (const std::length_error&) {
        return ReportFailure(io.err, options.input, "the game does not fit in memory");
    }
    if (options.format == RenderOptions::Site) return RenderSite(options, io);

    CSyntaxStyleMap styles;
    if (options.format != RenderOptions::Codes && options.format != RenderOptions::Outline) {
        const int loaded = LoadRenderStyles(options, styles, io.err);
        if (loaded != RENDER_OK) return loaded;
    }

    // Writing the document over the file it comes from would destroy the source, and
    // over the settings file the styles come from, the user's styles.
    const bool fromStdin = options.input == "-";
    const std::string output = options.output.empty() ? "standard output" : options.output;
    if (!options.css && CRenderOutput::IsTheInput(options.output, io.out, options.input, io.inFd))
        return ReportFailure(io.err, output, "is the input file; it is never written");
    if (WritesOverTheSettings(options, io.out))
        return ReportFailure(io.err, output, "is the settings file; it is never written");

    std::string text;
    const std::string name = fromStdin ? "standard input" : options.input;
    if (!options.css) {
        LoadFailure failure;
        const bool loaded = fromStdin ? LoadTextStream(io.inFd, text, &failure)
                                      : LoadTextFile(options.input, text, &failure);
        if (!loaded) return ReportFailure(io.err, name, failure.reason);
    }

    // The output is created only once the input has been read.
    CRenderOutput out;
    if (!out.Start(options.output, io.out)) return ReportFailure(io.err, options.output, std::strerror(errno));
    COutputBuffer document;
    document.SetSink(&CRenderOutput::Write, &out, kStreamChunk);
    RenderStatus status = RenderStatus::Ok;
    if (options.css) {
        if (!CHtmlBuilder::BuildStyleSheet(styles, document)) status = RenderStatus::OutOfMemory;
    } else {
        status = Build(options, text, name, fromStdin, styles, document);
    }
    if (status == RenderStatus::OutOfMemory) {
        if (options.css) return ReportFailure(io.err, "style sheet", "does not fit in memory");
        return ReportFailure(io.err, name, options.format == RenderOptions::Outline
                                               ? "the outline does not fit in memory"
                                               : "the document does not fit in memory");
    }
    document.Flush();
    return ReportEnd(io.err, out.Finish(), options.output, status, name);
}
