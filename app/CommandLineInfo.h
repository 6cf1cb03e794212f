#pragma once
// The viewer's command line, read from the original arguments before the GUI starts.
//
// An argument is a switch when it begins with '-', or with '/' and names one of the
// switches below (any other '/...' is a path, so absolute paths open). Switch names:
// p, pt and dde in exactly that case; Unregister, Unregserver, Embedding and Automation
// in any case. Other '-' switches are ignored (each is named in a line for standard
// error), and so is a lone "-", silently. "--" makes every later argument plain;
// "--help" and "--version" ask for the help and the version. The first plain argument
// is the file; after /pt the next three are printer, driver and port; the rest is ignored.
//
// "--line N" (or "--line=N") opens the file with the caret at the start of line N, that
// line in the middle of the window: N is a whole number from 1, and one past the last
// line means the last line. Anything else after --line, or nothing, is a usage error.
// Printing ignores it.
//
// "--include-path DIRS" (or "--include-path=DIRS") gives folders, separated by ',', where
// the game's includes are looked for after those of the main file's "!%" lines; empty
// ones are left out, relative ones are the working folder's, and the option may be
// given again to add more. With nothing after it, it is a usage error.
//
// "--switches S" (or "--switches=S") reads the game as the Inform 6 compiler compiles it
// with its switches S, written as for inform6, one or more in one argument ("-G -D",
// "+include_path=lib/"); given again, the switches are added after those before. With
// nothing after it, or with a word that is no switch of the compiler, it is a usage error.

#include <QString>
#include <QStringList>

#include <string>
#include <vector>

class CCommandLineInfo {
public:
    enum ShellCommand { FileNew, FileOpen, FilePrint, FilePrintTo, FileDDE, AppUnregister };

    // param is the argument without its leading '-' or '/' when flag is set; last marks
    // the last argument.
    void ParseParam(const QString& param, bool flag, bool last);

    bool m_bShowSplash = true;
    bool m_bRunEmbedded = false;
    bool m_bRunAutomated = false;
    ShellCommand m_nShellCommand = FileNew;
    QString m_strFileName;
    QString m_strPrinterName;
    QString m_strDriverName;
    QString m_strPortName;
    long long m_nLine = 0;  // --line: the line to go to, from 1; 0 for none
    QStringList m_includeFolders;  // --include-path: absolute folders, in order
    std::string m_switches;        // --switches: the compiler's, as one argument ("" for none)

private:
    void ParseParamFlag(const QString& param);
    void ParseParamNotFlag(const QString& param);
    void ParseLast(bool last);
};

struct ParsedCommandLine {
    enum Action { Run, ShowHelp, ShowVersion, UsageError };
    Action action = Run;
    CCommandLineInfo info;
    QString error;  // for UsageError: the line for standard error
    QStringList ignored;  // for Run: a line for standard error per unknown switch, which is ignored
};

// args are the arguments after the program name, as the system passed them.
ParsedCommandLine ParseGlosselCommandLine(const std::vector<std::string>& args);

// The text of --help and of --version, each ending with a line feed.
QString GlosselHelpText();
QString GlosselVersionText();
