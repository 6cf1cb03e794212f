#pragma once
// CMainFrame: the main window. A menu (File, View, Tools, Help) with mnemonics and the
// accelerators Ctrl+O, Ctrl+T, F6 and Shift+F6; a toolbar that docks at any edge or
// floats, with tooltips; a status bar with the message pane ("Ready", or the prompt of
// the command under the pointer) and the CAP, NUM and SCRL panes, lit while the lock
// key is on; and the view over the rest. The caption is the document's title, " - ",
// then "Glossel". The frame carries out the View menu's commands itself; the others
// (Open, a recent file, Exit, Syntax Styles, About) it announces with a signal, for the
// application to carry out, and the application hands it the recent files' labels.
//
// Beyond those, for reading a long text (CReadingTools): an Edit menu between File and
// View (Copy, Select All, Find..., Find Next, Find Previous, with Ctrl+C, Ctrl+A, Ctrl+F,
// F3, Shift+F3), a find bar under the text, a position pane before CAP, and the zoom
// keys (Ctrl with =, +, - and 0) for the whole window. For reading the whole game
// (CGameNavigator): a Go menu between Edit and View (Back, Forward, Go to Definition,
// Find References, Go to Line..., Go to Symbol..., Go to Symbol in Game..., with
// Alt+Left, Alt+Right, F12, Shift+F12, Ctrl+G, Ctrl+Shift+O, Ctrl+Alt+O; the mouse's
// back and forward buttons anywhere in the window), View > Outline and View > References
// with their docks, View > Compile As (Z-code or Glulx, and Debug: CCompileAs) and View >
// Show Skipped Code (CSkippedCode). The message pane says, once for each game and each
// choice of Compile As, what the game is compiled as, when nothing else is said there.
//
// The frame joins the parts of reading a game, each a class of its own: the game being
// read (CGameSession), the watch on its files (CGameFileWatcher), the Ctrl+click link
// (CDefinitionLink), the navigator with its history (CGameNavigator), and the Outline
// and References docks, which it owns.
//
// OpenAt is the window's one way to show a place, whoever asks (following a definition,
// Back and Forward, the docks, Go to Symbol in Game, the application's Open, a file read
// again): it shows the file's text as the game read it (the same bytes, never a second
// read that might differ; a file the game does not hold is read as Open reads it),
// through the file opener the application gives, so that it opens as Open does; it puts
// the caret and the view at the place and, when asked, leaves the place shown before on
// the Back list. A place of another game makes that game the current one; the game is
// built once the text has been painted. When a game arrives that read the file shown
// anew (it changed on disk), the text shown is replaced by it, the caret and the places
// of the history moving with their lines.

#include "LockKeys.h"
#include "ModalRunner.h"
#include "ReadingWindow.h"

#include <QMainWindow>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CCompileAs;
class CDefinitionLink;
class CGameFileWatcher;
class CGameNavigator;
class CGameOutlineModel;
class CGameSession;
class CGlosselDoc;
class COutlineDock;
class CReferencesDock;
class CShownFile;
class CSkippedCode;
class QDockWidget;
class CGlosselView;
class CReadingTools;
class QAction;
class QLabel;
class QMenu;
class QStatusBar;
class QToolBar;

class CMainFrame : public QMainWindow, public IReadingWindow {
    Q_OBJECT

public:
    // The frame of document; the reading tools run their dialogs through runModal.
    CMainFrame(CGlosselDoc& document, ModalRunner runModal);
    ~CMainFrame() override;

    CGlosselView* GetActiveView() const { return m_view; }
    QToolBar* GetToolBar() const { return m_wndToolBar; }
    QStatusBar* GetStatusBar() const { return m_wndStatusBar; }
    // The find bar, the Outline dock and the position pane, and their commands' handlers.
    CReadingTools* GetReadingTools() const { return m_readingTools; }
    // The Go menu's commands and the history.
    CGameNavigator* GetNavigator() const { return m_navigator; }
    CGameSession& GetSession() const { return *m_session; }
    // The compiler's switches of the command line (--switches): the game is read with
    // them, and Compile As begins as they say.
    void SetCompilerSwitches(const std::string& switches);
    CGameFileWatcher* GetFileWatcher() const { return m_watcher; }
    CDefinitionLink* GetDefinitionLink() const { return m_link; }
    CGameOutlineModel& GetOutlineModel() const { return *m_outlineModel; }
    COutlineDock* GetOutlineDock() const { return m_outlineDock; }
    CReferencesDock* GetReferencesDock() const { return m_referencesDock; }

