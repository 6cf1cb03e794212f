#include "SiteWriter.h"

#include "SiteCatalog.h"
#include "SiteIndexPages.h"
#include "SiteFolder.h"
#include "SitePage.h"
#include "SiteSearch.h"
#include "SiteUsesPage.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <fstream>
#include <mutex>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <thread>
#include <unordered_map>
#include <unistd.h>

namespace {

constexpr const char* kPagesFolder = "src";
constexpr const char* kUsesFolder = "refs";
constexpr const char* kGameTooLarge = "the game does not fit in memory";

// Calls work(i) for every i below count, on jobs threads at once.
void ParallelFor(std::size_t count, unsigned jobs, const std::function<void(std::size_t)>& work)
{
    std::atomic<std::size_t> next{0};
    auto run = [&] {
        for (std::size_t i; (i = next.fetch_add(1)) < count;) work(i);
    };
    const std::size_t threads = std::min<std::size_t>(std::max(jobs, 1u), count);
    std::vector<std::thread> pool;
    for (std::size_t t = 1; t < threads; ++t) pool.emplace_back(run);
    run();
    for (std::thread& thread : pool) thread.join();
}

// The indexes of paths, the largest file first (a file that cannot be read last), ties
// in their order.
std::vector<std::size_t> LargestFirst(const std::vector<std::string>& paths)
{
    std::vector<std::pair<long long, std::size_t>> sized;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        struct stat st {};
        sized.emplace_back(::stat(paths[i].c_str(), &st) == 0 ? -static_cast<long long>(st.st_size) : 0, i);
    }
    std::sort(sized.begin(), sized.end());
    std::vector<std::size_t> order;
    for (const auto& [size, i] : sized) order.push_back(i);
    return order;
}

bool EndsWithFolded(const std::string& name, const char* suffix)
{
    const std::size_t n = std::strlen(suffix);
    if (name.size() <= n) return false;
    for (std::size_t i = 0; i < n; ++i) {
        char c = name[name.size() - n + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        if (c != suffix[i]) return false;
    }
    return true;
}

// The path with links followed, or "" when there is none.
std::string RealPath(const std::string& path)
{
    char* real = ::realpath(path.c_str(), nullptr);
    if (!real) return std::string();
    std::string result(real);
    std::free(real);
    return result;
}

// Whether path (a real path) is folder (a real path) or lies inside it.
bool IsInside(const std::string& path, const std::string& folder)
{
    if (folder.empty()) return false;
    if (folder == "/") return !path.empty();
    return path.compare(0, folder.size(), folder) == 0 && (path.size() == folder.size() || path[folder.size()] == '/');
}

// The .inf and .h files in folder and its subfolders, in the order of their paths. A
// link is followed only when what it leads to lies inside root (the real path of the
// folder given): a folder of games never publishes what lies outside it.
void ListSources(const std::string& folder, const std::string& root, const struct stat& out,
                 std::vector<std::string>& infs, std::vector<std::string>& headers)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir))
        if (entry->d_name[0] != '.') names.emplace_back(entry->d_name);
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        const std::string path = JoinPath(folder, name);
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0) continue;
        if (S_ISLNK(st.st_mode)) {
            const std::string real = RealPath(path);
            if (real.empty() || !IsInside(real, root) || ::stat(real.c_str(), &st) != 0) continue;
            // A link to a folder inside is not gone into: the folder is listed where it stands.
            if (S_ISDIR(st.st_mode)) continue;
        }
        if (S_ISDIR(st.st_mode)) {
            if (st.st_dev == out.st_dev && st.st_ino == out.st_ino) continue;
            ListSources(path, root, out, infs, headers);
        } else if (EndsWithFolded(name, ".inf")) {
            infs.push_back(path);
        } else if (EndsWithFolded(name, ".h")) {
            headers.push_back(path);
        }
    }
}

class CSiteRun {
public:
    CSiteRun(const SiteJob& job, const CSyntaxStyleMap& styles, ISiteListener& listener)
        : m_job(job), m_styles(styles), m_listener(listener)
    {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        m_mode = 0666 & ~mask;
    }

