#include "GameSession.h"

#include "doc/FileName.h"
#include "doc/TextLoader.h"

#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

#include <new>
#include <unordered_set>

namespace {

std::string SystemName(const QString& path) { return EncodeFileName(path).toStdString(); }

QString ViewerName(const std::string& path) { return AbsoluteFileName(DecodeFileName(QByteArray::fromStdString(path))); }

// The disk as a build reads it: each file's stamp is taken just before its text is read,
// and the file shown is read as the window shows it (from disk again only once it
// changed, and then only when the disk can give it as the viewer reads a file).
class CStampingSource final : public IGameFileSource {
public:
    CStampingSource(std::string shownPath, std::shared_ptr<const std::string> shownText, FileStamp shownStamp,
                    bool readShownAgain)
        : m_shownPath(std::move(shownPath)), m_shownText(std::move(shownText)), m_shownStamp(shownStamp),
          m_readShownAgain(readShownAgain || !m_shownText)
    {
        if (!m_shownPath.empty()) m_shownIdentity = m_disk.Identity(m_shownPath);
    }

    // A path that is no file on disk has itself as its identity: it is the file shown
    // (gone from disk) only by that file's own name.
    bool IsFile(const std::string& path) const override
    {
        return m_disk.IsFile(path) || (m_shownText && !m_shownPath.empty() && path == m_shownPath);
    }
    std::vector<std::string> ListFolder(const std::string& folder) const override { return m_disk.ListFolder(folder); }
    std::string Identity(const std::string& path) const override { return m_disk.Identity(path); }

    std::shared_ptr<const std::string> Load(const std::string& path, std::string& reason) const override
    {
        if (!IsShown(path)) {
            m_stamps[path] = FileStamp::Of(path);
            return m_disk.Load(path, reason);
        }
        if (!m_readShownAgain) {
            m_stamps[path] = m_shownStamp;
            return m_shownText;
        }
        const FileStamp stamp = FileStamp::Of(path);
        m_stamps[path] = stamp;
        auto text = std::make_shared<std::string>();
        if (LoadTextFile(path, *text)) return text;
        if (m_shownText) return m_shownText;
        return m_disk.Load(path, reason);
    }

    std::unordered_map<std::string, FileStamp>& Stamps() const { return m_stamps; }

private:
    bool IsShown(const std::string& path) const
    {
        return !m_shownPath.empty() && (path == m_shownPath || m_disk.Identity(path) == m_shownIdentity);
    }

    CDiskFileSource m_disk;
    std::string m_shownPath;
    std::string m_shownIdentity;
    std::shared_ptr<const std::string> m_shownText;
    FileStamp m_shownStamp;
    bool m_readShownAgain;
    mutable std::unordered_map<std::string, FileStamp> m_stamps;
};

// The file shown and nothing else: its includes lead nowhere.
class CShownFileAlone final : public IGameFileSource {
public:
    CShownFileAlone(std::string path, std::shared_ptr<const std::string> text)
        : m_path(std::move(path)), m_text(std::move(text))
    {
    }
    bool IsFile(const std::string& path) const override { return path == m_path; }
    std::vector<std::string> ListFolder(const std::string&) const override { return {}; }
    std::string Identity(const std::string& path) const override { return path; }
    std::shared_ptr<const std::string> Load(const std::string& path, std::string& reason) const override
    {
        if (path == m_path) return m_text;
        reason = "not read yet";
        return nullptr;
    }

private:
    std::string m_path;
    std::shared_ptr<const std::string> m_text;
};

// The viewer's names of what read read, and the paths tried in vain, each once.
void NameWhatWasRead(CGameSession::Read& read)
{
    const CGame& game = *read.game;
    read.files.reserve(game.FileCount());
    std::unordered_set<std::string> tried;
    for (std::uint32_t f = 0; f < game.FileCount(); ++f) {
        const CGameFile& file = game.File(f);
        const auto stamp = read.stamps.find(file.Path());
        read.files.push_back(StampedFile{ViewerName(file.Path()), stamp != read.stamps.end() ? stamp->second : FileStamp{}});
        for (const GameInclude& include : file.Includes())
            if (include.target == NO_FILE)
                for (const std::string& path : include.Resolution().tried)
                    if (tried.insert(path).second) read.awaited << ViewerName(path);
    }
}

}  // namespace

CGameSession::CGameSession(QObject* parent) : QObject(parent) {}

CGameSession::~CGameSession() = default;

const IGameFileSource& CGameSession::Source()
{
    static const CDiskFileSource disk;
    return disk;
}

void CGameSession::Start(const QString& mainPath)
{
    Run(nullptr);
    m_mainPath = mainPath;
    m_read = Read{};
    m_buildWanted = !mainPath.isEmpty();
    emit gameChanged();
}

