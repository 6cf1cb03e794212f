#include "RenderGame.h"

#include "RenderMessages.h"
#include "RenderOutput.h"
#include "RenderStyles.h"
#include "SiteText.h"
#include "game/Game.h"
#include "game/GameWriters.h"
#include "syntax/HtmlBuilder.h"
#include "syntax/SyntaxStyleMap.h"

#include <cerrno>
#include <cstring>

namespace {

// The main file as an HTML page (or its <pre>), the code the compiler skips tinted, each
// run's reason its title.
RenderStatus WriteTintedPage(const RenderOptions& options, const CGame& game, const CSyntaxStyleMap& styles,
                             COutputBuffer& document)
{
    const CGameFile& main = game.File(0);
    const display::Encoding encoding = display::ChooseEncoding(main.Text().data(), main.ShownLength());
    std::vector<HtmlTintedLines> tinted;
    for (const GameSkippedRange& run : main.SkippedRanges()) {
        if (run.lastLine < run.firstLine) continue;
        HtmlTintedLines lines{run.firstLine, run.lastLine, std::string()};
        AppendEscapedHtml(lines.title, ShownUtf8("not compiled: " + game.DescribeReason(run.reason), encoding));
        tinted.push_back(std::move(lines));
    }
    const std::string title = options.input.substr(options.input.find_last_of('/') + 1);
    return CHtmlBuilder().BuildDocument(main.Text().data(), main.Text().size(), styles,
                                        options.fragment ? CHtmlBuilder::Fragment : CHtmlBuilder::Page, title, document,
                                        tinted);
}

}  // namespace

int RenderGame(const RenderOptions& options, const RenderStreams& io)
{
    if (CRenderOutput::IsTheInput(options.output, io.out, options.input, io.inFd))
        return ReportFailure(io.err, options.output.empty() ? "standard output" : options.output,
                             "is the input file; it is never written");

    const bool page = options.format == RenderOptions::Html;
    CSyntaxStyleMap styles;
    if (page) {
        const int loaded = LoadRenderStyles(options, styles, io.err);
        if (loaded != RENDER_OK) return loaded;
        if (WritesOverTheSettings(options, io.out))
            return ReportFailure(io.err, options.output.empty() ? "standard output" : options.output,
                                 "is the settings file; it is never written");
    }

    GameInputs inputs;
    inputs.mainPath = options.input;
    inputs.includeFolders = options.includeFolders;
    inputs.switches = options.switches;
    const CDiskFileSource disk;
    const std::shared_ptr<const CGame> game = CGame::Build(inputs, disk);
    if (!game) return ReportFailure(io.err, options.input, "the game does not fit in memory");
    const CGameFile& main = game->File(0);
    if (main.Status() == GameFileStatus::Unreadable) return ReportFailure(io.err, options.input, main.Failure());
    // Nor over any other file of the game (an included library file, say).
    const COutputTarget target(options.output, io.out);
    const std::uint32_t read = target.Exists() ? game->FindIdentity(target.Identity()) : NO_FILE;
    if (read != NO_FILE) return ReportOutputIsRead(io.err, options.output, game->File(read).Path());

    // The output is created only once the game has been read.
    CRenderOutput out;
    if (!out.Start(options.output, io.out)) return ReportFailure(io.err, options.output, std::strerror(errno));
    COutputBuffer document;
    document.SetSink(&CRenderOutput::Write, &out, 512u << 10);
    const bool outline = options.format == RenderOptions::Outline;
    if (page) {
        const RenderStatus status = WriteTintedPage(options, *game, styles, document);
        if (status == RenderStatus::OutOfMemory) return ReportFailure(io.err, options.input, "the document does not fit in memory");
        document.Flush();
        return ReportEnd(io.err, out.Finish(), options.output, status, options.input);
    }
    const bool written = outline ? WriteGameOutline(*game, document)
                         : options.format == RenderOptions::Skipped ? WriteSkippedCode(*game, document)
                                                                     : WriteIncludeTree(*game, document);
    if (!written)
        return ReportFailure(io.err, options.input, "the game does not fit in memory");
    document.Flush();
    const int ended = ReportEnd(io.err, out.Finish(), options.output, RenderStatus::Ok, options.input);
    if (ended != RENDER_OK) return ended;

    // What the outline could not show, file by file (the tree says which files cannot be
    // read itself); and in both, the files whose reading a long line stopped, where
    // their outline and their includes end.
    int status = RENDER_OK;
    for (std::uint32_t f = 1; f < game->FileCount() && outline; ++f) {
        const CGameFile& file = game->File(f);
        if (file.Status() == GameFileStatus::Unreadable) status = ReportFailure(io.err, file.Path(), file.Failure());
    }
    for (std::uint32_t f = 0; f < game->FileCount(); ++f) {
        const CGameFile& file = game->File(f);
        if (file.Status() != GameFileStatus::LongLine) continue;
        const int cut = ReportEnd(io.err, 0, options.output, RenderStatus::LongLine, file.Path());
        if (status == RENDER_OK) status = cut;
    }
    return status;
}
