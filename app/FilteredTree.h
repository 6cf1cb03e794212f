#pragma once
// CFilteredTree: a filter box ("F&ilter:", Alt+I, since Alt+F is the File menu's) above a
// tree of definitions, as the Outline dock, its game tree and the Go to Symbol pop-up show
// them. The columns are the name (stretched), the kind and the line.
//
//  - Up, Down, Page Up and Page Down in the filter box move through the tree while the
//    focus stays in the box; Enter there calls the choice given.
//  - Tab goes from the filter box to the tree. Both have accessible names.

#include <QObject>

#include <functional>

class QAbstractItemModel;
class QLineEdit;
class QTreeView;
class QWidget;

class CFilteredTree : public QObject {
public:
    // Builds both into owner's layout; nameColumn, kindColumn and lineColumn are model's.
    CFilteredTree(QWidget& owner, QAbstractItemModel& model, const QString& treeName, int nameColumn,
                  int kindColumn, int lineColumn);

    QLineEdit* Filter() const { return m_filter; }
    QTreeView* Tree() const { return m_tree; }
    // What Enter in the filter box does.
    void OnEnter(std::function<void()> choose) { m_choose = std::move(choose); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* m_filter;
    QTreeView* m_tree;
    std::function<void()> m_choose;
};
