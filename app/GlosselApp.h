#pragma once
// CGlosselApp: the application object. It starts the viewer (InitInstance), owns the
// one document template, the recent-file list and the settings store, carries out the
// application's commands (Open, the recent files, About, Syntax Styles, Exit) and ends
// the run (ExitInstance).
//
// Start-up, in this order: the settings store is installed (the styles read their
// stored attributes through it); the recent-file list is read; the document template
// is made; theStyleMap is built from the defaults overlaid with the stored styles; the
// command line is carried out (a file opens, no file makes the welcome document, /p and
// /pt print, /Unregister removes the settings); the main window is shown maximised.
// Exit, also after a failed start: the styles are saved first, then the recent-file
// list, both skipped after /Unregister, which removed them.
//
// Closing from outside (SIGTERM, SIGHUP, SIGINT during Run, or a close of the main
// window that arrives while a menu or a modal box is open over it): every menu and box
// that runs an event loop of its own inside a command is ended first, innermost first,
// as Escape would end it; once those commands have returned, the main window closes as
// its close box does, and the exit path saves everything. A close that comes during
// start-up (over the long-line box or the /Unregister box) ends the box and then the
// start (CDeferredClose does this). Printing runs no event loop: there the three
// signals end the program at once.
//
// The main frame announces the commands that are the application's (Open, a recent
// file, Exit, Syntax Styles, About) with signals, which the application connects when
// it makes the frame; it hands the frame the recent files' labels and a modal runner.
//
// One application object exists at a time; GetGlosselApp() reaches it. It needs a
// QApplication and may be made again after the previous one is gone.

#include "CommandLineInfo.h"
#include "DeferredClose.h"
#include "ModalRunner.h"
#include "RecentFileList.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <cstdio>
#include <functional>
#include <memory>

class CDocument;
class CGlosselDoc;
class CGlosselView;
class CMainFrame;
class CSettingsStore;
class CSingleDocTemplate;
class QDialog;
class QPrinter;

class CGlosselApp : public QObject {
    Q_OBJECT

public:
    explicit CGlosselApp(CCommandLineInfo cmdInfo = {});
    ~CGlosselApp() override;

    bool InitInstance();
    // Saves the styles and the recent files; returns the exit status.
    int ExitInstance();
    // InitInstance, the event loop until the main window is gone, ExitInstance.
    int Run();

    // Closes the main window once nothing is open over it, ending what is (see above).
    void RequestClose() { m_close.Request(); }

    CMainFrame* GetMainWnd() const;
    CSingleDocTemplate* GetDocTemplate() const { return m_docTemplate.get(); }
    CGlosselDoc* GetDocument() const;
    CGlosselView* GetView() const;
    CSettingsStore* GetSettingsStore() const { return m_store.get(); }
    const CRecentFileList& GetRecentFileList() const { return m_recentFileList; }
    const CCommandLineInfo& GetCommandLineInfo() const { return m_cmdInfo; }

    // Opens path (made absolute) into the document, as the main file of a new game,
    // through the main window's OpenAt once there is one. The file already shown is not
    // read again. Null when the file could not be opened; nothing else the user sees
    // changes then, but the message pane says why (no box). An open that shows a text
    // holding bidirectional controls says so there, with their count.
    CDocument* OpenDocumentFile(const QString& path);
    // The open itself, for the window (CMainFrame::SetFileOpener): reads path, or shows
    // text as its text, as above; the game is the window's business.
    CDocument* OpenFile(const QString& path, const std::shared_ptr<const std::string>& text);
    void AddToRecentFileList(const QString& path);
    // After theStyleMap changed: repaints the main window, then renders every view again.
    void UpdateAllDocumentViews();

    // Runs a modal dialog of the application (About, Open, Syntax Styles) and returns its result.
    // Tests put their own runner in place so that nothing waits for a person.
    void SetModalRunner(ModalRunner runner) { m_runModal = std::move(runner); }
    int DoModal(QDialog& dialog) { return RunModal(m_runModal, dialog); }

    // The printer of /p (empty name: the default printer) and /pt; null with a reason
    // when there is none.
    using PrinterProvider = std::function<std::unique_ptr<QPrinter>(const QString& printerName, QString* reason)>;
    void SetPrinterProvider(PrinterProvider provider) { m_printerProvider = std::move(provider); }

    // Where the program's own lines go (stdout for /Unregister without a display,
    // stderr for failures).
    void SetOutputStreams(std::FILE* out, std::FILE* err);

public slots:
    void OnFileOpen();
    void OnOpenRecentFile(int index);
    void OnAppAbout();
    void OnAppExit();
    void OnToolsSyntaxStyles();

signals:
    void recentFileListChanged();

protected:
    // Runs the Syntax Styles dialog on theStyleMap; IDOK when it replaced theStyleMap.
    virtual int RunSyntaxStylesDialog();
    // Whether a person can see a window here (the /Unregister message is a box then).
    virtual bool CanShowWindows() const;

private:
    bool ProcessShellCommand(const CCommandLineInfo& info);
    bool PrintDocumentFile(const CCommandLineInfo& info);
    bool Unregister();
    // The main window of document, its commands connected to this object's.
    CMainFrame* CreateMainFrame(CGlosselDoc& document);
    QStringList RecentFileLabels() const;
    // A line of the program's own on standard error; Fail also makes the exit status 1.
    void Say(const QString& line);
    // The message pane's line after an open of path: why it failed, or what to know.
    void TellHowTheOpenWent(const QString& path, bool opened);
    void Fail(const QString& line);

    CCommandLineInfo m_cmdInfo;
    std::unique_ptr<CSettingsStore> m_store;
    CRecentFileList m_recentFileList;
    std::unique_ptr<CSingleDocTemplate> m_docTemplate;
    ModalRunner m_runModal;
    PrinterProvider m_printerProvider;
    std::FILE* m_out = stdout;
    std::FILE* m_err = stderr;
    int m_exitCode = 0;
    bool m_unregistered = false;
    CDeferredClose m_close;
    QString m_lastOpenFolder;  // for this run only
    QString m_openMessage;     // the message pane's line of the last open
};

// The application object of this process, or null.
CGlosselApp* GetGlosselApp();
