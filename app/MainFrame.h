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
// Alt+Left, Alt+Right, F12, Shift+F12, Ctrl+G, Ctrl+Shift+O, Ctrl+Alt+O), View > Outline
// and View > References with their docks. A file of the game that the navigator opens
// is announced with followFileRequested, for the application to open as Open does.

#include "LockKeys.h"
#include "ModalRunner.h"

#include <QMainWindow>
#include <QStringList>

#include <functional>
#include <map>
#include <optional>
#include <vector>

class CGameNavigator;
class CGlosselDoc;
class CGlosselView;
class CReadingTools;
class QAction;
class QLabel;
class QMenu;
class QStatusBar;
class QToolBar;

class CMainFrame : public QMainWindow {
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
    // The Go menu's commands, the game, the Outline and References docks.
    CGameNavigator* GetNavigator() const { return m_navigator; }
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
    // A file of the game being read, to open as Open opens a file (the game stays).
    void followFileRequested(const QString& path);

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
