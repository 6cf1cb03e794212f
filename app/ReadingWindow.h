#pragma once
// IReadingWindow: what the navigator (CGameNavigator) asks of the window it moves
// through: where the reader is, to show a place (the window's one way to: see
// CMainFrame::OpenAt), the game that holds the text shown, where the uses of a name
// go, and a line in the message pane.

#include "PlaceHistory.h"

#include "game/Game.h"

#include <QString>

#include <memory>
#include <vector>

// Whether showing a place leaves the place shown before on the Back list.
enum class HistoryStep { Leave, Keep };

// The game that holds the text shown, exactly as it is shown.
struct ShownGame {
    std::shared_ptr<const CGame> game;  // null: no file shown, or no game could be read of it
    std::uint32_t file = NO_FILE;       // the file shown, in game
    bool whole = false;                 // the whole game; false: the file shown alone, read at once
};

class IReadingWindow {
public:
    virtual ~IReadingWindow() = default;
    // Where the caret is: the file shown and its game, the caret's Location, the top line
    // (empty path: no file is shown).
    virtual ReadingPlace Here() const = 0;
    virtual bool OpenAt(const ReadingPlace& place, HistoryStep step) = 0;
    virtual ShownGame GameOfText() = 0;
    virtual void ShowReferences(const QString& name, const CGame& game, const std::vector<GameReference>& uses,
                                bool focus) = 0;
    virtual void Say(const QString& text, int timeout = 5000) = 0;
    // Clears the message pane when it still says text.
    virtual void Unsay(const QString& text) = 0;
};
