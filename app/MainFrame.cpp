#include "MainFrame.h"

#include "CompileAs.h"
#include "DefinitionLink.h"
#include "GameFileWatcher.h"
#include "GameNavigator.h"
#include "GameOutlineTree.h"
#include "GameSession.h"
#include "OutlineDock.h"
#include "ReadingTools.h"
#include "ReferencesDock.h"
#include "Resource.h"
#include "ShownFile.h"
#include "SkippedCode.h"
#include "doc/FileName.h"
#include "doc/GlosselDoc.h"
#include "view/GameOutlineModel.h"
#include "view/GlosselView.h"

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

#include <algorithm>
#include <new>

namespace {

// The status-bar prompt and the tooltip of a command.
std::pair<QString, QString> PromptOf(int id)
{
    for (const CommandPrompt& prompt : COMMAND_PROMPTS) {
        if (prompt.id != id) continue;
        const QString text = QString::fromLatin1(prompt.text);
        const qsizetype lf = text.indexOf(u'\n');
        return lf < 0 ? std::pair{text, QString()} : std::pair{text.left(lf), text.mid(lf + 1)};
    }
    return {};
}

QString NameOf(const QString& path) { return DisplayFileName(QFileInfo(path).fileName()); }

QLabel* MakeIndicator(QWidget* parent, const char* objectName, const QString& widest)
{
    auto* pane = new QLabel(parent);
    pane->setObjectName(QString::fromLatin1(objectName));
    pane->setAlignment(Qt::AlignCenter);
    pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(widest) + 2 * pane->fontMetrics().averageCharWidth());
    return pane;
}

}  // namespace

