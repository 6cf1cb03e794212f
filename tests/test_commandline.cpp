// The viewer's command line: how arguments are read, and what the glossel program
// does with them from start to exit status.

#include "ChildProcess.h"
#include "QtTestSupport.h"

#include "app/CommandLineInfo.h"

#include <QPrinterInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <climits>
#include <csignal>

using qtestsupport::WriteBytes;

Q_DECLARE_METATYPE(CCommandLineInfo::ShellCommand)
Q_DECLARE_METATYPE(ParsedCommandLine::Action)

namespace {

std::vector<std::string> Args(const QStringList& list)
{
    std::vector<std::string> args;
    for (const QString& arg : list) args.push_back(arg.toStdString());
    return args;
}

struct Result {
    int exitCode = -1;
    QString out;
    QString err;
};

}  // namespace

class TestCommandLine : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void parse_data();
    void parse();
    void lineOption_data();
    void lineOption();
    void includePathOption_data();
    void includePathOption();
    void unknownSwitches_data();
    void unknownSwitches();
    void helpAndVersion();
    void failedStarts_data();
    void failedStarts();
    void noDisplayIsReportedBeforeAnythingElse();
    void unregisterRemovesTheSettings();
    void signalsCloseAsTheCloseBoxDoes_data();
    void signalsCloseAsTheCloseBoxDoes();

private:
    // The glossel program on args in the test folder, its environment changed as
    // Environment() says.
    Result Run(const QStringList& args, const std::vector<std::string>& environment) const;
    testsupport::ChildOptions Options(const std::vector<std::string>& environment) const;
    // The changes every run makes to this program's environment: the settings, the
    // platform and the runtime folder in the test folder.
    std::vector<std::string> Environment() const;
    QTemporaryDir m_dir;
    QString ConfFile() const
    {
        return m_dir.filePath(QStringLiteral("config/Orvanel's Applications/Glossel.conf"));
    }
};

void TestCommandLine::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(QFile::exists(QStringLiteral(GLOSSEL_EXE)));
}

