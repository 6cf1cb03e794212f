#pragma once
// CGameFileWatcher: tells when files of the game change on disk, however they are
// saved: written in place, or replaced by another file renamed over them (as many
// editors save), deleted, or renamed away.
//
//  - Watch(files, awaited) watches files and the folders they stand in; what each file
//    is now (its size, time and inode) is what later changes are told against, except
//    for a file watched already, which keeps what it was when first watched (a change
//    made while the game was being built is still told). awaited
//    are paths where a file was looked for in vain (an include that leads nowhere);
//    their folders are watched too.
//  - A change is told once things have been quiet for SETTLE_MS, so that an editor's
//    save in several steps is one change: filesChanged lists the files whose content
//    changed or that came back, and those that are gone; awaitedFileAppeared says that
//    one of the awaited paths now holds a file.
//  - A file replaced by a rename is watched again at once (the system's watch went with
//    the file it replaced).

#include <QFileSystemWatcher>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <map>

class CGameFileWatcher : public QObject {
    Q_OBJECT

public:
    static constexpr int SETTLE_MS = 120;

    explicit CGameFileWatcher(QObject* parent = nullptr);

    void Watch(const QStringList& files, const QStringList& awaited = {});
    QStringList WatchedFiles() const;

signals:
    void filesChanged(const QStringList& changed, const QStringList& gone);
    void awaitedFileAppeared();

private:
    struct Stamp {
        bool exists = false;
        long long size = 0;
        long long modified = 0;  // ns
        unsigned long long device = 0;
        unsigned long long inode = 0;
        bool operator==(const Stamp&) const = default;
    };
    static Stamp StampOf(const QString& path);
    static QString FolderOf(const QString& path);
    void Check();
    void Arm(const QString& path);

    QFileSystemWatcher m_watcher;
    QTimer m_settle;
    std::map<QString, Stamp> m_files;
    QStringList m_awaited;
};
