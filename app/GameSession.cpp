#include "GameSession.h"

#include "doc/FileName.h"

#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

CGameSession::CGameSession(QObject* parent) : QObject(parent) {}

CGameSession::~CGameSession() = default;

const IGameFileSource& CGameSession::Source()
{
    static const CDiskFileSource disk;
    return disk;
}

void CGameSession::Start(const QString& mainPath)
{
    m_mainPath = mainPath;
    m_game.reset();
    if (mainPath.isEmpty()) {
        Run(nullptr);
        emit gameChanged();
        return;
    }
    Rebuild();
    emit gameChanged();
}

void CGameSession::Reindex(const QString& path)
{
    if (!m_game) return Rebuild();
    Run([game = m_game, file = EncodeFileName(path).toStdString()] { return game->Reindex(file, Source()); });
}

void CGameSession::Rebuild()
{
    if (m_mainPath.isEmpty()) return;
    GameInputs inputs;
    inputs.mainPath = EncodeFileName(m_mainPath).toStdString();
    for (const QString& folder : m_includeFolders) inputs.includeFolders.push_back(EncodeFileName(folder).toStdString());
    Run([inputs] { return CGame::Build(inputs, Source()); });
}

void CGameSession::Run(Build build)
{
    // A build under way is overtaken: it runs to its end, and nobody hears of it.
    if (m_watcher) {
        m_watcher->disconnect(this);
        m_watcher->deleteLater();
        m_watcher = nullptr;
    }
    if (!build) return;
    m_watcher = new QFutureWatcher<GamePointer>(this);
    connect(m_watcher, &QFutureWatcherBase::finished, this, &CGameSession::Finished);
    m_watcher->setFuture(QtConcurrent::run(std::move(build)));
}

void CGameSession::Finished()
{
    if (!m_watcher) return;
    GamePointer game = m_watcher->result();
    m_watcher->disconnect(this);
    m_watcher->deleteLater();
    m_watcher = nullptr;
    // Null only when memory ran out: the game read before stays.
    if (!game) return;
    m_game = std::move(game);
    emit gameChanged();
}

GamePointer CGameSession::WaitForGame()
{
    if (m_watcher) {
        m_watcher->waitForFinished();
        Finished();
    }
    return m_game;
}
