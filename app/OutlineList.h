#pragma once
// COutlineList: the outline's definitions with a filter box on top, as the Outline dock
// and the Go to Symbol pop-up show them.
//
//  - Typing in the filter box keeps the definitions whose name holds the typed text,
//    in any case, and makes the first of them the current one.
//  - Up, Down, Page Up and Page Down in the filter box move through the list; Enter
//    there, Enter in the list, or a click chooses the current definition.
//  - Tab goes from the filter box to the list. Both have accessible names.

#include <QSortFilterProxyModel>
#include <QWidget>

#include <cstdint>
#include <optional>

class COutlineModel;
class QLineEdit;
class QTreeView;

class COutlineList : public QWidget {
    Q_OBJECT

public:
    COutlineList(COutlineModel& model, QWidget* parent = nullptr);

    QLineEdit* FilterEdit() const { return m_filter; }
    QTreeView* List() const { return m_list; }
    // The position of the current definition in the text, if there is one.
    std::optional<std::uint64_t> CurrentPosition() const;
    // The first definition shown becomes the current one, when none is.
    void EnsureCurrent();

signals:
    // The user chose a definition; byKeyboard when with Enter.
    void definitionChosen(std::uint64_t position, bool byKeyboard);


private:
    void Choose(const QModelIndex& index, bool byKeyboard);

    QSortFilterProxyModel m_proxy;
    QLineEdit* m_filter;
    QTreeView* m_list;
};