    // Reads path into the document as Open does and shows it; with text, shows that
    // text as the file's instead of reading it. False when the file cannot be opened.
    using FileOpener = std::function<bool(const QString& path, const std::shared_ptr<const std::string>& text)>;
    void SetFileOpener(FileOpener opener);

    // ---- IReadingWindow ----
    ReadingPlace Here() const override;
    bool OpenAt(const ReadingPlace& place, HistoryStep step) override;
    ShownGame GameOfText() override;
    void ShowReferences(const QString& name, const CGame& game, const std::vector<GameReference>& uses,
                        bool focus) override;
    void Say(const QString& text, int timeout = 5000) override;
    void Unsay(const QString& text) override;
    // The action of a command id (ID_FILE_OPEN, ...), or null.
    QAction* GetCommand(int id) const;
    // The recent-file entries of the File menu, in order.
    const std::vector<QAction*>& GetRecentFileActions() const { return m_recentFileActions; }

    void OnUpdateFrameTitle();
    // The recent-file entries of the File menu, most recent first (none: a grey
    // "Recent File" stands there).
    void UpdateRecentFileMenu(const QStringList& labels);
    // Reads the lock keys again and lights their panes.
    void UpdateKeyIndicators();

    using LockKeyReader = std::function<std::optional<LockKeyState>()>;
    void SetLockKeyReader(LockKeyReader reader);

signals:
    void fileOpenRequested();
    // The entry at index of the recent files (0: the most recent).
    void recentFileRequested(int index);
    void exitRequested();
    void syntaxStylesRequested();
    void aboutRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void CreateView(CGlosselDoc& document);
    void CreateReadingTools();
    void CreateGameTools();
    void CreateDocks();
    void GameArrived();
    void FilesChanged(const QStringList& changed, const QStringList& gone);
    void ShowDock(QDockWidget& dock, bool show);
    void OnViewOutline(bool checked);
    void OnViewReferences(bool checked);
    void UpdateDockChecks();

    QAction* AddCommand(int id, const QString& objectName, const QString& text,
                        const QKeySequence& shortcut = {});
    void OnViewToolBar(bool checked);
    void OnViewStatusBar(bool checked);
    void UpdateBarChecks();

    CGlosselDoc& m_document;
    ModalRunner m_runModal;
    CGlosselView* m_view = nullptr;
    CReadingTools* m_readingTools = nullptr;
    CGameNavigator* m_navigator = nullptr;
    CGameSession* m_session = nullptr;
    CGameFileWatcher* m_watcher = nullptr;
    CDefinitionLink* m_link = nullptr;
    CGameOutlineModel* m_outlineModel = nullptr;
    COutlineDock* m_outlineDock = nullptr;
    CReferencesDock* m_referencesDock = nullptr;
    CShownFile* m_shown = nullptr;
    CCompileAs* m_compileAs = nullptr;
    CSkippedCode* m_skipped = nullptr;
    QString m_compiledSaid;  // the last "Compiled as" said
    QStatusBar* m_wndStatusBar = nullptr;
    QToolBar* m_wndToolBar = nullptr;
    QMenu* m_fileMenu = nullptr;
    QMenu* m_viewMenu = nullptr;
    QAction* m_recentFilePlaceholder = nullptr;
    QAction* m_recentFileEnd = nullptr;
    std::vector<QAction*> m_recentFileActions;
    std::map<int, QAction*> m_commands;
    QLabel* m_indicatorPosition = nullptr;
    QLabel* m_indicatorCaps = nullptr;
    QLabel* m_indicatorNum = nullptr;
    QLabel* m_indicatorScrl = nullptr;
    LockKeyReader m_readLockKeys;
};