void TestCommandLine::parse_data()
{
    using S = CCommandLineInfo;
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<ParsedCommandLine::Action>("action");
    QTest::addColumn<CCommandLineInfo::ShellCommand>("command");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("printer");  // printer, driver, port
    QTest::addColumn<bool>("embedded");
    QTest::addColumn<bool>("automated");

    const auto run = ParsedCommandLine::Run;
    const QStringList none{QString(), QString(), QString()};
    QTest::newRow("no argument: new document") << QStringList{} << run << S::FileNew << QString() << none << false << false;
    QTest::newRow("a file") << QStringList{"a.inf"} << run << S::FileOpen << "a.inf" << none << false << false;
    QTest::newRow("only the first file counts")
        << QStringList{"a.inf", "b.inf"} << run << S::FileOpen << "a.inf" << none << false << false;
    QTest::newRow("absolute path opens (not a switch)")
        << QStringList{"/home/ann/zork.inf"} << run << S::FileOpen << "/home/ann/zork.inf" << none << false << false;
    QTest::newRow("/p prints") << QStringList{"/p", "a.inf"} << run << S::FilePrint << "a.inf" << none << false << false;
    QTest::newRow("-p prints") << QStringList{"-p", "a.inf"} << run << S::FilePrint << "a.inf" << none << false << false;
    QTest::newRow("switch after the file") << QStringList{"a.inf", "/p"} << run << S::FilePrint << "a.inf" << none << false << false;
    QTest::newRow("/p without a file") << QStringList{"/p"} << run << S::FilePrint << QString() << none << false << false;
    QTest::newRow("/P is a path") << QStringList{"/P", "a.inf"} << run << S::FileOpen << "/P" << none << false << false;
    QTest::newRow("-P is an unknown switch")
        << QStringList{"-P", "a.inf"} << run << S::FileOpen << "a.inf" << none << false << false;
    QTest::newRow("/pt with printer, driver and port")
        << QStringList{"/pt", "a.inf", "Laser", "drv", "port", "more"} << run << S::FilePrintTo << "a.inf"
        << QStringList{"Laser", "drv", "port"} << false << false;
    QTest::newRow("/pt with the printer only")
        << QStringList{"/pt", "a.inf", "Laser"} << run << S::FilePrintTo << "a.inf"
        << QStringList{"Laser", QString(), QString()} << false << false;
    QTest::newRow("printer names are for /pt only")
        << QStringList{"/p", "a.inf", "Laser"} << run << S::FilePrint << "a.inf" << none << false << false;
    QTest::newRow("/Unregister") << QStringList{"/Unregister"} << run << S::AppUnregister << QString() << none << false << false;
    QTest::newRow("/unregserver, any case") << QStringList{"/unregSERVER"} << run << S::AppUnregister << QString() << none << false << false;
    QTest::newRow("-UNREGISTER") << QStringList{"-UNREGISTER"} << run << S::AppUnregister << QString() << none << false << false;
    QTest::newRow("/Embedding /Unregister")
        << QStringList{"/Embedding", "/Unregister"} << run << S::AppUnregister << QString() << none << true << false;
    QTest::newRow("/embedding still opens a file")
        << QStringList{"/embedding", "a.inf"} << run << S::FileOpen << "a.inf" << none << true << false;
    QTest::newRow("/AUTOMATION") << QStringList{"/AUTOMATION"} << run << S::FileNew << QString() << none << false << true;
    QTest::newRow("/dde") << QStringList{"/dde"} << run << S::FileDDE << QString() << none << false << false;
    QTest::newRow("/DDE is a path") << QStringList{"/DDE"} << run << S::FileOpen << "/DDE" << none << false << false;
    QTest::newRow("Qt's -style is not Qt's")
        << QStringList{"-style", "fusion.inf"} << run << S::FileOpen << "fusion.inf" << none << false << false;
    QTest::newRow("-- makes switches files")
        << QStringList{"--", "/p", "x.inf"} << run << S::FileOpen << "/p" << none << false << false;
    QTest::newRow("-- then a dash name") << QStringList{"--", "-style"} << run << S::FileOpen << "-style" << none << false << false;
    QTest::newRow("-- alone") << QStringList{"--"} << run << S::FileNew << QString() << none << false << false;
    QTest::newRow("--help") << QStringList{"a.inf", "--help"} << ParsedCommandLine::ShowHelp << S::FileNew << QString() << none << false << false;
    QTest::newRow("--version") << QStringList{"--version", "/p"} << ParsedCommandLine::ShowVersion << S::FileNew << QString() << none << false << false;
    QTest::newRow("-- --help is a file")
        << QStringList{"--", "--help"} << run << S::FileOpen << "--help" << none << false << false;
    QTest::newRow("a lone dash is an empty switch") << QStringList{"-"} << run << S::FileNew << QString() << none << false << false;
    QTest::newRow("a lone dash beside a file")
        << QStringList{"-", "a.inf"} << run << S::FileOpen << "a.inf" << none << false << false;
    QTest::newRow("-- - makes the dash a file") << QStringList{"--", "-"} << run << S::FileOpen << "-" << none << false << false;
    // The closing step runs after the last argument, whatever it is.
    QTest::newRow("a file, then -- last")
        << QStringList{"a.inf", "--"} << run << S::FileOpen << "a.inf" << none << false << false;
    QTest::newRow("a file, then an unknown switch last")
        << QStringList{"a.inf", "-x"} << run << S::FileOpen << "a.inf" << none << false << false;
    QTest::newRow("a file, then /Embedding last")
        << QStringList{"a.inf", "/Embedding"} << run << S::FileOpen << "a.inf" << none << true << false;
    QTest::newRow("an empty argument is skipped")
        << QStringList{"", "b.inf"} << run << S::FileOpen << "b.inf" << none << false << false;
}

