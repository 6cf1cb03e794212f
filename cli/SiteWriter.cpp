#include "SiteWriter.h"

#include "SiteCatalog.h"
#include "SiteIndexPages.h"
#include "SitePage.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
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
#include <unistd.h>

namespace {

constexpr const char* kPagesFolder = "src";
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

// The .inf and .h files in folder and its subfolders, in the order of their paths.
void ListSources(const std::string& folder, const struct stat& out, std::vector<std::string>& infs,
                 std::vector<std::string>& headers)
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
        if (::stat(path.c_str(), &st) != 0) continue;
        if (S_ISDIR(st.st_mode)) {
            if (st.st_dev == out.st_dev && st.st_ino == out.st_ino) continue;
            ListSources(path, out, infs, headers);
        } else if (EndsWithFolded(name, ".inf")) {
            infs.push_back(path);
        } else if (EndsWithFolded(name, ".h")) {
            headers.push_back(path);
        }
    }
}

bool MakeFolders(const std::string& path)
{
    for (std::size_t at = 1; at <= path.size(); ++at) {
        if (at != path.size() && path[at] != '/') continue;
        const std::string part = path.substr(0, at);
        if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return false;
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    if (!S_ISDIR(st.st_mode)) {
        errno = ENOTDIR;
        return false;
    }
    return true;
}

// A file written beside its place and renamed into it once whole, so that no reader
// ever sees half of it; dropped when Close is never reached.
class CReplacingFile {
public:
    CReplacingFile(const std::string& path, mode_t mode) : m_path(path)
    {
        const std::size_t slash = path.find_last_of('/');
        m_temporary = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + ".glossel-XXXXXX";
        m_fd = ::mkostemp(m_temporary.data(), O_CLOEXEC);
        if (m_fd < 0)
            m_error = errno;
        else
            ::fchmod(m_fd, mode);
    }
    CReplacingFile(const CReplacingFile&) = delete;
    CReplacingFile& operator=(const CReplacingFile&) = delete;
    ~CReplacingFile()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
            ::unlink(m_temporary.c_str());
        }
    }

    void Write(std::string_view bytes)
    {
        for (std::size_t done = 0; done < bytes.size() && !m_error;) {
            const ssize_t n = ::write(m_fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno != EINTR) m_error = errno;
            if (n > 0) done += static_cast<std::size_t>(n);
        }
    }

    // Renames the file into place; 0 or errno (error, when given, instead of the file's own).
    int Close(int error = 0)
    {
        if (m_fd < 0) return m_error;
        if (!m_error) m_error = error;
        if (::close(m_fd) != 0 && !m_error) m_error = errno;
        m_fd = -1;
        if (!m_error && ::rename(m_temporary.c_str(), m_path.c_str()) != 0) m_error = errno;
        if (m_error) ::unlink(m_temporary.c_str());
        return m_error;
    }

private:
    std::string m_path;
    std::string m_temporary;
    int m_fd = -1;
    int m_error = 0;
};

// Writes bytes to path through a file beside it that is renamed into place; 0 or errno.
int WriteWhole(const std::string& path, std::string_view bytes, mode_t mode)
{
    CReplacingFile file(path, mode);
    file.Write(bytes);
    return file.Close();
}

// A manifest's entry that names a file of the site's own: relative, no "..", no hidden part.
bool IsSiteEntry(const std::string& entry)
{
    if (entry.empty() || entry.front() == '/') return false;
    for (std::size_t at = 0; at <= entry.size();) {
        const std::size_t slash = std::min(entry.find('/', at), entry.size());
        if (slash == at || entry[at] == '.') return false;
        at = slash + 1;
    }
    return true;
}

