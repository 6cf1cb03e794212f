#include "RenderTags.h"

#include "RenderMessages.h"
#include "RenderOutput.h"
#include "TagsWriter.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <set>
#include <unistd.h>

namespace {

std::string WorkingFolder()
{
    char* cwd = ::getcwd(nullptr, 0);
    std::string folder = cwd ? cwd : "/";
    std::free(cwd);
    return folder;
}

}  // namespace

int RenderTags(const RenderOptions& options, const RenderStreams& io)
{
    for (const std::string& input : options.inputs)
        if (CRenderOutput::IsTheInput(options.output, io.out, input, io.inFd))
            return ReportFailure(io.err, options.output.empty() ? "standard output" : options.output,
                                 "is an input file; it is never written");

    const std::string working = WorkingFolder();
    std::string folder = working;
    if (!options.output.empty()) {
        std::string absolute = options.output;
        if (absolute.front() != '/') absolute.insert(0, working + '/');
        folder = absolute.substr(0, absolute.find_last_of('/'));
        if (folder.empty()) folder = "/";
    }
    CTagsWriter writer(options.format == RenderOptions::Etags ? CTagsWriter::Emacs : CTagsWriter::Vim, folder, working);
    const CDiskFileSource disk;
    int status = RENDER_OK;
    auto worse = [&](int next) {
        if (status == RENDER_OK || (status == RENDER_LONG_LINE && next == RENDER_FAILED)) status = next;
    };
    std::set<std::string> reported;  // a file several games read is named once
    const COutputTarget target(options.output, io.out);  // never written over a file of a game
    for (const std::string& input : options.inputs) {
        GameInputs inputs;
        inputs.mainPath = input;
        inputs.includeFolders = options.includeFolders;
        inputs.switches = options.switches;
        std::shared_ptr<const CGame> game;
        try {
            game = CGame::Build(inputs, disk);
            if (game) writer.AddGame(*game, &input == &options.inputs.back());
        } catch (const std::bad_alloc&) {
            game.reset();
        }
        if (!game) {
            worse(ReportFailure(io.err, input, "the game does not fit in memory"));
            continue;
        }
        const std::uint32_t read = target.Exists() ? game->FindIdentity(target.Identity()) : NO_FILE;
        if (read != NO_FILE) return ReportOutputIsRead(io.err, options.output, game->File(read).Path());
        for (std::uint32_t f = 0; f < game->FileCount(); ++f) {
            const CGameFile& file = game->File(f);
            if (file.Status() == GameFileStatus::Read || !reported.insert(disk.Identity(file.Path())).second) continue;
            if (file.Status() == GameFileStatus::Unreadable)
                worse(ReportFailure(io.err, file.Path(), file.Failure()));
            else
                worse(ReportEnd(io.err, 0, options.output, RenderStatus::LongLine, file.Path()));
        }
    }
    for (const std::string& refused : writer.Refused())
        worse(ReportFailure(io.err, refused, "a tag file cannot hold a name with a tab or line break; left out"));

    std::string tags;
    try {
        tags = writer.Finish();
    } catch (const std::bad_alloc&) {
        return ReportFailure(io.err, options.output, "the tags do not fit in memory");
    }
    CRenderOutput out;
    if (!out.Start(options.output, io.out)) return ReportFailure(io.err, options.output, std::strerror(errno));
    CRenderOutput::Write(&out, tags.data(), tags.size());
    worse(ReportEnd(io.err, out.Finish(), options.output, RenderStatus::Ok, ""));
    return status;
}
