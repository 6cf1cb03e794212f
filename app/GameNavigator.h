#pragma once
// CGameNavigator: what the main window adds for reading a whole game: the Go menu's
// commands beyond Go to Line and Go to Symbol (Back, Forward, Go to Definition, Find
// References, Go to Symbol in Game), the Outline dock over the whole game, the
// References dock, Ctrl+click on a name, the mouse's back and forward buttons, and a
// text that follows its file on disk. Nothing of it is stored.
//
//  - The game (CGameSession): a file the user opens (Open, a recent file, the command
//    line) is the main file of a new game, built just after the text is shown. A file
//    reached by following the game (a definition, an include, a reference, a row of the
//    outline) opens as Open opens it, through followFileRequested, and the game stays.
//  - Go to Definition on a name puts the caret at its definition, its line in the middle
//    of the view, in whichever file of the game it stands; on an Include line it opens
//    that file at its top. A name defined more than once offers the definitions in a
//    list (CDefinitionChooser; those that give way to another, Stub and Default, last).
//    A name with none, an include that leads nowhere or a place with no name is one
//    line in the message pane.
//  - Back and Forward (CPlaceHistory) walk the places left by every jump: those above,
//    Go to Line, Go to Symbol and the opening of another file; going back into a file of
//    another game makes that game the current one again.
//  - When the file shown changes on disk it is read again, the caret and the top line
//    kept at the same line numbers; when it is gone, the message pane says so and the
//    text stays. The game is indexed again when any of its files changes.
//  - The dialogs run through the modal runner the navigator is given.

#include "GameSession.h"
#include "ModalRunner.h"
#include "PlaceHistory.h"

#include <QObject>
#include <QString>

class CDefinitionLink;
class CDocument;
class CGameFileWatcher;
class CGameOutlineModel;
class COutlineDock;
class CReferencesDock;
class CSyntaxRichEditCtrl;
class QAction;
class QDockWidget;
class QMainWindow;

class CGameNavigator : public QObject {
    Q_OBJECT

public:
    CGameNavigator(QMainWindow& frame, ModalRunner runModal, CDocument& document, CSyntaxRichEditCtrl& control);
    ~CGameNavigator() override;

    CGameSession& GetSession() const { return *m_session; }
    CGameOutlineModel& GetOutlineModel() const { return *m_outlineModel; }
    COutlineDock* GetOutlineDock() const { return m_outlineDock; }
    CReferencesDock* GetReferencesDock() const { return m_referencesDock; }
    CDefinitionLink* GetDefinitionLink() const { return m_link; }
    CGameFileWatcher* GetFileWatcher() const { return m_watcher; }
    const CPlaceHistory& GetHistory() const { return m_history; }
    // Keeps Back and Forward enabled while they lead somewhere, and the View items
    // checked while their docks show.
    void SetCommands(QAction* back, QAction* forward, QAction* outline, QAction* references);

    void OnGoBack();
    void OnGoForward();
    void OnGoToDefinition();
    void OnFindReferences();
    void OnGoToSymbolInGame();
    void OnViewOutline(bool checked);
    void OnViewReferences(bool checked);
    void UpdateDockChecks();
    // Before the caret jumps within the text: where it was goes on the Back list.
    void RememberPlace();

    // Where the caret is: the file shown, the game, the caret's line and column, the top line.
    ReadingPlace Here() const;
    // Goes to place, opening its file when another is shown (and starting its game
    // again when it was another game's); false when it cannot be opened.
    bool GoTo(const ReadingPlace& place, bool focusText = true);

signals:
    // The file at path is to be opened as Open opens it; the game stays.
    void followFileRequested(const QString& path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void DocumentTitleChanged();
    // The main file of the game being read, or of the one about to be built.
    QString CurrentMain() const;
    void StartGame(const QString& mainPath);
    void StartPendingGame();
    void GameChanged();
    GamePointer EnsureGame();
    // Says so in the message pane when no file is shown.
    bool NeedsAFile();
    // The index in game of the file shown, or NO_FILE.
    std::uint32_t ShownFile(const CGame& game) const;
    std::uint64_t GameOffsetOf(const CGameFile& file, long long pos) const;
    long long PosOf(long long line, long long column) const;
    ReadingPlace PlaceIn(const CGame& game, std::uint32_t file, long long line, long long column) const;
    void PutCaret(const ReadingPlace& place);
    // GoTo, leaving the place here on the Back list.
    void Jump(const ReadingPlace& place, bool focusText = true);
    // What stands at pos of the text shown, and the file shown (NO_FILE when the game has none).
    GamePlace PlaceAt(long long pos, const GamePointer& game, std::uint32_t& file) const;
    // The definitions of the name at, and the name they were found by.
    std::vector<GameDefinitionRef> DefinitionsOf(const CGame& game, std::uint32_t file, const GamePlace& at,
                                                 std::string& name) const;
    void GoToDefinitionAt(long long pos);
    bool FindLink(long long pos, long long& from, long long& to) const;
    void ShowDock(QDockWidget& dock, bool show);
    void OutlineRowChosen(const QModelIndex& index, bool byKeyboard);
    void FilesChanged(const QStringList& changed, const QStringList& gone);
    void ReloadShownFile();
    void Say(const QString& text, int timeout = 5000);
    void UpdateHistoryCommands();

    QMainWindow& m_frame;
    ModalRunner m_runModal;
    CDocument& m_document;
    CSyntaxRichEditCtrl& m_control;
    CGameSession* m_session;
    CGameOutlineModel* m_outlineModel;
    COutlineDock* m_outlineDock;
    CReferencesDock* m_referencesDock;
    CDefinitionLink* m_link;
    CGameFileWatcher* m_watcher;
    CPlaceHistory m_history;
    QString m_shownPath;    // the file shown, as the document has it ("" for none)
    QString m_pendingMain;  // a game to start once the event loop comes round
    bool m_following = false;  // a file of the game is being opened
    QAction* m_back = nullptr;
    QAction* m_forward = nullptr;
    QAction* m_outline = nullptr;
    QAction* m_references = nullptr;
};
