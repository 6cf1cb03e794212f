#include "GameFileWatcher.h"

#include "doc/FileName.h"

#include <QFileInfo>

#include <algorithm>

namespace {

FileStamp StampOf(const QString& path) { return FileStamp::Of(EncodeFileName(path).toStdString()); }

// Qt's own encoding of a name is lossy: a name that is not UTF-8 on disk is not watched.
QStringList Watchable(QStringList& from, qsizetype count)
{
    QStringList batch;
    const qsizetype n = std::min(count, from.size());
    for (qsizetype i = 0; i < n; ++i)
        if (!HasEscapedBytes(from[i])) batch << from[i];
    from.remove(0, n);
    return batch;
}

}  // namespace

CGameFileWatcher::CGameFileWatcher(QObject* parent) : QObject(parent)
{
    m_settle.setSingleShot(true);
    connect(&m_settle, &QTimer::timeout, this, &CGameFileWatcher::Check);
    m_arming.setInterval(0);
    connect(&m_arming, &QTimer::timeout, this, &CGameFileWatcher::ArmSome);
}

QStringList CGameFileWatcher::AddToSystem(const QStringList& paths)
{
    QStringList missed;
    qsizetype next = 0;
    for (Shard& shard : m_shards) {
        if (next == paths.size()) break;
        const qsizetype room = SHARD - shard.count;
        if (room <= 0) continue;
        const QStringList part = paths.mid(next, room);
        next += part.size();
        const QStringList notAdded = shard.watcher->addPaths(part);
        shard.count += part.size() - notAdded.size();
        for (const QString& path : part) m_shardOf.insert(path, &shard - m_shards.data());
        for (const QString& path : notAdded) m_shardOf.remove(path);
        missed += notAdded;
    }
    if (next < paths.size()) {
        auto* watcher = new QFileSystemWatcher(this);
        connect(watcher, &QFileSystemWatcher::fileChanged, this, [this](const QString& path) { Changed(path, false); });
        connect(watcher, &QFileSystemWatcher::directoryChanged, this, [this](const QString& path) { Changed(path, true); });
        m_shards.push_back(Shard{watcher, 0});
        missed += AddToSystem(paths.mid(next));
    }
    return missed;
}

void CGameFileWatcher::RemoveFromSystem(const QStringList& paths)
{
    std::vector<QStringList> byShard(m_shards.size());
    for (const QString& path : paths)
        if (const auto it = m_shardOf.constFind(path); it != m_shardOf.constEnd()) byShard[*it] << path;
    for (std::size_t s = 0; s < byShard.size(); ++s) {
        if (byShard[s].isEmpty()) continue;
        const QStringList kept = m_shards[s].watcher->removePaths(byShard[s]);
        m_shards[s].count -= byShard[s].size() - kept.size();
        for (const QString& path : byShard[s]) m_shardOf.remove(path);
    }
}

QString CGameFileWatcher::FolderOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

int CGameFileWatcher::SettleDelay(qint64 sinceFirst)
{
    if (sinceFirst >= MAX_WAIT_MS) return -1;
    return static_cast<int>(std::min<qint64>(SETTLE_MS, MAX_WAIT_MS - sinceFirst));
}

void CGameFileWatcher::Changed(const QString& path, bool folder)
{
    (folder ? m_dirtyFolders : m_dirty).insert(path);
    Settle();
}

void CGameFileWatcher::Settle()
{
    if (!m_settle.isActive()) {
        m_firstChange.start();
        m_settle.start(SETTLE_MS);
        return;
    }
    if (const int delay = SettleDelay(m_firstChange.elapsed()); delay >= 0) m_settle.start(delay);
}

