#pragma once
// CMouseSelection: how the left mouse button selects in CSyntaxRichEditCtrl.
//
//  - A click puts the caret at the place nearest the pointer; with Shift it selects
//    from the anchor to there.
//  - A double click selects the word the pointer is on (the character under it, not
//    the gap nearest to it); a third click within the double-click time, near the
//    second, selects the whole row with its line feed.
//  - Dragging grows the selection by the unit it began with (characters, words or
//    rows). Outside the viewport the view goes on scrolling towards the pointer while
//    the button is held.
//  - Releasing the button hands the selection to X11's PRIMARY selection.

#include "view/CaretModel.h"

#include <QBasicTimer>
#include <QObject>
#include <QPoint>

#include <cstdint>

class CSyntaxRichEditCtrl;
class QMouseEvent;

class CMouseSelection : public QObject {
public:
    explicit CMouseSelection(CSyntaxRichEditCtrl& control) : m_control(control) {}

    // Each returns false when the event is not one it acts on (another button).
    bool Press(const QMouseEvent& e);
    bool DoubleClick(const QMouseEvent& e);
    bool Move(const QMouseEvent& e);
    bool Release(const QMouseEvent& e);
    // A new text: any drag ends.
    void Stop();

protected:
    void timerEvent(QTimerEvent* e) override;

private:
    // The word or row (as unit says) that holds pos; by characters, pos itself.
    void UnitAround(CCaretModel::Unit unit, std::uint64_t pos, std::uint64_t& start, std::uint64_t& end) const;
    void BeginUnits(CCaretModel::Unit unit, std::uint64_t pos);
    void Extend(const QPoint& point);

    CSyntaxRichEditCtrl& m_control;
    QBasicTimer m_autoScrollTimer;
    QPoint m_point;
    bool m_dragging = false;
    QBasicTimer m_tripleClickTimer;
    QPoint m_tripleClickPoint;
};
