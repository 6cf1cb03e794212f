#pragma once
// CGameSession: the game the main window reads, as the game model has it (game/Game.h):
// the main file the user opened and everything it includes, with the index of their
// definitions.
//
//  - Start(main) begins a new game: the old one is let go at once and the new one is
//    built on a thread of the pool, so that the window never waits for it; gameChanged
//    tells when it is there. An empty main path is no game.
//  - Reindex(path) builds the same game again after the file at path changed on disk
//    (only that file is read again); Rebuild reads every file again.
//  - A build that a later Start, Reindex or Rebuild overtook is dropped when it ends.
//  - WaitForGame gives the game a command needs: it waits for a build under way.
//  - The folders of --include-path are tried after those of the main file's header.
//
// Nothing of it is stored: the game lasts for the run, or until another Start.

#include "game/Game.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

template <typename T>
class QFutureWatcher;

using GamePointer = std::shared_ptr<const CGame>;

class CGameSession : public QObject {
    Q_OBJECT

public:
    explicit CGameSession(QObject* parent = nullptr);
    ~CGameSession() override;

    void SetIncludeFolders(const QStringList& folders) { m_includeFolders = folders; }
    const QStringList& IncludeFolders() const { return m_includeFolders; }

    void Start(const QString& mainPath);
    void Reindex(const QString& path);
    void Rebuild();

    // The main file of the game, as the user opened it; empty when there is none.
    const QString& MainPath() const { return m_mainPath; }
    // The game as last built: null while the first build runs, or with no main file.
    const GamePointer& Game() const { return m_game; }
    GamePointer WaitForGame();
    bool IsBuilding() const { return m_watcher != nullptr; }

    // Where the game's files are read from: the disk, as the viewer reads them.
    static const IGameFileSource& Source();

signals:
    // Another game is the current one, or the same game after a file changed.
    void gameChanged();

private:
    using Build = std::function<GamePointer()>;
    void Run(Build build);
    void Finished();

    QString m_mainPath;
    QStringList m_includeFolders;
    GamePointer m_game;
    QFutureWatcher<GamePointer>* m_watcher = nullptr;  // the build under way, if any
};
