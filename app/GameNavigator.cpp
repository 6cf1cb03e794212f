#include "GameNavigator.h"

#include "DefinitionChooser.h"
#include "DefinitionLink.h"
#include "GameFileWatcher.h"
#include "GameOutlineTree.h"
#include "GameSymbolPopup.h"
#include "OutlineDock.h"
#include "ReferencesDock.h"

#include "doc/Document.h"
#include "doc/FileName.h"
#include "view/GameOutlineModel.h"
#include "view/GameText.h"
#include "view/SyntaxRichEditCtrl.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QMainWindow>
#include <QMouseEvent>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>

namespace {

// A file of the game as the viewer names it: absolute, cleaned.
QString PathOf(const CGameFile& file)
{
    return AbsoluteFileName(DecodeFileName(QByteArray::fromStdString(file.Path())));
}

QString NameOf(const QString& path) { return DisplayFileName(QFileInfo(path).fileName()); }

bool SameFile(const QString& a, const QString& b)
{
    if (a == b) return true;
    const QString canonical = CanonicalFileName(a);
    return !canonical.isEmpty() && canonical == CanonicalFileName(b);
}

}  // namespace

CGameNavigator::CGameNavigator(QMainWindow& frame, ModalRunner runModal, CDocument& document,
                               CSyntaxRichEditCtrl& control)
    : QObject(&frame), m_frame(frame), m_runModal(std::move(runModal)), m_document(document), m_control(control),
      m_shownPath(document.GetPathName())
{
    m_session = new CGameSession(this);
    m_outlineModel = new CGameOutlineModel(this);

    m_outlineDock = new COutlineDock(*m_outlineModel, control, &frame);
    m_referencesDock = new CReferencesDock(control, &frame);
    frame.addDockWidget(Qt::LeftDockWidgetArea, m_outlineDock);
    frame.addDockWidget(Qt::BottomDockWidgetArea, m_referencesDock);
    for (QDockWidget* dock : {static_cast<QDockWidget*>(m_outlineDock), static_cast<QDockWidget*>(m_referencesDock)}) {
        dock->hide();
        // Shown and hidden by the View menu, not by the bars' context menu.
        dock->toggleViewAction()->setVisible(false);
        connect(dock, &QDockWidget::visibilityChanged, this, &CGameNavigator::UpdateDockChecks);
    }
    connect(m_outlineDock, &COutlineDock::rowChosen, this, &CGameNavigator::OutlineRowChosen);
    connect(m_referencesDock, &CReferencesDock::referenceChosen, this,
            [this](const QString& path, long long line, long long column, bool byKeyboard) {
                Jump(ReadingPlace{CurrentMain(), AbsoluteFileName(path), line, column, -1}, byKeyboard);
            });

    m_link = new CDefinitionLink(control, [this](long long pos, long long& from, long long& to) {
        return FindLink(pos, from, to);
    });
    connect(m_link, &CDefinitionLink::linkClicked, this, &CGameNavigator::GoToDefinitionAt);

    m_watcher = new CGameFileWatcher(this);
    connect(m_watcher, &CGameFileWatcher::filesChanged, this, &CGameNavigator::FilesChanged);
    connect(m_watcher, &CGameFileWatcher::awaitedFileAppeared, m_session, &CGameSession::Rebuild);

    connect(&document, &CDocument::titleChanged, this, &CGameNavigator::DocumentTitleChanged);
    connect(m_session, &CGameSession::gameChanged, this, &CGameNavigator::GameChanged);
    // The mouse's back and forward buttons, wherever they are pressed in the window.
    qApp->installEventFilter(this);
}

CGameNavigator::~CGameNavigator()
{
    qApp->removeEventFilter(this);
}

void CGameNavigator::SetCommands(QAction* back, QAction* forward, QAction* outline, QAction* references)
{
    m_back = back;
    m_forward = forward;
    m_outline = outline;
    m_references = references;
    UpdateHistoryCommands();
    UpdateDockChecks();
}

void CGameNavigator::Say(const QString& text, int timeout)
{
    m_frame.statusBar()->showMessage(text, timeout);
}

// ---------------------------------------------------------------------------------------
// The game

