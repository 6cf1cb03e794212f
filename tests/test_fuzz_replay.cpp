// Replays every saved fuzz input (the seeds, the examples, and each input that once
// broke an invariant, kept in fuzz/regressions/<target>/) through the fuzz bodies.

#include "TestSupport.h"

#include "fuzz/FuzzTargets.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace fs = std::filesystem;

TEST(FuzzReplay, SavedInputsKeepEveryInvariant)
{
    using Body = int (*)(const std::uint8_t*, std::size_t);
    const std::map<std::string, Body> bodies = {
        {"loader", FuzzTextLoader},
        {"render", FuzzRender},
        {"rtf", FuzzRtfReader},
        {"render_args", FuzzRenderArguments},
        {"lsp", FuzzLspMessages},
        {"game", FuzzGame},
#ifdef GLOSSEL_FUZZ_VIEWER
        {"viewer_args", FuzzViewerArguments},
        {"settings", FuzzSettingsFile},
#endif
    };
    const fs::path root = fs::path(GLOSSEL_SOURCE_DIR) / "fuzz";
    std::size_t replayed = 0;
    for (const char* kind : {"seeds", "regressions"}) {
        for (const auto& [name, body] : bodies) {
            const fs::path dir = root / kind / name;
            if (!fs::is_directory(dir)) continue;
            for (const auto& entry : fs::directory_iterator(dir)) {
                const std::string bytes = testsupport::ReadFile(entry.path());
                SCOPED_TRACE(entry.path().string());
                EXPECT_EQ(body(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), 0);
                ++replayed;
            }
        }
    }
    // The examples are seeds of the source targets too.
    for (const auto& entry : fs::directory_iterator(testsupport::ExamplesDir())) {
        const std::string bytes = testsupport::ReadFile(entry.path());
        SCOPED_TRACE(entry.path().string());
        for (const Body body : {FuzzTextLoader, FuzzRender, FuzzGame})
            EXPECT_EQ(body(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), 0);
        ++replayed;
    }
    EXPECT_GT(replayed, 0u);
}
