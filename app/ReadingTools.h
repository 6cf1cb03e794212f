#pragma once
// CReadingTools: what the main window adds for finding one's way in a long text, beyond
// the commands of its menus and toolbar: the Edit menu's commands (Copy, Select All,
// Find, Find Next, Find Previous), Go to Line and Go to Symbol, the find bar under the
// text, and the position pane ("Ln 1,234, Col 17") before the CAP pane. None of it is
// stored: every start looks as before.
//
//  - Copy and Select All act on the text as its context menu does. The text takes its
//    own Ctrl+C and Ctrl+A before the window's shortcuts, and a text box (the find
//    bar's, the outline's filter) takes them for itself, so the menu's keys act only
//    where nothing else does.
//  - Go to Line asks for a line (CGoToLineDlg); Go to Symbol shows the outline as a
//    pop-up (CSymbolPopup). Both put the caret there, bring its line to the middle of
//    the view and give the focus to the text; jumping says so just before the caret
//    moves.
//  - The zoom keys act wherever the focus is in the window; a zoom of the text is told
//    in the message pane.
//  - Dialogs run through the modal runner the tools are given, so tests can answer them.

#include "ModalRunner.h"

#include <QObject>
#include <QString>

class CFindBar;
class COutlineModel;
class CSyntaxRichEditCtrl;
class QAction;
class QLabel;
class QMainWindow;

class CReadingTools : public QObject {
    Q_OBJECT

public:
    // Adds the find bar to frame and keeps positionPane (of the frame's status bar)
    // current; commands are connected by the frame.
    CReadingTools(QMainWindow& frame, ModalRunner runModal, CSyntaxRichEditCtrl& control, QLabel& positionPane);
    ~CReadingTools() override;

    CFindBar* GetFindBar() const { return m_findBar; }
    COutlineModel& GetOutlineModel() const { return *m_outlineModel; }
    QLabel* GetPositionPane() const { return m_positionPane; }
    // Keeps copy enabled while there is a selection.
    void SetCommands(QAction* copy);

    void OnEditCopy();
    void OnEditSelectAll();
    void OnEditFind();
    void OnEditFindNext();
    void OnEditFindPrevious();
    void OnEditGoToLine();
    void OnEditGoToSymbol();
    void OnViewZoomIn();
    void OnViewZoomOut();
    void OnViewZoomReset();
    // The caret's line and column into the position pane.
    void UpdatePosition();

signals:
    // Go to Line or Go to Symbol is about to move the caret.
    void jumping();

private:
    void UpdateCopy();

    QMainWindow& m_frame;
    ModalRunner m_runModal;
    CSyntaxRichEditCtrl& m_control;
    COutlineModel* m_outlineModel;
    CFindBar* m_findBar;
    QLabel* m_positionPane;
    QAction* m_copy = nullptr;
    QString m_findMessage;  // the find bar's last line in the message pane
};
