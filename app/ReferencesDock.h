#pragma once
// CReferencesDock: what Find References found, a dock of the main window. Hidden at
// start (View > References shows and hides it); nothing of it is stored.
//
//  - Show lists every use of a name in the game, in the game's order of files and each
//    file's in text order: the file's name (its path as tooltip), the line from 1 and
//    the line's text; the count stands above the list ("noun: 1,234 references").
//  - Enter or a click on a row announces it with referenceChosen, for the main window
//    to go there; Escape gives the focus back to the text.

#include "game/Game.h"
#include "game/Location.h"

#include <QDockWidget>
#include <QString>

#include <vector>

class QLabel;
class QTreeWidget;

class CReferencesDock : public QDockWidget {
    Q_OBJECT

public:
    // text: the widget that Escape gives the focus to.
    CReferencesDock(QWidget& text, QWidget* parent = nullptr);

    QLabel* CountLabel() const { return m_count; }
    QTreeWidget* List() const { return m_list; }
    // Lists the uses of name that game has at references; the first becomes current.
    void Show(const QString& name, const CGame& game, const std::vector<GameReference>& references);

signals:
    // A use chosen: its file's path as the game has it, and where the use stands.
    void referenceChosen(const QString& path, const Location& at, bool byKeyboard);

private:
    QLabel* m_count;
    QTreeWidget* m_list;
};