void TestCommandLine::parse()
{
    QFETCH(QStringList, args);
    QFETCH(ParsedCommandLine::Action, action);
    QFETCH(CCommandLineInfo::ShellCommand, command);
    QFETCH(QString, file);
    QFETCH(QStringList, printer);
    QFETCH(bool, embedded);
    QFETCH(bool, automated);

    const ParsedCommandLine parsed = ParseGlosselCommandLine(Args(args));
    QCOMPARE(parsed.action, action);
    if (action != ParsedCommandLine::Run) return;
    const CCommandLineInfo& info = parsed.info;
    QCOMPARE(info.m_nShellCommand, command);
    QCOMPARE(info.m_strFileName, file);
    QCOMPARE(info.m_strPrinterName, printer[0]);
    QCOMPARE(info.m_strDriverName, printer[1]);
    QCOMPARE(info.m_strPortName, printer[2]);
    QCOMPARE(info.m_bRunEmbedded, embedded);
    QCOMPARE(info.m_bRunAutomated, automated);
    QCOMPARE(info.m_bShowSplash, !embedded && !automated);
}

void TestCommandLine::lineOption_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<long long>("line");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("error");  // a usage error's line for stderr

    QTest::newRow("--line N FILE") << QStringList{"--line", "12", "a.inf"} << 12LL << "a.inf" << QString();
    QTest::newRow("FILE --line N") << QStringList{"a.inf", "--line", "7"} << 7LL << "a.inf" << QString();
    QTest::newRow("--line=N") << QStringList{"--line=1", "a.inf"} << 1LL << "a.inf" << QString();
    QTest::newRow("a number past any text: as big as it gets")
        << QStringList{"--line", "99999999999999999999999", "a.inf"} << LLONG_MAX << "a.inf" << QString();
    QTest::newRow("after --, --line is a file") << QStringList{"--", "--line", "3"} << 0LL << "--line" << QString();
    QTest::newRow("0 is no line") << QStringList{"--line", "0", "a.inf"} << 0LL << QString()
                                  << "glossel: --line needs a whole number from 1, not '0'";
    QTest::newRow("not a number") << QStringList{"--line", "ten", "a.inf"} << 0LL << QString()
                                  << "glossel: --line needs a whole number from 1, not 'ten'";
    QTest::newRow("a sign is not a digit") << QStringList{"--line", "+5", "a.inf"} << 0LL << QString()
                                           << "glossel: --line needs a whole number from 1, not '+5'";
    QTest::newRow("the file name is no number") << QStringList{"--line", "a.inf"} << 0LL << QString()
                                                << "glossel: --line needs a whole number from 1, not 'a.inf'";
    QTest::newRow("nothing after --line") << QStringList{"a.inf", "--line"} << 0LL << QString()
                                          << "glossel: --line needs a line number";
    QTest::newRow("--line= with nothing") << QStringList{"--line=", "a.inf"} << 0LL << QString()
                                          << "glossel: --line needs a whole number from 1, not ''";
    QTest::newRow("no file to show") << QStringList{"--line", "5"} << 0LL << QString()
                                     << "glossel: --line needs a file to show";
    QTest::newRow("-- and still no file") << QStringList{"--line=5", "--"} << 0LL << QString()
                                          << "glossel: --line needs a file to show";
}

void TestCommandLine::lineOption()
{
    QFETCH(QStringList, args);
    QFETCH(long long, line);
    QFETCH(QString, file);
    QFETCH(QString, error);

    const ParsedCommandLine parsed = ParseGlosselCommandLine(Args(args));
    QCOMPARE(parsed.error, error);
    QCOMPARE(parsed.action, error.isEmpty() ? ParsedCommandLine::Run : ParsedCommandLine::UsageError);
    if (!error.isEmpty()) return;
    QCOMPARE(parsed.info.m_nLine, line);
    QCOMPARE(parsed.info.m_strFileName, file);
    QCOMPARE(parsed.info.m_nShellCommand, CCommandLineInfo::FileOpen);
}

