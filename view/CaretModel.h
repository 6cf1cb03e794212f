#pragma once
// CCaretModel: the caret and the selection of the control, as positions in the text as
// shown (UTF-16 units, line feeds included). No widget: the control asks it where the
// selection is and tells the world when it changes.
//
//  - The selection runs from the anchor to the caret, in either direction; From() and
//    To() give it in order. An empty selection is the caret alone.
//  - The goal x is the x in its row that Up, Down and the page keys keep to while the
//    caret passes shorter rows; any other move forgets it.
//  - A selection made with the mouse grows by characters, words or lines. By words or
//    lines it keeps the unit it started on whole while it grows either way: BeginUnits
//    remembers that unit, ExtendUnits gives the anchor and caret for a drag that has
//    reached another one.

#include <cstdint>
#include <utility>

class CCaretModel {
public:
    enum class Unit { Character, Word, Line };

    std::uint64_t Anchor() const { return m_anchor; }
    std::uint64_t Caret() const { return m_caret; }
    std::uint64_t From() const { return m_anchor < m_caret ? m_anchor : m_caret; }
    std::uint64_t To() const { return m_anchor < m_caret ? m_caret : m_anchor; }
    bool HasSelection() const { return m_anchor != m_caret; }

    // Puts the anchor and the caret, each at most length; true when either moved.
    bool Set(std::uint64_t anchor, std::uint64_t caret, std::uint64_t length);
    // Caret and anchor at the start, no goal x, no unit: as after a new text.
    void Reset();

    bool HasGoalX() const { return m_goalX >= 0; }
    double GoalX() const { return m_goalX; }
    void SetGoalX(double x) { m_goalX = x; }
    void ForgetGoalX() { m_goalX = -1; }

    // A selection by unit that starts with start..end (by characters: at the anchor).
    void BeginUnits(Unit unit, std::uint64_t start, std::uint64_t end);
    Unit SelectionUnit() const { return m_unit; }
    // Anchor and caret once the drag is at pos, inside the unit unitStart..unitEnd. By
    // characters the anchor stays and the caret goes to pos; by words or lines the
    // first unit stays whole and the selection reaches the far side of the unit at pos.
    std::pair<std::uint64_t, std::uint64_t> ExtendUnits(std::uint64_t pos, std::uint64_t unitStart,
                                                        std::uint64_t unitEnd) const;

private:
    std::uint64_t m_anchor = 0;
    std::uint64_t m_caret = 0;
    double m_goalX = -1;
    Unit m_unit = Unit::Character;
    std::uint64_t m_unitStart = 0;
    std::uint64_t m_unitEnd = 0;
};