CMainFrame::CMainFrame(CGlosselDoc& document, ModalRunner runModal)
    : m_document(document), m_runModal(std::move(runModal)), m_readLockKeys(&ReadLockKeys)
{
    setObjectName(QStringLiteral("CMainFrame"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAcceptDrops(false);
    setWindowIcon(QIcon(QStringLiteral(":/icons/glossel.svg")));

    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    CreateView(document);
    CreateReadingTools();
    CreateGameTools();

    connect(&document, &CDocument::titleChanged, this, &CMainFrame::OnUpdateFrameTitle);
    OnUpdateFrameTitle();
    UpdateRecentFileMenu({});

    // The size the window takes when the user restores it from maximised.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        resize(area.width() * 3 / 4, area.height() * 3 / 4);
        move(area.center() - rect().center());
    }
    setWindowState(windowState() | Qt::WindowMaximized);

    qApp->installEventFilter(this);
    UpdateKeyIndicators();
}

CMainFrame::~CMainFrame()
{
    qApp->removeEventFilter(this);
    // Closing the window hides the bars and docks once this frame is only a QWidget: their
    // signals must no longer reach its members.
    for (QObject* part : {static_cast<QObject*>(m_outlineDock), static_cast<QObject*>(m_referencesDock),
                          static_cast<QObject*>(m_wndToolBar)})
        if (part) part->disconnect(this);
}

QAction* CMainFrame::AddCommand(int id, const QString& objectName, const QString& text, const QKeySequence& shortcut)
{
    auto* action = new QAction(text, this);
    action->setObjectName(objectName);
    action->setData(id);
    const auto [statusTip, toolTip] = PromptOf(id);
    action->setStatusTip(statusTip);
    if (!toolTip.isEmpty()) action->setToolTip(toolTip);
    if (!shortcut.isEmpty()) {
        action->setShortcut(shortcut);
        action->setShortcutContext(Qt::WindowShortcut);
    }
    m_commands[id] = action;
    return action;
}

QAction* CMainFrame::GetCommand(int id) const
{
    const auto it = m_commands.find(id);
    return it == m_commands.end() ? nullptr : it->second;
}

void CMainFrame::CreateActions()
{
    QAction* open = AddCommand(ID_FILE_OPEN, QStringLiteral("ID_FILE_OPEN"), tr("&Open..."),
                               QKeySequence(Qt::CTRL | Qt::Key_O));
    open->setIcon(QIcon(QStringLiteral(":/icons/open.svg")));
    connect(open, &QAction::triggered, this, &CMainFrame::fileOpenRequested);

    QAction* exit = AddCommand(ID_APP_EXIT, QStringLiteral("ID_APP_EXIT"), tr("E&xit"));
    connect(exit, &QAction::triggered, this, &CMainFrame::exitRequested);

    QAction* toolBar = AddCommand(ID_VIEW_TOOLBAR, QStringLiteral("ID_VIEW_TOOLBAR"), tr("&Toolbar"));
    toolBar->setCheckable(true);
    connect(toolBar, &QAction::triggered, this, &CMainFrame::OnViewToolBar);

    QAction* statusBar = AddCommand(ID_VIEW_STATUS_BAR, QStringLiteral("ID_VIEW_STATUS_BAR"), tr("&Status Bar"));
    statusBar->setCheckable(true);
    connect(statusBar, &QAction::triggered, this, &CMainFrame::OnViewStatusBar);

    QAction* styles = AddCommand(ID_TOOLS_SYNTAX_STYLES, QStringLiteral("ID_TOOLS_SYNTAX_STYLES"),
                                 tr("&Syntax Styles..."), QKeySequence(Qt::CTRL | Qt::Key_T));
    styles->setIcon(QIcon(QStringLiteral(":/icons/styles.svg")));
    connect(styles, &QAction::triggered, this, &CMainFrame::syntaxStylesRequested);

    QAction* about = AddCommand(ID_APP_ABOUT, QStringLiteral("ID_APP_ABOUT"), tr("&About Glossel..."));
    about->setIcon(QIcon(QStringLiteral(":/icons/about.svg")));
    connect(about, &QAction::triggered, this, &CMainFrame::aboutRequested);

    // The view is never split, so there is no other pane to go to: the keys are taken
    // and do nothing.
    QAction* nextPane = AddCommand(ID_NEXT_PANE, QStringLiteral("ID_NEXT_PANE"), tr("Next Pane"),
                                   QKeySequence(Qt::Key_F6));
    QAction* prevPane = AddCommand(ID_PREV_PANE, QStringLiteral("ID_PREV_PANE"), tr("Previous Pane"),
                                   QKeySequence(Qt::SHIFT | Qt::Key_F6));
    for (QAction* pane : {nextPane, prevPane}) {
        pane->setEnabled(false);
        addAction(pane);
    }

    // The reading tools' commands; CreateReadingTools connects them.
    AddCommand(ID_EDIT_COPY, QStringLiteral("ID_EDIT_COPY"), tr("&Copy"), QKeySequence(Qt::CTRL | Qt::Key_C));
    AddCommand(ID_EDIT_SELECT_ALL, QStringLiteral("ID_EDIT_SELECT_ALL"), tr("Select &All"),
               QKeySequence(Qt::CTRL | Qt::Key_A));
    AddCommand(ID_EDIT_FIND, QStringLiteral("ID_EDIT_FIND"), tr("&Find..."), QKeySequence(Qt::CTRL | Qt::Key_F));
    AddCommand(ID_EDIT_REPEAT, QStringLiteral("ID_EDIT_REPEAT"), tr("Find &Next"), QKeySequence(Qt::Key_F3));
    AddCommand(ID_EDIT_FIND_PREVIOUS, QStringLiteral("ID_EDIT_FIND_PREVIOUS"), tr("Find &Previous"),
               QKeySequence(Qt::SHIFT | Qt::Key_F3));
    AddCommand(ID_VIEW_OUTLINE, QStringLiteral("ID_VIEW_OUTLINE"), tr("&Outline"))->setCheckable(true);

    // The Go menu's; CreateReadingTools and CreateGameTools connect them.
    AddCommand(ID_GO_BACK, QStringLiteral("ID_GO_BACK"), tr("&Back"), QKeySequence(Qt::ALT | Qt::Key_Left));
    AddCommand(ID_GO_FORWARD, QStringLiteral("ID_GO_FORWARD"), tr("&Forward"), QKeySequence(Qt::ALT | Qt::Key_Right));
    AddCommand(ID_GO_DEFINITION, QStringLiteral("ID_GO_DEFINITION"), tr("Go to &Definition"),
               QKeySequence(Qt::Key_F12));
    AddCommand(ID_GO_REFERENCES, QStringLiteral("ID_GO_REFERENCES"), tr("Find &References"),
               QKeySequence(Qt::SHIFT | Qt::Key_F12));
    AddCommand(ID_EDIT_GOTO_LINE, QStringLiteral("ID_EDIT_GOTO_LINE"), tr("Go to &Line..."),
               QKeySequence(Qt::CTRL | Qt::Key_G));
    AddCommand(ID_EDIT_GOTO_SYMBOL, QStringLiteral("ID_EDIT_GOTO_SYMBOL"), tr("Go to &Symbol..."),
               QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    AddCommand(ID_GO_SYMBOL_IN_GAME, QStringLiteral("ID_GO_SYMBOL_IN_GAME"), tr("Go to Symbol in &Game..."),
               QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_O));
    AddCommand(ID_VIEW_REFERENCES, QStringLiteral("ID_VIEW_REFERENCES"), tr("&References"))->setCheckable(true);
    // View > Compile As and Show Skipped Code; CreateGameTools connects them.
    AddCommand(ID_VIEW_COMPILE_ZCODE, QStringLiteral("ID_VIEW_COMPILE_ZCODE"), tr("&Z-code"));
    AddCommand(ID_VIEW_COMPILE_GLULX, QStringLiteral("ID_VIEW_COMPILE_GLULX"), tr("&Glulx"));
    AddCommand(ID_VIEW_COMPILE_DEBUG, QStringLiteral("ID_VIEW_COMPILE_DEBUG"), tr("&Debug (-D)"));
    AddCommand(ID_VIEW_SKIPPED_CODE, QStringLiteral("ID_VIEW_SKIPPED_CODE"), tr("Show S&kipped Code"));

    // The zoom keys act wherever the focus is in the window (the find bar, the outline),
    // as the Edit menu's do: Ctrl with =, + (with or without the Shift it takes on most
    // layouts, or the keypad's), - and 0.
    QAction* zoomIn = AddCommand(ID_VIEW_ZOOM_IN, QStringLiteral("ID_VIEW_ZOOM_IN"), tr("Zoom In"));
    zoomIn->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Equal), QKeySequence(Qt::CTRL | Qt::Key_Plus),
                          QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Plus)});
    QAction* zoomOut = AddCommand(ID_VIEW_ZOOM_OUT, QStringLiteral("ID_VIEW_ZOOM_OUT"), tr("Zoom Out"),
                                  QKeySequence(Qt::CTRL | Qt::Key_Minus));
    QAction* zoomReset = AddCommand(ID_VIEW_ZOOM_RESET, QStringLiteral("ID_VIEW_ZOOM_RESET"), tr("Actual Size"),
                                    QKeySequence(Qt::CTRL | Qt::Key_0));
    for (QAction* zoom : {zoomIn, zoomOut, zoomReset}) {
        zoom->setShortcutContext(Qt::WindowShortcut);
        addAction(zoom);
    }
}