void TestCommandLine::includePathOption_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("folders");
    QTest::addColumn<QString>("switches");  // the compiler's, as the game is given them
    QTest::addColumn<QString>("error");

    const QString here = QDir::currentPath();
    QTest::newRow("two folders") << QStringList{"--include-path", "/lib/a,/lib/b", "a.inf"}
                                 << QStringList{"/lib/a", "/lib/b"} << "" << QString();
    QTest::newRow("--include-path=DIRS") << QStringList{"a.inf", "--include-path=/x"} << QStringList{"/x"} << ""
                                         << QString();
    QTest::newRow("given again: added") << QStringList{"--include-path", "/a", "--include-path=/b", "a.inf"}
                                        << QStringList{"/a", "/b"} << "" << QString();
    QTest::newRow("empty folders left out") << QStringList{"--include-path", ",/a,,/b,", "a.inf"}
                                            << QStringList{"/a", "/b"} << "" << QString();
    QTest::newRow("a relative folder: the working folder's") << QStringList{"--include-path", "lib", "a.inf"}
                                                             << QStringList{here + "/lib"} << "" << QString();
    QTest::newRow("after --, a file") << QStringList{"--", "--include-path"} << QStringList{} << "" << QString();
    QTest::newRow("nothing after it") << QStringList{"a.inf", "--include-path"} << QStringList{} << ""
                                      << "glossel: --include-path needs a list of folders";
    // The compiler's switches, one or more in one argument, which may begin with '-'.
    QTest::newRow("switches") << QStringList{"--switches", "-G -D", "a.inf"} << QStringList{} << "-G -D" << QString();
    QTest::newRow("--switches=S") << QStringList{"a.inf", "--switches=-v3"} << QStringList{} << "-v3" << QString();
    QTest::newRow("switches given again: added after")
        << QStringList{"--switches", "-D", "--switches=+include_path=lib/", "a.inf", "--include-path", "/x"}
        << QStringList{"/x"} << "-D +include_path=lib/" << QString();
    QTest::newRow("a constant and a setting") << QStringList{"--switches", "$#HINTS=2 $MAX_OBJECTS=900", "a.inf"}
                                              << QStringList{} << "$#HINTS=2 $MAX_OBJECTS=900" << QString();
    QTest::newRow("no switch of the compiler") << QStringList{"--switches", "debug", "a.inf"} << QStringList{} << ""
                                               << "glossel: --switches: not a switch of the compiler: debug";
    QTest::newRow("a version there is not") << QStringList{"--switches=-v9", "a.inf"} << QStringList{} << ""
                                            << "glossel: --switches: -v needs a version from 3 to 8";
    QTest::newRow("Glulx after a Z-code version") << QStringList{"--switches", "-v3", "--switches", "-G", "a.inf"}
                                                  << QStringList{} << ""
                                                  << "glossel: --switches: the -G switch cannot follow the -v switch";
    QTest::newRow("switches with nothing after it") << QStringList{"a.inf", "--switches"} << QStringList{} << ""
                                                    << "glossel: --switches needs the compiler's switches";
    QTest::newRow("after --, the file --switches") << QStringList{"--", "--switches"} << QStringList{} << ""
                                                   << QString();
}

void TestCommandLine::includePathOption()
{
    QFETCH(QStringList, args);
    QFETCH(QStringList, folders);
    QFETCH(QString, switches);
    QFETCH(QString, error);

    const ParsedCommandLine parsed = ParseGlosselCommandLine(Args(args));
    QCOMPARE(parsed.error, error);
    QCOMPARE(parsed.action, error.isEmpty() ? ParsedCommandLine::Run : ParsedCommandLine::UsageError);
    if (!error.isEmpty()) return;
    QCOMPARE(parsed.info.m_includeFolders, folders);
    QCOMPARE(QString::fromStdString(parsed.info.m_switches), switches);
    QCOMPARE(parsed.info.m_nShellCommand, CCommandLineInfo::FileOpen);
}

