#pragma once
// CSymbolPopup: Go to Symbol, the outline as a pop-up over the top of the main window's
// text: type part of a name, then Enter (or a click) goes to that definition; Escape or
// a click elsewhere closes it and nothing moves.

#include <QDialog>

#include <cstdint>
#include <optional>

class COutlineList;
class COutlineModel;

class CSymbolPopup : public QDialog {
    Q_OBJECT

public:
    // model must be up to date; the pop-up takes the top of area (global coordinates).
    CSymbolPopup(COutlineModel& model, const QRect& area, QWidget* parent = nullptr);

    COutlineList* List() const { return m_list; }
    // The definition chosen, once the pop-up was accepted: its position in the text.
    std::optional<std::uint64_t> GetPosition() const;

private:
    COutlineList* m_list;
};