void CGameFileWatcher::Watch(const std::vector<StampedFile>& files, const QStringList& awaited)
{
    QHash<QString, Entry> next;
    next.reserve(static_cast<qsizetype>(files.size()));
    QHash<QString, QStringList> inFolder;
    for (const StampedFile& file : files) {
        Entry entry{file.stamp, false};
        if (const auto known = m_files.constFind(file.path); known != m_files.constEnd()) entry.armed = known->armed;
        if (!next.contains(file.path)) inFolder[FolderOf(file.path)] << file.path;
        next.insert(file.path, entry);
    }
    m_awaited = QSet<QString>(awaited.begin(), awaited.end());
    for (const QString& path : std::as_const(m_awaited)) inFolder[FolderOf(path)] << path;

    // What is no longer wanted goes, in one call.
    QStringList drop;
    for (auto it = m_files.cbegin(); it != m_files.cend(); ++it)
        if (it->armed && !next.contains(it.key())) drop << it.key();
    for (auto it = m_folders.begin(); it != m_folders.end();) {
        if (inFolder.contains(*it)) {
            ++it;
            continue;
        }
        drop << *it;
        it = m_folders.erase(it);
    }
    if (!drop.isEmpty()) RemoveFromSystem(drop);

    m_files = std::move(next);
    m_inFolder = std::move(inFolder);
    m_filesToArm.clear();
    m_foldersToArm.clear();
    for (auto it = m_files.cbegin(); it != m_files.cend(); ++it)
        if (!it->armed) m_filesToArm << it.key();
    for (auto it = m_inFolder.cbegin(); it != m_inFolder.cend(); ++it)
        if (!m_folders.contains(it.key())) m_foldersToArm << it.key();
    // A file no longer watched is no longer looked at again.
    for (auto it = m_dirty.begin(); it != m_dirty.end();) it = m_files.contains(*it) ? std::next(it) : m_dirty.erase(it);
    ArmSome();
}

void CGameFileWatcher::ArmSome()
{
    const QStringList folders = Watchable(m_foldersToArm, BATCH);
    QStringList existing;
    for (const QString& folder : folders)
        if (QFileInfo::exists(folder)) existing << folder;
    const QStringList missedFolders = existing.isEmpty() ? QStringList() : AddToSystem(existing);
    for (const QString& folder : existing)
        if (!missedFolders.contains(folder)) m_folders.insert(folder);

    const QStringList batch = Watchable(m_filesToArm, BATCH - folders.size());
    const QStringList missed = batch.isEmpty() ? QStringList() : AddToSystem(batch);
    const QSet<QString> notArmed(missed.begin(), missed.end());
    bool changedMeanwhile = false;
    for (const QString& path : batch) {
        Entry& entry = m_files[path];
        entry.armed = !notArmed.contains(path);
        // What changed before the system watched it is told as any other change.
        if (StampOf(path) != entry.stamp) {
            m_dirty.insert(path);
            changedMeanwhile = true;
        }
    }
    if (changedMeanwhile) Settle();
    if (m_filesToArm.isEmpty() && m_foldersToArm.isEmpty())
        m_arming.stop();
    else if (!m_arming.isActive())
        m_arming.start();
}

QStringList CGameFileWatcher::WatchedFiles() const
{
    QStringList files = m_files.keys();
    files.sort();
    return files;
}

QStringList CGameFileWatcher::AwaitedFiles() const
{
    QStringList files = m_awaited.values();
    files.sort();
    return files;
}

void CGameFileWatcher::Check()
{
    QSet<QString> look = std::move(m_dirty);
    m_dirty.clear();
    bool appeared = false;
    for (const QString& folder : std::as_const(m_dirtyFolders))
        for (const QString& path : m_inFolder.value(folder)) {
            if (m_files.contains(path))
                look.insert(path);
            else if (m_awaited.contains(path) && StampOf(path).exists)
                appeared = true;
        }
    m_dirtyFolders.clear();

    QStringList changed;
    QStringList gone;
    for (const QString& path : std::as_const(look)) {
        const auto it = m_files.find(path);
        if (it == m_files.end()) continue;
        const FileStamp now = StampOf(path);
        if (now == it->stamp) continue;
        it->stamp = now;
        // Watched again: a file renamed over it took the system's watch away.
        if (it->armed) RemoveFromSystem({path});
        it->armed = now.exists && !HasEscapedBytes(path) && AddToSystem({path}).isEmpty();
        (now.exists ? changed : gone) << path;
    }
    changed.sort();
    gone.sort();
    if (!changed.isEmpty() || !gone.isEmpty()) emit filesChanged(changed, gone);
    if (appeared) {
        m_awaited.clear();
        emit awaitedFileAppeared();
    }
}
