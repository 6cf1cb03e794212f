#include "CommandLineInfo.h"

#include "doc/FileName.h"
#include "game/CompilerSwitches.h"
#include "view/NumberText.h"

namespace {

bool IsSlashSwitchName(const QString& name)
{
    return name == u"p" || name == u"pt" || name == u"dde" ||
           name.compare(u"Unregister", Qt::CaseInsensitive) == 0 ||
           name.compare(u"Unregserver", Qt::CaseInsensitive) == 0 ||
           name.compare(u"Embedding", Qt::CaseInsensitive) == 0 ||
           name.compare(u"Automation", Qt::CaseInsensitive) == 0;
}

}  // namespace

void CCommandLineInfo::ParseParam(const QString& param, bool flag, bool last)
{
    if (flag)
        ParseParamFlag(param);
    else
        ParseParamNotFlag(param);
    ParseLast(last);
}

void CCommandLineInfo::ParseParamFlag(const QString& param)
{
    // The shell's switches are case-sensitive, the others are not.
    if (param == u"pt") {
        m_nShellCommand = FilePrintTo;
    } else if (param == u"p") {
        m_nShellCommand = FilePrint;
    } else if (param.compare(u"Unregister", Qt::CaseInsensitive) == 0 ||
               param.compare(u"Unregserver", Qt::CaseInsensitive) == 0) {
        m_nShellCommand = AppUnregister;
    } else if (param == u"dde") {
        m_nShellCommand = FileDDE;
    } else if (param.compare(u"Embedding", Qt::CaseInsensitive) == 0) {
        m_bRunEmbedded = true;
        m_bShowSplash = false;
    } else if (param.compare(u"Automation", Qt::CaseInsensitive) == 0) {
        m_bRunAutomated = true;
        m_bShowSplash = false;
    }
}

void CCommandLineInfo::ParseParamNotFlag(const QString& param)
{
    if (m_strFileName.isEmpty())
        m_strFileName = param;
    else if (m_nShellCommand == FilePrintTo && m_strPrinterName.isEmpty())
        m_strPrinterName = param;
    else if (m_nShellCommand == FilePrintTo && m_strDriverName.isEmpty())
        m_strDriverName = param;
    else if (m_nShellCommand == FilePrintTo && m_strPortName.isEmpty())
        m_strPortName = param;
}

void CCommandLineInfo::ParseLast(bool last)
{
    if (!last) return;
    if (m_nShellCommand == FileNew && !m_strFileName.isEmpty()) m_nShellCommand = FileOpen;
    m_bShowSplash = !m_bRunEmbedded && !m_bRunAutomated;
}

ParsedCommandLine ParseGlosselCommandLine(const std::vector<std::string>& args)
{
    ParsedCommandLine parsed;
    bool switchesEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        // Without loss: a file name need not be UTF-8 (see FileName.h).
        const QString arg = DecodeFileName(QByteArray::fromStdString(args[i]));
        const bool last = i + 1 == args.size();
        if (!switchesEnded) {
            if (arg == u"--") {
                switchesEnded = true;
                // The last argument may be "--" itself: the closing step must still run.
                if (last) parsed.info.ParseParam(QString(), true, true);
                continue;
            }
            if (arg == u"--help") {
                parsed.action = ParsedCommandLine::ShowHelp;
                return parsed;
            }
            if (arg == u"--version") {
                parsed.action = ParsedCommandLine::ShowVersion;
                return parsed;
            }
            const bool line = arg == u"--line" || arg.startsWith(u"--line=");
            const bool includePath = arg == u"--include-path" || arg.startsWith(u"--include-path=");
            const bool switches = arg == u"--switches" || arg.startsWith(u"--switches=");
            if (line || includePath || switches) {
                const qsizetype nameLength = line ? 6 : includePath ? 14 : 10;
                const bool joined = arg.size() > nameLength;
                if (!joined && last) {
                    parsed.action = ParsedCommandLine::UsageError;
                    parsed.error = line          ? QStringLiteral("glossel: --line needs a line number")
                                   : includePath ? QStringLiteral("glossel: --include-path needs a list of folders")
                                                 : QStringLiteral("glossel: --switches needs the compiler's switches");
                    return parsed;
                }
                const std::string raw = joined ? args[i].substr(static_cast<std::size_t>(nameLength) + 1) : args[++i];
                const QString value = DecodeFileName(QByteArray::fromStdString(raw));
                if (switches) {
                    // The compiler's own words, bytes as given, after those given before;
                    // they are checked here, so that a mistyped switch is told at once
                    // rather than read as nothing.
                    std::string& all = parsed.info.m_switches;
                    all += (all.empty() ? "" : " ") + raw;
                    CompilerSwitches check;
                    check.ApplyCommandLine(all);
                    if (!check.problems.empty()) {
                        parsed.action = ParsedCommandLine::UsageError;
                        parsed.error = QStringLiteral("glossel: --switches: %1")
                                           .arg(QString::fromStdString(check.problems.front()));
                        return parsed;
                    }
                } else if (line) {
                    parsed.info.m_nLine = LineNumberOf(value);
                    if (parsed.info.m_nLine == 0) {
                        parsed.action = ParsedCommandLine::UsageError;
                        parsed.error =
                            QStringLiteral("glossel: --line needs a whole number from 1, not '%1'").arg(value);
                        return parsed;
                    }
                } else {
                    // Folders as the compiler writes them, separated by ','; each is the
                    // working folder's when relative, as the shell meant it.
                    for (const QString& folder : value.split(u',', Qt::SkipEmptyParts))
                        parsed.info.m_includeFolders << AbsoluteFileName(folder);
                }
                // These may be the last arguments: the closing step must still run.
                if (i + 1 == args.size()) parsed.info.ParseParam(QString(), true, true);
                continue;
            }
            // A lone "-" is a switch with an empty name, which does nothing.
            const bool dashSwitch = arg.startsWith(u'-');
            const bool slashSwitch = arg.size() > 1 && arg.startsWith(u'/') && IsSlashSwitchName(arg.mid(1));
            if (dashSwitch || slashSwitch) {
                if (dashSwitch && arg.size() > 1 && !IsSlashSwitchName(arg.mid(1)))
                    parsed.ignored.append(QStringLiteral("glossel: unknown switch '%1' ignored").arg(arg));
                parsed.info.ParseParam(arg.mid(1), true, last);
                continue;
            }
        }
        parsed.info.ParseParam(arg, false, last);
    }
    // The welcome text is no file: --line has nothing to place the caret in.
    if (parsed.info.m_nLine > 0 && parsed.info.m_nShellCommand == CCommandLineInfo::FileNew) {
        parsed.action = ParsedCommandLine::UsageError;
        parsed.error = QStringLiteral("glossel: --line needs a file to show");
    }
    return parsed;
}