void CMainFrame::CreateMenus()
{
    m_fileMenu = menuBar()->addMenu(tr("&File"));
    m_fileMenu->setObjectName(QStringLiteral("FileMenu"));
    m_fileMenu->addAction(GetCommand(ID_FILE_OPEN));
    m_fileMenu->addSeparator();
    m_recentFilePlaceholder = m_fileMenu->addAction(tr("Recent File"));
    m_recentFilePlaceholder->setObjectName(QStringLiteral("RecentFilePlaceholder"));
    m_recentFilePlaceholder->setData(ID_FILE_MRU_FILE1);
    m_recentFilePlaceholder->setEnabled(false);
    m_recentFileEnd = m_fileMenu->addSeparator();
    m_fileMenu->addAction(GetCommand(ID_APP_EXIT));

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    edit->setObjectName(QStringLiteral("EditMenu"));
    edit->addAction(GetCommand(ID_EDIT_COPY));
    edit->addAction(GetCommand(ID_EDIT_SELECT_ALL));
    edit->addSeparator();
    edit->addAction(GetCommand(ID_EDIT_FIND));
    edit->addAction(GetCommand(ID_EDIT_REPEAT));
    edit->addAction(GetCommand(ID_EDIT_FIND_PREVIOUS));

    QMenu* go = menuBar()->addMenu(tr("&Go"));
    go->setObjectName(QStringLiteral("GoMenu"));
    go->addAction(GetCommand(ID_GO_BACK));
    go->addAction(GetCommand(ID_GO_FORWARD));
    go->addSeparator();
    go->addAction(GetCommand(ID_GO_DEFINITION));
    go->addAction(GetCommand(ID_GO_REFERENCES));
    go->addSeparator();
    go->addAction(GetCommand(ID_EDIT_GOTO_LINE));
    go->addAction(GetCommand(ID_EDIT_GOTO_SYMBOL));
    go->addAction(GetCommand(ID_GO_SYMBOL_IN_GAME));

    m_viewMenu = menuBar()->addMenu(tr("&View"));
    m_viewMenu->setObjectName(QStringLiteral("ViewMenu"));
    m_viewMenu->addAction(GetCommand(ID_VIEW_TOOLBAR));
    m_viewMenu->addAction(GetCommand(ID_VIEW_STATUS_BAR));
    m_viewMenu->addAction(GetCommand(ID_VIEW_OUTLINE));
    m_viewMenu->addAction(GetCommand(ID_VIEW_REFERENCES));
    m_viewMenu->addSeparator();
    QMenu* compileAs = m_viewMenu->addMenu(tr("Compile &As"));
    compileAs->setObjectName(QStringLiteral("CompileAsMenu"));
    compileAs->addAction(GetCommand(ID_VIEW_COMPILE_ZCODE));
    compileAs->addAction(GetCommand(ID_VIEW_COMPILE_GLULX));
    compileAs->addSeparator();
    compileAs->addAction(GetCommand(ID_VIEW_COMPILE_DEBUG));
    m_viewMenu->addAction(GetCommand(ID_VIEW_SKIPPED_CODE));
    connect(m_viewMenu, &QMenu::aboutToShow, this, &CMainFrame::UpdateBarChecks);

    QMenu* tools = menuBar()->addMenu(tr("&Tools"));
    tools->setObjectName(QStringLiteral("ToolsMenu"));
    tools->addAction(GetCommand(ID_TOOLS_SYNTAX_STYLES));

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    help->setObjectName(QStringLiteral("HelpMenu"));
    help->addAction(GetCommand(ID_APP_ABOUT));
}