void TestCommandLine::unknownSwitches_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("ignored");  // the lines for standard error

    const auto line = [](const char* arg) { return QStringLiteral("glossel: unknown switch '%1' ignored").arg(arg); };
    QTest::newRow("a mistyped --line") << QStringList{"--lnie", "5", "x.inf"} << QStringList{line("--lnie")};
    QTest::newRow("-P, of the wrong case") << QStringList{"-P", "a.inf"} << QStringList{line("-P")};
    QTest::newRow("two, in order") << QStringList{"-x", "a.inf", "-DDE"} << QStringList{line("-x"), line("-DDE")};
    QTest::newRow("known switches") << QStringList{"-p", "a.inf", "-pt", "-dde", "-unREGISTER", "-Embedding", "-automation"}
                                    << QStringList{};
    QTest::newRow("a lone dash, silently") << QStringList{"-", "a.inf"} << QStringList{};
    QTest::newRow("after --, a file") << QStringList{"--", "-x"} << QStringList{};
    QTest::newRow("/x.inf, a path") << QStringList{"/x.inf"} << QStringList{};
}

void TestCommandLine::unknownSwitches()
{
    QFETCH(QStringList, args);
    QFETCH(QStringList, ignored);
    const ParsedCommandLine parsed = ParseGlosselCommandLine(Args(args));
    QCOMPARE(parsed.action, ParsedCommandLine::Run);
    QCOMPARE(parsed.ignored, ignored);
}

std::vector<std::string> TestCommandLine::Environment() const
{
    const std::vector<std::string> env{"XDG_CONFIG_HOME=" + m_dir.filePath(QStringLiteral("config")).toStdString(),
                                       "QT_QPA_PLATFORM=offscreen", "XDG_RUNTIME_DIR=" + m_dir.path().toStdString()};
    return env;
}

testsupport::ChildOptions TestCommandLine::Options(const std::vector<std::string>& environment) const
{
    testsupport::ChildOptions options;
    options.environment = environment;
    options.workingDirectory = m_dir.path().toStdString();
    options.timeLimit = std::chrono::minutes(1);
    return options;
}

Result TestCommandLine::Run(const QStringList& args, const std::vector<std::string>& environment) const
{
    std::vector<std::string> argv{GLOSSEL_EXE};
    for (const QString& arg : args) argv.push_back(arg.toStdString());
    const testsupport::ChildResult run = testsupport::RunProgram(argv, Options(environment));
    Result result;
    result.exitCode = run.exitCode;
    result.out = QString::fromLocal8Bit(run.out);
    result.err = QString::fromLocal8Bit(run.err);
    return result;
}

void TestCommandLine::helpAndVersion()
{
    const Result version = Run({QStringLiteral("--version")}, Environment());
    QCOMPARE(version.exitCode, 0);
    QCOMPARE(version.out, QStringLiteral("glossel 0.2.0.0\n"));
    QCOMPARE(version.err, QString());

    const Result help = Run({QStringLiteral("x.inf"), QStringLiteral("--help")}, Environment());
    QCOMPARE(help.exitCode, 0);
    for (const char* word :
         {"/p FILE", "/pt FILE PRINTER", "/Unregister", "--line N", "--include-path DIRS", "--switches S", "--version",
          "Exit status"})
        QVERIFY2(help.out.contains(QLatin1String(word)), word);
    QVERIFY(help.out.startsWith(QStringLiteral("Usage: glossel [--line N] [--include-path DIRS] [--switches S] [FILE]\n")));
    for (const QString& line : help.out.split(u'\n')) QVERIFY2(line.size() <= 80, qPrintable(line));
    QCOMPARE(help.err, QString());
    QVERIFY(!QFile::exists(ConfFile()));  // nothing started, nothing written
}