void CGameSession::SetSwitches(const std::string& switches)
{
    m_switches = switches;
    m_fileGame = nullptr;  // the file alone is read with them too
    m_fileGameText = nullptr;
}

void CGameSession::Build()
{
    if (m_buildWanted) Rebuild();
}

void CGameSession::SetShownFile(const QString& path, std::shared_ptr<const std::string> text, const FileStamp& stamp)
{
    m_shown = Shown{SystemName(path), std::move(text), stamp};
    m_readShownAgain = false;
}

void CGameSession::SetShownText(std::shared_ptr<const std::string> text) { m_shown.text = std::move(text); }

FileStamp CGameSession::StampRead(const std::string& gamePath) const
{
    const auto it = m_read.stamps.find(gamePath);
    return it == m_read.stamps.end() ? FileStamp{} : it->second;
}

void CGameSession::FilesChanged(const QStringList& changed, const QStringList& gone)
{
    const QString shown = DecodeFileName(QByteArray::fromStdString(m_shown.path));
    if (changed.contains(shown)) m_readShownAgain = true;
    QStringList all = changed + gone;
    // The text shown stays the game's when its file goes.
    if (gone.contains(shown)) all.removeAll(shown);
    if (all.isEmpty() || m_mainPath.isEmpty() || m_buildWanted) return;
    const GamePointer& game = m_read.game;
    if (game && all.size() == 1)
        // The game reads the one file again, by the name it knows it by.
        for (std::uint32_t f = 0; f < game->FileCount(); ++f)
            if (m_read.files[f].path == all.first()) return Run(MakeJob(game->File(f).Path()));
    Rebuild();
}

void CGameSession::Rebuild()
{
    if (m_mainPath.isEmpty()) return;
    m_buildWanted = false;
    Run(MakeJob(std::string()));
}

CGameSession::Job CGameSession::MakeJob(const std::string& reindexPath)
{
    GameInputs inputs;
    inputs.mainPath = SystemName(m_mainPath);
    inputs.switches = m_switches;
    for (const QString& folder : m_includeFolders) inputs.includeFolders.push_back(SystemName(folder));
    // Reindexing keeps every other file's text, and so its stamp.
    GamePointer before = reindexPath.empty() ? nullptr : m_read.game;
    auto stamps = before ? std::make_shared<const std::unordered_map<std::string, FileStamp>>(m_read.stamps) : nullptr;
    return [inputs, reindexPath, before, stamps, shown = m_shown, again = m_readShownAgain, build = m_builder] {
        auto read = std::make_shared<Read>();
        try {
            const CStampingSource source(shown.path, shown.text, shown.stamp, again);
            if (before)
                read->game = before->Reindex(reindexPath, source);
            else
                read->game = build ? build(inputs, source) : CGame::Build(inputs, source);
            if (!read->game) return read;
            if (stamps) read->stamps = *stamps;
            for (const auto& [path, stamp] : source.Stamps()) read->stamps[path] = stamp;
            NameWhatWasRead(*read);
        } catch (const std::bad_alloc&) {
            read = std::make_shared<Read>();
        }
        return read;
    };
}

void CGameSession::Run(Job job)
{
    // A build under way is overtaken: it runs to its end, and nobody hears of it.
    if (m_watcher) {
        m_watcher->disconnect(this);
        m_watcher->deleteLater();
        m_watcher = nullptr;
    }
    if (!job) return;
    m_watcher = new QFutureWatcher<std::shared_ptr<Read>>(this);
    connect(m_watcher, &QFutureWatcherBase::finished, this, &CGameSession::Finished);
    m_watcher->setFuture(QtConcurrent::run(std::move(job)));
}

void CGameSession::Finished()
{
    if (!m_watcher) return;
    std::shared_ptr<Read> read = m_watcher->result();
    m_watcher->disconnect(this);
    m_watcher->deleteLater();
    m_watcher = nullptr;
    // Null only when memory ran out: the game read before stays.
    if (!read || !read->game) {
        emit buildFailed();
        return;
    }
    m_read = std::move(*read);
    emit gameChanged();
}

GamePointer CGameSession::FileGame()
{
    if (!m_shown.text) return nullptr;
    if (m_fileGame && m_fileGameText == m_shown.text) return m_fileGame;
    GameInputs inputs;
    inputs.mainPath = m_shown.path;
    inputs.switches = m_switches;
    inputs.libraryFolder.clear();
    m_fileGame = CGame::Build(inputs, CShownFileAlone(m_shown.path, m_shown.text));
    m_fileGameText = m_fileGame ? m_shown.text : nullptr;
    return m_fileGame;
}
