#include "RenderStyles.h"

#include "RenderMessages.h"
#include "RenderOutput.h"
#include "syntax/ProfileStore.h"
#include "syntax/SyntaxStyleMap.h"

#ifdef GLOSSEL_HAVE_SETTINGS
#include "settings/SettingsStore.h"

#include <QFile>
#endif

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

int LoadRenderStyles(const RenderOptions& options, CSyntaxStyleMap& styles, std::FILE* err)
{
    std::unique_ptr<CProfileStore> store;
#ifdef GLOSSEL_HAVE_SETTINGS
    if (!options.defaultStyles && options.hasSettings) {
        // A file that is not there is a first start; one that is there must be readable
        // (QSettings would take an unreadable file for an empty one, and block on a FIFO).
        struct stat st {};
        if (::stat(options.settings.c_str(), &st) == 0) {
            if (S_ISDIR(st.st_mode)) return ReportFailure(err, options.settings, std::strerror(EISDIR));
            if (!S_ISREG(st.st_mode)) return ReportFailure(err, options.settings, "not a regular file");
            const int fd = ::open(options.settings.c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0) return ReportFailure(err, options.settings, std::strerror(errno));
            ::close(fd);
            store = std::make_unique<CSettingsStore>(QFile::decodeName(options.settings.c_str()));
        } else if (errno != ENOENT) {
            return ReportFailure(err, options.settings, std::strerror(errno));
        }
    } else if (!options.defaultStyles) {
        store = std::make_unique<CSettingsStore>();
    }
#else
    (void)options;
    (void)err;
#endif
    styles.BuildDefaults(store.get());
    return RENDER_OK;
}

bool WritesOverTheSettings(const RenderOptions& options, std::FILE* out)
{
    return options.hasSettings && !options.defaultStyles && COutputTarget(options.output, out).Is(options.settings);
}
