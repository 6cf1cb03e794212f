#pragma once
// CGameSession: the game the main window reads, as the game model has it (game/Game.h):
// the main file the user opened and everything it includes, with the index of their
// definitions. Nothing of it is stored: the game lasts for the run, or until another Start.
//
//  - Start(main) makes main the main file of a new game and lets the old one go at
//    once; the new one is built once Build() is called (the window calls it when the
//    text has been painted), on a thread of the pool, so that neither the window nor its
//    first paint waits for it. gameChanged tells when another game is there. An empty
//    main is no game.
//  - The file shown (SetShownFile): every build reads it as the window shows it (the
//    text as it was read, with the stamp taken before that read), so that the game and
//    the text shown never differ. Only once FilesChanged says that it changed is it read
//    from disk again; when the disk cannot give it then (deleted, or emptied on its way
//    to being written) the text shown stays the game's.
//  - FilesChanged(changed, gone) builds the same game again: for one file only that file
//    is read again, else every file is. The file shown going away changes nothing.
//  - Each build keeps, for every file it read, the viewer's name of it and the stamp
//    taken just before the read (Files()), and the paths where an include was looked for
//    in vain, each once (Awaited()): what the watcher watches, made on the build's
//    thread. A change made while the game was being built is so still seen.
//  - A build that a later Start or build overtook is dropped when it ends. A build that
//    runs out of memory keeps the game read before, and says so with buildFailed.
//  - FileGame(): the file shown alone, its includes not followed, made at once on the
//    calling thread from its text (and kept for that text), for answers while the game
//    is not there yet.
//  - The folders of --include-path are tried after those of the main file's header.
//  - Every build, and the file alone, reads the game as the compiler compiles it with
//    the switches of SetSwitches (as one argument, CompilerSwitches.h; none: the
//    compiler's default); changing them takes effect at the next build.

#include "FileStamp.h"

#include "game/Game.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

template <typename T>
class QFutureWatcher;

using GamePointer = std::shared_ptr<const CGame>;

class CGameSession : public QObject {
    Q_OBJECT

public:
    // What a build read: the files of its game, and where includes were looked for in vain.
    struct Read {
        GamePointer game;
        std::unordered_map<std::string, FileStamp> stamps;  // by the game's path of each file
        std::vector<StampedFile> files;                     // in the game's order
        QStringList awaited;
    };

    explicit CGameSession(QObject* parent = nullptr);
    ~CGameSession() override;

    void SetIncludeFolders(const QStringList& folders) { m_includeFolders = folders; }
    const QStringList& IncludeFolders() const { return m_includeFolders; }
    void SetSwitches(const std::string& switches);
    const std::string& Switches() const { return m_switches; }

    void Start(const QString& mainPath);
    // Begins the build that Start asked for, when it has not begun.
    void Build();
    // The file shown, its text as shown (null: not made yet) and the stamp of that read.
    void SetShownFile(const QString& path, std::shared_ptr<const std::string> text, const FileStamp& stamp);
    void SetShownText(std::shared_ptr<const std::string> text);
    const std::shared_ptr<const std::string>& ShownText() const { return m_shown.text; }
    void FilesChanged(const QStringList& changed, const QStringList& gone);
    void Rebuild();

    // The main file of the game, as the user opened it; empty when there is none.
    const QString& MainPath() const { return m_mainPath; }
    // The game as last built: null until the first build of a game is done, or with no main file.
    const GamePointer& Game() const { return m_read.game; }
    bool IsBuilding() const { return m_watcher != nullptr; }
    bool IsWaitingToBuild() const { return m_buildWanted; }
    const std::vector<StampedFile>& Files() const { return m_read.files; }
    const QStringList& Awaited() const { return m_read.awaited; }
    // The stamp of the game's file at gamePath when it was read (not there: no file).
    FileStamp StampRead(const std::string& gamePath) const;
    GamePointer FileGame();

    // Where the game's files are read from: the disk, as the viewer reads them.
    static const IGameFileSource& Source();

    // A test seam: builds made by build instead of CGame::Build (null: CGame::Build).
    using Builder = std::function<GamePointer(const GameInputs& inputs, const IGameFileSource& source)>;
    void SetBuilderForTesting(Builder build) { m_builder = std::move(build); }

signals:
    // Another game is the current one, or the same game after a file changed.
    void gameChanged();
    // A build ran out of memory; the game read before stays.
    void buildFailed();

private:
    struct Shown {
        std::string path;  // as the system knows it
        std::shared_ptr<const std::string> text;
        FileStamp stamp;
    };
    using Job = std::function<std::shared_ptr<Read>()>;
    // A build of the game (reindexing gamePath of the game read before, when given).
    Job MakeJob(const std::string& reindexPath);
    void Run(Job job);
    void Finished();

    QString m_mainPath;
    QStringList m_includeFolders;
    std::string m_switches;
    Read m_read;
    Shown m_shown;
    bool m_readShownAgain = false;  // the file shown changed on disk
    bool m_buildWanted = false;     // Start asked for a build that has not begun
    GamePointer m_fileGame;
    std::shared_ptr<const std::string> m_fileGameText;
    Builder m_builder;
    QFutureWatcher<std::shared_ptr<Read>>* m_watcher = nullptr;  // the build under way, if any
};