QString CGameNavigator::CurrentMain() const
{
    return m_pendingMain.isEmpty() ? m_session->MainPath() : m_pendingMain;
}

void CGameNavigator::StartGame(const QString& mainPath)
{
    // The old game goes at once; the new one is built once the text has been shown.
    m_session->Start(QString());
    m_pendingMain = mainPath;
    QTimer::singleShot(0, this, &CGameNavigator::StartPendingGame);
}

void CGameNavigator::StartPendingGame()
{
    if (m_pendingMain.isEmpty()) return;
    const QString main = m_pendingMain;
    m_pendingMain.clear();
    m_session->Start(main);
}

GamePointer CGameNavigator::EnsureGame()
{
    StartPendingGame();
    return m_session->WaitForGame();
}

void CGameNavigator::DocumentTitleChanged()
{
    const QString path = m_document.GetPathName();
    if (path == m_shownPath) return;
    if (!m_following) {
        // A file the user opened: the place left is one to come back to (the text
        // still shows it), and the file is the main file of a new game.
        m_history.Leave(Here());
        StartGame(path);
        // The file shown is watched from now on; the game's other files once it is built.
        m_watcher->Watch(path.isEmpty() ? QStringList() : QStringList{path});
    }
    m_shownPath = path;
    if (const GamePointer& game = m_session->Game()) m_outlineDock->Tree()->SetCurrentFile(ShownFile(*game));
    UpdateHistoryCommands();
}

void CGameNavigator::GameChanged()
{
    const GamePointer& game = m_session->Game();
    m_outlineModel->SetGame(game);
    QStringList files;
    QStringList awaited;
    if (game) {
        for (std::uint32_t f = 0; f < game->FileCount(); ++f) {
            const CGameFile& file = game->File(f);
            files << PathOf(file);
            for (const GameInclude& include : file.Includes())
                if (include.target == NO_FILE)
                    for (const std::string& tried : include.resolution.tried)
                        awaited << AbsoluteFileName(DecodeFileName(QByteArray::fromStdString(tried)));
        }
        m_outlineDock->Tree()->SetCurrentFile(ShownFile(*game));
    }
    if (!m_shownPath.isEmpty() && !files.contains(m_shownPath)) files << m_shownPath;
    m_watcher->Watch(files, awaited);
}

std::uint32_t CGameNavigator::ShownFile(const CGame& game) const
{
    if (m_shownPath.isEmpty()) return NO_FILE;
    return game.FindFile(EncodeFileName(m_shownPath).toStdString(), CGameSession::Source());
}

// ---------------------------------------------------------------------------------------
// Places

std::uint64_t CGameNavigator::GameOffsetOf(const CGameFile& file, long long pos) const
{
    const CRichTextStore& store = m_control.GetStore();
    const std::size_t row = store.RowOfUnit(static_cast<std::uint64_t>(std::max(0LL, pos)));
    const std::uint64_t byte = store.ByteOfUnit(static_cast<std::uint64_t>(std::max(0LL, pos)));
    return file.OffsetOf(row + 1, static_cast<std::uint32_t>(byte - store.RowByteStart(row)));
}

long long CGameNavigator::PosOf(long long line, long long column) const
{
    const CRichTextStore& store = m_control.GetStore();
    const std::size_t count = store.RowCount();
    if (count == 0) return 0;
    const auto row = static_cast<std::size_t>(std::clamp<long long>(line, 0, static_cast<long long>(count) - 1));
    const std::uint64_t byte =
        std::min(store.RowByteStart(row) + static_cast<std::uint64_t>(std::max(0LL, column)), store.RowByteEnd(row));
    return static_cast<long long>(store.UnitOfByte(byte));
}

ReadingPlace CGameNavigator::Here() const
{
    const CRichTextStore& store = m_control.GetStore();
    const auto caret = static_cast<std::uint64_t>(m_control.GetCaretPos());
    const std::size_t row = store.RowOfUnit(caret);
    return ReadingPlace{CurrentMain(), m_shownPath, static_cast<long long>(row),
                        static_cast<long long>(store.ByteOfUnit(caret) - store.RowByteStart(row)),
                        m_control.GetFirstVisibleLine()};
}