void TestCommandLine::failedStarts_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("error");  // the one line on stderr; %1 is the test folder
    QTest::addColumn<bool>("stylesWritten");

    QTest::newRow("missing file") << QStringList{"missing.inf"}
                                  << "glossel: cannot open %1/missing.inf: No such file or directory" << true;
    QTest::newRow("empty file") << QStringList{"empty.inf"} << "glossel: cannot open %1/empty.inf: file is empty"
                                << true;
    QTest::newRow("a folder") << QStringList{"--", "config"} << "glossel: cannot open %1/config: Is a directory"
                              << true;
    QTest::newRow("a file of /proc")
        << QStringList{"/proc/cpuinfo"}
        << "glossel: cannot open /proc/cpuinfo: its size cannot be known in advance (the system makes it up as it is read)"
        << true;
    QTest::newRow("-- --version is a file")
        << QStringList{"--", "--version"} << "glossel: cannot open %1/--version: No such file or directory" << true;
    // A usage error starts nothing, so nothing is written.
    QTest::newRow("--line with no number")
        << QStringList{"--line", "x", "lamp.inf"}
        << "glossel: --line needs a whole number from 1, not 'x'\nTry 'glossel --help' for more information." << false;
    QTest::newRow("--line with no file")
        << QStringList{"--line", "5"}
        << "glossel: --line needs a file to show\nTry 'glossel --help' for more information." << false;
    QTest::newRow("a control character in an argument is escaped")
        << QStringList{"--line", QString::fromUtf8("\x1b[2J\u202e\u009b")}
        << "glossel: --line needs a whole number from 1, not '\\x1b[2J\\u202e\\u009b'\n"
           "Try 'glossel --help' for more information."
        << false;
    QTest::newRow("an unknown switch is named, and ignored")
        << QStringList{"--lnie", "5", "lamp.inf"}
        << "glossel: unknown switch '--lnie' ignored\nglossel: cannot open %1/5: No such file or directory" << true;
    QTest::newRow("/dde") << QStringList{"/dde"}
                          << "glossel: /dde is not supported (there is no DDE service); name the file to open instead"
                          << true;
    QTest::newRow("/p without a file") << QStringList{"/p"} << "glossel: /p needs the name of the file to print"
                                       << true;
    QTest::newRow("/p of a missing file")
        << QStringList{"/p", "missing.inf"} << "glossel: cannot open %1/missing.inf: No such file or directory" << true;
    QTest::newRow("/pt without a printer")
        << QStringList{"/pt", "lamp.inf"} << "glossel: /pt needs the file and then the printer's name" << true;
    QTest::newRow("/pt on an unknown printer")
        << QStringList{"/pt", "lamp.inf", "NoSuchQueue", "drv", "port"}
        << "glossel: cannot print %1/lamp.inf: there is no printer named 'NoSuchQueue'" << true;
    // Nobody could close a box while printing: the warning goes to stderr, no waiting.
    QTest::newRow("/pt of a file with a long line")
        << QStringList{"/pt", "long.inf", "NoSuchQueue"}
        << "glossel: %1/long.inf: The file contained a line longer than the maximum allowed (1020)!\n"
           "glossel: cannot print %1/long.inf: there is no printer named 'NoSuchQueue'"
        << true;
}

