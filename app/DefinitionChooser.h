#pragma once
// CDefinitionChooser: Go to Definition on a name defined more than once: a small list of
// its definitions (the file's name, the line from 1, the line's text, and for one the
// compiler does not compile why: "not compiled: REASON", the row greyed), in the order
// given, the first preselected. Enter, OK or a double click goes to the one chosen;
// Escape or Cancel goes nowhere.

#include "game/Game.h"

#include <QDialog>

#include <vector>

class QTreeWidget;

class CDefinitionChooser : public QDialog {
    Q_OBJECT

public:
    CDefinitionChooser(const QString& name, const CGame& game, const std::vector<GameDefinitionRef>& definitions,
                       QWidget* parent = nullptr);

    QTreeWidget* List() const { return m_list; }
    // The row chosen (an index into definitions), or -1.
    int GetChoice() const;

private:
    QTreeWidget* m_list;
};
