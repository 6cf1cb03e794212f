// How long the viewer's window stops answering while it reads a game: the viewer opens
// FILE (InitInstance, timed on its own: the text's open and render), then its event loop
// runs while the game is built, indexed and watched, while the Outline dock is built and,
// with --filter TEXT, while TEXT is typed into its filter one character every 100 ms.
// A timer asks the event loop every 10 ms; the longest wait between two of its turns is
// the longest time the window could not have answered a key or a paint. Offscreen, with
// the settings in a temporary folder.
//
//   build/bench/bench_freeze /tmp/path/chain/f0.inf --filter R99999 [--seconds 60]
//
// (bench/make_pathological.py makes the games that froze the viewer before.)

#include "app/CommandLineInfo.h"
#include "app/GameFileWatcher.h"
#include "app/GameOutlineTree.h"
#include "app/GameSession.h"
#include "app/GlosselApp.h"
#include "app/MainFrame.h"
#include "app/OutlineDock.h"
#include "app/Resource.h"
#include "view/GameOutlineModel.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir settings;
    qputenv("XDG_CONFIG_HOME", settings.path().toLocal8Bit());
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QApplication application(qtArgc, qtArgv);

    std::string path;
    QString filter;
    int seconds = 120;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--filter") == 0 && i + 1 < argc)
            filter = QString::fromLocal8Bit(argv[++i]);
        else if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc)
            seconds = std::max(1, std::atoi(argv[++i]));
        else
            path = argv[i];
    }
    if (path.empty()) {
        std::fprintf(stderr, "usage: bench_freeze FILE [--filter TEXT] [--seconds N]\n");
        return 2;
    }

    QElapsedTimer clock;
    clock.start();
    CGlosselApp app(ParseGlosselCommandLine({path}).info);
    if (!app.InitInstance()) {
        std::fprintf(stderr, "bench_freeze: %s did not open\n", path.c_str());
        return 1;
    }
    const qint64 opened = clock.elapsed();
    CMainFrame* frame = app.GetMainWnd();

    // The longest wait between two turns of the event loop, and what was going on then.
    qint64 last = clock.elapsed();
    const char* phase = "the game's build";
    std::vector<std::pair<const char*, qint64>> longest;  // of each phase, in order
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        if (longest.empty() || longest.back().first != phase) longest.emplace_back(phase, 0);
        longest.back().second = std::max(longest.back().second, now - last);
        last = now;
    });
    probe.start(10);

    // A loop of its own: QApplication::quit would close (and so delete) the window.
    QEventLoop loop;
    qint64 gameAt = -1;
    qint64 typedAt = -1;
    qsizetype typed = 0;
    QTimer step;
    QObject::connect(&step, &QTimer::timeout, [&] {
        if (gameAt < 0) {
            if (!frame->GetSession().Game() || frame->GetSession().IsBuilding()) return;
            gameAt = clock.elapsed();
            phase = "the Outline dock";
            frame->GetCommand(ID_VIEW_OUTLINE)->trigger();
            return;
        }
        if (!frame->GetOutlineModel().IsUpToDate()) return;
        if (typed < filter.size()) {
            phase = typed == 0 ? "the filter's first key" : "the filter's other keys";
            frame->GetOutlineDock()->Tree()->FilterEdit()->setText(filter.left(++typed));
            return;
        }
        typedAt = clock.elapsed();
        loop.quit();
    });
    step.start(100);
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();

    std::printf("%s: open %lld ms; game there after %lld ms (%u files, %lld watched); %s; the window's longest stall",
                path.c_str(), static_cast<long long>(opened), static_cast<long long>(gameAt),
                frame->GetSession().Game() ? frame->GetSession().Game()->FileCount() : 0u,
                static_cast<long long>(frame->GetFileWatcher()->WatchedFiles().size()),
                typedAt < 0 ? "not done in time" : "done");
    for (const auto& [during, ms] : longest) std::printf("%s %lld ms during %s", &during == &longest.front().first ? "" : ",", static_cast<long long>(ms), during);
    std::printf("\n");
    frame->close();
    QApplication::processEvents();
    app.ExitInstance();
    QThreadPool::globalInstance()->waitForDone();
    return typedAt < 0 ? 1 : 0;
}