void CMainFrame::CreateToolBar()
{
    m_wndToolBar = new QToolBar(tr("Toolbar"), this);
    m_wndToolBar->setObjectName(QStringLiteral("AFX_IDW_TOOLBAR"));
    m_wndToolBar->setIconSize(QSize(16, 16));
    m_wndToolBar->setMovable(true);
    m_wndToolBar->setFloatable(true);
    m_wndToolBar->setAllowedAreas(Qt::AllToolBarAreas);
    m_wndToolBar->addAction(GetCommand(ID_FILE_OPEN));
    m_wndToolBar->addSeparator();
    m_wndToolBar->addAction(GetCommand(ID_TOOLS_SYNTAX_STYLES));
    m_wndToolBar->addSeparator();
    m_wndToolBar->addAction(GetCommand(ID_APP_ABOUT));
    addToolBar(Qt::TopToolBarArea, m_wndToolBar);
    // The toolbar's own context menu entry and a floating bar's closing both pass here.
    connect(m_wndToolBar, &QToolBar::visibilityChanged, this, &CMainFrame::UpdateBarChecks);
    UpdateBarChecks();
}

void CMainFrame::CreateStatusBar()
{
    m_wndStatusBar = new QStatusBar(this);
    m_wndStatusBar->setObjectName(QStringLiteral("AFX_IDW_STATUS_BAR"));
    // The message pane: "Ready" while no prompt covers it.
    auto* idle = new QLabel(QString::fromLatin1(IDLE_MESSAGE), m_wndStatusBar);
    idle->setObjectName(QStringLiteral("AFX_IDS_IDLEMESSAGE"));
    m_wndStatusBar->addWidget(idle, 1);
    // The status bar hides "Ready" under a message only when it is on screen already: a
    // message given before the window first shows (what an open from the command line
    // has to say) would be drawn with "Ready" over it. Follow the message instead.
    connect(m_wndStatusBar, &QStatusBar::messageChanged, idle,
            [idle](const QString& message) { idle->setVisible(message.isEmpty()); });
    // The caret's position (kept by the reading tools), then the lock keys.
    m_indicatorPosition = MakeIndicator(m_wndStatusBar, "ID_INDICATOR_POSITION", QStringLiteral("Ln 8,888,888, Col 8,888"));
    const QString widest = QStringLiteral("SCRL");
    m_indicatorCaps = MakeIndicator(m_wndStatusBar, "ID_INDICATOR_CAPS", widest);
    m_indicatorNum = MakeIndicator(m_wndStatusBar, "ID_INDICATOR_NUM", widest);
    m_indicatorScrl = MakeIndicator(m_wndStatusBar, "ID_INDICATOR_SCRL", widest);
    for (QLabel* pane : {m_indicatorPosition, m_indicatorCaps, m_indicatorNum, m_indicatorScrl})
        m_wndStatusBar->addPermanentWidget(pane);
    setStatusBar(m_wndStatusBar);
    UpdateBarChecks();
}