QString GlosselHelpText()
{
    return QStringLiteral(
        "Usage: glossel [--line N] [--include-path DIRS] [--switches S] [FILE]\n"
        "       glossel /p FILE\n"
        "       glossel /pt FILE PRINTER [DRIVER PORT]\n"
        "       glossel /Unregister\n"
        "Shows an Inform 6 source file (.inf, .h) with syntax colouring, read-only.\n"
        "\n"
        "  FILE          the file to show; without one, a welcome text is shown\n"
        "  /p FILE       print FILE on the default printer, with no window, and exit\n"
        "  /pt FILE PRINTER [DRIVER PORT]\n"
        "                print FILE on the printer of that queue name and exit\n"
        "                (driver and port are accepted and ignored)\n"
        "  /Unregister, /Unregserver\n"
        "                remove the stored settings (styles and recent files) and exit\n"
        "  /Embedding, /Automation\n"
        "                accepted; /Embedding also silences /Unregister's message\n"
        "  /dde          not supported: exits with status 1\n"
        "  --line N      show FILE with the caret at the start of line N, that line in\n"
        "                the middle of the window (past the last line: the last line;\n"
        "                /p and /pt ignore it)\n"
        "  --include-path DIRS\n"
        "                look for the game's includes in the folders DIRS (separated\n"
        "                by ,) after those of FILE's !% lines and before FILE's own\n"
        "                folder and the standard library's; may be given again\n"
        "  --switches S  read the game as the Inform 6 compiler compiles it with its\n"
        "                switches S, written as for inform6 (\"-G -D\", \"-v3\",\n"
        "                \"+include_path=lib/\"); FILE's !% lines apply after them;\n"
        "                may be given again (View > Compile As changes them for the run)\n"
        "  --            every later argument is a file name, not a switch\n"
        "  --help        show this help and exit\n"
        "  --version     show the version and exit\n"
        "\n"
        "Switches may also begin with '-' (-p, -pt, -Unregister, ...); p, pt and dde are\n"
        "case-sensitive, the others are not. Any other switch is ignored, and named on\n"
        "standard error; a lone '-' is ignored (name a file called '-' as ./- or after\n"
        "--). Only the first file name counts.\n"
        "\n"
        "Exit status: 0 on success; 1 when the file cannot be opened or printed, the\n"
        "command cannot be carried out, or an option is wrong (--line with no whole\n"
        "number from 1, or with no file; --include-path with nothing after it;\n"
        "--switches with nothing after it or a word that is no switch); the\n"
        "reason goes to standard error; 3 when /p or /pt printed the file only up to a\n"
        "line of 1,020 or more bytes (the warning goes to standard error).\n"
        "Settings: $XDG_CONFIG_HOME/Orvanel's Applications/Glossel.conf\n");
}

QString GlosselVersionText()
{
    return QStringLiteral("glossel " GLOSSEL_VERSION_STRING "\n");
}
