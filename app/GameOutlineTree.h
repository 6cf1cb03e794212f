#pragma once
// CGameOutlineTree: the game's tree (CGameOutlineModel) with a filter box on top, as the
// Outline dock and Go to Symbol in Game show it.
//
//  - Without a filter the file shown is expanded (with the files that lead to it) and
//    every other file folded. Typing in the filter box keeps the definitions whose name
//    holds the typed text, in any case, under the files they lie in, all expanded; the
//    first of them becomes the current row.
//  - Up, Down, Page Up and Page Down in the filter box move through the tree; Enter
//    there, Enter in the tree, or a click chooses the current row: a definition, or a
//    file (its top). A missing include leads nowhere.
//  - Tab goes from the filter box to the tree. Both have accessible names.

#include <QModelIndex>
#include <QWidget>

#include <cstdint>

class CGameOutlineModel;
class QLineEdit;
class QTreeView;

class CGameOutlineTree : public QWidget {
    Q_OBJECT

public:
    CGameOutlineTree(CGameOutlineModel& model, QWidget* parent = nullptr);

    QLineEdit* FilterEdit() const { return m_filter; }
    QTreeView* Tree() const { return m_tree; }
    // The file shown (its index in the game); its rows are expanded when nothing is typed.
    void SetCurrentFile(std::uint32_t file);
    // The current row.
    QModelIndex CurrentIndex() const;
    // Expands as the filter says and makes the first row that fits current, when none is.
    void Refresh();

signals:
    // The user chose a row (an index of the model); byKeyboard when with Enter.
    void rowChosen(const QModelIndex& index, bool byKeyboard);


private:
    void Choose(const QModelIndex& index, bool byKeyboard);
    void ExpandCurrentFile();

    CGameOutlineModel& m_model;
    QLineEdit* m_filter;
    QTreeView* m_tree;
    std::uint32_t m_currentFile = 0;
};