void CMainFrame::CreateView(CGlosselDoc& document)
{
    m_view = new CGlosselView(&document, this);
    setCentralWidget(m_view);
    m_view->OnCreate();
}

void CMainFrame::CreateReadingTools()
{
    m_readingTools = new CReadingTools(*this, m_runModal, m_view->GetRichEditCtrl(), *m_indicatorPosition);
    CReadingTools* tools = m_readingTools;
    const std::pair<int, void (CReadingTools::*)()> commands[] = {
        {ID_EDIT_COPY, &CReadingTools::OnEditCopy},
        {ID_EDIT_SELECT_ALL, &CReadingTools::OnEditSelectAll},
        {ID_EDIT_FIND, &CReadingTools::OnEditFind},
        {ID_EDIT_REPEAT, &CReadingTools::OnEditFindNext},
        {ID_EDIT_FIND_PREVIOUS, &CReadingTools::OnEditFindPrevious},
        {ID_EDIT_GOTO_LINE, &CReadingTools::OnEditGoToLine},
        {ID_EDIT_GOTO_SYMBOL, &CReadingTools::OnEditGoToSymbol},
        {ID_VIEW_ZOOM_IN, &CReadingTools::OnViewZoomIn},
        {ID_VIEW_ZOOM_OUT, &CReadingTools::OnViewZoomOut},
        {ID_VIEW_ZOOM_RESET, &CReadingTools::OnViewZoomReset},
    };
    for (const auto& [id, handler] : commands) connect(GetCommand(id), &QAction::triggered, tools, handler);
    tools->SetCommands(GetCommand(ID_EDIT_COPY));
}