ReadingPlace CGameNavigator::PlaceIn(const CGame& game, std::uint32_t file, long long line, long long column) const
{
    return ReadingPlace{CurrentMain(), PathOf(game.File(file)), line, column, -1};
}

void CGameNavigator::PutCaret(const ReadingPlace& place)
{
    const long long pos = PosOf(place.line, place.column);
    if (place.topLine < 0) {
        m_control.GoToPos(pos);
        return;
    }
    m_control.SetSel(pos, pos);
    m_control.LineScroll(place.topLine - m_control.GetFirstVisibleLine());
}

bool CGameNavigator::GoTo(const ReadingPlace& place, bool focusText)
{
    if (!SameFile(place.path, m_shownPath)) {
        m_following = true;
        emit followFileRequested(place.path);
        m_following = false;
        if (!SameFile(m_document.GetPathName(), place.path)) {
            Say(tr("%1 could not be opened").arg(NameOf(place.path)));
            return false;
        }
    }
    // Back into a file of another game: that game again.
    if (!place.mainPath.isEmpty() && place.mainPath != CurrentMain()) StartGame(place.mainPath);
    PutCaret(place);
    if (focusText) m_control.setFocus(Qt::OtherFocusReason);
    return true;
}

void CGameNavigator::Jump(const ReadingPlace& place, bool focusText)
{
    m_history.Leave(Here());
    GoTo(place, focusText);
    UpdateHistoryCommands();
}

void CGameNavigator::RememberPlace()
{
    m_history.Leave(Here());
    UpdateHistoryCommands();
}

void CGameNavigator::OnGoBack()
{
    if (const std::optional<ReadingPlace> place = m_history.Back(Here())) GoTo(*place);
    UpdateHistoryCommands();
}

void CGameNavigator::OnGoForward()
{
    if (const std::optional<ReadingPlace> place = m_history.Forward(Here())) GoTo(*place);
    UpdateHistoryCommands();
}

void CGameNavigator::UpdateHistoryCommands()
{
    if (m_back) m_back->setEnabled(m_history.CanGoBack());
    if (m_forward) m_forward->setEnabled(m_history.CanGoForward());
}