std::set<std::string> ReadManifest(const std::string& path)
{
    std::set<std::string> entries;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
        if (IsSiteEntry(line)) entries.insert(line);
    return entries;
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
        if (!MakeFolders(m_job.outFolder) || !MakeFolders(JoinPath(m_job.outFolder, kPagesFolder))) {
            Fail(m_job.outFolder, std::strerror(errno));
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
        auto add = [&](const std::string& path) {
            if (seen.insert(m_disk.Identity(path)).second) mains.push_back(path);
        };
        for (const std::string& input : m_job.inputs) {
            struct stat st {};
            if (::stat(input.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
                std::vector<std::string> infs;
                ListSources(input, out, infs, headers);
                for (const std::string& path : infs) add(path);
            } else {
                add(input);
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
            if (const std::shared_ptr<const CGame> game = CGame::Build(inputs, m_disk))
                return CSiteCatalog::Read(*game, m_disk);
        } catch (const std::bad_alloc&) {
        }
        if (report) Fail(mainPath, kGameTooLarge);
        return std::nullopt;
    }

    void WritePages(const CSiteCatalog& catalog)
    {
        const std::string& out = m_job.outFolder;
        const std::set<std::string> previous = ReadManifest(JoinPath(out, SITE_MANIFEST));
        std::set<std::string> written;
        // A file in the way that the site did not write stays.
        auto mayWrite = [&](const std::string& entry) {
            struct stat st {};
            const std::string path = JoinPath(out, entry);
            if (::lstat(path.c_str(), &st) != 0 || previous.count(entry)) return true;
            Fail(path, "is in the way (the site did not write it); left as it is");
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
        };
        std::vector<const TopPage*> tops;
        for (const TopPage& top : kTopPages)
            if (mayWrite(top.entry)) tops.push_back(&top);
        std::vector<std::uint32_t> pages;
        for (const std::uint32_t id : catalog.FilesByPath())
            if (!catalog.Files()[id].unreadable && mayWrite(std::string(kPagesFolder) + "/" + catalog.Files()[id].page))
                pages.push_back(id);
        std::stable_sort(pages.begin(), pages.end(), [&](std::uint32_t a, std::uint32_t b) {
            return catalog.Files()[a].bytes > catalog.Files()[b].bytes;
        });
        std::atomic<std::size_t> done{0};
        m_listener.OnProgress(0, pages.size());
        std::vector<char> ok(tops.size() + pages.size(), 0);
        ParallelFor(ok.size(), m_job.jobs, [&](std::size_t i) {
            if (i < tops.size()) {
                ok[i] = WriteTop(*tops[i], catalog);
                return;
            }
            ok[i] = WritePage(catalog, pages[i - tops.size()]);
            const std::size_t now = done.fetch_add(1) + 1;
            std::lock_guard<std::mutex> lock(m_mutex);
            m_listener.OnProgress(now, pages.size());
        });
        for (std::size_t i = 0; i < tops.size(); ++i)
            if (ok[i]) written.insert(tops[i]->entry);
        for (std::size_t i = 0; i < pages.size(); ++i) {
            if (!ok[tops.size() + i]) continue;
            written.insert(std::string(kPagesFolder) + "/" + catalog.Files()[pages[i]].page);
            ++m_outcome.pages;
        }

        // What an earlier site wrote and this one did not goes; then the new manifest.
        for (const std::string& entry : previous)
            if (!written.count(entry)) ::unlink(JoinPath(out, entry).c_str());
        std::string manifest;
        for (const std::string& entry : written) manifest += entry + "\n";
        if (const int error = WriteWhole(JoinPath(out, SITE_MANIFEST), manifest, m_mode))
            Fail(JoinPath(out, SITE_MANIFEST), std::strerror(error));
    }

    template <typename TopPage>
    bool WriteTop(const TopPage& top, const CSiteCatalog& catalog)
    {
        const std::string path = JoinPath(m_job.outFolder, top.entry);
        CReplacingFile file(path, m_mode);
        bool built = false;
        try {
            built = top.build(m_styles, catalog, [&](std::string_view bytes) { file.Write(bytes); });
        } catch (const std::bad_alloc&) {
        }
        const int error = file.Close(built ? 0 : ENOMEM);
        if (error) Fail(path, std::strerror(error));
        return !error;
    }

    bool WritePage(const CSiteCatalog& catalog, std::uint32_t id)
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
        const RenderStatus status = WriteSitePage(catalog, id, *text, page);
        if (status == RenderStatus::OutOfMemory) {
            Fail(file.path, "the page does not fit in memory");
            return false;
        }
        const std::string path = JoinPath(JoinPath(m_job.outFolder, kPagesFolder), file.page);
        if (const int error = WriteWhole(path, page.View(), m_mode)) {
            Fail(path, std::strerror(error));
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
    mode_t m_mode = 0644;
    std::mutex m_mutex;
    SiteOutcome m_outcome;
};

}  // namespace

SiteOutcome WriteSite(const SiteJob& job, const CSyntaxStyleMap& styles, ISiteListener& listener)
{
    return CSiteRun(job, styles, listener).Run();
}
