#include "GameFileWatcher.h"

#include "doc/FileName.h"

#include <QFileInfo>

#include <sys/stat.h>

CGameFileWatcher::CGameFileWatcher(QObject* parent) : QObject(parent), m_watcher(this)
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(SETTLE_MS);
    connect(&m_settle, &QTimer::timeout, this, &CGameFileWatcher::Check);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, &m_settle, qOverload<>(&QTimer::start));
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, &m_settle, qOverload<>(&QTimer::start));
}

CGameFileWatcher::Stamp CGameFileWatcher::StampOf(const QString& path)
{
    struct stat st {};
    Stamp stamp;
    if (::stat(EncodeFileName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode)) return stamp;
    stamp.exists = true;
    stamp.size = st.st_size;
    stamp.modified = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    stamp.device = st.st_dev;
    stamp.inode = st.st_ino;
    return stamp;
}

QString CGameFileWatcher::FolderOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

void CGameFileWatcher::Arm(const QString& path)
{
    // Qt's own encoding of a name is lossy; a name that is not UTF-8 on disk is not watched.
    if (!HasEscapedBytes(path) && !m_watcher.files().contains(path) && StampOf(path).exists) m_watcher.addPath(path);
}

void CGameFileWatcher::Watch(const QStringList& files, const QStringList& awaited)
{
    // A file watched already keeps what it was, so that a change not yet told is told.
    std::map<QString, Stamp> before = std::move(m_files);
    if (!m_watcher.files().isEmpty()) m_watcher.removePaths(m_watcher.files());
    if (!m_watcher.directories().isEmpty()) m_watcher.removePaths(m_watcher.directories());
    m_files.clear();
    m_awaited = awaited;
    QStringList folders;
    for (const QString& path : files) {
        const auto known = before.find(path);
        m_files[path] = known != before.end() ? known->second : StampOf(path);
        Arm(path);
        folders << FolderOf(path);
    }
    for (const QString& path : awaited) folders << FolderOf(path);
    folders.removeDuplicates();
    for (const QString& folder : folders)
        if (!HasEscapedBytes(folder) && QFileInfo::exists(folder)) m_watcher.addPath(folder);
    // What changed while nothing watched it is told as any other change.
    for (const auto& [path, stamp] : m_files)
        if (StampOf(path) != stamp) {
            m_settle.start();
            break;
        }
}

QStringList CGameFileWatcher::WatchedFiles() const
{
    QStringList files;
    for (const auto& [path, stamp] : m_files) files << path;
    return files;
}

void CGameFileWatcher::Check()
{
    QStringList changed;
    QStringList gone;
    for (auto& [path, stamp] : m_files) {
        const Stamp now = StampOf(path);
        if (now == stamp) continue;
        stamp = now;
        if (now.exists) {
            changed << path;
            Arm(path);
        } else {
            gone << path;
        }
    }
    if (!changed.isEmpty() || !gone.isEmpty()) emit filesChanged(changed, gone);
    for (const QString& path : m_awaited) {
        if (!StampOf(path).exists) continue;
        m_awaited.clear();
        emit awaitedFileAppeared();
        break;
    }
}
