#pragma once
// CPlaceHistory: where Back and Forward go, for the run. A place is a file of a game,
// the caret's Location there (its line and the bytes before it on the line, so that a
// place keeps its meaning when its file is shown with other characters before it) and
// the line at the top of the view.
//
//  - Leave(here) before a jump: here goes on the Back list (unless it is the place
//    already last on it) and the Forward list is emptied.
//  - Back(here) gives the last place of the Back list and puts here on the Forward
//    list; Forward(here) the other way round. Neither gives anything when its list is
//    empty.
//  - Move(path, map): the file at path was read again; its places move with their lines
//    as map says (game/Location.h), the top line keeping its distance from the caret's.
//  - Each list keeps the last MAX_PLACES places.

#include "game/Location.h"

#include <QString>

#include <deque>
#include <optional>

struct ReadingPlace {
    QString mainPath;  // the game's main file
    QString path;      // the file shown
    Location at;       // the caret's
    long long topLine = -1;  // -1: the caret's line in the middle of the view

    bool SameLine(const ReadingPlace& other) const
    {
        return path == other.path && mainPath == other.mainPath && at.line == other.at.line;
    }
    // The place after its file was read again (see Move).
    ReadingPlace MovedBy(const CLineMap& map) const;
};

class CPlaceHistory {
public:
    static constexpr std::size_t MAX_PLACES = 100;

    void Leave(const ReadingPlace& here);
    std::optional<ReadingPlace> Back(const ReadingPlace& here) { return Step(m_back, m_forward, here); }
    std::optional<ReadingPlace> Forward(const ReadingPlace& here) { return Step(m_forward, m_back, here); }
    bool CanGoBack() const { return !m_back.empty(); }
    bool CanGoForward() const { return !m_forward.empty(); }
    void Move(const QString& path, const CLineMap& map);

private:
    static std::optional<ReadingPlace> Step(std::deque<ReadingPlace>& from, std::deque<ReadingPlace>& to,
                                            const ReadingPlace& here);
    static void Push(std::deque<ReadingPlace>& list, const ReadingPlace& place);

    std::deque<ReadingPlace> m_back;
    std::deque<ReadingPlace> m_forward;
};