bool CGameNavigator::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        const auto* widget = qobject_cast<QWidget*>(watched);
        const Qt::MouseButton button = static_cast<QMouseEvent*>(event)->button();
        if (widget && widget->window() == &m_frame && (button == Qt::BackButton || button == Qt::ForwardButton)) {
            if (button == Qt::BackButton)
                OnGoBack();
            else
                OnGoForward();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------
// Definitions and references

GamePlace CGameNavigator::PlaceAt(long long pos, const GamePointer& game, std::uint32_t& file) const
{
    file = game ? ShownFile(*game) : NO_FILE;
    if (file == NO_FILE) return {};
    return game->WhatIsAt(file, GameOffsetOf(game->File(file), pos));
}

std::vector<GameDefinitionRef> CGameNavigator::DefinitionsOf(const CGame& game, std::uint32_t file,
                                                             const GamePlace& at, std::string& name) const
{
    std::vector<GameDefinitionRef> found;
    if (!at.qualified.empty()) {
        name = at.qualified;
        found = game.FindDefinitions(name);
    }
    if (found.empty()) {
        name = at.name;
        found = game.FindDefinitions(name);
    }
    // An action (##Take) is carried out by its routine (TakeSub).
    const std::string_view text(game.File(file).Text());
    if (found.empty() && at.word.offset >= 2 && text.substr(at.word.offset - 2, 2) == "##") {
        found = game.FindDefinitions(at.name + "Sub");
        if (!found.empty()) name = at.name + "Sub";
    }
    // The name a definition is made by (a property's name where its object gives it a
    // routine): that definition itself.
    const std::vector<GameDefinition>& own = game.File(file).Definitions();
    for (std::uint32_t i = 0; found.empty() && i < own.size(); ++i)
        if (own[i].Line() == at.word.line && own[i].Column() == at.word.column) {
            found.push_back(GameDefinitionRef{file, i});
            name = game.File(file).FullNameOf(own[i]);
        }
    return found;
}

bool CGameNavigator::NeedsAFile()
{
    if (!m_shownPath.isEmpty()) return false;
    Say(tr("The text shown is not a file of a game: open a file first"));
    return true;
}

void CGameNavigator::OnGoToDefinition()
{
    GoToDefinitionAt(m_control.GetCaretPos());
}

void CGameNavigator::GoToDefinitionAt(long long pos)
{
    if (NeedsAFile()) return;
    const GamePointer game = EnsureGame();
    std::uint32_t fileIndex = NO_FILE;
    const GamePlace at = PlaceAt(pos, game, fileIndex);
    if (fileIndex == NO_FILE) {
        Say(tr("The game could not be read"));
        return;
    }
    const CGameFile& file = game->File(fileIndex);
    const bool utf8 = ShownAsUtf8(file);
    if (at.kind == GamePlace::Include) {
        const GameInclude& include = file.Includes()[at.include];
        if (include.target != NO_FILE) {
            ReadingPlace top = PlaceIn(*game, include.target, 0, 0);
            top.topLine = 0;
            Jump(top);
            return;
        }
        QStringList tried;
        for (const std::string& path : include.resolution.tried)
            tried << DisplayFileName(DecodeFileName(QByteArray::fromStdString(path)));
        Say(tr("Include \"%1\" leads to no file; tried %2").arg(ShownText(include.name, utf8), tried.join(QStringLiteral(", "))));
        return;
    }
    if (at.kind != GamePlace::Name) {
        Say(tr("There is no name at the caret"));
        return;
    }
    std::string name;
    std::vector<GameDefinitionRef> definitions = DefinitionsOf(*game, fileIndex, at, name);
    const QString shownName = ShownText(name, utf8);
    if (definitions.empty()) {
        Say(tr("No definition of %1 in this game").arg(shownName));
        return;
    }
    // Those that count first; Stub and Default give way to any other.
    std::stable_partition(definitions.begin(), definitions.end(),
                          [&](const GameDefinitionRef& ref) { return !game->Definition(ref).GivesWay(); });
    std::size_t chosen = 0;
    if (definitions.size() > 1) {
        CDefinitionChooser chooser(shownName, *game, definitions, &m_frame);
        if (RunModal(m_runModal, chooser) != QDialog::Accepted || chooser.GetChoice() < 0) return;
        chosen = static_cast<std::size_t>(chooser.GetChoice());
    }
    const GameDefinition& d = game->Definition(definitions[chosen]);
    Jump(PlaceIn(*game, definitions[chosen].file, static_cast<long long>(d.Line()) - 1, d.Column()));
}

bool CGameNavigator::FindLink(long long pos, long long& from, long long& to) const
{
    const GamePointer game = m_pendingMain.isEmpty() ? m_session->Game() : nullptr;
    std::uint32_t fileIndex = NO_FILE;
    const GamePlace at = PlaceAt(pos, game, fileIndex);
    if (at.kind == GamePlace::Include) {
        const GameInclude& include = game->File(fileIndex).Includes()[at.include];
        if (include.target == NO_FILE) return false;
        from = PosOf(static_cast<long long>(include.line) - 1, include.column);
        to = PosOf(static_cast<long long>(include.line) - 1, static_cast<long long>(include.column) + include.length);
        return from < to;
    }
    std::string name;
    if (at.kind != GamePlace::Name || DefinitionsOf(*game, fileIndex, at, name).empty()) return false;
    const auto line = static_cast<long long>(at.word.line) - 1;
    from = PosOf(line, at.word.column);
    to = PosOf(line, static_cast<long long>(at.word.column) + at.word.length);
    return from < to;
}

void CGameNavigator::OnFindReferences()
{
    if (NeedsAFile()) return;
    const GamePointer game = EnsureGame();
    std::uint32_t fileIndex = NO_FILE;
    const GamePlace at = PlaceAt(m_control.GetCaretPos(), game, fileIndex);
    if (at.kind != GamePlace::Name) {
        Say(fileIndex == NO_FILE ? tr("The game could not be read") : tr("There is no name at the caret"));
        return;
    }
    const std::string& name = at.qualified.empty() ? at.name : at.qualified;
    m_referencesDock->Show(ShownText(name, ShownAsUtf8(game->File(fileIndex))), *game, game->FindReferences(name));
    OnViewReferences(true);
}

void CGameNavigator::OnGoToSymbolInGame()
{
    if (NeedsAFile()) return;
    const GamePointer game = EnsureGame();
    if (!game) {
        Say(tr("The game could not be read"));
        return;
    }
    m_outlineModel->Update();
    const QRect area(m_control.mapToGlobal(QPoint(0, 0)), m_control.size());
    CGameSymbolPopup popup(*m_outlineModel, ShownFile(*game), area, &m_frame);
    if (RunModal(m_runModal, popup) != QDialog::Accepted) return;
    OutlineRowChosen(popup.GetChoice(), true);
}

void CGameNavigator::OutlineRowChosen(const QModelIndex& index, bool byKeyboard)
{
    const GamePointer& game = m_outlineModel->Game();
    if (!game || !index.isValid()) return;
    const QVariant file = index.data(CGameOutlineModel::ROLE_FILE);
    if (!file.isValid()) {
        Say(tr("%1 leads to no file: its tooltip lists the paths tried")
                .arg(index.siblingAtColumn(CGameOutlineModel::COLUMN_NAME).data().toString()));
        return;
    }
    ReadingPlace place = PlaceIn(*game, file.toUInt(), index.data(CGameOutlineModel::ROLE_LINE).toLongLong(),
                                 index.data(CGameOutlineModel::ROLE_COLUMN).toLongLong());
    // A definition's line goes to the middle of the view; a file opens at its top.
    if (!index.data(CGameOutlineModel::ROLE_DEFINITION).toBool()) place.topLine = 0;
    Jump(place, byKeyboard);
}

// ---------------------------------------------------------------------------------------
// The docks

void CGameNavigator::OnViewOutline(bool checked)
{
    ShowDock(*m_outlineDock, checked);
}

void CGameNavigator::OnViewReferences(bool checked)
{
    ShowDock(*m_referencesDock, checked);
}

void CGameNavigator::ShowDock(QDockWidget& dock, bool show)
{
    dock.setVisible(show);
    if (show) {
        dock.raise();
        // Once the menu that ran the command has given the focus back where it was.
        QTimer::singleShot(0, &dock, [&dock] { dock.setFocus(Qt::OtherFocusReason); });
    }
    UpdateDockChecks();
}

void CGameNavigator::UpdateDockChecks()
{
    // isHidden, not isVisible: the dock of a window not yet shown counts as shown.
    if (m_outline) m_outline->setChecked(!m_outlineDock->isHidden());
    if (m_references) m_references->setChecked(!m_referencesDock->isHidden());
}

// ---------------------------------------------------------------------------------------
// Files that change on disk

void CGameNavigator::FilesChanged(const QStringList& changed, const QStringList& gone)
{
    if (changed.contains(m_shownPath)) ReloadShownFile();
    if (gone.contains(m_shownPath))
        Say(tr("%1 was deleted or renamed; the text shown is the one last read").arg(NameOf(m_shownPath)), 0);
    const GamePointer& game = m_session->Game();
    if (!game) return;
    const QStringList all = changed + gone;
    if (all.size() != 1) return m_session->Rebuild();
    // The game reads the one file again, by the name it knows it by.
    for (std::uint32_t f = 0; f < game->FileCount(); ++f)
        if (PathOf(game->File(f)) == all.first())
            return m_session->Reindex(DecodeFileName(QByteArray::fromStdString(game->File(f).Path())));
    m_session->Rebuild();
}

void CGameNavigator::ReloadShownFile()
{
    const ReadingPlace here = Here();
    // A file that cannot be read now (emptied on its way to being written) stays as it
    // was shown; its next change reads it again.
    if (!m_document.OnOpenDocument(m_shownPath)) return;
    m_document.UpdateAllViews(nullptr);
    PutCaret(here);
    Say(tr("%1 changed on disk and was read again").arg(NameOf(m_shownPath)));
}
