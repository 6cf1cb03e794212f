#pragma once
// CGameSymbolPopup: Go to Symbol in Game, the game's tree as a pop-up over the top of the
// main window's text: type part of a name, then Enter (or a click) goes to that
// definition, in whichever file of the game it stands; Escape or a click elsewhere
// closes it and nothing moves.

#include <QDialog>
#include <QModelIndex>

#include <cstdint>

class CGameOutlineModel;
class CGameOutlineTree;

class CGameSymbolPopup : public QDialog {
    Q_OBJECT

public:
    // model must be up to date; currentFile is the file shown; the pop-up takes the top
    // of area (global coordinates).
    CGameSymbolPopup(CGameOutlineModel& model, std::uint32_t currentFile, const QRect& area, QWidget* parent = nullptr);

    CGameOutlineTree* Tree() const { return m_tree; }
    // The row chosen, once the pop-up was accepted (an index of the model).
    QModelIndex GetChoice() const { return m_choice; }

private:
    CGameOutlineTree* m_tree;
    QPersistentModelIndex m_choice;
};