    SiteOutcome Run()
    {
        std::string failedPath;
        std::string reason;
        if (!m_folder.Open(m_job.outFolder, {kPagesFolder, kUsesFolder}, failedPath, reason)) {
            Fail(failedPath, reason);
            return m_outcome;
        }
        m_outcome.written = true;
        std::vector<std::string> mains;
        std::vector<std::string> headers;
        GatherInputs(mains, headers);
        CSiteCatalog catalog(mains);
        // The largest main files first, so that a big game is not the one thread's last work.
        const std::vector<std::size_t> order = LargestFirst(mains);
        ParallelFor(order.size(), m_job.jobs, [&](std::size_t i) {
            const auto index = static_cast<std::uint32_t>(order[i]);
            if (std::optional<SiteGameReading> reading = ReadGame(mains[index])) catalog.AddGame(index, std::move(*reading));
        });
        // The headers that no game reads are read as games of their own, several at once;
        // then, in their order, each that no game read before it is added.
        std::vector<std::string> alone;
        for (const std::string& header : headers)
            if (!catalog.HasFile(m_disk.Identity(header))) alone.push_back(header);
        std::vector<std::optional<SiteGameReading>> readings(alone.size());
        const std::vector<std::size_t> aloneOrder = LargestFirst(alone);
        ParallelFor(alone.size(), m_job.jobs, [&](std::size_t i) {
            readings[aloneOrder[i]] = ReadGame(alone[aloneOrder[i]], false);
        });
        for (std::size_t i = 0; i < alone.size(); ++i) {
            if (catalog.HasFile(m_disk.Identity(alone[i]))) continue;
            const std::uint32_t index = catalog.AppendGame(alone[i]);
            if (readings[i])
                catalog.AddGame(index, std::move(*readings[i]));
            else
                Fail(alone[i], kGameTooLarge);
            readings[i].reset();
        }
        m_words.Clear();
        std::vector<std::string> folders;
        for (const std::string& input : m_job.inputs) {
            struct stat st {};
            if (::stat(input.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) folders.push_back(input);
        }
        catalog.Finish(folders);
        m_outcome.games = catalog.Games().size();
        for (const std::uint32_t id : catalog.FilesByPath()) {
            const SiteFile& file = catalog.Files()[id];
            if (file.unreadable) Fail(file.path, file.failure);
        }
        WritePages(catalog);
        return m_outcome;
    }

private:
    void Fail(const std::string& name, const std::string& reason)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_outcome.failed = true;
        m_listener.OnFailure(name, reason);
    }

