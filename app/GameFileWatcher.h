#pragma once
// CGameFileWatcher: tells when files of the game change on disk, however they are
// saved: written in place, or replaced by another file renamed over them (as many
// editors save), deleted, or renamed away.
//
//  - Watch(files, awaited) watches files, each told against the stamp it comes with
//    (taken when the game read it, so that a change made while the game was being built
//    is still told), and the folders they stand in. awaited are paths where a file was
//    looked for in vain (an include that leads nowhere); their folders are watched too.
//    A new Watch changes only what differs from the last: files and folders no longer
//    wanted are let go, new ones are given to the system in batches of BATCH, one batch
//    a turn of the event loop, so that a game of 100,000 files never holds the window
//    up (nor do the system's watches, kept SHARD to a watcher); a new file is checked
//    at once against its stamp.
//  - Only the files that the system says changed, or that stand in a folder it says
//    changed, are looked at again. A change is told once things have been quiet for
//    SETTLE_MS, so that an editor's save in several steps is one change, but never
//    later than MAX_WAIT_MS after the first change not yet told, so that a file written
//    without a pause is still read again about every second. filesChanged lists the
//    files whose content changed or that came back, and those that are gone;
//    awaitedFileAppeared says that one of the awaited paths now holds a file.
//  - A file replaced by a rename is watched again at once (the system's watch went with
//    the file it replaced).

#include "FileStamp.h"

#include <QElapsedTimer>
#include <QFileSystemWatcher>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QTimer>

#include <QHash>

#include <vector>

class CGameFileWatcher : public QObject {
    Q_OBJECT

public:
    static constexpr int SETTLE_MS = 120;
    static constexpr int MAX_WAIT_MS = 1000;
    static constexpr qsizetype BATCH = 4096;
    static constexpr qsizetype SHARD = 1024;

    explicit CGameFileWatcher(QObject* parent = nullptr);

    void Watch(const std::vector<StampedFile>& files, const QStringList& awaited = {});
    QStringList WatchedFiles() const;
    QStringList AwaitedFiles() const;
    // How long to wait before telling a change, sinceFirst ms after the first change not
    // yet told: SETTLE_MS, less near MAX_WAIT_MS; -1 when the wait under way ends soon enough.
    static int SettleDelay(qint64 sinceFirst);

signals:
    void filesChanged(const QStringList& changed, const QStringList& gone);
    void awaitedFileAppeared();

private:
    struct Entry {
        FileStamp stamp;
        bool armed = false;  // given to the system
    };
    static QString FolderOf(const QString& path);
    void Changed(const QString& path, bool folder);
    // Tells the changes once things are quiet, or the wait is long enough.
    void Settle();
    void ArmSome();
    void Check();

    // Given to the system in watchers of SHARD paths each: a watcher looks a path up in a
    // list of all it holds, so that one watcher of 100,000 paths takes minutes to fill.
    struct Shard {
        QFileSystemWatcher* watcher;
        qsizetype count;
    };
    QStringList AddToSystem(const QStringList& paths);  // the paths it could not watch
    void RemoveFromSystem(const QStringList& paths);

    std::vector<Shard> m_shards;
    QHash<QString, std::size_t> m_shardOf;
    QTimer m_settle;
    QTimer m_arming;
    QElapsedTimer m_firstChange;
    QHash<QString, Entry> m_files;
    QSet<QString> m_awaited;
    QHash<QString, QStringList> m_inFolder;  // the files and awaited paths of each folder watched
    QSet<QString> m_folders;                 // given to the system
    QStringList m_filesToArm;  // not given to the system yet
    QStringList m_foldersToArm;
    QSet<QString> m_dirty;  // files to look at again
    QSet<QString> m_dirtyFolders;
};