void TestCommandLine::failedStarts()
{
    QFETCH(QStringList, args);
    QFETCH(QString, error);
    QFETCH(bool, stylesWritten);

    QVERIFY(WriteBytes(m_dir.filePath(QStringLiteral("empty.inf")), QByteArray()));
    QVERIFY(WriteBytes(m_dir.filePath(QStringLiteral("lamp.inf")), "Object lamp;\n"));
    QVERIFY(WriteBytes(m_dir.filePath(QStringLiteral("long.inf")), "Object lamp;\n" + QByteArray(1020, 'x') + "\n"));
    QDir(m_dir.filePath(QStringLiteral("config"))).removeRecursively();
    QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("config"))));

    const Result result = Run(args, Environment());
    QCOMPARE(result.exitCode, 1);
    QCOMPARE(result.out, QString());
    // Our lines only; Qt's own notes (such as about XDG_RUNTIME_DIR) are not ours.
    const QStringList lines = result.err.split(u'\n', Qt::SkipEmptyParts).filter(QStringLiteral("glossel"));
    QCOMPARE(lines, (error.contains(u"%1") ? error.arg(m_dir.path()) : error).split(u'\n'));
    QCOMPARE(QFile::exists(ConfFile()), stylesWritten);
    if (stylesWritten) {
        QSettings conf(ConfFile(), QSettings::IniFormat);
        conf.beginGroup(QStringLiteral("Inform Syntax Colours"));
        QCOMPARE(conf.childKeys().size(), 36);
        QCOMPARE(conf.value(QStringLiteral("Comment Colour")).toString(), QString::number(0x00800080));  // the default: purple
    }
}

