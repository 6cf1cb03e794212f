// The viewer's open of a file from start to first paint, with everything the main window
// does with a new text: the application starts on the file (InitInstance: settings, the
// document read, the render, the window shown), then the window paints. Offscreen, with
// the settings in a temporary folder. Prints the median and each run.
//
//   build/bench/bench_open /tmp/bench10.inf [--runs N]
//
// It uses only what every version of the viewer has, so that the same file built against
// another version compares the two (run them one after the other, in turns).

#include "app/CommandLineInfo.h"
#include "app/GlosselApp.h"
#include "app/MainFrame.h"

#include <QApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

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
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else
            path = argv[i];
    }
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        const auto t0 = std::chrono::steady_clock::now();
        {
            CGlosselApp app(ParseGlosselCommandLine({path}).info);
            if (!app.InitInstance()) {
                std::fprintf(stderr, "bench_open: %s did not open\n", path.c_str());
                return 1;
            }
            app.GetMainWnd()->repaint();
            const auto t1 = std::chrono::steady_clock::now();
            times.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
            app.GetMainWnd()->close();
            QApplication::processEvents();
            app.ExitInstance();
        }
        QApplication::processEvents();
    }
    std::vector<double> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    std::printf("open to first paint: median %.1f ms over %d runs:", sorted[sorted.size() / 2], runs);
    for (double t : times) std::printf(" %.1f", t);
    std::printf("\n");
    return 0;
}
