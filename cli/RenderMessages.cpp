#include "RenderMessages.h"

#include "doc/Printable.h"

#include <cstring>
#include <string>

namespace {
constexpr const char* kProgram = "glossel-render";
}

int ReportUsageError(std::FILE* err, std::string_view what)
{
    std::fprintf(err, "%s: %s\nTry '%s --help' for more information.\n", kProgram,
                 PrintableForTerminal(what).c_str(), kProgram);
    return RENDER_USAGE;
}

int ReportFailure(std::FILE* err, std::string_view name, std::string_view reason)
{
    std::fprintf(err, "%s: %s: %s\n", kProgram, PrintableForTerminal(name).c_str(),
                 PrintableForTerminal(reason).c_str());
    return RENDER_FAILED;
}

int ReportOutputIsRead(std::FILE* err, std::string_view output, std::string_view file)
{
    std::fprintf(err, "%s: %s: is a file the game reads (%s); it is never written\n", kProgram,
                 output.empty() ? "standard output" : PrintableForTerminal(output).c_str(),
                 PrintableForTerminal(file).c_str());
    return RENDER_FAILED;
}

int ReportEnd(std::FILE* err, int writeError, std::string_view output, RenderStatus status, std::string_view name)
{
    if (writeError) return ReportFailure(err, output.empty() ? "write error" : output, std::strerror(writeError));
    if (status == RenderStatus::LongLine) {
        std::fprintf(err, "%s: %s: %s\n", kProgram, PrintableForTerminal(name).c_str(), LongLineMessage().c_str());
        return RENDER_LONG_LINE;
    }
    return RENDER_OK;
}
