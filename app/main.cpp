// glossel: the viewer. The command line is read before the GUI starts, and Qt is
// handed only the program's name, so that no argument meant for the viewer (a file
// called "-style", say) is taken by Qt.

#include "CommandLineInfo.h"
#include "GlosselApp.h"
#include "TestHook.h"
#include "doc/FileName.h"
#include "doc/Printable.h"

#include <QApplication>

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    const ParsedCommandLine parsed = ParseGlosselCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (parsed.action == ParsedCommandLine::ShowHelp) {
        std::fputs(GlosselHelpText().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (parsed.action == ParsedCommandLine::ShowVersion) {
        std::fputs(GlosselVersionText().toLocal8Bit().constData(), stdout);
        return 0;
    }
    // An argument quoted in a line reaches the terminal with its control characters escaped.
    const auto printable = [](const QString& line) { return PrintableForTerminal(EncodeFileName(line).toStdString()); };
    if (parsed.action == ParsedCommandLine::UsageError) {
        std::fprintf(stderr, "%s\nTry 'glossel --help' for more information.\n", printable(parsed.error).c_str());
        return 1;
    }
    for (const QString& line : parsed.ignored) std::fprintf(stderr, "%s\n", printable(line).c_str());

    // Printing and /dde show no window: they never need a screen. Without a screen the
    // removal of the settings still works and says so on standard output; only showing
    // a file needs one.
    const CCommandLineInfo::ShellCommand command = parsed.info.m_nShellCommand;
    const bool showsWindow = command == CCommandLineInfo::FileNew || command == CCommandLineInfo::FileOpen;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        const bool haveDisplay =
            !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
        if (showsWindow && !haveDisplay) {
            std::fputs("glossel: cannot show a window: there is no display (DISPLAY and WAYLAND_DISPLAY are not set)\n",
                       stderr);
            return 1;
        }
        if (!showsWindow && (!haveDisplay || command != CCommandLineInfo::AppUnregister))
            qputenv("QT_QPA_PLATFORM", "offscreen");
    }

    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QApplication application(qtArgc, qtArgv);
    CGlosselApp theApp(parsed.info);
    InstallTestHook(theApp);
    return theApp.Run();
}
