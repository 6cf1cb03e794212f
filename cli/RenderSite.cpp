#include "RenderSite.h"

#include "RenderMessages.h"
#include "RenderOutput.h"
#include "RenderStyles.h"
#include "SiteWriter.h"
#include "syntax/SyntaxStyleMap.h"

#include <thread>

namespace {

class CSiteMessages final : public ISiteListener {
public:
    CSiteMessages(std::FILE* err) : m_err(err), m_progress(CRenderOutput::IsTerminal(err)) {}
    ~CSiteMessages() { ClearProgress(); }

    void OnFailure(const std::string& name, const std::string& reason) override
    {
        ClearProgress();
        ReportFailure(m_err, name, reason);
    }
    void OnLongLine(const std::string& name) override
    {
        ClearProgress();
        ReportEnd(m_err, 0, "", RenderStatus::LongLine, name);
    }
    void OnProgress(std::size_t done, std::size_t all) override
    {
        if (!m_progress) return;
        std::fprintf(m_err, "\rglossel-render: %zu of %zu files", done, all);
        std::fflush(m_err);
        m_shown = true;
    }

private:
    void ClearProgress()
    {
        if (!m_shown) return;
        std::fputs("\r\x1b[K", m_err);
        m_shown = false;
    }

    std::FILE* m_err;
    bool m_progress;
    bool m_shown = false;
};

}  // namespace

int RenderSite(const RenderOptions& options, const RenderStreams& io)
{
    CSyntaxStyleMap styles;
    const int loaded = LoadRenderStyles(options, styles, io.err);
    if (loaded != RENDER_OK) return loaded;

    SiteJob job;
    job.inputs = options.inputs;
    job.includeFolders = options.includeFolders;
    job.switches = options.switches;
    job.outFolder = options.siteFolder;
    job.jobs = options.jobs ? options.jobs : std::max(1u, std::thread::hardware_concurrency());
    SiteOutcome outcome;
    {
        CSiteMessages messages(io.err);
        outcome = WriteSite(job, styles, messages);
    }
    if (outcome.failed || !outcome.written) return RENDER_FAILED;
    return outcome.longLine ? RENDER_LONG_LINE : RENDER_OK;
}