void CMainFrame::CreateGameTools()
{
    CSyntaxRichEditCtrl& control = m_view->GetRichEditCtrl();
    m_session = new CGameSession(this);
    m_shown = new CShownFile(m_document, control, *m_session, this);
    m_watcher = new CGameFileWatcher(this);
    m_outlineModel = new CGameOutlineModel(this);
    m_compileAs = new CCompileAs(*m_session, *GetCommand(ID_VIEW_COMPILE_ZCODE), *GetCommand(ID_VIEW_COMPILE_GLULX),
                                 *GetCommand(ID_VIEW_COMPILE_DEBUG), this);
    m_skipped = new CSkippedCode(control, *m_session, *m_shown, *GetCommand(ID_VIEW_SKIPPED_CODE), this);
    CreateDocks();
    m_navigator = new CGameNavigator(*this, control, *this, m_runModal, this);
    m_link = new CDefinitionLink(control, [this](long long pos, long long& from, long long& to) {
        return m_navigator->LinkAt(pos, from, to);
    });

    CGameNavigator* navigator = m_navigator;
    const std::pair<int, void (CGameNavigator::*)()> commands[] = {
        {ID_GO_BACK, &CGameNavigator::OnGoBack},
        {ID_GO_FORWARD, &CGameNavigator::OnGoForward},
        {ID_GO_DEFINITION, &CGameNavigator::OnGoToDefinition},
        {ID_GO_REFERENCES, &CGameNavigator::OnFindReferences},
        {ID_GO_SYMBOL_IN_GAME, &CGameNavigator::OnGoToSymbolInGame},
    };
    for (const auto& [id, handler] : commands) connect(GetCommand(id), &QAction::triggered, navigator, handler);
    navigator->SetCommands(GetCommand(ID_GO_BACK), GetCommand(ID_GO_FORWARD));
    // Go to Line and Go to Symbol leave a place to come back to.
    connect(m_readingTools, &CReadingTools::jumping, navigator, &CGameNavigator::RememberPlace);
    connect(m_link, &CDefinitionLink::linkClicked, navigator, &CGameNavigator::GoToDefinitionAt);

    connect(m_session, &CGameSession::gameChanged, this, &CMainFrame::GameArrived);
    connect(m_session, &CGameSession::buildFailed, this,
            [this] { Say(tr("The game does not fit in memory: what was read of it before stays"), 0); });
    connect(m_watcher, &CGameFileWatcher::filesChanged, this, &CMainFrame::FilesChanged);
    connect(m_watcher, &CGameFileWatcher::awaitedFileAppeared, m_session, &CGameSession::Rebuild);
}

void CMainFrame::CreateDocks()
{
    CSyntaxRichEditCtrl& control = m_view->GetRichEditCtrl();
    m_outlineDock = new COutlineDock(*m_outlineModel, control, this);
    m_referencesDock = new CReferencesDock(control, this);
    addDockWidget(Qt::LeftDockWidgetArea, m_outlineDock);
    addDockWidget(Qt::BottomDockWidgetArea, m_referencesDock);
    for (QDockWidget* dock : {static_cast<QDockWidget*>(m_outlineDock), static_cast<QDockWidget*>(m_referencesDock)}) {
        dock->hide();
        // Shown and hidden by the View menu, not by the bars' context menu.
        dock->toggleViewAction()->setVisible(false);
        connect(dock, &QDockWidget::visibilityChanged, this, &CMainFrame::UpdateDockChecks);
    }
    connect(m_outlineDock, &COutlineDock::rowChosen, this, [this](const QModelIndex& index, bool byKeyboard) {
        m_navigator->GoToOutlineRow(*m_outlineModel, index, byKeyboard);
    });
    connect(m_referencesDock, &CReferencesDock::referenceChosen, this,
            [this](const QString& path, const Location& at, bool byKeyboard) {
                m_navigator->Go(ReadingPlace{m_session->MainPath(), AbsoluteFileName(path), at, -1}, HistoryStep::Leave,
                                byKeyboard);
            });
    connect(GetCommand(ID_VIEW_OUTLINE), &QAction::triggered, this, &CMainFrame::OnViewOutline);
    connect(GetCommand(ID_VIEW_REFERENCES), &QAction::triggered, this, &CMainFrame::OnViewReferences);
    connect(m_viewMenu, &QMenu::aboutToShow, this, &CMainFrame::UpdateDockChecks);
    UpdateDockChecks();
}

