#pragma once
// CGameNavigator: the Go menu's commands beyond Go to Line and Go to Symbol (Back,
// Forward, Go to Definition, Find References, Go to Symbol in Game) and the history of
// places they walk. The window it moves through (IReadingWindow) shows the places, and
// what a word means is asked of the game's resolver (game/GameResolver.h). Nothing of it is stored.
//
//  - Go to Definition on a name puts the caret at its definition, its line in the
//    middle of the view, in whichever file of the game it stands; on an Include line it
//    opens that file at its top. A name defined more than once offers its definitions in
//    a list (CDefinitionChooser; those that give way to another, Stub and Default, last).
//    A name with none, an include that leads nowhere or a place with no name is one line
//    in the message pane. A Ctrl+click on a name (LinkAt) goes the same way.
//  - Before the game is there, the window never waits for it: Go to Definition answers
//    at once from the file shown alone (its own definitions), and what the file alone
//    cannot answer (a name defined only elsewhere, an include) or answers in part (a
//    name defined in other files too) is finished when the game arrives (GameArrived),
//    unless the caret has moved meanwhile. Find References lists the file's own uses at
//    once and the whole game's when it arrives.
//  - Back and Forward (CPlaceHistory) walk the places left by every jump: those above,
//    Go to Line, Go to Symbol, the docks and the opening of another file; going back
//    into a file of another game makes that game the current one again. When a file is
//    read again its places move with their lines (MovePlaces).
//  - The dialogs run through the modal runner the navigator is given.

#include "ModalRunner.h"
#include "game/GameResolver.h"
#include "PlaceHistory.h"
#include "ReadingWindow.h"

#include <QObject>
#include <QString>

#include <optional>

class CGameOutlineModel;
class CSyntaxRichEditCtrl;
class QAction;
class QModelIndex;
class QWidget;

class CGameNavigator : public QObject {
    Q_OBJECT

public:
    CGameNavigator(IReadingWindow& window, CSyntaxRichEditCtrl& control, QWidget& dialogParent, ModalRunner runModal,
                   QObject* parent = nullptr);

    const CPlaceHistory& GetHistory() const { return m_history; }
    // Keeps Back and Forward enabled while they lead somewhere.
    void SetCommands(QAction* back, QAction* forward);

    void OnGoBack();
    void OnGoForward();
    void OnGoToDefinition();
    void OnFindReferences();
    void OnGoToSymbolInGame();
    // Go to Definition on the name at pos of the text shown.
    void GoToDefinitionAt(long long pos);
    // The range (from..to) of the name or include at pos that leads somewhere, as far as
    // the game known now says; false when there is none.
    bool LinkAt(long long pos, long long& from, long long& to);
    // A row of the game's outline (the dock's, or the pop-up's) chosen: there it goes.
    void GoToOutlineRow(const CGameOutlineModel& model, const QModelIndex& index, bool byKeyboard);

    // Shows place (the focus to the text when focusText), or says that its file could
    // not be opened.
    void Go(const ReadingPlace& place, HistoryStep step, bool focusText = true);
    // The window is about to show another place: here goes on the Back list.
    void Leave(const ReadingPlace& here);
    // Before the caret jumps within the text (Go to Line, Go to Symbol).
    void RememberPlace();
    void MovePlaces(const QString& path, const CLineMap& map);
    // The whole game is there: what was asked before it is finished.
    void GameArrived();

private:
    // What was asked of the file alone, to be finished by the whole game.
    struct Pending {
        enum Kind { Definition, References } kind;
        ReadingPlace asked;  // where the caret was, with the place asked about
        ReadingPlace left;   // where the answer left the caret (the same when there was none yet)
        std::vector<ReadingPlace> found;  // Definition: the file's own definitions, when it went to one
        QString waiting;     // the message pane's line while nothing was done yet
    };
    bool NeedsAFile();
    // The game's place of definition ref.
    ReadingPlace PlaceOf(const CGame& game, const GameDefinitionRef& ref) const;
    // Go to Definition at asked.at of the file shown; goneTo: where the file alone went.
    void GoToDefinitionOf(const ReadingPlace& asked, HistoryStep step, const std::vector<ReadingPlace>* goneTo);
    void FindReferencesOf(const ReadingPlace& asked, bool focus);
    void UpdateHistoryCommands();

    IReadingWindow& m_window;
    CSyntaxRichEditCtrl& m_control;
    QWidget& m_dialogParent;
    ModalRunner m_runModal;
    CPlaceHistory m_history;
    std::optional<Pending> m_pending;
    QAction* m_back = nullptr;
    QAction* m_forward = nullptr;
};