void TestCommandLine::noDisplayIsReportedBeforeAnythingElse()
{
    std::vector<std::string> env = Environment();
    env.insert(env.end(), {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"});
    QDir(m_dir.filePath(QStringLiteral("config"))).removeRecursively();
    const Result result = Run({}, env);
    QCOMPARE(result.exitCode, 1);
    QCOMPARE(result.err,
             QStringLiteral("glossel: cannot show a window: there is no display (DISPLAY and WAYLAND_DISPLAY are not set)\n"));
    QVERIFY(!QFile::exists(ConfFile()));

    // Removing the settings needs no display: it reports on standard output.
    const Result unregister = Run({QStringLiteral("/Unregister")}, env);
    QCOMPARE(unregister.exitCode, 0);
    QCOMPARE(unregister.out,
             QStringLiteral("System registry entries have been removed and the INI file (if any) was deleted.\n"));
}

void TestCommandLine::unregisterRemovesTheSettings()
{
    struct Case {
        QStringList args;
        QString out;
    };
    const Case cases[] = {
        {{QStringLiteral("/Unregister")},
         QStringLiteral("System registry entries have been removed and the INI file (if any) was deleted.\n")},
        {{QStringLiteral("-unregserver"), QStringLiteral("/Embedding")}, QString()},
    };
    for (const Case& c : cases) {
        // A normal run first leaves styles and a recent file behind.
        QVERIFY(WriteBytes(m_dir.filePath(QStringLiteral("lamp.inf")), "Object lamp;\n"));
        QVERIFY(Run({QStringLiteral("missing.inf")}, Environment()).exitCode == 1);
        QVERIFY(QFile::exists(ConfFile()));

        const Result result = Run(c.args, Environment());
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(result.out, c.out);
        // Nothing is written back at exit: the file and its folder stay gone.
        QVERIFY(!QFile::exists(ConfFile()));
        QVERIFY(!QFileInfo::exists(QFileInfo(ConfFile()).path()));
    }
}

void TestCommandLine::signalsCloseAsTheCloseBoxDoes_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("hook");    // what the program opens over its window (see app/TestHook.h)
    QTest::addColumn<QString>("report");  // the hook's line once it is open
    QTest::addColumn<int>("signal");
    QTest::addColumn<QString>("recent");  // the stored recent file, or empty
    QTest::addColumn<QString>("error");   // a line on stderr, or empty

    const QStringList lamp{QStringLiteral("lamp.inf")};
    const QString lampPath = m_dir.filePath(QStringLiteral("lamp.inf"));
    QTest::newRow("SIGTERM over the text's context menu")
        << lamp << "context-menu" << "QMenu over lamp.inf - Glossel" << SIGTERM << lampPath << "";
    QTest::newRow("SIGINT over the text's context menu")
        << lamp << "context-menu" << "QMenu over lamp.inf - Glossel" << SIGINT << lampPath << "";
    QTest::newRow("SIGHUP over the File menu")
        << lamp << "file-menu" << "QMenu over lamp.inf - Glossel" << SIGHUP << lampPath << "";
    QTest::newRow("SIGINT over the Open dialog")
        << lamp << "open" << "QFileDialog over lamp.inf - Glossel" << SIGINT << lampPath << "";
    QTest::newRow("SIGTERM over the Syntax Styles dialog")
        << lamp << "styles" << "CSyntaxStylesDlg over lamp.inf - Glossel" << SIGTERM << lampPath << "";
    QTest::newRow("SIGINT over the colour chooser")
        << lamp << "colour" << "QColorDialog over lamp.inf - Glossel" << SIGINT << lampPath << "";
    QTest::newRow("SIGHUP over the About box")
        << lamp << "about" << "CAboutDlg over lamp.inf - Glossel" << SIGHUP << lampPath << "";
    QTest::newRow("SIGINT with the window alone")
        << lamp << "window" << "none over lamp.inf - Glossel" << SIGINT << lampPath << "";
    QTest::newRow("a lone dash shows the Untitled window")
        << QStringList{"-"} << "window" << "none over Untitled - Glossel" << SIGTERM << "" << "";
    // No window can be seen: the long-line warning goes to stderr instead of a box.
    QTest::newRow("a long line without a display")
        << QStringList{"long.inf"} << "window" << "none over long.inf - Glossel" << SIGTERM
        << m_dir.filePath(QStringLiteral("long.inf"))
        << "glossel: The file contained a line longer than the maximum allowed (1020)!";
}

// The glossel program itself, ended by a signal while a menu or a box runs its own loop:
// it ends that first, then closes as the close box does and saves the styles and recent
// files.
void TestCommandLine::signalsCloseAsTheCloseBoxDoes()
{
    QFETCH(QStringList, args);
    QFETCH(QString, hook);
    QFETCH(QString, report);
    QFETCH(int, signal);
    QFETCH(QString, recent);
    QFETCH(QString, error);
    QVERIFY(WriteBytes(m_dir.filePath(QStringLiteral("lamp.inf")), "Object lamp;\n"));
    QVERIFY(WriteBytes(m_dir.filePath(QStringLiteral("long.inf")), "Object lamp;\n" + QByteArray(1020, 'x') + "\n"));
    QDir(m_dir.filePath(QStringLiteral("config"))).removeRecursively();

    std::vector<std::string> env = Environment();
    env.push_back("GLOSSEL_TEST_HOOK=" + hook.toStdString());
    std::vector<std::string> argv{GLOSSEL_EXE};
    for (const QString& arg : args) argv.push_back(arg.toStdString());
    // The child has the signals' usual effect, whatever this program was started with.
    testsupport::ChildProcess process;
    QVERIFY(process.Start(argv, Options(env)));
    const std::string& out = process.ReadLine(std::chrono::seconds(30));
    QCOMPARE(QString::fromLocal8Bit(out), QStringLiteral("glossel-test-hook: ") + report + u'\n');

    QVERIFY(process.Signal(signal));
    const testsupport::ChildResult result = process.Wait();
    QCOMPARE(result.signal, 0);  // not ended by the signal, nor a crash
    QCOMPARE(result.exitCode, 0);
    const QString err = QString::fromLocal8Bit(result.err);
    QCOMPARE(err.split(u'\n', Qt::SkipEmptyParts).filter(QStringLiteral("glossel")),
             error.isEmpty() ? QStringList() : QStringList{error});

    QSettings conf(ConfFile(), QSettings::IniFormat);
    conf.beginGroup(QStringLiteral("Inform Syntax Colours"));
    QCOMPARE(conf.childKeys().size(), 36);
    conf.endGroup();
    conf.beginGroup(QStringLiteral("Recent File List"));
    QCOMPARE(conf.childKeys(), recent.isEmpty() ? QStringList() : QStringList{"File1"});
    QCOMPARE(conf.value(QStringLiteral("File1")).toString(), recent);
}

QTEST_MAIN(TestCommandLine)
#include "test_commandline.moc"