// ---------------------------------------------------------------------------------------
// Places and the game

ReadingPlace CMainFrame::Here() const { return m_shown->Here(); }

bool CMainFrame::OpenAt(const ReadingPlace& place, HistoryStep step)
{
    const ReadingPlace here = Here();
    if (!m_shown->Show(place)) return false;
    if (step == HistoryStep::Leave) m_navigator->Leave(here);
    if (const GamePointer& game = m_session->Game()) m_outlineDock->Tree()->SetCurrentFile(m_shown->FileIn(*game));
    return true;
}

ShownGame CMainFrame::GameOfText() { return m_shown->GameOfText(); }

void CMainFrame::SetCompilerSwitches(const std::string& switches) { m_compileAs->SetSwitches(switches); }

void CMainFrame::SetFileOpener(FileOpener opener) { m_shown->SetFileOpener(std::move(opener)); }

void CMainFrame::GameArrived()
{
    // Nothing the game needs of the window may end it for want of memory.
    try {
        const GamePointer& game = m_session->Game();
        m_outlineModel->SetGame(game);
        std::vector<StampedFile> files = m_session->Files();
        const QString shown = m_shown->Path();
        if (!shown.isEmpty() && (!game || m_shown->FileIn(*game) == NO_FILE))
            files.push_back(StampedFile{shown, FileStamp::Of(EncodeFileName(shown).toStdString())});
        m_watcher->Watch(files, m_session->Awaited());
        if (!game) {
            m_compileAs->GameStarted();
            m_skipped->Update();
            return;
        }
        if (const std::optional<CLineMap> map = m_shown->FollowGame()) {
            m_navigator->MovePlaces(shown, *map);
            Say(tr("%1 changed on disk and was read again").arg(NameOf(shown)));
        }
        m_outlineDock->Tree()->SetCurrentFile(m_shown->FileIn(*game));
        m_navigator->GameArrived();
        m_skipped->Update();
        // Once, and over nothing else the pane says.
        const QString compiled = m_compileAs->GameArrived(*game);
        const QString said = m_wndStatusBar->currentMessage();
        if (!compiled.isEmpty() && (said.isEmpty() || said == m_compiledSaid)) {
            Say(compiled);
            m_compiledSaid = compiled;
        }
    } catch (const std::bad_alloc&) {
        Say(tr("The game does not fit in memory: what was read of it before stays"), 0);
    }
}

void CMainFrame::FilesChanged(const QStringList& changed, const QStringList& gone)
{
    const QString& shown = m_shown->Path();
    if (gone.contains(shown))
        Say(tr("%1 was deleted or renamed; the text shown is the one last read").arg(NameOf(shown)), 0);
    m_session->FilesChanged(changed, gone);
}

void CMainFrame::ShowReferences(const QString& name, const CGame& game, const std::vector<GameReference>& uses,
                                bool focus)
{
    m_referencesDock->Show(name, game, uses);
    if (focus) OnViewReferences(true);
}

void CMainFrame::Say(const QString& text, int timeout) { m_wndStatusBar->showMessage(text, timeout); }

void CMainFrame::Unsay(const QString& text)
{
    if (m_wndStatusBar->currentMessage() == text) m_wndStatusBar->clearMessage();
}

// ---------------------------------------------------------------------------------------
// The docks

void CMainFrame::OnViewOutline(bool checked) { ShowDock(*m_outlineDock, checked); }

void CMainFrame::OnViewReferences(bool checked) { ShowDock(*m_referencesDock, checked); }

void CMainFrame::ShowDock(QDockWidget& dock, bool show)
{
    dock.setVisible(show);
    if (show) {
        dock.raise();
        // Once the menu that ran the command has given the focus back where it was.
        QTimer::singleShot(0, &dock, [&dock] { dock.setFocus(Qt::OtherFocusReason); });
    }
    UpdateDockChecks();
}

