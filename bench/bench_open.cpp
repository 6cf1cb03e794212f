// The viewer's open of a file from start to first paint, with everything the main window
// does with a new text: the application starts on the file (InitInstance: settings, the
// document read, the render, the window shown), then the event loop runs until the text
// has been painted (the control's textShown), with whatever else it does meanwhile. Offscreen, with
// the settings in a temporary folder. Prints the median and each run.
//
//   build/bench/bench_open /tmp/bench10.inf [--runs N]
//
// It uses only what every version of the viewer has, so that the same file built against
// another version compares the two (run them one after the other, in turns).
//
//   build/bench/bench_open examples/lantern.inf --definition location [--runs N]
//
// times Go to Definition instead: the file opens once and its game is built; then, each
// run, the caret on the first use of the name, Go to Definition opens the defining file
// (another file of the game, the document replaced) and the window paints; Back returns.

#include "app/CommandLineInfo.h"
#include "app/GameNavigator.h"
#include "app/GameSession.h"
#include "app/GlosselApp.h"
#include "app/MainFrame.h"
#include "view/GlosselView.h"

#include <QApplication>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThreadPool>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

void PrintTimes(const char* what, const std::vector<double>& times)
{
    std::vector<double> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    std::printf("%s: median %.1f ms over %zu runs:", what, sorted[sorted.size() / 2], times.size());
    for (double t : times) std::printf(" %.1f", t);
    std::printf("\n");
}

int TimeGoToDefinition(const std::string& path, const QString& name, int runs)
{
    CGlosselApp app(ParseGlosselCommandLine({path}).info);
    if (!app.InitInstance()) {
        std::fprintf(stderr, "bench_open: %s did not open\n", path.c_str());
        return 1;
    }
    CMainFrame* frame = app.GetMainWnd();
    CGameNavigator* navigator = frame->GetNavigator();
    CSyntaxRichEditCtrl& control = app.GetView()->GetRichEditCtrl();
    // The game is built once the text has been painted.
    while (!frame->GetSession().Game()) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    const QString text = control.GetText(0, control.GetTextLength());
    const QRegularExpression word(QStringLiteral("\\b%1\\b").arg(QRegularExpression::escape(name)));
    const qsizetype at = text.indexOf(word);
    if (at < 0) {
        std::fprintf(stderr, "bench_open: no %s in %s\n", qPrintable(name), path.c_str());
        return 1;
    }
    const QString main = frame->Here().path;
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        control.SetSel(at, at);
        const auto t0 = std::chrono::steady_clock::now();
        navigator->OnGoToDefinition();
        frame->repaint();
        const auto t1 = std::chrono::steady_clock::now();
        if (frame->Here().path == main) {
            std::fprintf(stderr, "bench_open: Go to Definition on %s stayed in %s\n", qPrintable(name), path.c_str());
            return 1;
        }
        times.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
        navigator->OnGoBack();
        QApplication::processEvents();
    }
    PrintTimes("Go to Definition to first paint", times);
    frame->close();
    QApplication::processEvents();
    app.ExitInstance();
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir settings;
    qputenv("XDG_CONFIG_HOME", settings.path().toLocal8Bit());
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QApplication application(qtArgc, qtArgv);

    std::string path = "/tmp/bench10.inf";
    int runs = 7;
    QString definition;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--definition") == 0 && i + 1 < argc)
            definition = QString::fromLocal8Bit(argv[++i]);
        else
            path = argv[i];
    }
    if (!definition.isEmpty()) return TimeGoToDefinition(path, definition, runs);
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        const auto t0 = std::chrono::steady_clock::now();
        {
            CGlosselApp app(ParseGlosselCommandLine({path}).info);
            if (!app.InitInstance()) {
                std::fprintf(stderr, "bench_open: %s did not open\n", path.c_str());
                return 1;
            }
            // Until the text has been painted on the screen (the window is exposed first).
            bool painted = false;
            CSyntaxRichEditCtrl& control = app.GetView()->GetRichEditCtrl();
            QObject::connect(&control, &CSyntaxRichEditCtrl::textShown, [&painted] { painted = true; });
            app.GetMainWnd()->repaint();
            const auto deadline = t0 + std::chrono::seconds(30);
            while (!painted && std::chrono::steady_clock::now() < deadline)
                QApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
            const auto t1 = std::chrono::steady_clock::now();
            if (!painted) {
                std::fprintf(stderr, "bench_open: %s was never painted\n", path.c_str());
                return 1;
            }
            times.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
            app.GetMainWnd()->close();
            QApplication::processEvents();
            app.ExitInstance();
        }
        QApplication::processEvents();
        // Work the open left for after the first paint (an index built on another
        // thread) ends before the next run starts.
        QThreadPool::globalInstance()->waitForDone();
    }
    PrintTimes("open to first paint", times);
    return 0;
}