    void GatherInputs(std::vector<std::string>& mains, std::vector<std::string>& headers)
    {
        struct stat out {};
        ::stat(m_job.outFolder.c_str(), &out);
        std::set<std::string> seen;
        auto add = [&](const std::string& path, const std::string& folder) {
            if (seen.insert(m_disk.Identity(path)).second) mains.push_back(path);
            m_folderOf.emplace(path, folder);
        };
        for (const std::string& input : m_job.inputs) {
            struct stat st {};
            if (::stat(input.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
                const std::string root = RealPath(input);
                std::vector<std::string> infs;
                const std::size_t firstHeader = headers.size();
                ListSources(input, root, out, infs, headers);
                for (const std::string& path : infs) add(path, root);
                for (std::size_t i = firstHeader; i < headers.size(); ++i) m_folderOf.emplace(headers[i], root);
            } else {
                // A main file given by itself: its game's folder is the one it stands in.
                std::string folder = RealPath(input);
                const std::size_t slash = folder.find_last_of('/');
                folder.erase(slash == std::string::npos ? 0 : std::max<std::size_t>(slash, 1));
                add(input, folder);
            }
        }
    }

    // What the catalog needs of the game whose main file is mainPath, or nothing when the
    // game does not fit in memory (reported when report is set).
    std::optional<SiteGameReading> ReadGame(const std::string& mainPath, bool report = true)
    {
        GameInputs inputs;
        inputs.mainPath = mainPath;
        inputs.includeFolders = m_job.includeFolders;
        inputs.switches = m_job.switches;
        inputs.libraryFolder = m_job.libraryFolder;
        try {
            if (const std::shared_ptr<const CGame> game = CGame::Build(inputs, m_disk)) {
                SiteGameReading reading = CSiteCatalog::Read(*game, m_disk, m_words);
                const auto folder = m_folderOf.find(mainPath);
                reading.outside.assign(reading.files.size(), 0);
                for (std::size_t i = 0; i < reading.files.size(); ++i) {
                    SiteFile& file = reading.files[i];
                    if (file.unreadable) continue;
                    file.realPath = RealPath(file.path);
                    reading.outside[i] = folder != m_folderOf.end() && !folder->second.empty() &&
                                         !file.realPath.empty() && !IsInside(file.realPath, folder->second);
                }
                return reading;
            }
        } catch (const std::bad_alloc&) {
        }
        if (report) Fail(mainPath, kGameTooLarge);
        return std::nullopt;
    }

    void WritePages(const CSiteCatalog& catalog)
    {
        std::set<std::string> previous;
        for (std::string& entry : m_folder.ReadList(SITE_MANIFEST)) previous.insert(std::move(entry));
        std::set<std::string> written;
        // A file in the way that the site did not write stays.
        auto mayWrite = [&](const std::string& entry) {
            if (previous.count(entry) || !m_folder.Exists(entry)) return true;
            Fail(m_folder.PathOf(entry), "is in the way (the site did not write it); left as it is");
            return false;
        };
        // The style sheet, the index and the A to Z are built and written while the files'
        // pages are, the largest file's page first.
        // Each hands its bytes over in pieces; false: memory ran out.
        struct TopPage {
            const char* entry;
            bool (*build)(const CSyntaxStyleMap&, const CSiteCatalog&, const SitePieces&);
        };
        static constexpr TopPage kTopPages[] = {
            {"style.css",
             [](const CSyntaxStyleMap& styles, const CSiteCatalog&, const SitePieces& put) {
                 const std::string css = SiteStyleSheet(styles);
                 put(css);
                 return !css.empty();
             }},
            {"index.html",
             [](const CSyntaxStyleMap&, const CSiteCatalog& c, const SitePieces& put) {
                 put(SiteIndexPage(c));
                 return true;
             }},
            {"names.html",
             [](const CSyntaxStyleMap&, const CSiteCatalog& c, const SitePieces& put) {
                 SiteNamesPage(c, put);
                 return true;
             }},
            {"search-index.js",
             [](const CSyntaxStyleMap&, const CSiteCatalog& c, const SitePieces& put) {
                 SiteSearchIndex(c, put);
                 return true;
             }},
            {"search.js",
             [](const CSyntaxStyleMap&, const CSiteCatalog&, const SitePieces& put) {
                 put(SiteSearchScript());
                 return true;
             }},
        };
        std::vector<const TopPage*> tops;
        for (const TopPage& top : kTopPages)
            if (mayWrite(top.entry)) tops.push_back(&top);
        std::vector<std::uint32_t> pages;
        for (const std::uint32_t id : catalog.FilesByPath())
            if (!catalog.Files()[id].unreadable && mayWrite(PageEntry(catalog, id))) pages.push_back(id);
        std::stable_sort(pages.begin(), pages.end(), [&](std::uint32_t a, std::uint32_t b) {
            return catalog.Files()[a].bytes > catalog.Files()[b].bytes;
        });
        // The pages of uses, the longest lists first.
        std::vector<std::uint32_t> usesPages;
        for (const std::uint32_t id : catalog.FilesByPath())
            if (HasUsesPage(catalog.Files()[id]) && mayWrite(UsesEntry(catalog, id))) usesPages.push_back(id);
        std::stable_sort(usesPages.begin(), usesPages.end(), [&](std::uint32_t a, std::uint32_t b) {
            return catalog.Files()[a].usesOf.size() + catalog.Files()[a].definitions.size() >
                   catalog.Files()[b].usesOf.size() + catalog.Files()[b].definitions.size();
        });

        // Before anything is written, the manifest names what the site wrote before and
        // all it is about to write, so that a run cut short (a signal, a crash, a full
        // disk) leaves every file it made owned by the site, to be replaced or removed by
        // the next one.
        std::set<std::string> owned = previous;
        for (const TopPage* top : tops) owned.insert(top->entry);
        for (const std::uint32_t id : pages) owned.insert(PageEntry(catalog, id));
        for (const std::uint32_t id : usesPages) owned.insert(UsesEntry(catalog, id));
        if (owned != previous && !WriteManifest(owned)) return;

        // The files' pages (which gather the lines that hold uses), then the pages of uses.
        std::atomic<std::size_t> done{0};
        const std::size_t all = pages.size() + usesPages.size();
        m_listener.OnProgress(0, all);
        auto progress = [&] {
            const std::size_t now = done.fetch_add(1) + 1;
            std::lock_guard<std::mutex> lock(m_mutex);
            m_listener.OnProgress(now, all);
        };
        std::vector<CSiteLines> lines(catalog.Files().size());
        std::vector<char> ok(tops.size() + pages.size(), 0);
        ParallelFor(ok.size(), m_job.jobs, [&](std::size_t i) {
            if (i < tops.size()) {
                ok[i] = WriteTop(*tops[i], catalog);
                return;
            }
            ok[i] = WritePage(catalog, pages[i - tops.size()], lines[pages[i - tops.size()]]);
            progress();
        });
        std::vector<char> usesOk(usesPages.size(), 0);
        ParallelFor(usesPages.size(), m_job.jobs, [&](std::size_t i) {
            usesOk[i] = WriteUsesPage(catalog, usesPages[i], lines);
            progress();
        });
        lines = std::vector<CSiteLines>();
        for (std::size_t i = 0; i < tops.size(); ++i)
            if (ok[i]) written.insert(tops[i]->entry);
        for (std::size_t i = 0; i < pages.size(); ++i) {
            if (!ok[tops.size() + i]) continue;
            written.insert(PageEntry(catalog, pages[i]));
            ++m_outcome.pages;
        }
        for (std::size_t i = 0; i < usesPages.size(); ++i)
            if (usesOk[i]) written.insert(UsesEntry(catalog, usesPages[i]));

        // What the site wrote before and did not write now goes; then the manifest names
        // what it wrote.
        for (const std::string& entry : owned)
            if (!written.count(entry)) m_folder.Remove(entry);
        WriteManifest(written);
    }

    static std::string PageEntry(const CSiteCatalog& catalog, std::uint32_t id)
    {
        return std::string(kPagesFolder) + "/" + catalog.Files()[id].page;
    }

    static std::string UsesEntry(const CSiteCatalog& catalog, std::uint32_t id)
    {
        return std::string(kUsesFolder) + "/" + catalog.Files()[id].page;
    }

    bool WriteUsesPage(const CSiteCatalog& catalog, std::uint32_t id, const std::vector<CSiteLines>& lines)
    {
        const std::string entry = UsesEntry(catalog, id);
        CSiteFolder::CFile file(m_folder, entry, m_mode);
        bool built = false;
        try {
            SiteUsesPage(catalog, id, lines, [&](std::string_view bytes) { file.Write(bytes); });
            built = true;
        } catch (const std::bad_alloc&) {
        }
        const int error = file.Close(built ? 0 : ENOMEM);
        if (error) Fail(m_folder.PathOf(entry), std::strerror(error));
        return !error;
    }

    bool WriteManifest(const std::set<std::string>& entries)
    {
        std::string manifest;
        for (const std::string& entry : entries) manifest += entry + "\n";
        const int error = m_folder.WriteWhole(SITE_MANIFEST, manifest, m_mode);
        if (error) Fail(m_folder.PathOf(SITE_MANIFEST), std::strerror(error));
        return !error;
    }

    template <typename TopPage>
    bool WriteTop(const TopPage& top, const CSiteCatalog& catalog)
    {
        CSiteFolder::CFile file(m_folder, top.entry, m_mode);
        bool built = false;
        try {
            built = top.build(m_styles, catalog, [&](std::string_view bytes) { file.Write(bytes); });
        } catch (const std::bad_alloc&) {
        }
        const int error = file.Close(built ? 0 : ENOMEM);
        if (error) Fail(m_folder.PathOf(top.entry), std::strerror(error));
        return !error;
    }

    bool WritePage(const CSiteCatalog& catalog, std::uint32_t id, CSiteLines& lines)
    {
        const SiteFile& file = catalog.Files()[id];
        // Read as the game read it (an empty file is an empty text).
        std::string reason;
        const std::shared_ptr<const std::string> text = m_disk.Load(file.path, reason);
        if (!text) {
            Fail(file.path, reason);
            return false;
        }
        COutputBuffer page;
        const RenderStatus status = WriteSitePage(catalog, id, *text, page, &lines);
        if (status == RenderStatus::OutOfMemory) {
            Fail(file.path, "the page does not fit in memory");
            return false;
        }
        const std::string entry = PageEntry(catalog, id);
        if (const int error = m_folder.WriteWhole(entry, page.View(), m_mode)) {
            Fail(m_folder.PathOf(entry), std::strerror(error));
            return false;
        }
        if (status == RenderStatus::LongLine) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_outcome.longLine = true;
            m_listener.OnLongLine(file.path);
        }
        return true;
    }

    const SiteJob& m_job;
    const CSyntaxStyleMap& m_styles;
    ISiteListener& m_listener;
    CDiskFileSource m_disk;
    CSiteFolder m_folder;
    CSiteWordCache m_words;
    std::unordered_map<std::string, std::string> m_folderOf;  // a main file's game's folder (a real path)
    mode_t m_mode = 0644;
    std::mutex m_mutex;
    SiteOutcome m_outcome;
};

}  // namespace

SiteOutcome WriteSite(const SiteJob& job, const CSyntaxStyleMap& styles, ISiteListener& listener)
{
    return CSiteRun(job, styles, listener).Run();
}