void CMainFrame::UpdateDockChecks()
{
    // isHidden, not isVisible: the dock of a window not yet shown counts as shown.
    if (QAction* outline = GetCommand(ID_VIEW_OUTLINE)) outline->setChecked(m_outlineDock && !m_outlineDock->isHidden());
    if (QAction* references = GetCommand(ID_VIEW_REFERENCES))
        references->setChecked(m_referencesDock && !m_referencesDock->isHidden());
}

void CMainFrame::OnUpdateFrameTitle()
{
    // "[*]" in a title is Qt's modified mark; written twice it shows as itself.
    QString title = m_document.GetTitle();
    title.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
    setWindowTitle(title + QStringLiteral(" - ") + QString::fromLatin1(APP_TITLE));
}

void CMainFrame::UpdateRecentFileMenu(const QStringList& labels)
{
    // The list may change while one of these entries is still delivering its trigger.
    for (QAction* action : m_recentFileActions) {
        m_fileMenu->removeAction(action);
        action->deleteLater();
    }
    m_recentFileActions.clear();

    m_recentFilePlaceholder->setVisible(labels.isEmpty());
    const QString prompt = PromptOf(ID_FILE_MRU_FILE1).first;
    for (int i = 0; i < labels.size(); ++i) {
        auto* action = new QAction(labels[i], this);
        action->setObjectName(QStringLiteral("ID_FILE_MRU_FILE%1").arg(i + 1));
        action->setData(ID_FILE_MRU_FILE1 + i);
        action->setStatusTip(prompt);
        connect(action, &QAction::triggered, this, [this, i] { emit recentFileRequested(i); });
        m_fileMenu->insertAction(m_recentFileEnd, action);
        m_recentFileActions.push_back(action);
    }
}

void CMainFrame::OnViewToolBar(bool checked)
{
    m_wndToolBar->setVisible(checked);
    UpdateBarChecks();
}

void CMainFrame::OnViewStatusBar(bool checked)
{
    m_wndStatusBar->setVisible(checked);
    UpdateBarChecks();
}

void CMainFrame::UpdateBarChecks()
{
    // isHidden, not isVisible: a bar of a window not yet shown is still "on".
    if (QAction* toolBar = GetCommand(ID_VIEW_TOOLBAR); toolBar && m_wndToolBar)
        toolBar->setChecked(!m_wndToolBar->isHidden());
    if (QAction* statusBar = GetCommand(ID_VIEW_STATUS_BAR); statusBar && m_wndStatusBar)
        statusBar->setChecked(!m_wndStatusBar->isHidden());
}

void CMainFrame::SetLockKeyReader(LockKeyReader reader)
{
    m_readLockKeys = std::move(reader);
    UpdateKeyIndicators();
}

void CMainFrame::UpdateKeyIndicators()
{
    const std::optional<LockKeyState> state = m_readLockKeys ? m_readLockKeys() : std::nullopt;
    const LockKeyState keys = state.value_or(LockKeyState{});
    m_indicatorCaps->setText(keys.caps ? QStringLiteral("CAP") : QString());
    m_indicatorNum->setText(keys.num ? QStringLiteral("NUM") : QString());
    m_indicatorScrl->setText(keys.scroll ? QStringLiteral("SCRL") : QString());
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event)
{
    // The mouse's back and forward buttons, wherever they are pressed in the window.
    if (event->type() == QEvent::MouseButtonPress) {
        const auto* widget = qobject_cast<QWidget*>(watched);
        const Qt::MouseButton button = static_cast<QMouseEvent*>(event)->button();
        if (widget && widget->window() == this && (button == Qt::BackButton || button == Qt::ForwardButton)) {
            if (button == Qt::BackButton)
                m_navigator->OnGoBack();
            else
                m_navigator->OnGoForward();
            return true;
        }
    }
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::FocusIn:
    case QEvent::WindowActivate:
        UpdateKeyIndicators();
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}
