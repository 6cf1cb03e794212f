#pragma once
// COutlineDock: View > Outline, a dock of the main window with the whole game as a tree
// (CGameOutlineTree): its files, each file's definitions, property routines under their
// object. Hidden at start; whether it shows is not stored.
//
//  - The tree is built when the dock is shown, and for a new game once the game is
//    there (it is built after the text's first paint), so that it never delays the
//    text appearing.
//  - Choosing a row is announced with rowChosen, for the main window to go there; Escape
//    in the dock gives the focus back to the text.

#include <QDockWidget>
#include <QModelIndex>

class CGameOutlineModel;
class CGameOutlineTree;
class QWidget;

class COutlineDock : public QDockWidget {
    Q_OBJECT

public:
    // text: the widget that Escape gives the focus to.
    COutlineDock(CGameOutlineModel& model, QWidget& text, QWidget* parent = nullptr);

    CGameOutlineTree* Tree() const { return m_tree; }

signals:
    void rowChosen(const QModelIndex& index, bool byKeyboard);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Build();

    CGameOutlineModel& m_model;
    CGameOutlineTree* m_tree;
};
